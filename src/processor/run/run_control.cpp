// Run control, core run states and thread delays.
#include "processor/run/run_control.h"

#include <strings.h>
#include <sys/time.h>

#include "kernel/counter.h"
#include "kernel/delay.h"
#include "kernel/job.h"
#include "kernel/port.h"
#include "kernel/tsim.h"
#include "processor/hooks/core_state.h"
#include "processor/hooks/embed_hooks.h"
#include "processor/hooks/periodic_stats_standin.h"
#include "processor/hooks/pturbo_control.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/register_file.h"
#include "processor/run/modes.h"
#include "processor/time/processor_time.h"
#include "processor/time/time_domain.h"
#include "runtime/callbacks.h"
#include "runtime/common.h"
#include "runtime/hooks/model_callbacks.h"
#include "runtime/message.h"
#include "runtime/stop.h"

namespace
{

uint64_t ticks_per_cycle(const time_domain *domain)
{
    return domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
}

// The machine's kernel tick; the error "tsim in machine is NULL!!!!" and 0 without a kernel.
uint64_t machine_tick(GenericMachine *machine)
{
    if (!machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    return machine->tsim->now;
}

// Current base cycles: 0 at tick 0, else the tick in base cycles rounded up.
uint64_t current_base_cycles(GenericMachine *machine)
{
    uint64_t tick = machine_tick(machine);
    if (tick == 0) return 0;
    uint64_t per_cycle = ticks_per_cycle(machine->base_domain);
    return tick / per_cycle + (tick % per_cycle != 0);
}

// The call of the stop-after-ticks: the rest of its tick runs first, then the run stops.
void stop_after_ticks_fired(void *argument)
{
    auto *machine = static_cast<GenericMachine *>(argument);
    // The call's record goes back to its pool once it returns: forget the handle now.
    machine->stop_after_ticks = nullptr;
    job_s *self = tsim_active_job;
    int32_t priority = self ? job_set_priority(self, STOP_AFTER_TICKS_PRIORITY) : 0;
    current_nice();
    if (self) job_set_priority(self, priority);
    Stop_The_Simulation(STOP_CYCLE_COUNT);
}

} // namespace

volatile int simulation_run_active;
volatile unsigned long simulation_runs_begun;

void how_to_run(GenericMachine *machine)
{
    if (!machine) return;
    Start_The_Simulation();
    machine->activity = 1;
    simulation_runs_begun = simulation_runs_begun + 1;
    simulation_run_active = simulation_run_active + 1;
    if (machine->tsim) tsim_run(machine->tsim, &stop_simulation);
    simulation_run_active = simulation_run_active - 1;
    if (__atomic_load_n(&stop_simulation, __ATOMIC_SEQ_CST) == 0) Stop_The_Simulation(STOP_EVENT_QUEUE_EMPTY);
}

void GenericMachine__Run(GenericMachine *machine)
{
    if (!machine) return;
    uint64_t instructions = machine->instruction_count;
    uint64_t tick = machine_tick(machine);
    timeval now;
    get_time_for_heartbeat(&now);
    machine->heartbeat_start_sec = now.tv_sec;
    machine->heartbeat_start_usec = now.tv_usec;
    how_to_run(machine);
    if (__atomic_load_n(&stop_simulation, __ATOMIC_SEQ_CST) &
        ~(uint32_t)(STOP_CYCLE_COUNT | STOP_INSTRUCTION_COUNT))
        SIM_INFO("** Execution stopped: %s **", SimStopText());
    if (machine->instruction_count - instructions <= 1 && machine_tick(machine) - tick <= 1) return;
    if (quarn_common.print_flags & PRINT_FLAG_INSTR_COUNT)
        SIM_PRINT("%s: ** finished running %ld instructions **\n", Prepare_Time(machine),
                  (long)machine->instruction_count);
}

void SimpleCPURun(GenericMachine *machine)
{
    GenericMachine__Run(machine);
}

void SimpleCPUTick(GenericMachine *machine, uint64_t ticks)
{
    if (!machine || ticks == 0) return;
    StopAfterTicks(machine, ticks);
    GenericMachine__Run(machine);
}

uint64_t ThreadState__Step(ThreadState *thread, uint64_t n)
{
    if (n == 0) return 0;
    ProcessorState *core = thread->processor;
    if (core && core->x_cpuState != CPU_RUNNING)
        sim_warning(0, "processor %s is not running", core->name ? core->name : "");
    if (!thread->x_smt_enable) sim_warning(0, "thread %s is not smt enabled", thread->name ? thread->name : "");
    StopAfterThreadInstructions(thread, n);
    uint64_t before = thread->Instruction_Number;
    GenericMachine__Run(thread->machine);
    return thread->Instruction_Number - before;
}

extern "C" uint64_t LIBSIM__Run(vLIBSIM_data *handle)
{
    GenericMachine *machine = LSD_Machine(handle);
    if (!machine) return 0;
    how_to_run(machine);
    return current_base_cycles(machine);
}

extern "C" uint64_t LIBSIM__CycleLimit(vLIBSIM_data *handle, uint64_t n)
{
    GenericMachine *machine = LSD_Machine(handle);
    if (!machine) return 0;
    machine->cycle_limit = current_base_cycles(machine) + n;
    StopAfterTicks(machine, n * ticks_per_cycle(machine->base_domain));
    return current_base_cycles(machine);
}

extern "C" uint64_t LIBSIM__Tick_Get(vLIBSIM_data *handle)
{
    GenericMachine *machine = LSD_Machine(handle);
    return machine ? machine_tick(machine) : 0;
}

extern "C" void LIBSIM__Tick_Set(vLIBSIM_data *handle, uint64_t tick)
{
    GenericMachine *machine = LSD_Machine(handle);
    if (!machine) return;
    if (!machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return;
    }
    if (tick <= machine->tsim->now) machine->tsim->now = tick;
}

time_domain *Machine_Step_Domain(GenericMachine *machine)
{
    if (!machine) return nullptr;
    return machine->step_domain ? machine->step_domain : machine->base_domain;
}

void SimpleCPUCycle(GenericMachine *machine, uint64_t cycles)
{
    if (!machine || cycles == 0) return;
    SimpleCPUTick(machine, cycles * ticks_per_cycle(Machine_Step_Domain(machine)));
}

void StopAfterTicks(GenericMachine *machine, uint64_t ticks)
{
    if (!machine) return;
    ClearAfterTicks(machine);
    if (!machine->generic_event) return;
    machine->stop_after_ticks =
        later_call_ticks(machine->generic_event, stop_after_ticks_fired, machine, ticks);
}

void ClearAfterTicks(GenericMachine *machine)
{
    if (!machine || !machine->stop_after_ticks) return;
    later_cancel(machine->stop_after_ticks);
    machine->stop_after_ticks = nullptr;
}

void StopAfterInstructions(GenericMachine *machine, uint64_t count)
{
    if (machine) machine->instruction_limit = machine->instruction_count + count;
}

void StopAfterThreadInstructions(ThreadState *thread, uint64_t count)
{
    if (thread) thread->stop_after_instructions = thread->Instruction_Number + count;
}

void Schedule_PPU_Advance(ProcessorState *core, const char *)
{
    if (!core) return;
    Processor_changing_state(core);
    if (core->ppu_counter.tsim) counter_set(&core->ppu_counter, 0);
}

int32_t Determine_CPU_State_Mode(ProcessorState *core)
{
    if (!core || !core->threads) return 0;
    int32_t mode = 0;
    for (uint32_t i = 0; i < core->num_threads; i++)
        if (core->threads[i].power_mode > mode) mode = core->threads[i].power_mode;
    return mode;
}

void CPU_InitState(ProcessorState *core)
{
    if (!core) return;
    core->x_cpuState = CPU_NOT_BOOTED;
    core->cpu_substate = 5;
    Schedule_PPU_Advance(core, "CPU_InitState");
}

void CPU_RunState(ProcessorState *core, const char *reason)
{
    if (!core || core->x_cpuState == CPU_RUNNING || core->x_cpuState == CPU_CHECKSTOP) return;
    GenericMachine__ProcessorGoingActive(core->machine);
    if (core->x_cpuState == CPU_NOT_BOOTED && core->threads)
        for (uint32_t i = 0; i < core->num_threads; i++)
            Thread_changing_state(&core->threads[i]);
    core->x_cpuState = CPU_RUNNING;
    core->cpu_substate = 5;
    Schedule_PPU_Advance(core, reason);
}

void CPU_StallState(ProcessorState *core, const char *reason)
{
    if (!core || core->x_cpuState != CPU_RUNNING) return;
    GenericMachine__ProcessorGoingInactive(core->machine);
    core->x_cpuState = CPU_STALLED;
    core->cpu_substate = (uint32_t)Determine_CPU_State_Mode(core);
    Lower_Processor_Power_Level(core, (int32_t)core->cpu_substate);
    Schedule_PPU_Advance(core, reason);
}

void CPU_CheckStop(ProcessorState *core)
{
    if (!core || core->x_cpuState == CPU_CHECKSTOP) return;
    GenericMachine__ProcessorGoingInactive(core->machine);
    core->x_cpuState = CPU_CHECKSTOP;
    core->cpu_substate = 5;
    Schedule_PPU_Advance(core, "CPU_CheckStop");
}

void Thread_delay_ticks(ThreadState *thread, uint64_t ticks)
{
    if (thread->chunk_mode) {
        thread->chunk_delay += ticks;
        return;
    }
    if (ticks == 0 && __atomic_load_n(&stop_simulation, __ATOMIC_RELAXED) == 0) return;
    thread->wake_me_up_if_my_priority_changes = 1;
    current_delay_ticks(ticks);
    thread->wake_me_up_if_my_priority_changes = 0;
}

void Thread_delay_cycles(ThreadState *thread, uint64_t cycles)
{
    const ProcessorState *core = thread->processor;
    uint64_t ticks =
        cycles * (thread->smt_delay_factor + 1) * ticks_per_cycle(core ? core->core_domain : nullptr);
    Thread_delay_ticks(thread, ticks);
}

void Thread_sync_time(ThreadState *thread, const char *)
{
    if (!thread) return;
    job_s *job = thread->job;
    if (job && job->chunky) {
        uint64_t delay = thread->chunk_delay;
        thread->chunk_delay = 0;
        job->chunky = 0;
        thread->chunk_mode = 0;
        current_delay_ticks(delay < thread->chunk_delay_cap ? delay : thread->chunk_delay_cap);
    } else if (thread->chunk_mode) {
        sim_error("Thread_sync_time. Thread %s in chunky mode, but job %s not in chunky mode.",
                  thread->name ? thread->name : "", job ? job_name(job) : "(none)");
    }
}

loop_s *cycle_loop_new(ProcessorState *core, uint64_t cycles, loop_fn fn, void *data)
{
    GenericMachine *machine = core ? core->machine : nullptr;
    if (!machine || !machine->tsim) return nullptr;
    return loop_new(machine->tsim, cycles * ticks_per_cycle(core->core_domain), fn, data);
}

void cycle_loop_set(loop_s *loop, ProcessorState *core, uint64_t cycles)
{
    if (loop) loop_set(loop, cycles * ticks_per_cycle(core ? core->core_domain : nullptr));
}

void Schedule_Heartbeat(ThreadState *thread)
{
    if (thread && thread->heartbeat_loop && thread->machine)
        cycle_loop_set(thread->heartbeat_loop, thread->processor, thread->machine->heartbeat_interval);
}

void Schedule_PERIODIC_STATS(ThreadState *thread)
{
    if (thread && thread->stats_loop)
        cycle_loop_set(thread->stats_loop, thread->processor, thread->stats_interval);
}

void get_time_for_heartbeat(timeval *record)
{
    if (gettimeofday(record, nullptr) != 0) sim_error("Error calling gettimeofday");
}

void Callbacks_register_SimpleMode(void)
{
    Callback_register_stats_print(CALLBACK_ID_CORE, "simple",
                                  reinterpret_cast<CallbackFunction>(Concurrency_Stats_Find_Thread_Callback),
                                  nullptr);
    Callback_register_stats_reset(CALLBACK_ID_CORE, "simple",
                                  reinterpret_cast<CallbackFunction>(+[](void *, GenericMachine *) {}),
                                  nullptr);
    Callback_register_thread_switch_state(
        CALLBACK_ID_CORE, "simple", reinterpret_cast<CallbackFunction>(Concurrency_Stats_State_Callback),
        nullptr);
    Callback_register_periodic_stats_print(
        CALLBACK_ID_CORE, "simple", reinterpret_cast<CallbackFunction>(Concurrency_Stats_Thread_Callback),
        nullptr);
}

void Callbacks_register_ppc_generic(void)
{
    Callback_register_periodic_stats_print(
        CALLBACK_ID_CORE, "KIPS", reinterpret_cast<CallbackFunction>(Periodic_Rate_Callback), nullptr);
}

extern "C" const char *LIBSIM__GetMode(vLIBSIM_data *handle)
{
    GenericMachine *machine = LSD_Machine(handle);
    return machine ? ID2Name(modeTypesName, (int32_t)machine->mode) : nullptr;
}

extern "C" int32_t LIBSIM__GetMode_ID_for_name(const char *name)
{
    return Name2ID(modeTypesName, name);
}

extern "C" void LIBSIM__Thread_Restart(void) {}

void Thread_Restart_Jobs(void) {}

int single_step_enabled(IOPDesc *)
{
    return 0;
}

extern "C" int LIBSIM__Trc_get_mode(void)
{
    return TRC_IS_ON();
}
