// Triggers in translated code: PC-trigger exits at translation time, the system-call and MSR-write
// tests, and the memory-trigger routines with their range tests.
#include "translator/tt_triggers.h"

#include <sys/mman.h>

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "exec/hooks/translator_triggers.h"
#include "exec/pc_triggers.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_triggers.h"
#include "runtime/triggers.h"
#include "runtime/utils_mmap.h"
#include "translator/frame.h"
#include "translator/jit_stubs.h"
#include "translator/x86/encoder.h"
#include "translator/x86/memory_access.h"
#include "translator/x86/prologues.h"
#include "translator/xframe.h"

namespace
{

constexpr uint64_t MEMTRIGGER_AREA_SIZE = 0x100000;
constexpr uint64_t DENSE_GAP_BYTES = 128;

// The memory-trigger routines: current for `routines_table`, made into `routines_area`.
int routines_current = 0;
TriggerTable *routines_table = nullptr;
void *routines_area = nullptr;
uint64_t routines_made = 0;

GenericMachine *machine_of(MCM *chip)
{
    return chip ? chip->machine : nullptr;
}

TriggerTable *table_of(MCM *chip)
{
    GenericMachine *machine = machine_of(chip);
    return machine ? machine->trigger_table : nullptr;
}

bool matches(const Memory_Trigger *node, int effective, int read)
{
    return !node->disabled && (node->effective != 0) == (effective != 0) && (node->read != 0) == (read != 0);
}

Memory_Trigger *from(Memory_Trigger *node, int effective, int read)
{
    while (node && !matches(node, effective, read))
        node = node->next;
    return node;
}

void bytes(sink *s, std::initializer_list<uint8_t> list)
{
    for (uint8_t b : list)
        sink_emit1(s, b);
}

// mov rdx, value (imm64 when wide, else mov edx, imm32).
void load_rdx(sink *s, int wide, uint64_t value)
{
    if (wide)
        emit_mov_imm64(s, HOST_RDX, value);
    else
        emit_mov_imm32(s, HOST_RDX, (uint32_t)value, 0);
}

// The two comparisons of a range test on the address in `reg` (r9 or rcx); the addresses of the two
// jl rel32 fields to patch to where the access is outside [start, end].
void emit_range_compare(sink *s, int reg, int wide, uint64_t start, uint64_t end, uint64_t *skip_high,
                        uint64_t *skip_low)
{
    load_rdx(s, wide, end);
    const uint8_t rex = (uint8_t)((wide ? 0x48 : 0x40) | (reg >= 8 ? REX_R : 0));
    if (rex != 0x40) sink_emit1(s, rex);
    bytes(s, {0x39, (uint8_t)(0xC2 | (reg & 7) << 3)}); // cmp rdx, reg
    bytes(s, {0x0F, 0x8C, 0, 0, 0, 0});                 // jl: address > end
    *skip_high = sink_xpc(s);
    emit_mov_reg(s, HOST_RAX, reg, wide);
    load_rdx(s, wide, start);
    if (wide) sink_emit1(s, 0x48);
    bytes(s, {0x05, 0x0F, 0, 0, 0}); // add rax, 15
    if (wide) sink_emit1(s, 0x48);
    bytes(s, {0x39, 0xD0});             // cmp rax, rdx
    bytes(s, {0x0F, 0x8C, 0, 0, 0, 0}); // jl: address + 15 < start
    *skip_low = sink_xpc(s);
}

void emit_range_test(sink *s, int reg, int wide, int effective, uint64_t start, uint64_t end)
{
    uint64_t skip_high = 0, skip_low = 0;
    emit_range_compare(s, reg, wide, start, end, &skip_high, &skip_low);
    emit_mov_imm64(s, HOST_RDX, effective ? ea_memtrigger_stub : pa_memtrigger_stub);
    bytes(s, {0xFF, 0xE2}); // jmp rdx
    resolve_reference_here(s, skip_high);
    resolve_reference_here(s, skip_low);
}

} // namespace

// ---- PC triggers, system calls and MSR writes ----

int tt_has_pctriggers(MCM *chip, uint64_t physical_address)
{
    GenericMachine *machine = machine_of(chip);
    TriggerTable *table = table_of(chip);
    if (!table || (table->realpc_count == 0 && table->pc_count == 0)) return 0;
    if (table->realpc_count != 0 && Trigger_RealPC__Search(machine, physical_address)) return 1;
    return Trigger_Has_PC_and_EA(machine, physical_address);
}

int tt_handle_pctriggers(xframe *x, uint32_t, uint32_t slot)
{
    MCM *chip = xframe_mcm(x);
    GenericMachine *machine = machine_of(chip);
    const uint64_t pa = x->frame->pa + 4ull * slot;
    if (Trigger_RealPC__Search(machine, pa)) {
        jit_exit_pa_pctrigger(x);
        return 0;
    }
    // The page's effective address is not known here: every trigger at this page offset gets a
    // guard, and only the one whose address the PC holds leaves.
    for (PC_TriggerEntry *entry = Trigger_PC__First(machine); entry; entry = Trigger_PC__Next(machine, entry))
        if ((entry->hash.key0 & 0xFFF) == (pa & 0xFFF)) jit_exit_ea_pctrigger(x, entry->hash.key0, 0);
    return 1;
}

int tt_has_sctrigger(MCM *chip)
{
    TriggerTable *table = table_of(chip);
    return table && table->syscall_count != 0;
}

int tt_has_msr_w_regtrigger(MCM *chip)
{
    GenericMachine *machine = machine_of(chip);
    if (!machine) return 0;
    for (int32_t i = 0;; i++) {
        ProcessorState *core = GenericMachine__Processor(machine, i);
        if (!core) return 0;
        for (uint32_t t = 0; t < core->num_threads; t++)
            if (Reg_Write_Triggers_Armed(core->threads[t].MSR.trigger)) return 1;
    }
}

void tt_handle_msr_w_regtrigger(xframe *x)
{
    if (x->frame) x->frame->regtrigger_flush = 1;
    jit_exit_msr_w_regtrigger(x);
}

// ---- memory triggers ----

int tt_has_memtriggers(MCM *chip)
{
    TriggerTable *table = table_of(chip);
    if (!table || table->memory_enabled == 0) return 0;
    // Without the area there are no routines with triggers to select (the failed mapping was
    // reported as a fatal error).
    if (!routines_area)
        routines_area = utils_mmap("tt_handle_memtriggers", MEMTRIGGER_AREA_SIZE,
                                   PROT_READ | PROT_WRITE | PROT_EXEC, 1, nullptr);
    return routines_area ? 1 : 0;
}

void tt_handle_memtriggers(MCM *chip)
{
    TriggerTable *table = table_of(chip);
    // The routines hold one machine's ranges: another machine's triggers make them again.
    if (routines_current && routines_table == table) return;
    if (!routines_area) return; // made by tt_has_memtriggers
    routines_current = 1;
    routines_table = table;
    sink s;
    sink_init(&s, routines_area, MEMTRIGGER_AREA_SIZE);
    gen_xlate_routines(&s, 1, 1);
    routines_made++;
}

void tt_memtrigger_reset(void)
{
    routines_current = 0;
}

int tt_get_num_memtriggers(int effective, int read)
{
    int n = 0;
    for (Memory_Trigger *node = tt_mtrig_iter(effective, read); node;
         node = tt_mtrig_next(node, effective, read))
        n++;
    return n;
}

Memory_Trigger *tt_mtrig_iter(int effective, int read)
{
    if (!routines_table || routines_table->memory_enabled == 0) return nullptr;
    return from(routines_table->memory_head, effective, read);
}

Memory_Trigger *tt_mtrig_next(Memory_Trigger *node, int effective, int read)
{
    return node ? from(node->next, effective, read) : nullptr;
}

int tt_mtrig_span_is_dense(int effective, int read, uint64_t low, uint64_t high)
{
    std::vector<std::pair<uint64_t, uint64_t>> ranges;
    for (Memory_Trigger *node = tt_mtrig_iter(effective, read); node;
         node = tt_mtrig_next(node, effective, read)) {
        if (node->start == low && node->end == high) return 1;
        ranges.emplace_back(node->start, node->end);
    }
    std::sort(ranges.begin(), ranges.end());
    // Bytes covered by the union of the inclusive ranges.
    uint64_t covered = 0;
    bool open = false;
    uint64_t run_start = 0, run_end = 0;
    for (const auto &[start, end] : ranges) {
        if (open && start <= run_end + 1 && run_end != ~0ull) {
            run_end = std::max(run_end, end);
            continue;
        }
        if (open) covered += run_end - run_start + 1;
        run_start = start;
        run_end = end;
        open = true;
    }
    if (open) covered += run_end - run_start + 1;
    return covered + DENSE_GAP_BYTES >= high - low + 1;
}

void emit_memtrig_range_test(sink *s, int wide, int effective, uint64_t start, uint64_t end)
{
    emit_range_test(s, HOST_R9, wide, effective, start, end);
}

void emit_memtrig_range_test_on(sink *s, int reg, int effective, uint64_t start, uint64_t end)
{
    emit_range_test(s, reg, 1, effective, start, end);
}

void emit_memtrig_span_skip(sink *s, int reg, uint64_t low, uint64_t high, uint64_t *skip_high,
                            uint64_t *skip_low)
{
    emit_range_compare(s, reg, 1, low, high, skip_high, skip_low);
}

TriggerTable *tt_memtrigger_table(void)
{
    return routines_table;
}

uint64_t tt_memtrigger_generations(void)
{
    return routines_made;
}

int tt_memtriggers_current(void)
{
    return routines_current;
}
