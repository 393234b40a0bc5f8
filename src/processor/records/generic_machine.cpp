// The machine record's globals and small services: processors and threads by number, chips,
// consoles, the kernel instance, the active counts, statistics and the base clock.
#include "processor/records/generic_machine.h"

#include "kernel/hooks/domain_ticks.h"
#include "kernel/tsim.h"
#include "processor/records/mcm.h"
#include "processor/time/time_domain.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"

GenericMachine *currentMachine = nullptr;
GenericMachine *Quarn_Machine_List = nullptr;
int standalone_mode = 0;
int memoryDataless = 0;

namespace
{

int32_t device_class(GenericMachine *machine, int32_t &cached, const char *name)
{
    if (!machine || !machine->device_manager) return -1;
    if (cached < 0) cached = DeviceMgr__GetDeviceMajorNum(machine->device_manager, name);
    return cached;
}

uint64_t base_hz(GenericMachine *machine)
{
    return evaluate_frequency_ratio(&machine->base_freq, nullptr);
}

} // namespace

uint64_t GenericMachine__InstructionCount(GenericMachine *machine)
{
    return machine ? machine->instruction_count : 0;
}

int32_t GenericMachine__ProcessorCount(GenericMachine *machine)
{
    if (!machine) return 0;
    int32_t major = device_class(machine, machine->processor_major, "Processor");
    return major < 0 ? 0 : DeviceMgr__GetDeviceCount(machine->device_manager, major);
}

int32_t GenericMachine__ThreadCount(GenericMachine *machine)
{
    if (!machine) return 0;
    int32_t major = device_class(machine, machine->thread_major, "Thread");
    return major < 0 ? 0 : DeviceMgr__GetDeviceCount(machine->device_manager, major);
}

ProcessorState *GenericMachine__Processor(GenericMachine *machine, int32_t number)
{
    if (!machine) return nullptr;
    int32_t major = device_class(machine, machine->processor_major, "Processor");
    return major < 0
               ? nullptr
               : static_cast<ProcessorState *>(DeviceMgr__GetDevice(machine->device_manager, major, number));
}

ThreadState *GenericMachine__Thread(GenericMachine *machine, int32_t number)
{
    if (!machine) return nullptr;
    int32_t major = device_class(machine, machine->thread_major, "Thread");
    return major < 0
               ? nullptr
               : static_cast<ThreadState *>(DeviceMgr__GetDevice(machine->device_manager, major, number));
}

MCM *GenericMachine__GetMCM(GenericMachine *machine, int32_t number)
{
    if (!machine || !machine->mcms || number < 0 || (uint32_t)number >= machine->num_mcms) {
        sim_error("bad mcm number: %d", number);
        return nullptr;
    }
    return machine->mcms[number];
}

ConsoleDevice *Get_Console(GenericMachine *machine)
{
    return machine ? machine->consoles : nullptr;
}

tsim_s *MACHINE_GET_TSIM_BY_THREAD(GenericMachine *machine, ThreadState *)
{
    return machine ? machine->tsim : nullptr;
}

tsim_s *MACHINE_GET_TSIM_BY_PROCESSOR(GenericMachine *machine, ProcessorState *)
{
    return machine ? machine->tsim : nullptr;
}

void GenericMachine_Schedule_All_Asynchronous_Jobs(void)
{
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next)
        if (machine->tsim) machine->tsim->async_flag = 1;
}

void GenericMachine__ProcessorGoingActive(GenericMachine *machine)
{
    if (!machine) return;
    __atomic_add_fetch(&machine->active_processors, 1, __ATOMIC_SEQ_CST);
    machine->activity = 1;
}

void GenericMachine__ProcessorGoingInactive(GenericMachine *machine)
{
    if (machine && machine->active_processors > 0)
        __atomic_sub_fetch(&machine->active_processors, 1, __ATOMIC_SEQ_CST);
}

void GenericMachine__ThreadGoingActive(GenericMachine *machine, ThreadState *)
{
    if (!machine) return;
    __atomic_add_fetch(&machine->active_threads, 1, __ATOMIC_SEQ_CST);
    machine->activity = 1;
}

void GenericMachine__ThreadGoingInactive(GenericMachine *machine, ThreadState *)
{
    if (machine && machine->active_threads > 0)
        __atomic_sub_fetch(&machine->active_threads, 1, __ATOMIC_SEQ_CST);
}

void GenericMachine_MemTraceEnable(GenericMachine *machine)
{
    if (machine) machine->memory_trace = 1;
}

void GenericMachine_MemTraceDisable(GenericMachine *machine)
{
    if (machine) machine->memory_trace = 0;
}

void setemulateFPConfig(GenericMachine *machine, int32_t value)
{
    if (machine) machine->emulate_fp = value;
}

void setbitaccuratemode(GenericMachine *machine, int32_t value)
{
    if (machine) machine->bit_accurate = value;
}

void GenericMachine_StatInit(GenericMachine *machine)
{
    if (!machine) return;
    machine->stats = GenericMachineStats{};
    machine->memory_trace = 0;
}

void GenericMachine_StatClear(GenericMachine *machine)
{
    if (machine) machine->stats = GenericMachineStats{};
}

void GenericMachine_StatDump(GenericMachine *machine)
{
    if (!machine) return;
    const GenericMachineStats &s = machine->stats;
    auto rate = [](uint64_t misses, uint64_t hits) {
        return misses + hits ? (double)misses * 100.0 / (double)(misses + hits) : 0.0;
    };
    SIM_PRINT("--------------- Machine Stats -------------------------\n");
    SIM_PRINT("\nNumber of cycles %ld\n", (long)s.cycles);
    SIM_PRINT("L1 I-Cache miss rate %5.4f%%\n", rate(s.l1i_misses, s.l1i_hits));
    SIM_PRINT("L1 D-Cache miss rate %5.4f%%\n", rate(s.l1d_misses, s.l1d_hits));
    SIM_PRINT("L2 Cache miss rate %5.4f%%\n", rate(s.l2_misses, s.l2_hits));
    SIM_PRINT("L1 I-Cache misses %ld hits %ld\n", (long)s.l1i_misses, (long)s.l1i_hits);
    SIM_PRINT("L1 D-Cache misses %ld hits %ld\n", (long)s.l1d_misses, (long)s.l1d_hits);
    SIM_PRINT("L2 Cache misses %ld hits %ld\n", (long)s.l2_misses, (long)s.l2_hits);
    SIM_PRINT("---------------------------------------------------\n");
}

uint64_t GenericMachine__BaseCycles(GenericMachine *machine)
{
    if (!machine) return 0;
    if (!machine->tsim) {
        sim_error("tsim in machine is NULL!!!!");
        return 0;
    }
    uint64_t tick = machine->tsim->now;
    if (tick == 0) return 0;
    uint64_t per_cycle = TD_ticks_per_cycle(machine->base_domain);
    return tick / per_cycle + (tick % per_cycle != 0);
}

void Machine__ResetClockFreqHZ(GenericMachine *machine, uint64_t hz)
{
    if (!machine) return;
    uint64_t old_hz = base_hz(machine);
    if (hz == old_hz) return;
    uint64_t before = GenericMachine__BaseCycles(machine);
    if (!Define_FreqSpec_Frequency(&machine->base_freq, hz)) return;
    uint64_t after = GenericMachine__BaseCycles(machine);
    int64_t old_seconds = old_hz ? (int64_t)(before / old_hz) : 0;
    machine->rtc_base += old_seconds - (int64_t)(after / hz);
}
