// Processor and thread settings and status commands.
#include "command/processor_settings_commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command/selector.h"
#include "decode/instr_info.h"
#include "kernel/tsim.h"
#include "machine/mcm_lifecycle.h"
#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/run_control.h"
#include "processor/run/smt.h"
#include "processor/time/processor_time.h"
#include "processor/time/time_domain.h"
#include "runtime/alloc.h"
#include "runtime/object_registry.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

uint64_t number_word(const char *word)
{
    int ok = 0;
    uint64_t value = STRING2INT_rc(word, &ok);
    return ok ? value : 0;
}

ProcessorState *selected_processor(Selector *selector)
{
    if (ProcessorState *processor = select_processor(selector)) return processor;
    ThreadState *thread = select_thread(selector);
    return thread ? thread->processor : nullptr;
}

// Renames a processor or thread: interned copy, object registry too.
void rename_object(char **name, uint32_t object_id, const char *new_name)
{
    char *copy = REMEMBER_STRING(new_name);
    BaseObject__ChangeName((int32_t)object_id, copy);
    if (*name) FORGET_STRING(*name);
    *name = copy;
}

bool timed_mode(GenericMachine *machine)
{
    return machine && machine->mode > 8;
}

} // namespace

int display_confignameCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    switch (what_selector_level(selector)) {
    case 0: {
        GenericMachine *machine = select_machine(selector);
        SIM_TCLPRINT(interpreter, "machine name is %s", machine && machine->name ? machine->name : "");
        break;
    }
    case 1: {
        MCM *chip = select_mcm(selector);
        SIM_TCLPRINT(interpreter, "MCM name is %s", chip && chip->name ? chip->name : "<null>");
        break;
    }
    case 2: {
        ProcessorState *processor = select_processor(selector);
        SIM_TCLPRINT(interpreter, "Processor name is %s",
                     processor && processor->name ? processor->name : "<unknown>");
        break;
    }
    default: {
        ThreadState *thread = select_thread(selector);
        SIM_TCLPRINT(interpreter, "Thread name is %s", thread && thread->name ? thread->name : "");
        break;
    }
    }
    return 0;
}

int confignameCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    switch (what_selector_level(selector)) {
    case 1:
        if (MCM *chip = select_mcm(selector)) rename_mcm(chip, argv[1]);
        break;
    case 2:
        if (ProcessorState *processor = select_processor(selector))
            rename_object(&processor->name, processor->object_id, argv[1]);
        break;
    case 3:
        if (ThreadState *thread = select_thread(selector)) rename_object(&thread->name, thread->object_id, argv[1]);
        break;
    default:
        break;
    }
    return display_confignameCmd(selector, interpreter, argc, argv);
}

int PPC_Display_ins_countCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    SIM_TCLPRINT(interpreter, "%ld", (long)thread->Instruction_Number);
    return 0;
}

int PPC_Set_ins_countCmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    thread->Instruction_Number = number_word(argv[1]);
    return 0;
}

int PPC_Display_ins_seqCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "0");
    return 0;
}

int PPC_Set_ins_seqCmd(Selector *, Tcl_Interp *, int, char **)
{
    return 0;
}

int display_PPC_CPI_ConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ProcessorState *processor = selected_processor(selector);
    if (!processor) return 1;
    if (processor->cpi != 0)
        SIM_TCLPRINT(interpreter, "Processor %d: cpi is %4.2f", (int)processor->core_id, (double)processor->cpi);
    else
        SIM_TCLPRINT(interpreter, "Processor %d: cpi is off", (int)processor->core_id);
    return 0;
}

int PPC_CPI_ConfigCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    ProcessorState *processor = selected_processor(selector);
    if (!processor) return 1;
    char *end = nullptr;
    double value = strtod(argv[1], &end);
    if (end == argv[1] || *end) {
        SIM_TCLPRINT(interpreter, "Expected floating point number; got %s", argv[1]);
        return 1;
    }
    if (value < 0) {
        SIM_TCLPRINT(interpreter, "CPI was negative; treat as 0 (off)\n");
        value = 0;
    }
    processor->cpi = (float)value;
    return display_PPC_CPI_ConfigCmd(selector, interpreter, argc, argv);
}

int display_PPC_configKIPSCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    SIM_TCLPRINT(interpreter, "Kips Interval for %s = %ld", thread->name, (long)thread->stats_interval);
    return 0;
}

int PPC_configKIPSCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    thread->stats_interval = (uint64_t)(int64_t)(int32_t)number_word(argv[1]);
    Schedule_PERIODIC_STATS(thread);
    return display_PPC_configKIPSCmd(selector, interpreter, argc, argv);
}

int display_setMSR_quarn_bitConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ProcessorState *processor = selected_processor(selector);
    if (!processor) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)processor->sim_msr_bit);
    return 0;
}

int setMSR_quarn_bitConfigCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    ProcessorState *processor = selected_processor(selector);
    if (!processor) return 1;
    char *end = nullptr;
    uint64_t value = strtoull(argv[1], &end, 0);
    if (end == argv[1] || *end) {
        SIM_TCLPRINT(interpreter, "set quarn msr value: error reading value");
        return 1;
    }
    processor->sim_msr_bit = value;
    return display_setMSR_quarn_bitConfigCmd(selector, interpreter, argc, argv);
}

int display_setfreqConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ProcessorState *processor = selected_processor(selector);
    if (!processor || !processor->core_freq) return 1;
    const FreqSpec *spec = processor->core_freq;
    uint64_t remainder = 0;
    uint64_t hz = spec->is_absolute ? spec->hz : evaluate_frequency_ratio(spec, &remainder);
    SIM_TCLPRINT(interpreter, "CPU Frequency is %s", Prepare_AbsoluteFrequency(hz));
    return 0;
}

int PPC_DisplayCurrentThreadCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    SIM_TCLPRINT(interpreter, "%s", thread->name);
    return 0;
}

int display_PPC_threadsCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ProcessorState *processor = selected_processor(selector);
    if (!processor) return 1;
    SIM_TCLPRINT(interpreter, "%d", (int)processor->num_threads);
    return 0;
}

int display_PPC_max_threadsCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    return display_PPC_threadsCmd(selector, interpreter, argc, argv);
}

int PPC_Display_statusCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    if (thread->x_threadState == CPU_STALLED) {
        SIM_TCLPRINT(interpreter, "CPU[%s]: %s, reason: %s", thread->name, Thread_State_Name(CPU_STALLED),
                     Thread_StallReasonName(thread->stall_reason, thread->power_mode));
        return 0;
    }
    ProcessorState *processor = thread->processor;
    uint32_t state = processor && processor->x_cpuState != CPU_RUNNING ? processor->x_cpuState : thread->x_threadState;
    SIM_TCLPRINT(interpreter, "CPU[%s]: %s", thread->name, Thread_State_Name((int32_t)state));
    return 0;
}

int Display_cycles(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    time_domain *domain = machine->cycle_domain ? machine->cycle_domain : machine->base_domain;
    uint64_t cycles = 0;
    if (tsim_current() && domain) {
        cycles = TD_get_current_cycles(domain);
    } else if (machine->tsim) {
        uint64_t per = domain && domain->ticks_per_cycle ? domain->ticks_per_cycle : 1;
        uint64_t tick = machine->tsim->now;
        cycles = tick ? (tick - 1 + per) / per : 0;
    }
    SIM_TCLPRINT(interpreter, "%ld", (long)cycles);
    return 0;
}

int display_PPC_itimes_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    ProcessorState *processor = selected_processor(selector);
    if (!processor || !processor->instruction_table) return 1;
    InstrInfo *rows = processor->instruction_table;
    uint32_t size = InstrInfo_Table_Size();
    if (argc < 2) {
        for (uint32_t i = 1; i < size; i++)
            SIM_TCLPRINT(interpreter, "%s: throughput %d\n", rows[i].mnemonic, (int)rows[i].throughput);
        return 0;
    }
    for (int w = 1; w < argc; w++)
        for (uint32_t i = 1; i < size; i++)
            if (rows[i].mnemonic && strcmp(rows[i].mnemonic, argv[w]) == 0) {
                SIM_TCLPRINT(interpreter, "%s: throughput %d\n", rows[i].mnemonic, (int)rows[i].throughput);
                break;
            }
    return 0;
}

int PPC_DisplayTimebaseCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ProcessorState *processor = selected_processor(selector);
    if (!processor) return 1;
    SIM_TCLPRINT(interpreter, "0x%016lX,%ld", (unsigned long)processor->tb_value, (long)processor->tb_last_cycle);
    return 0;
}

int PPC_SetTimebaseCmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    ProcessorState *processor = selected_processor(selector);
    if (!processor) return 1;
    unsigned long value = processor->tb_value;
    long cycle = (long)processor->tb_last_cycle;
    sscanf(argv[1], "0x%016lX,%ld", &value, &cycle);
    processor->tb_value = value;
    processor->tb_last_cycle = (uint64_t)cycle;
    return 0;
}

int PPC_DisplayDECCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ThreadState *thread = select_thread(selector);
    if (!thread || !thread->decrementer) return 1;
    SIM_TCLPRINT(interpreter, "0x%08X,%ld", (uint32_t)thread->decrementer->value,
                 (long)thread->decrementer->last_cycle);
    return 0;
}

int PPC_SetDECCmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread || !thread->decrementer) return 1;
    unsigned value = (uint32_t)thread->decrementer->value;
    long cycle = (long)thread->decrementer->last_cycle;
    sscanf(argv[1], "0x%08X,%ld", &value, &cycle);
    thread->decrementer->value = (int32_t)value;
    thread->decrementer->last_cycle = (uint64_t)cycle;
    return 0;
}

int PPC_DisplayReservationCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    if (timed_mode(thread->machine)) {
        SIM_TCLPRINT(interpreter, "Error: (%s) : Only useful if core_based_reservation is set", argv[0]);
        return 1;
    }
    MemoryClient *client = thread->memory_client;
    if (client && client->reservation_valid)
        SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)client->reservation_address);
    else
        SIM_TCLPRINT(interpreter, "none");
    return 0;
}

int PPC_SetReservationCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    if (timed_mode(thread->machine)) {
        SIM_TCLPRINT(interpreter, "Error: (%s) : Only useful if core_based_reservation is set", argv[0]);
        return 1;
    }
    MemoryClient *client = thread->memory_client;
    if (!client) return 1;
    if (strcmp(argv[1], "none") == 0) {
        if (client->reservation_valid) clear_reservation_bit(client);
        return 0;
    }
    // Only a "0x" number names an address; anything else is refused.
    unsigned long address = 0;
    char tail = 0;
    if (sscanf(argv[1], "0x%lX%c", &address, &tail) != 1) return 1;
    create_reservation(client, address, 4);
    return 0;
}
