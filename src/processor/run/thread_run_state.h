// Thread run states and SMT: entering running, stalled and waiting (with the processor following
// its threads), SMT enable, disable and start with the wake-up values in SRR0/SRR1, the
// embedding interface's run controls, assist-thread stops, and the split-core switch and join
// that HID0 writes request.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ProcessorState;
struct ThreadState;

// Enters CPU_RUNNING (fires "THREAD_RUN" when the thread was not running) and restarts a stalled
// processor.
void Thread_RunState(ThreadState *thread);
// Enters CPU_STALLED with the reason (the text has no effect); a stalled thread keeps its first
// reason. The processor stalls when none of its threads runs or waits.
void Thread_StallState(ThreadState *thread, const char *text, int32_t reason);
// Enters CPU_WAIT with the reason: as stalling, but the processor keeps running.
void Thread_WaitState(ThreadState *thread, const char *text, int32_t reason);
// Records the power mode and stalls with reason 15.
void Thread_StallFromInst(ThreadState *thread, const char *text, int32_t power_mode);
// The lost-reservation callback of a thread's memory client (data: the thread): a thread
// stalled in "waitrsv" (reason 13) runs again.
void wait_lost_reservation_callback(void *thread);
// MSR[WE] set stalls the thread (reason 4), cleared runs it (unless the WE bit is reserved or
// ignored).
void Update_RunState_for_MSR_change(ThreadState *thread, uint64_t old_msr, uint64_t new_msr);

// 1 when the SMT mode may switch: HID_ENABLE_SMT_MODE_SWITCH off, else HID0 bit 36.
int smt_ModeSwitchEnabled(ThreadState *thread);
// Enables the thread, recomputes the core's SMT mode and runs it; 0 when manually disabled.
int smt_ThreadEnable(ThreadState *thread);
// Disables the thread and stalls it (reason 7); 0 when not enabled or the WE bit is ignored.
int smt_ThreadDisable(ThreadState *thread, IOPDesc *iop);
int SMTA_Stop_Thread(ThreadState *thread);
// The stop of a power-saving instruction: when the thread is SMT-enabled and the machine's WE bit
// has effect, disables it and stalls it (reason 15) in the power mode; 1 when stopped, else 0.
int smt_InstThreadDisable(IOPDesc *iop, int32_t power_mode);
int SMTA_Inst_Stop_Thread(IOPDesc *iop, int32_t power_mode);
// Starts or wakes a disabled thread for the wake-up reason (SRR1 bits 21..18) at the address;
// an enabled thread only gets a priority boost. 1 when started.
int smt_ThreadStart(ThreadState *thread, int32_t reason, uint64_t address);
int SMTA_Start_Thread(ThreadState *thread, int32_t reason, uint64_t address);

// Embedding interface.
extern "C" int32_t LIBSIM__Thread_SetRunMode(ThreadState *thread, int32_t on);
extern "C" int LIBSIM__DisableThread(ThreadState *thread);
extern "C" int LIBSIM__EnableThread(ThreadState *thread);

// (Stop_One_Assist_Thread and Stop_All_Assist_Threads are declared in processor/spr/spr_services.h.)

// Split-core mode.
int smt_TestPerformLPAR_1_To_2_4_Switch(ThreadState *thread);
uint64_t Switch_LPAR_Mode_1_To_Multi(ProcessorState *core, uint64_t hid0);
int smt_PerformLPAR_2_4_To_1(ThreadState *thread);
