// SMT state of hardware threads and cores: run-state, stall-reason, power-mode and SMT-mode codes
// and texts, manual disable and SMT enable, thread priorities (TSRL, the priority no-ops and
// interrupt boosts), the SMT mode a core starts in, the CTRL image, the idle thread for an assist
// thread, and the split-core test of a HID0 write.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ProcessorState;
struct ThreadState;

// SMT modes (a core's smt_mode).
enum : uint32_t { SMT_MODE_0 = 0, SMT_MODE_1 = 1, SMT_MODE_2 = 2, SMT_MODE_4 = 3, SMT_MODE_8 = 4 };

// Stall reasons.
enum : int32_t {
    STALL_NA = 0,
    STALL_INITIAL_STATE = 1,
    STALL_TCL_COMMAND = 2,
    STALL_END_OF_TRACE = 3,
    STALL_MSR_WE = 4,
    STALL_CCR0 = 5,
    STALL_ACS_DESELECT = 6,
    STALL_SMT_CONTROL = 7,
    STALL_STOP_COMMAND = 8,
    STALL_ATTN = 9,
    STALL_RTAS = 10,
    STALL_TEN_REGISTER = 11,
    STALL_WAIT = 12,
    STALL_WAITRSV = 13,
    STALL_SCOM_THRCTL = 14,
    STALL_INSTRUCTION = 15,
    STALL_ASSIST_STOPPED = 16,
    STALL_WAITASEC = 17,
};

// Thread priority bits of TSRL (bits 50-52).
constexpr int TSRL_PRIORITY_SHIFT = 50;

void Thread_Set_Manual_Disable(ThreadState *thread, uint32_t flag);
uint32_t Thread_Check_Manual_Disable(ThreadState *thread);
// 0 when manually disabled, else the SMT-enabled state.
extern "C" int32_t LIBSIM__Thread_GetRunMode(ThreadState *thread);
// The stall reason while stalled or waiting, else 0.
int32_t Thread_StallReason(ThreadState *thread);
// The power-saving mode while stalled by a power-saving instruction, else 5 (active).
int32_t Thread_Power_Mode(ThreadState *thread);
// The text of a stall reason; a power-saving stall (15) is named by its power mode.
const char *Thread_StallReasonName(int32_t reason, int32_t power_mode = 0);
const char *Power_Mode_Name(int32_t mode);
const char *Thread_State_Name(int32_t state);
const char *Prepare_SMT_Mode(uint32_t mode);

int We_are_Assist_Thread(ThreadState *thread);
int Assist_Thread_is_Running(ThreadState *thread);

void SMTA_Set_Thread_Enabled(ThreadState *thread);
void SMTA_Set_Thread_Disabled(ThreadState *thread);
uint32_t SMTA_Check_Thread_Enabled(ThreadState *thread);
void SMTA_Init_Thread_Data_Structures(ThreadState *thread);
// Both priorities 4.
void SMTA_Set_Power_On_Thread_Priority(ThreadState *thread);
// Always 1: an interrupt starts a disabled thread.
int SMTA_Start_Thread_On_Interrupt(void);
// The priority an "or rx,rx,rx" no-op requests, -1 for a register number that is no priority no-op.
int32_t SMTA_CONVERT_OR_VALUE(uint32_t register_number);
// SMT mode 1..4 to the CTRL bits 8, 4, 2, 1; 0 outside.
uint32_t SMT_2_BITS(uint32_t mode);
// CTRL bits 1, 2, 4, 8 to the SMT modes 4, 3, 2, 1; 0 for others.
uint32_t BITS_2_SMT(uint32_t bits);
// The thread's initial SMT state (the core's CTRL write of a reset); the core is not used.
void SMTA_InitState(ProcessorState *core, ThreadState *thread);
// The SMT mode the core starts in.
uint32_t smt_InitialMode(ProcessorState *core);
// The sibling of a thread on a two-thread core.
ThreadState *OTHER_THREAD(ThreadState *thread);
// A thread of the record's core that is neither running nor SMT-enabled, assist threads skipped;
// null when none.
ThreadState *Select_Idle_Thread(IOPDesc *iop);
// The CTRL value as the record's thread reads it.
uint32_t Read_CTRL(IOPDesc *iop);

// (internal priority AND 7) << 50 when the thread is SMT-enabled or force is set, else 0.
uint64_t smt_ReadTSRL(ThreadState *thread, int32_t ignored, int32_t force);
// A non-zero priority field (bits 50-52) sets the priority and stores the masked value (written);
// a zero field changes nothing.
void smt_WriteTSRL(ThreadState *thread, uint64_t value);
// Sets both priorities (-1: nothing); a priority lowered below 3 yields the thread's time.
void smt_SetPriority(ThreadState *thread, int32_t priority);
// Raises the internal priority to 4 for an interrupt of the reason (0..7) when allowed.
void smt_BoostPriority(ThreadState *thread, int32_t reason);
// The boost of an exception type being scheduled or delivered.
void smt_BoostPriorityForException(ThreadState *thread, int32_t exception_type);
// Priorities do not change the threads' time quanta: these do nothing.
void DefineThreadTimeQuantums(void);
void DefineThreadTimeQuantums_SMT_RoundRobin(void);
// The core's TST (TTR) value: writes keep the low 20 bits and set the written flag.
void WriteTST(ThreadState *thread, uint64_t value);
void smt_WriteTST(ThreadState *thread, uint64_t value);
uint64_t ReadTST(ThreadState *thread);

// Switches the core between one and several partitions as HID0 asks (when enabled).
int smt_TestPerformLPAR_1_To_2_4_Switch(ThreadState *thread);
