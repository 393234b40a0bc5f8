// The lazy time base, PURR/SPURR sharing, the TFMR write and the freeze of the time base.
#include "processor/time/time_registers.h"

#include "kernel/tsim.h"
#include "processor/config/processor_options.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_services.h"
#include "processor/time/time_domain.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t TFMR_TB_SYNC = 1ull << 45;
constexpr uint64_t TFMR_BIT_46 = 1ull << 46;
constexpr uint64_t TFMR_BIT_47 = 1ull << 47;
constexpr uint64_t TFMR_BIT_39 = 1ull << 39;
constexpr uint64_t TFMR_STATUS_FIELD = 0xFull << 40; // bits 43..40
constexpr uint64_t TFMR_STATUS_COPY = 0xFull << 24;  // bits 27..24
constexpr uint64_t TFMR_STATUS_SET = 0x600800;       // bits 22, 21, 11
constexpr uint64_t TFMR_LOW_BITS = (1ull << 39) - 1; // bits 38..0

ProcessorState *tb_master(ProcessorState *core)
{
    return core->partition_views[0] ? core->partition_views[0] : core;
}

// The current cycle of the master's time-base domain (0 at tick 0); the error and 0 without a
// kernel.
uint64_t tb_cycle_now(ProcessorState *core)
{
    ProcessorState *master = tb_master(core);
    GenericMachine *machine = master->machine;
    if (!machine || !machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    uint64_t tick = machine->tsim->now;
    if (tick == 0) return 0;
    uint64_t per_cycle =
        master->timebase_domain && master->timebase_domain->ticks_per_cycle ? master->timebase_domain->ticks_per_cycle : 1;
    return tick / per_cycle + (tick % per_cycle != 0);
}

void advance_tb(ProcessorState *core, uint64_t cycle)
{
    core->tb_value += cycle - core->tb_last_cycle;
    core->tb_last_cycle = cycle;
}

ProcessorState *tb_processor(ThreadState *thread)
{
    return thread->shared_processor ? thread->shared_processor : thread->processor;
}

void mark_partial_write(ProcessorState *core, uint64_t mask)
{
    core->TB.bits_written.valid = 1;
    core->TB.bits_written.mask = mask;
}

void add_share(ThreadState *thread, uint64_t share)
{
    thread->PURR.value += share;
    thread->SPURR.value += share;
}

// Instruction-proportional sharing (RWMR mode 0).
void share_by_instructions(ThreadState *thread, ProcessorState *core, ProcessorState *partition)
{
    uint64_t total = 0;
    for (uint32_t i = 0; i < core->num_threads; i++)
        total += core->threads[i].Instruction_Number - core->threads[i].instructions_at_last_purr;
    if (total == 0) return;
    uint64_t d = ThreadState__GetTB(thread) - partition->tb_at_last_purr;
    if (d == 0) return;
    for (uint32_t i = 0; i < core->num_threads && total != 0; i++) {
        ThreadState *t = &core->threads[i];
        uint64_t n = t->Instruction_Number - t->instructions_at_last_purr;
        uint64_t share = (d * n + total / 2) / total;
        add_share(t, share);
        total -= n;
        d -= share;
    }
}

// The RWMR weight of the idle part for the SMT mode and the enabled threads (0: no idle part).
uint64_t idle_weight(uint64_t rwmr, uint32_t smt_mode, int enabled, const bool *is_enabled)
{
    auto field = [rwmr](int low) { return (rwmr >> low) & 0x1F; };
    if (smt_mode == SMT_MODE_1 || (smt_mode == SMT_MODE_2 && enabled == 1)) return field(59);
    if (smt_mode == SMT_MODE_2 && enabled == 2) return field(39);
    if (smt_mode == SMT_MODE_4) {
        if (enabled == 1) return field(49);
        if (enabled == 2) {
            bool even_pair = is_enabled[0] && is_enabled[2];
            bool odd_pair = is_enabled[1] && is_enabled[3];
            return even_pair || odd_pair ? field(19) : field(29);
        }
        if (enabled == 3) return field(9);
    }
    return 0;
}

// Weighted sharing (RWMR modes 1..3): an idle part for the disabled threads, the rest for the
// enabled ones.
void share_by_weights(ThreadState *thread, ProcessorState *core, ProcessorState *partition, uint64_t rwmr)
{
    int64_t d = (int64_t)(ThreadState__GetTB(thread) - partition->tb_at_last_purr);
    uint32_t k = core->smt_mode == SMT_MODE_2 ? 2 : core->smt_mode == SMT_MODE_4 ? 4 : core->smt_mode == SMT_MODE_8 ? 8 : 1;
    if (k > core->num_threads) k = core->num_threads;
    bool is_enabled[8] = {};
    int enabled = 0, disabled = 0;
    for (uint32_t i = 0; i < k; i++) {
        is_enabled[i] = core->threads[i].x_smt_enable == 1;
        if (is_enabled[i])
            enabled++;
        else
            disabled++;
    }
    uint64_t mode = rwmr & 3;
    int64_t m;
    if (enabled == 0)
        m = (int64_t)((uint64_t)d * 32 / 32);
    else if (mode == 1)
        m = 0;
    else
        m = (int64_t)((idle_weight(rwmr, core->smt_mode, enabled, is_enabled) * (uint64_t)d) / 32);
    int64_t run = d - m;
    if (run < 0) sim_error("run_cycles is negative!!  %ld", (long)run);
    if (enabled == 0) enabled = 1;
    if (disabled == 0) disabled = 1;
    bool first_takes_all = (rwmr & 4) != 0;
    bool first_served = false;
    for (uint32_t i = 0; i < k; i++) {
        int64_t share;
        if (is_enabled[i]) {
            if (first_takes_all) {
                share = first_served ? 0 : run;
                first_served = true;
            } else {
                share = (run + enabled / 2) / enabled;
                run -= share;
                enabled--;
            }
        } else {
            share = (m + disabled / 2) / disabled;
            m -= share;
            disabled--;
        }
        add_share(&core->threads[i], (uint64_t)share);
    }
}

template <typename F> void for_each_processor(GenericMachine *machine, F f)
{
    int32_t count = GenericMachine__ProcessorCount(machine);
    for (int32_t i = 0; i < count; i++)
        if (ProcessorState *core = GenericMachine__Processor(machine, i)) f(i, core);
}

// Sets every processor's time base (and its partition views') to the largest one found.
void synchronise_time_bases(GenericMachine *machine)
{
    bool any = false;
    uint64_t largest = 0;
    for_each_processor(machine, [&](int32_t index, ProcessorState *core) {
        uint64_t tb = ProcessorState__GetTB(core);
        if (!any || tb > largest) largest = tb;
        any = true;
        if (index == 0) return;
        for (int32_t v = 1; v < core->partition_count; v++)
            if (ProcessorState *view = core->partition_views[v]) {
                uint64_t view_tb = ProcessorState__GetTB(view);
                if (view_tb > largest) largest = view_tb;
            }
    });
    if (!any) return;
    for_each_processor(machine, [&](int32_t, ProcessorState *core) {
        ProcessorState__SetTB(core, largest);
        for (int32_t v = 1; v < core->partition_count; v++)
            if (core->partition_views[v]) ProcessorState__SetTB(core->partition_views[v], largest);
    });
}

} // namespace

void ProcessorState__UpdateTB(ProcessorState *core)
{
    if (core->options[PO_FREEZE_TIME_BASE_AND_DEC] || core->tb_frozen) return;
    uint64_t cycle = tb_cycle_now(core);
    advance_tb(core, cycle);
    for (int32_t v = 1; v < core->partition_count && v < PARTITION_VIEW_COUNT; v++)
        if (core->partition_views[v]) advance_tb(core->partition_views[v], cycle);
}

uint64_t ProcessorState__GetTB(ProcessorState *core)
{
    ProcessorState__UpdateTB(core);
    return core->tb_value;
}

uint32_t ProcessorState__GetTBU(ProcessorState *core)
{
    return (uint32_t)(ProcessorState__GetTB(core) >> 32);
}

uint32_t ProcessorState__GetTBL(ProcessorState *core)
{
    return (uint32_t)ProcessorState__GetTB(core);
}

uint64_t ThreadState__GetTB(ThreadState *thread)
{
    return ProcessorState__GetTB(tb_processor(thread));
}

uint32_t ThreadState__GetTBU(ThreadState *thread)
{
    return ProcessorState__GetTBU(tb_processor(thread));
}

void ProcessorState__SetTB(ProcessorState *core, uint64_t value)
{
    ProcessorState__UpdateTB(core);
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++) Adjust_PURR_Values(&core->threads[i]);
    core->tb_value = value;
    core->tb_last_cycle = tb_cycle_now(core);
    Update_PURR_state(core);
}

void ThreadState__SetTB(ThreadState *thread, uint64_t value)
{
    ProcessorState__SetTB(tb_processor(thread), value);
}

void RAW_SET_TB(ProcessorState *core, uint64_t value)
{
    ProcessorState__SetTB(core, value);
}

void RAW_SET_TBU(ProcessorState *core, uint32_t value)
{
    uint64_t low = ProcessorState__GetTB(core) & 0xFFFFFFFFull;
    ProcessorState__SetTB(core, ((uint64_t)value << 32) | low);
    mark_partial_write(core, 0xFFFFFFFF00000000ull);
}

void RAW_SET_TBL(ProcessorState *core, uint32_t value)
{
    uint64_t high = ProcessorState__GetTB(core) & 0xFFFFFFFF00000000ull;
    ProcessorState__SetTB(core, high | value);
    mark_partial_write(core, 0x00000000FFFFFFFFull);
}

void ProcessorState__SetTBU(ProcessorState *core, uint32_t value)
{
    RAW_SET_TBU(core, value);
}

void ProcessorState__SetTBL(ProcessorState *core, uint32_t value)
{
    RAW_SET_TBL(core, value);
}

void ThreadState__SetTBU(ThreadState *thread, uint32_t value)
{
    RAW_SET_TBU(tb_processor(thread), value);
}

void ThreadState__SetTBL(ThreadState *thread, uint32_t value)
{
    RAW_SET_TBL(tb_processor(thread), value);
}

void ProcessorState__SetTB40(ProcessorState *core, uint64_t value)
{
    uint64_t low = ProcessorState__GetTB(core) & 0xFFFFFFull;
    ProcessorState__SetTB(core, (value & ~0xFFFFFFull) + low);
    mark_partial_write(core, 0xFFFFFFFFFF000000ull);
}

void ThreadState__SetTB40(ThreadState *thread, uint64_t value)
{
    ProcessorState *core = tb_processor(thread);
    uint64_t low = ProcessorState__GetTB(core) & 0xFFFFFFull;
    ProcessorState__SetTB40(core, (value & ~0xFFFFFFull) | low);
}

void Update_PURR_state(ProcessorState *core)
{
    if (!core) return;
    for (uint32_t i = 0; core->partition_count != 0 && core->threads && i < core->num_threads; i++)
        core->threads[i].instructions_at_last_purr = core->threads[i].Instruction_Number;
    core->tb_at_last_purr = ProcessorState__GetTB(core);
}

void Adjust_PURR_Values(ThreadState *thread)
{
    ProcessorState *core = thread->processor;
    if (!core || !core->threads) return;
    ProcessorState *partition = tb_processor(thread);
    uint64_t rwmr = core->RWMR.value;
    if ((rwmr & 3) == 0)
        share_by_instructions(thread, core, partition);
    else
        share_by_weights(thread, core, partition, rwmr);
    Update_PURR_state(partition);
}

uint64_t RAW_GET_PURR(ThreadState *thread)
{
    Adjust_PURR_Values(thread);
    return thread->PURR.value;
}

uint64_t RAW_GET_SPURR(ThreadState *thread)
{
    Adjust_PURR_Values(thread);
    return thread->SPURR.value;
}

void RAW_SET_PURR(ThreadState *thread, uint64_t value)
{
    Adjust_PURR_Values(thread);
    thread->PURR.value = value;
}

void RAW_SET_SPURR(ThreadState *thread, uint64_t value)
{
    Adjust_PURR_Values(thread);
    thread->SPURR.value = value;
}

void RAW_SET_TFMR(ThreadState *thread, uint64_t value)
{
    ProcessorState *core = thread->processor;
    if (!core) return;
    uint64_t old = (thread->tfmr_per_thread & 0x7F) | (core->tfmr_per_processor & ~0x7Full);
    uint64_t low = core->options[PO_TFMR_CLEAR_STATUS] ? old & ~value : value;
    uint64_t n = (value & ~TFMR_LOW_BITS) | (low & TFMR_LOW_BITS);
    auto rises = [&](uint64_t bits) { return ((n ^ old) & bits) && (n & bits); };
    if (rises(TFMR_TB_SYNC)) {
        synchronise_time_bases(thread->machine);
        n &= ~TFMR_TB_SYNC;
    }
    if (rises(TFMR_BIT_46)) n &= ~TFMR_BIT_46;
    if (rises(TFMR_BIT_47)) n = (n & ~TFMR_BIT_47) | TFMR_STATUS_SET;
    if (!core->options[PO_FREEZE_TFMR_STATUS] && ((n ^ old) & TFMR_STATUS_FIELD)) {
        uint64_t field = (n & TFMR_STATUS_FIELD) >> 40;
        if (field) n = (n & ~(TFMR_STATUS_FIELD | TFMR_STATUS_COPY)) | TFMR_STATUS_SET | (field << 24);
    }
    if (rises(TFMR_BIT_39)) n &= ~(TFMR_BIT_47 | TFMR_STATUS_FIELD | TFMR_BIT_39);
    core->tfmr_per_processor = n & ~0x7Full;
    thread->tfmr_per_thread = n & 0x7F;
}

void ProcessorState_Freeze_Time_Base(ProcessorState *core)
{
    if (!core) return;
    ProcessorState__UpdateTB(core);
    core->tb_frozen = 1;
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++) {
        DECREMENTER *dec = core->threads[i].decrementer;
        if (!dec) continue;
        uint64_t now = tb_cycle_now(core);
        dec->value = (int32_t)((uint32_t)dec->value + (uint32_t)(dec->last_cycle - now));
        dec->last_cycle = now;
        dec->frozen = 1;
    }
}

void GenericMachine__Freeze_Time_Base(GenericMachine *machine)
{
    for_each_processor(machine, [](int32_t, ProcessorState *core) { ProcessorState_Freeze_Time_Base(core); });
}

void GenericMachine__Thaw_Time_Base(GenericMachine *machine)
{
    for_each_processor(machine, [](int32_t, ProcessorState *core) { ProcessorState_Thaw_Time_Base(core); });
}
