// SMT state, thread priorities and thread run-state names.
#include "processor/run/smt.h"

#include "processor/hooks/cycle_core_smt.h"
#include "processor/hooks/sim_support_halt.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/register_file.h"
#include "runtime/message.h"

namespace
{

// Exception types that boost a thread's priority.
enum : int32_t {
    EXC_PERF_MONITOR = 5,
    EXC_SYSTEM_RESET = 6,
    EXC_MACHINE_CHECK = 7,
    EXC_EXTERNAL = 17,
    EXC_DECREMENTER = 18,
    EXC_HV_DECREMENTER = 26,
    EXC_HMI = 39,
};

constexpr uint32_t TSCR_BOOST_ENABLE = 0x80000; // bit 19
constexpr uint64_t HID0_SPLIT_IN_TWO = 1ull << 57;
constexpr uint64_t HID0_SPLIT_IN_FOUR = 1ull << 61;
constexpr uint64_t TST_MASK = 0xFFFFF;
constexpr int MAX_CTRL_THREADS = 8;

bool option(const ProcessorState *core, uint32_t index)
{
    return core && core->options[index] != 0;
}

} // namespace

void Thread_Set_Manual_Disable(ThreadState *thread, uint32_t flag)
{
    thread->manual_disable = flag;
}

uint32_t Thread_Check_Manual_Disable(ThreadState *thread)
{
    return thread->manual_disable;
}

extern "C" int32_t LIBSIM__Thread_GetRunMode(ThreadState *thread)
{
    return thread->manual_disable ? 0 : (int32_t)thread->x_smt_enable;
}

int32_t Thread_StallReason(ThreadState *thread)
{
    if (thread->x_threadState == CPU_STALLED || thread->x_threadState == CPU_WAIT)
        return thread->stall_reason;
    return 0;
}

int32_t Thread_Power_Mode(ThreadState *thread)
{
    return thread->stall_reason == STALL_INSTRUCTION ? thread->power_mode : POWER_ACTIVE;
}

const char *Thread_StallReasonName(int32_t reason, int32_t power_mode)
{
    static const char *const names[] = {
        "NA",   "Initial state", "TCL command",      "End of trace",        "MSR[WE]",
        "CCR0", "ACS de-select", "SMT control",      "Stop command",        "ATTN instruction",
        "RTAS", "TEN register",  "wait instruction", "waitrsv instruction", "SCOM THRCTL",
    };
    if (reason >= 0 && reason < (int32_t)(sizeof names / sizeof names[0])) return names[reason];
    if (reason == STALL_WAITASEC) return "waitasec instruction";
    if (reason != STALL_INSTRUCTION) return "Unknown";
    switch (power_mode) {
    case POWER_WINKLE:
        return "Stall instruction: winkle";
    case POWER_SLEEP:
        return "Stall instruction: sleep";
    case POWER_NAP:
        return "Stall instruction: nap";
    case POWER_DOZE:
        return "Stall instruction: doze";
    default:
        return "Stall instruction";
    }
}

const char *Power_Mode_Name(int32_t mode)
{
    switch (mode) {
    case POWER_OFF:
        return "POWER_OFF";
    case POWER_WINKLE:
        return "WINKLE";
    case POWER_SLEEP:
        return "SLEEP";
    case POWER_NAP:
        return "NAP";
    case POWER_DOZE:
        return "DOZE";
    case POWER_ACTIVE:
        return "ACTIVE_POWER";
    default:
        return "Unknown";
    }
}

const char *Thread_State_Name(int32_t state)
{
    switch (state) {
    case CPU_NOT_BOOTED:
        return "not booted";
    case CPU_CHECKSTOP:
        return "checkstop";
    case CPU_STALLED:
        return "stalled";
    case CPU_RUNNING:
        return "running";
    default:
        return "unknown";
    }
}

const char *Prepare_SMT_Mode(uint32_t mode)
{
    switch (mode) {
    case SMT_MODE_0:
        return "SMT0";
    case SMT_MODE_1:
        return "SMT1";
    case SMT_MODE_2:
        return "SMT2";
    case SMT_MODE_4:
        return "SMT4";
    case SMT_MODE_8:
        return "SMT8";
    default:
        return "unknown SMT_mode";
    }
}

int We_are_Assist_Thread(ThreadState *thread)
{
    return thread->is_assist_thread ? 1 : 0;
}

int Assist_Thread_is_Running(ThreadState *thread)
{
    return thread->assist_thread_running ? 1 : 0;
}

void SMTA_Set_Thread_Enabled(ThreadState *thread)
{
    thread->x_smt_enable = 1;
}

void SMTA_Set_Thread_Disabled(ThreadState *thread)
{
    thread->x_smt_enable = 0;
}

uint32_t SMTA_Check_Thread_Enabled(ThreadState *thread)
{
    return thread->x_smt_enable;
}

void SMTA_Init_Thread_Data_Structures(ThreadState *) {}

void SMTA_Set_Power_On_Thread_Priority(ThreadState *thread)
{
    thread->x_smt_priority = 4;
    thread->x_smt_internal_priority = 4;
}

int SMTA_Start_Thread_On_Interrupt(void)
{
    return 1;
}

int32_t SMTA_CONVERT_OR_VALUE(uint32_t register_number)
{
    switch (register_number) {
    case 1:
        return 2;
    case 2:
        return 4;
    case 3:
        return 6;
    case 5:
        return 5;
    case 6:
        return 3;
    case 7:
        return 7;
    case 31:
        return 1;
    default:
        return -1;
    }
}

uint32_t SMT_2_BITS(uint32_t mode)
{
    switch (mode) {
    case SMT_MODE_1:
        return 8;
    case SMT_MODE_2:
        return 4;
    case SMT_MODE_4:
        return 2;
    case SMT_MODE_8:
        return 1;
    default:
        return 0;
    }
}

uint32_t BITS_2_SMT(uint32_t bits)
{
    switch (bits) {
    case 1:
        return SMT_MODE_8;
    case 2:
        return SMT_MODE_4;
    case 4:
        return SMT_MODE_2;
    case 8:
        return SMT_MODE_1;
    default:
        return 0;
    }
}

uint32_t smt_InitialMode(ProcessorState *core)
{
    if (option(core, PO_GLENT_EN_4_LPAR_SYSTEM)) {
        if (core->HID0.value & HID0_SPLIT_IN_TWO) return SMT_MODE_4;
        if (core->HID0.value & HID0_SPLIT_IN_FOUR) return SMT_MODE_2;
    }
    switch (core->num_threads) {
    case 1:
        return SMT_MODE_1;
    case 2:
        return SMT_MODE_2;
    case 4:
        return SMT_MODE_4;
    case 8:
        return SMT_MODE_8;
    default:
        sim_warning(2, "Illegal SMT mode: number of threads = %d", (int)core->num_threads);
        return SMT_MODE_4;
    }
}

ThreadState *OTHER_THREAD(ThreadState *thread)
{
    ProcessorState *core = thread->processor;
    if (core->num_threads != 2)
        sim_warning(2, "calling OTHER_THREAD when threads/cpu = %d", (int)core->num_threads);
    uint32_t other = (thread->thread_id_in_core & 1) ? 0 : 1;
    return other < core->num_threads ? &core->threads[other] : nullptr;
}

ThreadState *Select_Idle_Thread(IOPDesc *iop)
{
    ProcessorState *core = iop->thread->processor;
    if (!core) return nullptr;
    for (uint32_t i = 0; i < core->num_threads; i++) {
        ThreadState *candidate = &core->threads[i];
        if (candidate->is_assist_thread) continue;
        bool running = candidate->x_threadState == CPU_RUNNING;
        bool enabled = candidate->x_smt_enable != 0;
        if (running && enabled) continue;
        if (!running && !enabled) return candidate;
        sim_warning(2, "Thread %s is %s running or x_smt_enable = %s", candidate->name, running ? "" : "not",
                    enabled ? "TRUE" : "FALSE");
    }
    return nullptr;
}

uint32_t Read_CTRL(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread->processor;
    if (option(core, PO_GLENT_STYLE_CTRL)) return core->CTRL.value;
    uint32_t value = thread->x_smt_run_latch ? 1u : 0u;
    uint32_t count = core->num_threads < MAX_CTRL_THREADS ? core->num_threads : MAX_CTRL_THREADS;
    for (uint32_t k = 0; k < count; k++) {
        if (core->threads[k].x_smt_run_latch) value |= 1u << (15 - k);
        if (core->threads[k].x_smt_enable) value |= 1u << (23 - k);
    }
    if (thread->thread_id_in_core >= 0 && thread->thread_id_in_core < 32)
        value |= 1u << (31 - thread->thread_id_in_core);
    value |= SMT_2_BITS(core->smt_mode) << 4;
    return value;
}

uint64_t smt_ReadTSRL(ThreadState *thread, int32_t, int32_t force)
{
    if (!thread->x_smt_enable && !force) return 0;
    return (uint64_t)(thread->x_smt_internal_priority & 7) << TSRL_PRIORITY_SHIFT;
}

void smt_WriteTSRL(ThreadState *thread, uint64_t value)
{
    int32_t priority = (int32_t)((value >> TSRL_PRIORITY_SHIFT) & 7);
    if (priority == 0) return;
    smt_SetPriority(thread, priority);
    thread->TSRL.value = value & Register_Entry_Mask(thread->TSRL.rfe);
    thread->TSRL.written = 1;
}

void smt_SetPriority(ThreadState *thread, int32_t priority)
{
    if (priority == -1) return;
    int32_t old = thread->x_smt_priority;
    thread->x_smt_priority = (uint8_t)priority;
    thread->x_smt_internal_priority = (uint8_t)priority;
    CycleCore_set_smt_priority(thread, priority);
    DefineThreadTimeQuantums();
    if (priority < old && priority < 3) SimBogusHalt(thread);
}

void smt_BoostPriority(ThreadState *thread, int32_t reason)
{
    if (thread->x_smt_internal_priority > 3) return;
    if (reason < 0 || reason > 7) {
        sim_warning(2, "Unknown boost reason %d.   Ignoring SMT boost.", reason);
        return;
    }
    bool boost = reason == 0;
    ProcessorState *core = thread->processor;
    if (!boost && core && (core->TSCR.value & TSCR_BOOST_ENABLE)) {
        uint64_t msr = thread->MSR.value;
        switch (reason) {
        case 1:
        case 2:
        case 4:
            boost = (msr & MSR_EE) != 0;
            break;
        case 3:
        case 5:
        case 7:
            boost = !((msr & MSR_HV) && !(msr & MSR_PR) && !(msr & MSR_EE));
            break;
        case 6:
            boost = (msr & MSR_ME) != 0;
            break;
        }
    }
    if (!boost) return;
    thread->x_smt_internal_priority = 4;
    DefineThreadTimeQuantums();
}

void smt_BoostPriorityForException(ThreadState *thread, int32_t exception_type)
{
    switch (exception_type) {
    case EXC_PERF_MONITOR:
        smt_BoostPriority(thread, 4);
        break;
    case EXC_SYSTEM_RESET:
        smt_BoostPriority(thread, 0);
        break;
    case EXC_MACHINE_CHECK:
        smt_BoostPriority(thread, 6);
        break;
    case EXC_EXTERNAL:
        smt_BoostPriority(thread, 1);
        break;
    case EXC_DECREMENTER:
        smt_BoostPriority(thread, 2);
        break;
    case EXC_HV_DECREMENTER:
        smt_BoostPriority(thread, 3);
        break;
    case EXC_HMI:
        smt_BoostPriority(thread, 7);
        break;
    default:
        break;
    }
}

void DefineThreadTimeQuantums(void) {}
void DefineThreadTimeQuantums_SMT_RoundRobin(void) {}

void WriteTST(ThreadState *thread, uint64_t value)
{
    Reg64 *tst = &thread->processor->TST;
    tst->value = value & TST_MASK;
    tst->written = 1;
}

void smt_WriteTST(ThreadState *thread, uint64_t value)
{
    WriteTST(thread, value);
}

uint64_t ReadTST(ThreadState *thread)
{
    return thread->processor->TST.value;
}
