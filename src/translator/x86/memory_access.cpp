// Guest memory access in translated code and the generated translation routines.
#include "translator/x86/memory_access.h"

#include <cstddef>
#include <initializer_list>

#include "isa/hooks/trace_events.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/run/modes.h"
#include "runtime/message.h"
#include "translator/callouts.h"
#include "translator/emat.h"
#include "translator/emat_modes.h"
#include "translator/frame.h"
#include "translator/jit_stubs.h"
#include "translator/standalone_memory.h"
#include "translator/turbo_reason.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/prologues.h"
#include "translator/x86/state_disp.h"
#include "translator/xframe.h"

namespace
{

constexpr int TRACE_MEM_METHOD = 17;
constexpr int TRACE_MEM_READ_METHOD = 19;
constexpr int TRACE_MEM_WRITE_METHOD = 20;
constexpr int COUNTER_MEM = 1, COUNTER_MEM_READ = 2, COUNTER_MEM_WRITE = 3;
// Record sizes: "trc_mem" method, EA, profile entry; "trc_mem_read" method, EA; "trc_mem_write"
// method, EA, kind.
constexpr uint8_t TRACE_MEM_RECORD_BYTES = 3 * 8;
constexpr uint8_t TRACE_MEM_READ_RECORD_BYTES = 2 * 8;
constexpr uint8_t TRACE_MEM_WRITE_RECORD_BYTES = 3 * 8;
constexpr uint64_t MSR_TA_DR = 0x4000000000000010ull;
constexpr uint64_t REAL_LIMIT = 0x0FFFFFFFFFFFFFFFull;
enum { SLOT_WRITE = 0, SLOT_READ = 8, SLOT_FETCH = 16 };

void bytes(sink *s, std::initializer_list<uint8_t> list)
{
    for (uint8_t b : list)
        sink_emit1(s, b);
}

// [REX] opcode(s) with the operand [addr] (no displacement).
void indirect(sink *s, std::initializer_list<uint8_t> opcode, int reg, int addr, int wide, uint8_t prefix = 0)
{
    insn_template t{};
    int i = 0;
    for (uint8_t b : opcode)
        t.opcode[i++] = b;
    t.last_opcode = i - 1;
    set_modrm_base_indirect(&t, reg, addr, wide);
    if (prefix) sink_emit1(s, prefix);
    emit_insn(&t, s);
}

// [REX] op ModRM(mod 10) with [base + disp32].
void based(sink *s, std::initializer_list<uint8_t> opcode, int reg, int32_t disp, int base, int wide)
{
    insn_template t{};
    int i = 0;
    for (uint8_t b : opcode)
        t.opcode[i++] = b;
    t.last_opcode = i - 1;
    set_modrm_base_disp32(&t, reg, disp, base, wide);
    emit_insn(&t, s);
}

// [REX] op ModRM(mod 00) with [base + index].
void indexed(sink *s, uint8_t op, int reg, int base, int index, int wide)
{
    insn_template t{};
    t.opcode[0] = op;
    set_modrm_base_index(&t, reg, base, index, wide);
    emit_insn(&t, s);
}

// shr r, count.
void emit_shr(sink *s, int r, uint8_t count, int wide)
{
    uint8_t rex = (uint8_t)((wide ? REX_W : 0) | (r >= 8 ? REX_B : 0));
    if (rex) sink_emit1(s, 0x40 | rex);
    sink_emit1(s, 0xC1);
    sink_emit1(s, 0xE8 | (r & 7));
    sink_emit1(s, count);
}

GenericMachine *machine_of(xframe *x)
{
    MCM *chip = xframe_mcm(x);
    return chip ? chip->machine : nullptr;
}

// A memory trace record of a loaded library at turbo.trace_cursor: the method, the EA and, for
// "trc_mem", the profile entry; for stores the kind word.
void emit_mem_record(sink *s, int method, uint64_t entry, int with_entry, int kind_word, uint8_t size)
{
    emit_mov_load(s, HOST_R11, disp_turbo(trace_cursor), JIT_THREAD, 1);
    bytes(s, {0x49, 0xC7, 0x83, 0, 0, 0, 0, (uint8_t)method, 0, 0, 0}); // mov qword [r11], method
    bytes(s, {0x4D, 0x89, 0x8B, 0x08, 0, 0, 0});                        // mov [r11 + 8], r9
    if (with_entry) {
        emit_mov_imm64(s, HOST_R10, entry);
        bytes(s, {0x4D, 0x89, 0x93, 0x10, 0, 0, 0}); // mov [r11 + 16], r10
    }
    if (kind_word >= 0) {
        bytes(s, {0x49, 0xC7, 0x83, 0x10, 0, 0, 0});
        emit_imm32(s, (uint32_t)kind_word); // mov qword [r11 + 16], kind
    }
    bytes(s, {0x49, 0x83, 0xC3, size}); // add r11, record size
    emit_mov_store(s, disp_turbo(trace_cursor), JIT_THREAD, HOST_R11, 1);
}

// The call-out of a debug routine's hook, with the host stack kept 16-byte aligned at the call:
// called routines (read, write) are one return address deeper than the fetcher.
void emit_debug_hook(sink *s, int slot)
{
    bytes(s, {0x50, 0x52, 0x51, 0x41, 0x51, 0x41, 0x52, 0x41, 0x53}); // push rax, rdx, rcx, r9, r10, r11
    bytes(s, {0x4D, 0x8B, 0x9A, 0, 0, 0, 0});                         // mov r11, [r10]
    bytes(s, {0x4C, 0x8B, 0xD9});                                     // mov r11, rcx
    const bool called = slot != SLOT_FETCH;
    if (called) bytes(s, {0x48, 0x83, 0xEC, 0x08}); // sub rsp, 8
    const void *hook = slot == SLOT_WRITE  ? reinterpret_cast<const void *>(jit_xlate_write_hook)
                       : slot == SLOT_READ ? reinterpret_cast<const void *>(jit_xlate_read_hook)
                                           : reinterpret_cast<const void *>(jit_xlate_fetch_hook);
    jit_callout(s, HOST_R9, hook);
    if (called) bytes(s, {0x48, 0x83, 0xC4, 0x08});                   // add rsp, 8
    bytes(s, {0x41, 0x5B, 0x41, 0x5A, 0x41, 0x59, 0x59, 0x5A, 0x58}); // pop r11, r10, r9, rcx, rdx, rax
}

// The complex path of a writer: revokes other reservations and takes the writer now in force.
void emit_complex_write_callout(sink *s, int mode64)
{
    bytes(s, {0x4C, 0x8B, 0xD9});                    // mov r11, rcx
    indirect(s, {0x8B}, HOST_RAX, HOST_R10, mode64); // mov rax, [r10]: faults before the call-out
    jit_callout(s, HOST_R11, reinterpret_cast<const void *>(jit_do_complex_write));
    bytes(s, {0x4D, 0x8B, 0xEB}); // mov r13, r11
}

uint64_t gen_pturbo_writer(sink *s, int machine64, int mode64, int xmode, int debug, int memtriggers)
{
    const uint64_t start = sink_xpc(s);
    gen_xlate_lookup(s, xmode, SLOT_WRITE, machine64, mode64, debug, memtriggers);
    emit_push(s, HOST_RDX);
    emit_mov_load(s, HOST_RAX, disp_turbo(pturbo_reader_count), JIT_THREAD, 1);
    bytes(s, {0xC7, 0x80, 0, 0, 0, 0, 1, 0, 0, 0}); // mov dword [rax], 1
    bytes(s, {0x0F, 0xAE, 0xF0}); // mfence: the mark is seen before the writer count is read
    emit_mov_load(s, HOST_RDX, disp_turbo(pturbo_writer_count), JIT_THREAD, 1);
    bytes(s, {0x81, 0x3A, 0, 0, 0, 0}); // cmp dword [rdx], 0
    bytes(s, {0x0F, 0x85, 0, 0, 0, 0}); // jne slow
    const uint64_t to_slow = sink_xpc(s);
    emit_pop(s, HOST_RDX);
    sink_emit1(s, 0xC3);
    resolve_reference_here(s, to_slow);
    bytes(s, {0xC7, 0x80, 0, 0, 0, 0, 0, 0, 0, 0}); // mov dword [rax], 0
    for (int r : {HOST_R9, HOST_R10, HOST_R11, HOST_RCX})
        emit_push(s, r);
    emit_complex_write_callout(s, mode64);
    for (int r : {HOST_RCX, HOST_R11, HOST_R10, HOST_R9, HOST_RDX})
        emit_pop(s, r);
    sink_emit1(s, 0xC3);
    return start;
}

uint64_t gen_fetcher(sink *s, int machine64, int mode64, int xmode, int debug)
{
    const uint64_t start = sink_xpc(s);
    emit_and_imm32(s, JIT_PC, 0xFFFFFFFC, 1);
    emit_mov_reg(s, HOST_R9, JIT_PC, mode64);
    gen_xlate_lookup(s, xmode, SLOT_FETCH, machine64, mode64, debug, 0);
    const int32_t slot = (int32_t)(mode64 ? offsetof(frame_s, xframe64) : offsetof(frame_s, xframe32));
    emit_mov_load(s, HOST_R10, slot, HOST_R10, 1);
    emit_add_reg(s, HOST_R10, JIT_BIAS, 1);
    emit_mov_reg(s, HOST_R9, JIT_PC, 0);
    emit_and_imm32(s, HOST_R9, 0xFFC, 0);
    emit_shr(s, HOST_R9, 2, 0);
    bytes(s, {0x43, 0xFF, 0x24, 0xCA}); // jmp qword [r10 + r9*8]
    return start;
}

} // namespace

// ---- loads and stores ----

void jit_get_umem8(xframe *x, int reg, int addr)
{
    indirect(xframe_sink(x), {0x0F, 0xB6}, reg, addr, 1);
}

void jit_put_umem8(xframe *x, int reg, int addr)
{
    sink *s = xframe_sink(x);
    // Registers 4 to 7 need a REX prefix to name their low byte.
    if (reg >= 4 && reg < 8 && addr < 8) sink_emit1(s, 0x40);
    indirect(s, {0x88}, reg, addr, 0);
}

void jit_get_umem16(xframe *x, int reg, int addr)
{
    sink *s = xframe_sink(x);
    indirect(s, {0x0F, 0xB7}, HOST_RAX, addr, 0);
    swap16_emitter(s);
    emit_mov_reg(s, reg, HOST_RAX, 0);
}

void jit_get_smem16(xframe *x, int reg, int addr)
{
    sink *s = xframe_sink(x);
    indirect(s, {0x0F, 0xB7}, HOST_RAX, addr, xframe_machine64(x));
    swap16_emitter(s);
    insn_template t{};
    t.opcode[0] = 0x0F;
    t.opcode[1] = 0xBF;
    t.last_opcode = 1;
    t.has_modrm = 1;
    t.modrm = (uint8_t)(0xC0 | (reg & 7) << 3);
    t.rex = (uint8_t)((xframe_machine64(x) ? REX_W : 0) | (reg >= 8 ? REX_R : 0));
    emit_insn(&t, s);
}

void jit_put_umem16(xframe *x, int reg, int addr)
{
    sink *s = xframe_sink(x);
    emit_mov_reg(s, HOST_RAX, reg, 0);
    swap16_emitter(s);
    indirect(s, {0x89}, HOST_RAX, addr, 0, 0x66);
}

void jit_get_umem32(xframe *x, int reg, int addr)
{
    indirect(xframe_sink(x), {0x8B}, reg, addr, 0);
    swap_emitter(xframe_sink(x), reg, 0);
}

void jit_get_smem32(xframe *x, int reg, int addr)
{
    jit_get_umem32(x, reg, addr);
    jit_extend_32_to_64(x, reg);
}

void jit_get_umem32_bswap(xframe *x, int reg, int addr)
{
    indirect(xframe_sink(x), {0x8B}, reg, addr, 0);
    swap_emitter_reversed(xframe_sink(x), reg, 0);
}

void jit_put_umem32(xframe *x, int reg, int addr)
{
    swap_emitter(xframe_sink(x), reg, 0);
    indirect(xframe_sink(x), {0x89}, reg, addr, 0);
}

void jit_put_umem32_bswap(xframe *x, int reg, int addr)
{
    swap_emitter_reversed(xframe_sink(x), reg, 0);
    indirect(xframe_sink(x), {0x89}, reg, addr, 0);
}

void jit_get_umem64(xframe *x, int reg, int addr)
{
    indirect(xframe_sink(x), {0x8B}, reg, addr, 1);
    swap_emitter(xframe_sink(x), reg, 1);
}

void jit_get_umem64_bswap(xframe *x, int reg, int addr)
{
    indirect(xframe_sink(x), {0x8B}, reg, addr, 1);
    swap_emitter_reversed(xframe_sink(x), reg, 1);
}

void jit_put_umem64(xframe *x, int reg, int addr)
{
    swap_emitter(xframe_sink(x), reg, 1);
    indirect(xframe_sink(x), {0x89}, reg, addr, 1);
}

void jit_put_umem64_bswap(xframe *x, int reg, int addr)
{
    swap_emitter_reversed(xframe_sink(x), reg, 1);
    indirect(xframe_sink(x), {0x89}, reg, addr, 1);
}

// ---- the inline translation ----

void jit_xlate(xframe *x, int slot, int size_minus_1, int trace_kind)
{
    sink *s = xframe_sink(x);
    const bool standalone = xframe_is_standalone(x) != 0;
    if (slot == SLOT_FETCH) {
        sim_error("jit_xlate can't do fetch");
        return;
    }
    if (!standalone && size_minus_1 != 0) {
        bytes(s, {0x44, 0x0F, 0xAC, 0xC8, 0x0C}); // shrd eax, r9d, 12
        bytes(s, {0x05});
        emit_imm32(s, (uint32_t)size_minus_1 << 20); // add eax, (size - 1) << 20
        emit_jcc(s, CC_B, exit_align);
    }
    if (standalone) {
        // Direct host addressing, bounded by the contiguous memory from physical address 0: an
        // access past it is left to the interpreter.
        const uint64_t exit = slot == SLOT_WRITE ? exit_write : exit_read;
        const uint64_t limit = turbo_standalone_limit(xframe_mcm(x));
        if (limit <= (uint64_t)size_minus_1) {
            emit_jmp(s, exit);
            return;
        }
        emit_mov_reg(s, HOST_RAX, HOST_R9, xframe_mode64(x));
        emit_mov_imm64(s, HOST_RDX, limit - 1 - (uint64_t)size_minus_1);
        bytes(s, {0x48, 0x39, 0xD0});                      // cmp rax, rdx
        emit_jcc(s, 0x7, exit);                            // ja
        indexed(s, 0x8D, HOST_R10, HOST_R12, HOST_RAX, 1); // lea r10, [r12 + rax]
    } else {
        bytes(s, {0x41, 0xFF, (uint8_t)(slot == SLOT_WRITE ? 0xD5 : 0xD4)}); // call r13 / call r12
    }
    jit_trace_mem_access(x, trace_kind);
}

void jit_xlate_read(xframe *x, int size_minus_1)
{
    jit_xlate(x, SLOT_READ, size_minus_1, MEM_TRACE_LOAD);
}

void jit_xlate_read_shadow(xframe *x, int size_minus_1, int)
{
    jit_xlate_read(x, size_minus_1);
}

void jit_xlate_write(xframe *x, int size_minus_1)
{
    jit_xlate_store(x, size_minus_1, 0, MEM_TRACE_STORE);
}

void jit_xlate_store(xframe *x, int size_minus_1, int, int trace_kind)
{
    jit_xlate(x, SLOT_WRITE, size_minus_1, trace_kind);
}

void jit_trace_mem_access(xframe *x, int trace_kind)
{
    sink *s = xframe_sink(x);
    emit_counter_increment(x, COUNTER_MEM);
    const uint64_t entry = reinterpret_cast<uint64_t>(x->profile);
    if (trc_is_active(TRACE_MEM_METHOD)) {
        bytes(s, {0x41, 0x51, 0x41, 0x52, 0x41, 0x53});
        emit_mem_record(s, TRACE_MEM_METHOD, entry, 1, -1, TRACE_MEM_RECORD_BYTES);
        bytes(s, {0x41, 0x5B, 0x41, 0x5A, 0x41, 0x59});
    }
    switch (trace_kind) {
    case MEM_TRACE_LOAD:
        emit_counter_increment(x, COUNTER_MEM_READ);
        if (trc_is_active(TRACE_MEM_READ_METHOD)) {
            bytes(s, {0x41, 0x51, 0x41, 0x53});
            emit_mem_record(s, TRACE_MEM_READ_METHOD, 0, 0, -1, TRACE_MEM_READ_RECORD_BYTES);
            bytes(s, {0x41, 0x5B, 0x41, 0x59});
        }
        break;
    case MEM_TRACE_STORE:
    case MEM_TRACE_ZERO:
        if (trace_kind == MEM_TRACE_STORE) emit_counter_increment(x, COUNTER_MEM_WRITE);
        if (trc_is_active(TRACE_MEM_WRITE_METHOD)) {
            bytes(s, {0x41, 0x51, 0x41, 0x53});
            emit_mem_record(s, TRACE_MEM_WRITE_METHOD, 0, 0, trace_kind == MEM_TRACE_ZERO ? 1 : 0,
                            TRACE_MEM_WRITE_RECORD_BYTES);
            bytes(s, {0x41, 0x5B, 0x41, 0x59});
        }
        break;
    default:
        sim_warning(2, "Unknown mem op type %d", trace_kind);
        break;
    }
}

void jit_eao_test(xframe *x, int ra_nonzero, int ra_reg, int rb_reg, int ea_reg)
{
    sink *s = xframe_sink(x);
    const int base = ra_nonzero ? ra_reg : rb_reg;
    emit_mov_imm64(s, HOST_RAX, MSR_TA_DR);
    emit_mov_reg(s, HOST_RCX, HOST_RAX, 1);
    based(s, {0x23}, HOST_RAX, disp_MSR(), JIT_THREAD, 1);
    bytes(s, {0x48, 0x39, 0xC8}); // cmp rax, rcx
    bytes(s, {0x0F, 0x85, 0, 0, 0, 0});
    const uint64_t past = sink_xpc(s);
    emit_mov_imm64(s, HOST_RAX, 0xFFFF000000000000ull);
    emit_and_reg(s, HOST_RAX, base, 1);
    emit_mov_imm64(s, HOST_RCX, 0xFFFF000000000000ull);
    emit_mov_imm64(s, HOST_RDX, 0xFFFFFFFFFF000000ull);
    emit_cmp_imm32(s, HOST_RAX, 0, 1);
    bytes(s, {0x48, 0x0F, 0x45, 0xCA}); // cmovne rcx, rdx
    emit_mov_reg(s, HOST_RAX, base, 1);
    emit_mov_reg(s, HOST_RDX, ea_reg, 1);
    emit_and_reg(s, HOST_RAX, HOST_RCX, 1);
    emit_and_reg(s, HOST_RDX, HOST_RCX, 1);
    bytes(s, {0x48, 0x39, 0xD0}); // cmp rax, rdx
    emit_jcc(s, CC_NE, exit_eao_needed);
    resolve_reference_here(s, past);
}

void jit_xlate_written(xframe *x)
{
    GenericMachine *machine = machine_of(x);
    if (!machine || machine->mode != MODE_PTURBO) return;
    sink *s = xframe_sink(x);
    emit_mov_load(s, HOST_RAX, disp_turbo(pturbo_reader_count), JIT_THREAD, 1);
    bytes(s, {0xC7, 0x80, 0, 0, 0, 0, 0, 0, 0, 0}); // mov dword [rax], 0
    based(s, {0x81}, 7, disp_turbo(pturbo_page_lock), JIT_THREAD, 1);
    emit_imm32(s, 0); // cmp qword [rbx + page lock], 0
    bytes(s, {0x0F, 0x84, 0, 0, 0, 0});
    const uint64_t past = sink_xpc(s);
    jit_callout(s, -1, reinterpret_cast<const void *>(jit_do_xlate_written));
    resolve_reference_here(s, past);
}

// ---- the generated routines ----

void gen_xlate_routines(sink *s, int machine64, int memtriggers)
{
    const int high = memtriggers ? 32 : 0;
    for (int debug = 0; debug < 2; debug++) {
        for (int mode64 = 0; mode64 < 2; mode64++) {
            for (int xmode = 0; xmode < 8; xmode++) {
                const int i = xmode + 8 * debug + 16 * mode64 + high;
                jit_simple_writers[i] = gen_xlate_writer(s, machine64, mode64, xmode, debug, 0, memtriggers);
                jit_complex_writers[i] = gen_xlate_writer(s, machine64, mode64, xmode, debug, 1, memtriggers);
                jit_pturbo_writers[i] = gen_pturbo_writer(s, machine64, mode64, xmode, debug, memtriggers);
                jit_readers[i] = sink_xpc(s);
                gen_xlate_lookup(s, xmode, SLOT_READ, machine64, mode64, debug, memtriggers);
                sink_emit1(s, 0xC3);
                if (!memtriggers) {
                    jit_fetchers[i] = gen_fetcher(s, machine64, mode64, xmode, debug);
                    jit_fetchers[i + 32] = jit_fetchers[i];
                } else {
                    jit_fetchers[i] = jit_fetchers[i - 32];
                }
            }
        }
    }
}

uint64_t gen_xlate_writer(sink *s, int machine64, int mode64, int xmode, int debug, int complex,
                          int memtriggers)
{
    const uint64_t start = sink_xpc(s);
    gen_xlate_lookup(s, xmode, SLOT_WRITE, machine64, mode64, debug, memtriggers);
    if (complex) {
        for (int r : {HOST_R9, HOST_R10, HOST_R11, HOST_RCX, HOST_RDX})
            emit_push(s, r);
        emit_complex_write_callout(s, mode64);
        for (int r : {HOST_RDX, HOST_RCX, HOST_R11, HOST_R10, HOST_R9})
            emit_pop(s, r);
    }
    sink_emit1(s, 0xC3);
    return start;
}

void gen_xlate_lookup(sink *s, int xmode, int slot, int machine64, int mode64, int debug, int memtriggers)
{
    const bool fetch = slot == SLOT_FETCH;
    const int32_t reason = slot == SLOT_WRITE ? EXIT_WRITE : slot == SLOT_READ ? EXIT_READ : EXIT_FETCH;
    const int32_t mask = fetch ? disp_turbo(fetch_mask) : disp_turbo(data_mask);
    const int32_t base = fetch ? disp_turbo(fetch_base) : disp_turbo(data_base);

    if (memtriggers) gen_memtrigger_tests(s, xmode, 1, mode64, reason);
    emit_mov_reg(s, HOST_R10, HOST_R9, mode64);
    switch (xmode) {
    case XMODE_PA:
    case XMODE_INVALID:
        based(s, {0x23}, HOST_R10, mask, JIT_THREAD, 1);
        break;
    case XMODE_EA0:
        emit_mov_imm64(s, HOST_RDX, REAL_LIMIT);
        emit_mov_imm32(s, HOST_RAX, 0, 1);
        emit_cmp_imm32(s, HOST_R10, 0, 1);
        emit_cmov_load(s, 0xD, HOST_RAX, base, 1); // cmovge: the base below bit 63 only
        emit_and_reg(s, HOST_R10, HOST_RDX, 1);
        emit_or_reg(s, HOST_R10, HOST_RAX, 1);
        break;
    case XMODE_HRMOR0:
    case XMODE_RMOR0:
        emit_mov_imm64(s, HOST_RDX, REAL_LIMIT);
        emit_and_reg(s, HOST_R10, HOST_RDX, 1);
        break;
    case XMODE_RMOR:
        emit_mov_imm64(s, HOST_RDX, REAL_LIMIT);
        emit_mov_load(s, HOST_RAX, base, JIT_THREAD, 1);
        emit_and_reg(s, HOST_R10, HOST_RDX, 1);
        emit_or_reg(s, HOST_R10, HOST_RAX, 1);
        break;
    case XMODE_VRM:
        emit_mov_imm64(s, HOST_RDX, 0xFFFFFFFFFFull);
        emit_and_reg(s, HOST_R10, HOST_RDX, 1);
        break;
    case XMODE_EMAT:
        break;
    default:
        sim_error("unknown translation mode, %d/%d[%s]", xmode, 8, EMAT_XLATE_NAME(xmode));
        break;
    }
    if (mode64) {
        emit_mov_reg(s, HOST_RAX, HOST_R10, 1);
        emit_mov_reg(s, HOST_RDX, HOST_R10, 1);
        emit_mov_reg(s, HOST_RCX, HOST_R10, 1);
        emit_shr(s, HOST_RAX, 43, 1);
    } else {
        emit_mov_reg(s, HOST_RDX, HOST_R10, 0);
        emit_mov_reg(s, HOST_RCX, HOST_R10, 0);
    }
    emit_shr(s, HOST_RDX, 25, 1);
    emit_shr(s, HOST_RCX, 7, 1);
    emit_mov_store_imm32(s, disp_turbo(reason), JIT_THREAD, (uint32_t)reason, 0);
    if (mode64) emit_and_imm32(s, HOST_RAX, 0x1FFFF8, 1);
    emit_and_imm32(s, HOST_RDX, 0x1FFFF8, mode64);
    emit_and_imm32(s, HOST_RCX, 0x1FFFE0, mode64);
    if (fetch)
        bytes(s, {0x4D, 0x31, 0xD2}); // xor r10, r10
    else
        emit_and_imm32(s, HOST_R10, 0xFFF, mode64);
    if (machine64) emit_add_reg(s, HOST_RDX, JIT_BIAS, 1);
    emit_add_reg(s, HOST_RCX, JIT_BIAS, 1);
    emit_add_reg(s, HOST_R10, JIT_BIAS, 1);
    if (fetch) emit_mov_load(s, JIT_DATA_EMAT, disp_turbo(fetch_emat), JIT_THREAD, 1);
    if (mode64) {
        indexed(s, 0x8B, HOST_RAX, JIT_DATA_EMAT, HOST_RAX, 1); // mov rax, [r15 + rax]
        indexed(s, 0x03, HOST_RCX, HOST_RAX, HOST_RDX, 1);      // add rcx, [rax + rdx]
    } else {
        indexed(s, 0x03, HOST_RCX, JIT_DATA_EMAT, HOST_RDX, 1); // add rcx, [r15 + rdx]
    }
    if (fetch) emit_mov_load(s, JIT_DATA_EMAT, disp_turbo(data_emat), JIT_THREAD, 1);
    if (memtriggers) gen_memtrigger_tests(s, xmode, 0, mode64, reason);
    switch (slot) {
    case SLOT_WRITE:
        emit_mov_reg(s, HOST_RAX, JIT_BIAS, 1);
        based(s, {0x03}, HOST_RAX, EMAT_WRITE_OFFSET(), HOST_RCX, 1);
        based(s, {0x03}, HOST_R10, (int32_t)offsetof(frame_s, fast_write), HOST_RAX, 1);
        break;
    case SLOT_READ:
        based(s, {0x03}, HOST_R10, EMAT_READ_OFFSET(), HOST_RCX, 1);
        break;
    default:
        based(s, {0x03}, HOST_R10, EMAT_FETCH_OFFSET(), HOST_RCX, 1);
        break;
    }
    if (debug) emit_debug_hook(s, slot);
}
