// Thread run states, SMT enable/disable/start, assist-thread stops and split-core switches.
#include "processor/run/thread_run_state.h"

#include "kernel/counter.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/core_state.h"
#include "processor/hooks/machine_trigger_table.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/register_file.h"
#include "processor/run/run_control.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_services.h"
#include "processor/time/time_registers.h"
#include "runtime/callbacks.h"
#include "runtime/message.h"
#include "runtime/plugin_events.h"
#include "runtime/triggers.h"

namespace
{

constexpr uint64_t HID0_SMT_SWITCH_ENABLE = 1ull << 36;
constexpr uint64_t HID0_CANCEL_SPLIT = 1ull << 48;
constexpr uint64_t HID0_SPLIT_4 = 1ull << 51;
constexpr uint64_t HID0_SPLIT_2 = 1ull << 52;
constexpr uint64_t HID0_SPLIT_IN_2 = 1ull << 57;
constexpr uint64_t HID0_SPLIT_IN_4 = 1ull << 61;
constexpr uint64_t SRR1_WAKE_CLEAR = 0xFFFFFFFF8780FFFFull;
constexpr uint64_t LPCR_WAKE_ON_UNSTOPPED = 0x1000; // bit 12
constexpr uint64_t LPCR_WAKE_ON_DEC = 0x2000;       // bit 13
constexpr uint64_t LPCR_WAKE_ON_EXTERNAL = 0x4000;  // bit 14
constexpr uint64_t TSCR_DEC_WAKEUP = 1ull << 21;

int smt_mode_error_reported; // the disabled-switch error is reported once per program run

bool we_bit_ignored(const ThreadState *thread)
{
    return thread->machine && thread->machine->we_bit_ignored;
}

// Runs the thread-state callbacks with (data, thread, old state, new state).
void thread_state_callbacks(ThreadState *thread, uint32_t new_state)
{
    typedef void (*StateFunction)(void *data, ThreadState *thread, int32_t old_state, int32_t new_state);
    for (Callback_Function *f = callBackFunctionLists[CALLBACK_THREAD_SWITCH_STATE].head; f; f = f->next)
        if (f->function)
            reinterpret_cast<StateFunction>(f->function)(f->data, thread, (int32_t)thread->x_threadState,
                                                        (int32_t)new_state);
}

// Fires the machine's run-state trigger with "{sim %s mcm %d cpu %d thread %d}".
void fire_state_trigger(ThreadState *thread, const char *name)
{
    GenericMachine *machine = thread->machine;
    TriggerTable *table = Machine_Trigger_Table(machine);
    if (!table || table->assoc_count == 0) return;
    int chip = thread->mcm ? thread->mcm->number : 0;
    int cpu = thread->processor ? (int)thread->processor->number_in_chip : 0;
    Assoc_Trigger_Fire(table, name, "{sim %s mcm %d cpu %d thread %d}", machine && machine->name ? machine->name : "",
                       chip, cpu, thread->thread_id_in_core);
}

// Shared steps of stalling and waiting: the new state with its reason, unless already in it.
void enter_stopped_state(ThreadState *thread, uint32_t state, int32_t reason, const char *trigger)
{
    if (thread->x_threadState != state) {
        thread_state_callbacks(thread, state);
        thread->x_threadState = state;
        thread->stall_reason = reason;
        fire_state_trigger(thread, trigger);
    }
    if (thread->wake_counter.tsim) counter_set(&thread->wake_counter, 1);
    Thread_changing_state(thread);
}

// The SMT mode for the highest-numbered enabled thread b - 1; 0 for "unchanged".
uint32_t smt_mode_for(uint32_t b)
{
    if (b <= 1) return SMT_MODE_1;
    if (b == 2) return SMT_MODE_2;
    if (b <= 4) return SMT_MODE_4;
    if (b <= 8) return SMT_MODE_8;
    return 0;
}

void smt_DetermineMode(ThreadState *thread)
{
    ProcessorState *core = thread->processor;
    uint32_t b = 0;
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++)
        if (core->threads[i].x_smt_enable) b = i + 1;
    uint32_t mode = smt_mode_for(b);
    if (mode == 0) return;
    if (smt_ModeSwitchEnabled(thread)) {
        core->smt_mode = mode;
        return;
    }
    if (mode > core->smt_mode && !smt_mode_error_reported) {
        smt_mode_error_reported = 1;
        sim_error("smt_DetermineMode: old_mode = %d, and enabled thread %d -> mode %d but switching disabled\n",
                  (int)core->smt_mode, (int)b - 1, (int)mode);
    }
}

void power_event(ThreadState *thread, int32_t mode, bool enter)
{
    if (mode == POWER_SLEEP)
        enter ? Event_Sleep_Enter_Inst(thread) : Event_Sleep_Exit_Inst(thread);
    else if (mode == POWER_WINKLE)
        enter ? Event_Winkle_Enter_Inst(thread) : Event_Winkle_Exit_Inst(thread);
}

void write_apscr(ThreadState *thread, uint64_t value)
{
    thread->APSCR.value = value & Register_Entry_Mask(thread->APSCR.rfe);
    thread->APSCR.written = 1;
}

bool has_running_assist(const ThreadState *starter)
{
    for (const ThreadState *a = starter->next_assist; a; a = a->next_assist)
        if (a->x_threadState == CPU_RUNNING) return true;
    return false;
}

} // namespace

void Thread_RunState(ThreadState *thread)
{
    ProcessorState *core = thread->processor;
    if (thread->x_threadState != CPU_RUNNING) {
        Adjust_PURR_Values(thread);
        GenericMachine__ThreadGoingActive(thread->machine, thread);
        thread_state_callbacks(thread, CPU_RUNNING);
        thread->x_threadState = CPU_RUNNING;
        thread->stall_reason = STALL_NA;
        fire_state_trigger(thread, "THREAD_RUN");
    }
    thread->x_smt_enable = 1;
    if (thread->wake_counter.tsim) counter_set(&thread->wake_counter, 0);
    if (core && core->x_cpuState == CPU_STALLED) CPU_RunState(core, "Thread_RunState");
    if (core && core->x_cpuState != CPU_NOT_BOOTED) Thread_changing_state(thread);
}

void Thread_StallState(ThreadState *thread, const char *, int32_t reason)
{
    if (thread->x_threadState == CPU_RUNNING) {
        Adjust_PURR_Values(thread);
        GenericMachine__ThreadGoingInactive(thread->machine, thread);
    }
    enter_stopped_state(thread, CPU_STALLED, reason, "THREAD_STALL");
    ProcessorState *core = thread->processor;
    if (!core) return;
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++) {
        uint32_t state = core->threads[i].x_threadState;
        if (state == CPU_RUNNING || state == CPU_WAIT) return;
    }
    CPU_StallState(core, "Thread_StallState");
}

void Thread_WaitState(ThreadState *thread, const char *, int32_t reason)
{
    if (thread->x_threadState == CPU_RUNNING) Adjust_PURR_Values(thread);
    enter_stopped_state(thread, CPU_WAIT, reason, "THREAD_WAIT");
}

void Thread_StallFromInst(ThreadState *thread, const char *text, int32_t power_mode)
{
    thread->power_mode = power_mode;
    Thread_StallState(thread, text, STALL_INSTRUCTION);
}

void wait_lost_reservation_callback(void *data)
{
    auto *thread = static_cast<ThreadState *>(data);
    if (thread && thread->x_threadState == CPU_STALLED && thread->stall_reason == STALL_WAITRSV)
        Thread_RunState(thread);
}

void Update_RunState_for_MSR_change(ThreadState *thread, uint64_t old_msr, uint64_t new_msr)
{
    ProcessorState *core = thread->processor;
    if ((core && core->options[PO_RESERVE_MSR_WE_BIT]) || we_bit_ignored(thread)) return;
    if (!((old_msr ^ new_msr) & MSR_WE)) return;
    if (new_msr & MSR_WE)
        Thread_StallState(thread, "MSR[WE]", STALL_MSR_WE);
    else
        Thread_RunState(thread);
}

int smt_ModeSwitchEnabled(ThreadState *thread)
{
    ProcessorState *core = thread->processor;
    if (!core->options[PO_HID_ENABLE_SMT_MODE_SWITCH]) return 1;
    uint64_t hid0 = COOKED_GET_HID0(thread, 0);
    return (hid0 & HID0_SMT_SWITCH_ENABLE) ? 1 : 0;
}

int smt_ThreadEnable(ThreadState *thread)
{
    if (thread->manual_disable) {
        sim_warning(0, "Ignoring attempt to turn on thread %s which is manually disabled", thread->name);
        return 0;
    }
    if (thread->x_threadState == CPU_STALLED && thread->stall_reason == STALL_INSTRUCTION)
        power_event(thread, thread->power_mode, false);
    thread->x_smt_enable = 1;
    smt_DetermineMode(thread);
    Thread_RunState(thread);
    smt_SetPriority(thread, 4);
    return 1;
}

int smt_ThreadDisable(ThreadState *thread, IOPDesc *)
{
    if (!thread->x_smt_enable || we_bit_ignored(thread)) return 0;
    thread->x_smt_enable = 0;
    // The cycle-level core hears of the disable through the stall's state change.
    Thread_StallState(thread, "SMT control", STALL_SMT_CONTROL);
    DefineThreadTimeQuantums();
    return 1;
}

int SMTA_Stop_Thread(ThreadState *thread)
{
    IOPDesc iop{};
    iop.thread = thread;
    return smt_ThreadDisable(thread, &iop);
}

int smt_InstThreadDisable(IOPDesc *iop, int32_t power_mode)
{
    ThreadState *thread = iop->thread;
    if (!thread->x_smt_enable || we_bit_ignored(thread)) return 0;
    thread->x_smt_enable = 0;
    smt_PerformLPAR_2_4_To_1(thread);
    Thread_StallFromInst(thread, "Stall instruction", power_mode);
    power_event(thread, power_mode, true);
    DefineThreadTimeQuantums();
    return 1;
}

int SMTA_Inst_Stop_Thread(IOPDesc *iop, int32_t power_mode)
{
    return smt_InstThreadDisable(iop, power_mode);
}

int smt_ThreadStart(ThreadState *thread, int32_t reason, uint64_t address)
{
    if (thread->x_smt_enable) {
        if (reason == 6)
            smt_BoostPriority(thread, 2);
        else if (reason == 4)
            smt_BoostPriority(thread, 3);
        else if (reason == 8)
            smt_BoostPriority(thread, 1);
        return 0;
    }
    ProcessorState *core = thread->processor;
    uint64_t lpcr = thread->LPCR.value;
    bool power_stall = thread->stall_reason == STALL_INSTRUCTION;
    switch (reason) {
    case 4:
        break;
    case 6: {
        bool dec_may_wake = core->options[PO_DEC_CANNOT_WAKEUP_THREAD] || (core->TSCR.value & TSCR_DEC_WAKEUP);
        if (thread->rtas_stopped || !dec_may_wake) return 0;
        if ((power_stall || thread->stall_reason == STALL_WAITASEC) && !(lpcr & LPCR_WAKE_ON_DEC)) return 0;
        break;
    }
    case 8:
        if (power_stall && !(lpcr & LPCR_WAKE_ON_EXTERNAL)) return 0;
        break;
    case -1:
        if (power_stall && !(lpcr & LPCR_WAKE_ON_UNSTOPPED)) return 0;
        reason = 0;
        break;
    default:
        break;
    }
    if (thread->manual_disable) {
        sim_warning(0, "Ignoring attempt to turn on thread %s which is manually disabled", thread->name);
        return 0;
    }
    uint64_t pc = thread->PC.value;
    if (core->options[PO_POWERPC_V2]) {
        if (!(thread->MSR.value & MSR_SF)) pc &= 0xFFFFFFFFull;
        pc &= ~3ull;
    }
    thread->SRR0.value = pc & Register_Entry_Mask(thread->SRR0.rfe) & ~3ull;
    thread->SRR0.written = 1;
    uint64_t srr1 = (thread->MSR.value & SRR1_WAKE_CLEAR) | ((uint64_t)(reason & 0xF) << 18);
    switch (Thread_Power_Mode(thread)) {
    case POWER_NAP:
        srr1 |= 0x21002;
        break;
    case POWER_DOZE:
        srr1 |= 0x11002;
        break;
    case POWER_WINKLE:
    case POWER_SLEEP:
        srr1 = (srr1 | 0x31000) & ~2ull;
        break;
    default:
        break;
    }
    thread->SRR1.value = srr1 & Register_Entry_Mask(thread->SRR1.rfe);
    thread->SRR1.written = 1;
    thread->restart_address = address;
    thread->PC.value = address & Register_Entry_Mask(thread->PC.rfe);
    thread->PC.written = 1;
    Set_Initial_MSR(thread);
    return smt_ThreadEnable(thread);
}

int SMTA_Start_Thread(ThreadState *thread, int32_t reason, uint64_t address)
{
    return smt_ThreadStart(thread, reason, address);
}

extern "C" int32_t LIBSIM__Thread_SetRunMode(ThreadState *thread, int32_t on)
{
    if (on) {
        if (!thread->x_smt_enable) smt_ThreadEnable(thread);
    } else if (thread->x_smt_enable) {
        SMTA_Stop_Thread(thread);
    }
    return (int32_t)thread->x_smt_enable;
}

extern "C" int LIBSIM__DisableThread(ThreadState *thread)
{
    if (!thread->processor || !thread->mcm) return 0;
    thread->manual_disable = 1;
    if (thread->x_threadState == CPU_RUNNING) Thread_StallState(thread, "TCL command", STALL_TCL_COMMAND);
    return 1;
}

extern "C" int LIBSIM__EnableThread(ThreadState *thread)
{
    ProcessorState *core = thread->processor;
    if (!core || !thread->mcm) return 0;
    thread->manual_disable = 0;
    ProcessorState_Thaw_Time_Base(core);
    if (core->x_cpuState != CPU_RUNNING) CPU_RunState(core, "LIBSIM__EnableThread");
    if (thread->x_threadState != CPU_RUNNING) {
        if (thread->x_threadState != CPU_STALLED) Thread_StallState(thread, "Initial state", STALL_INITIAL_STATE);
        Thread_RunState(thread);
    }
    return 1;
}

int Stop_One_Assist_Thread(ThreadState *stopper, ThreadState *assist)
{
    if (!assist) return 0;
    Thread_StallState(assist, "Stop Assist Thread", STALL_ASSIST_STOPPED);
    ThreadState *starter = assist->assist_parent;
    if (stopper != assist && stopper != starter)
        sim_warning(0, "Thread %s is stopping assist thread %s, started by %s", stopper ? stopper->name : "",
                    assist->name, starter ? starter->name : "");
    if (starter) {
        ThreadState **link = &starter->next_assist;
        while (*link && *link != assist) link = &(*link)->next_assist;
        if (!*link) {
            sim_panic("Assist thread lists screwy");
        }
        *link = assist->next_assist;
    }
    assist->next_assist = nullptr;
    assist->assist_parent = nullptr;
    assist->is_assist_thread = 0;
    write_apscr(assist, assist->APSCR.value | 0x20);
    if (starter) {
        if (has_running_assist(starter)) {
            write_apscr(starter, starter->APSCR.value | 0x40);
        } else {
            starter->assist_thread_running = 0;
            uint64_t pc_bits = (assist->PC.value >> 2) & 0xFFFF; // PC bits 17..2
            write_apscr(starter, (starter->APSCR.value & 0xFFFFFFFF0000FFBFull) | (pc_bits << 16));
        }
    }
    return 0;
}

int Stop_All_Assist_Threads(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    while (thread->next_assist && has_running_assist(thread)) {
        ThreadState *head = thread->next_assist;
        Stop_One_Assist_Thread(thread, head);
    }
    return 0;
}

int smt_TestPerformLPAR_1_To_2_4_Switch(ThreadState *thread)
{
    ProcessorState *core = thread->processor;
    if (!core || !core->options[PO_GLENT_EN_4_LPAR_SYSTEM]) return 0;
    uint64_t hid0 = core->HID0.value;
    if (hid0 & HID0_CANCEL_SPLIT) {
        core->HID0.value = hid0 & ~(HID0_SPLIT_2 | HID0_SPLIT_4);
        return 0;
    }
    if (!(hid0 & (HID0_SPLIT_2 | HID0_SPLIT_4))) return 0;
    uint64_t result = Switch_LPAR_Mode_1_To_Multi(core, hid0);
    core->HID0.value = result & ~(HID0_SPLIT_2 | HID0_SPLIT_4);
    return 1;
}

uint64_t Switch_LPAR_Mode_1_To_Multi(ProcessorState *core, uint64_t hid0)
{
    int32_t count;
    uint32_t per_subcore;
    uint64_t split_bit;
    if (hid0 & HID0_SPLIT_2) {
        count = 2;
        per_subcore = 4;
        split_bit = HID0_SPLIT_IN_2;
    } else if (hid0 & HID0_SPLIT_4) {
        count = 4;
        per_subcore = 2;
        split_bit = HID0_SPLIT_IN_4;
    } else {
        return 4;
    }
    core->partition_count = count;
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++) {
        ThreadState *t = &core->threads[i];
        uint32_t g = i / per_subcore;
        ProcessorState *view = g < (uint32_t)PARTITION_VIEW_COUNT ? core->partition_views[g] : nullptr;
        if (view) t->shared_processor = view;
        t->thread_id_in_partition = (int32_t)(i % per_subcore);
        t->partition_index = (int32_t)g;
        LPAR_CORRECT_RTI(t->shared_processor, t);
    }
    ProcessorState__UpdateTB(core);
    core->HID0.value = hid0 | split_bit;
    core->HID0.written = 1;
    return core->HID0.value;
}

int smt_PerformLPAR_2_4_To_1(ThreadState *thread)
{
    ProcessorState *core = thread->processor;
    if (!core || !core->options[PO_GLENT_EN_4_LPAR_SYSTEM] || !smt_ModeSwitchEnabled(thread)) return 0;
    if (!(core->HID0.value & (HID0_SPLIT_IN_2 | HID0_SPLIT_IN_4))) return 0;
    // Only the joining core's own enabled threads count.
    uint32_t enabled = 0;
    for (uint32_t i = 0; core->threads && i < core->num_threads; i++)
        if (core->threads[i].x_smt_enable) enabled++;
    if (enabled != 1) return 0;
    Switch_LPAR_Mode_Multi_To_1(core);
    return 1;
}
