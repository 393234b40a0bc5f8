// Run control: one run of a machine's event kernel, the stops after a number of ticks or
// instructions, the run entry points of the commands, the run states of a core with the wake-up
// of its jobs, the way a thread spends simulated time, the cycle-based loops, and the functional
// processor's callbacks.
#pragma once

#include <cstdint>

#include "kernel/arbiter.h"

struct GenericMachine;
struct ProcessorState;
struct ThreadState;
struct timeval;

// Priority of the stop-after-ticks call while it lets the rest of its tick run first.
constexpr int32_t STOP_AFTER_TICKS_PRIORITY = (int32_t)0x80000001;

// Runs the machine's kernel until a stop cause is set ("Event queue is empty" when it runs dry).
void how_to_run(GenericMachine *machine);
// Non-zero while how_to_run runs a kernel, and the number of runs begun: the signal handlers tell
// runs from other work by them.
extern volatile int simulation_run_active;
extern volatile unsigned long simulation_runs_begun;
// One run, then the report: "** Execution stopped: %s **" for causes other than the counts.
void GenericMachine__Run(GenericMachine *machine);
void SimpleCPURun(GenericMachine *machine);
// Nothing for 0; else arms a stop after that many ticks and runs.
void SimpleCPUTick(GenericMachine *machine, uint64_t ticks);
// SimpleCPUTick with the cycles of the machine's step time domain.
void SimpleCPUCycle(GenericMachine *machine, uint64_t cycles);
// Runs until the thread completed n more instructions (0: nothing at all); the instructions it
// completed during the run.
uint64_t ThreadState__Step(ThreadState *thread, uint64_t n);
// The domain of "cycle" and "to_cycle": the chosen step domain, else the base domain.
struct time_domain;
time_domain *Machine_Step_Domain(GenericMachine *machine);

// Arms a one-shot stop ("cycle count") after that many ticks, replacing an armed one.
void StopAfterTicks(GenericMachine *machine, uint64_t ticks);
// Cancels and forgets the armed stop.
void ClearAfterTicks(GenericMachine *machine);
void StopAfterInstructions(GenericMachine *machine, uint64_t count);
void StopAfterThreadInstructions(ThreadState *thread, uint64_t count);

// Core run states.
void CPU_InitState(ProcessorState *core);
void CPU_RunState(ProcessorState *core, const char *reason);
void CPU_StallState(ProcessorState *core, const char *reason);
void CPU_CheckStop(ProcessorState *core);
// Tells the cycle-level core of the change and releases every job waiting on the core.
void Schedule_PPU_Advance(ProcessorState *core, const char *reason);
// The largest power mode among the core's threads (0 without threads).
int32_t Determine_CPU_State_Mode(ProcessorState *core);

// Spending simulated time from inside a thread's job.
void Thread_delay_ticks(ThreadState *thread, uint64_t ticks);
void Thread_delay_cycles(ThreadState *thread, uint64_t cycles);
// Spends a chunk's accumulated delay.
void Thread_sync_time(ThreadState *thread, const char *reason);
inline int THREAD_IN_CHUNK_MODE(const ThreadState *thread);

// Loops whose period is counted in the core's cycles.
loop_s *cycle_loop_new(ProcessorState *core, uint64_t cycles, loop_fn fn, void *data);
void cycle_loop_set(loop_s *loop, ProcessorState *core, uint64_t cycles);
void Schedule_Heartbeat(ThreadState *thread);
void Schedule_PERIODIC_STATS(ThreadState *thread);
void get_time_for_heartbeat(timeval *record);

// Embedding interface.
struct vLIBSIM_data;
extern "C" const char *LIBSIM__GetMode(vLIBSIM_data *handle);
// Runs the handle's machine (no report); the current base cycles after the run.
extern "C" uint64_t LIBSIM__Run(vLIBSIM_data *handle);
// Cycle limit := current base cycles + n, and a stop armed after n base cycles of ticks; the
// current base cycles.
extern "C" uint64_t LIBSIM__CycleLimit(vLIBSIM_data *handle, uint64_t n);
extern "C" uint64_t LIBSIM__Tick_Get(vLIBSIM_data *handle);
// Sets the kernel's tick back to the value; a value above the current tick is ignored.
extern "C" void LIBSIM__Tick_Set(vLIBSIM_data *handle, uint64_t tick);
extern "C" int32_t LIBSIM__GetMode_ID_for_name(const char *name);
extern "C" void LIBSIM__Thread_Restart(void);
void Thread_Restart_Jobs(void);
struct IOPDesc;
int single_step_enabled(IOPDesc *iop);
extern "C" int LIBSIM__Trc_get_mode(void);

// ---- inline ----
#include "processor/records/thread_state.h"
inline int THREAD_IN_CHUNK_MODE(const ThreadState *thread)
{
    return thread->chunk_mode;
}
