// Selection context and object paths.
#include "command/selector.h"

#include <cctype>
#include <cstdint>

#include "command/cmd_table.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

int32_t processor_class(GenericMachine *machine)
{
    if (machine->processor_major < 0 && machine->device_manager)
        machine->processor_major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Processor");
    return machine->processor_major;
}

int32_t machine_processor_count(GenericMachine *machine)
{
    if (!machine || !machine->device_manager) return 0;
    return DeviceMgr__GetDeviceCount(machine->device_manager, processor_class(machine));
}

// The processor with that machine-wide number, or null.
ProcessorState *machine_processor(GenericMachine *machine, int64_t number)
{
    if (!machine || !machine->device_manager || number < 0 || number >= machine_processor_count(machine))
        return nullptr;
    return (ProcessorState *)DeviceMgr__GetDevice(machine->device_manager, processor_class(machine),
                                                  (int32_t)number);
}

const char *machine_name(GenericMachine *machine)
{
    return machine && machine->name ? machine->name : "<null>";
}

// A thread specifier "N", "A:B" or "A:B:C" of decimal numbers. Returns the number of components
// (1 to 3), or 0 when the text is rejected. A ":" at the end is ignored, and so is everything
// after a third component. Components saturate at INT32_MAX.
int ConvertThreadSpec(const char *spec, int64_t (&components)[3])
{
    const char *p = spec;
    if (!*p) {
        sim_warning(2, "ConvertThreadSpec(%s) -> more than 3 components (%d)", spec, 0);
        return 0;
    }
    int n = 0;
    for (;;) {
        if (!isdigit((unsigned char)*p)) {
            sim_warning(2, "ConvertThreadSpec(%s) -> non-numeric", spec);
            return 0;
        }
        int64_t value = 0;
        for (; isdigit((unsigned char)*p); p++) {
            value = value * 10 + (*p - '0');
            if (value > INT32_MAX) value = INT32_MAX;
        }
        components[n++] = value;
        if (*p == '\0') return n;
        if (*p != ':') return 0;
        p++;
        if (*p == '\0' || n == 3) return n;
    }
}

struct ThreadSpec {
    int64_t mcm = -1, cpu = -1, thread = -1;
};

// Reads a specifier against the machine's shape; false when it is rejected.
bool Resolve_Thread_Spec(GenericMachine *machine, const char *text, ThreadSpec &spec)
{
    int64_t c[3] = {0, 0, 0};
    int n = ConvertThreadSpec(text, c);
    if (n == 0) return false;
    ProcessorState *first = machine_processor(machine, 0);
    uint32_t threads_per_processor = first ? first->num_threads : 0;
    int64_t mcms = machine ? machine->num_mcms : 0;

    if (n == 1) {
        spec.cpu = c[0];
    } else if (n == 2) {
        if (threads_per_processor > 1) {
            spec.cpu = c[0];
            spec.thread = c[1];
        } else if (mcms == 1) {
            if (c[0] == 0) {
                spec.cpu = c[1];
            } else if (c[1] == 0) {
                spec.cpu = c[0];
            } else {
                sim_warning(2, "ConvertThreadSpec(%s) -> %d:%d and both non-zero", text, (int)c[0],
                            (int)c[1]);
                return false;
            }
            spec.mcm = 0;
            spec.thread = 0;
        } else {
            if (c[0] >= mcms) {
                sim_warning(2, "ConvertThreadSpec(%s) -> %d:%d and NOT 0 <= %d < %d", text, (int)c[0],
                            (int)c[1], (int)c[0], (int)mcms);
                return false;
            }
            spec.mcm = c[0];
            spec.cpu = c[1];
            spec.thread = 0;
        }
    } else {
        if (c[0] >= mcms) {
            sim_warning(2, "ConvertThreadSpec(%s) -> %d:%d:%d and NOT 0 <= %d < %d", text, (int)c[0],
                        (int)c[1], (int)c[2], (int)c[0], (int)mcms);
            return false;
        }
        spec.mcm = c[0];
        spec.cpu = c[1];
        spec.thread = c[2];
    }

    if (spec.thread != -1) {
        ProcessorState *owner = machine_processor(machine, spec.cpu);
        if (!owner) owner = first;
        if (!owner || spec.thread >= owner->num_threads) return false;
    }
    return machine_processor(machine, spec.cpu) != nullptr;
}

} // namespace

void Initialize_Selector(Selector *selector)
{
    *selector = Selector{nullptr, nullptr, -1, nullptr, -1, nullptr, -1, nullptr};
}

void Define_Selected_Machine(Selector *selector, GenericMachine *machine)
{
    if (selector->machine)
        sim_warning(2, "Two machines: %s and %s", machine_name(machine), machine_name(selector->machine));
    selector->machine = machine;
    selector->property_list = machine ? machine->property_list : nullptr;
}

void Define_Selected_PropertyList(Selector *selector, PropertyList *list)
{
    if (selector->property_list)
        sim_warning(2, "Two property lists: %s and %s", list ? list->name : "<null>",
                    selector->property_list->name);
    selector->property_list = list;
}

void Define_Selected_MCM(Selector *selector, int32_t index)
{
    if (selector->mcm_index != -1 && selector->mcm_index != index)
        sim_warning(2, "Two MCM numbers: %d and %d", index, selector->mcm_index);
    selector->mcm_index = index;
}

void Define_Selected_Processor(Selector *selector, int32_t index)
{
    if (selector->cpu_index != -1) sim_warning(2, "Two CPU numbers: %d and %d", index, selector->cpu_index);
    selector->cpu_index = index;
}

void Define_Selected_Thread(Selector *selector, int32_t index)
{
    if (selector->thread_index != -1)
        sim_warning(2, "Two thread numbers: %d and %d", index, selector->thread_index);
    selector->thread_index = index;
}

PropertyList *select_PropertyList(Selector *selector)
{
    return selector ? selector->property_list : nullptr;
}

GenericMachine *select_machine(Selector *selector)
{
    return selector ? selector->machine : nullptr;
}

MCM *select_mcm(Selector *selector)
{
    if (!selector) return nullptr;
    if (selector->mcm) return selector->mcm;
    GenericMachine *machine = selector->machine;
    if (!machine) return nullptr;

    int64_t index = selector->mcm_index;
    if (index == -1) {
        index = 0;
        if (machine->num_mcms == 1)
            selector->mcm_index = 0;
        else
            sim_warning(2, "No MCM number specified, assuming MCM 0");
    }
    if (index < 0 || index >= machine->num_mcms) {
        sim_warning(2, "MCM number is out of bounds for machine %s: %d <= %d < %d", machine_name(machine), 0,
                    (int)index, (int)machine->num_mcms);
        index = 0;
    }
    if (!machine->mcms || index >= machine->num_mcms) {
        sim_error("bad mcm number: %d", (int)index);
        return nullptr;
    }
    selector->mcm = machine->mcms[index];
    return selector->mcm;
}

ProcessorState *select_processor(Selector *selector)
{
    if (!selector) return nullptr;
    if (selector->processor) return selector->processor;
    GenericMachine *machine = selector->machine;
    if (!machine) return nullptr;

    int32_t total = machine_processor_count(machine);
    int64_t cpu = selector->cpu_index;
    if (cpu == -1) {
        if (total == 1) {
            cpu = 0;
            selector->cpu_index = 0;
        } else if (selector->mcm_index != -1 && selector->mcm && selector->mcm->cores_per_chip == 1) {
            cpu = 0;
            selector->cpu_index = 0;
        } else {
            sim_warning(2, "Need to define a CPU");
            cpu = 0;
        }
    }

    int32_t mcm_index = selector->mcm_index;
    if (mcm_index != -1) {
        if (!machine->mcms || mcm_index < 0 || (uint32_t)mcm_index >= machine->num_mcms) {
            sim_error("bad mcm number: %d", mcm_index);
            sim_warning(2, "CPU number is out of bounds for mcm %s: %d <= %d < %d", "<null>", 0, (int)cpu, 0);
            cpu = 0;
        } else {
            MCM *chip = machine->mcms[mcm_index];
            if (cpu < 0 || cpu >= chip->cores_per_chip) {
                sim_warning(2, "CPU number is out of bounds for mcm %s: %d <= %d < %d",
                            chip->name ? chip->name : "", 0, (int)cpu, (int)chip->cores_per_chip);
                cpu = 0;
            }
            for (int32_t i = 0; i < mcm_index; i++)
                cpu += machine->mcms[i]->cores_per_chip;
        }
    }

    if (cpu < 0 || cpu >= total) {
        sim_warning(2, "CPU number is out of bounds for machine %s: %d <= %d < %d", machine_name(machine), 0,
                    (int)cpu, (int)total);
        cpu = 0;
    }
    selector->processor = machine_processor(machine, cpu);
    return selector->processor;
}

ThreadState *select_thread(Selector *selector)
{
    if (!selector) return nullptr;
    if (selector->thread) return selector->thread;
    ProcessorState *processor = select_processor(selector);
    if (!processor) return nullptr;

    int64_t index = selector->thread_index;
    if (index == -1) {
        index = 0;
        if (processor->num_threads == 1) selector->thread_index = 0;
    }
    if (index < 0 || index >= processor->num_threads) {
        sim_warning(2, "Thread number is out of bounds: %d <= %d < %d", 0, (int)index,
                    (int)processor->num_threads);
        index = 0;
    }
    if (!processor->threads || processor->num_threads == 0) return nullptr;
    selector->thread = &processor->threads[index];
    return selector->thread;
}

ConsoleDevice *select_console(Selector *selector)
{
    GenericMachine *machine = select_machine(selector);
    return machine ? Get_Console(machine) : nullptr;
}

int what_selector_level(Selector *selector)
{
    if (!selector) return 0;
    if (selector->thread_index != -1) return 3;
    if (selector->cpu_index != -1) return 2;
    if (selector->mcm_index != -1) return 1;
    return 0;
}

int Continue_At_Appropriate_Menu(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    SimCmdTable *table = nullptr;
    switch (what_selector_level(selector)) {
    case 0:
        if (GenericMachine *machine = select_machine(selector)) table = machine->command_table;
        break;
    case 1:
        if (MCM *chip = select_mcm(selector)) table = chip->command_table;
        break;
    case 2:
        if (ProcessorState *processor = select_processor(selector)) table = processor->command_table;
        break;
    default:
        if (ThreadState *thread = select_thread(selector)) table = thread->command_table;
        break;
    }
    if (!table || argc < 1) return 1;
    SimCmdContext context;
    Init_SimCmdContext(&context, argc, argv);
    int rc =
        Select_SimCmdTable(table, context.count, context.vector, selector, interpreter, argc - 1, argv + 1);
    return rc == 0 ? 0 : 1;
}

int PPC_McmCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    uint64_t mcms = machine ? machine->num_mcms : 0;
    if (argc < 2) {
        SIM_TCLPRINT(interpreter, "Usage: %s [0 .. %d] ...", argv[0], (int)mcms - 1);
        return 1;
    }
    int ok = 0;
    uint64_t number = STRING2INT_rc(argv[1], &ok);
    if (number == ~(uint64_t)0 || number < mcms) {
        Define_Selected_MCM(selector, (int32_t)number);
        return Continue_At_Appropriate_Menu(selector, interpreter, argc, argv);
    }
    SIM_TCLPRINT(interpreter, "Error: (%s) : Invalid mcm number : %s", argv[0], argv[1]);
    return 1;
}

int PPC_ThreadCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    ProcessorState *processor = select_processor(selector);
    uint64_t threads = processor ? processor->num_threads : 0;
    if (argc < 2) {
        SIM_TCLPRINT(interpreter, "Usage: %s [0 .. %d] ...", argv[0], (int)threads - 1);
        return 1;
    }
    int ok = 0;
    uint64_t number = STRING2INT_rc(argv[1], &ok);
    if (number < threads) {
        Define_Selected_Thread(selector, (int32_t)number);
        return Continue_At_Appropriate_Menu(selector, interpreter, argc, argv);
    }
    SIM_TCLPRINT(interpreter, "Error: (%s) : Invalid thread number : %d", argv[0], (int)number);
    return 1;
}

int PPC_CpuCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 2) {
        SIM_TCLPRINT(interpreter, "Usage: %s [0 .. N] ...", argv[0]);
        return 1;
    }
    ThreadSpec spec;
    if (!Resolve_Thread_Spec(select_machine(selector), argv[1], spec)) {
        SIM_TCLPRINT(interpreter, "PPC_CpuCmd: Bad Thread Specifier : %s", argv[1]);
        return 1;
    }
    if (spec.mcm != -1) Define_Selected_MCM(selector, (int32_t)spec.mcm);
    Define_Selected_Processor(selector, (int32_t)spec.cpu);
    if (spec.thread != -1) Define_Selected_Thread(selector, (int32_t)spec.thread);
    return Continue_At_Appropriate_Menu(selector, interpreter, argc, argv);
}

const char *Get_Quarn_Machine_Name(Selector *selector)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return nullptr;
    // A machine is registered under its name when it is created.
    return BaseObject__GetName(BaseObject__Find_Object(OBJECT_KIND_MACHINE, machine));
}
