// The machine settings tables: "set" changes the run-time settings of the selector's machine and the
// full "Display" shows them with the read-only facts of the limited display. No table attaches
// them; a host or plug-in builds them and attaches them with connect_subtable.
#include "command/machine_settings_commands.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "command/cmd_table.h"
#include "command/mcm_settings_commands.h"
#include "command/memory_commands.h"
#include "command/plist_listing.h"
#include "command/processor_settings_commands.h"
#include "command/selector.h"
#include "command/simtop.h"
#include "guest/startup_script.h"
#include "exec/thread_job.h"
#include "processor/hooks/emat_invalidate.h"
#include "processor/prints/trace_text.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/modes.h"
#include "processor/run/run_control.h"
#include "processor/time/time_domain.h"
#include "runtime/callbacks.h"
#include "runtime/common.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"
#include "translator/emat_trans_level.h"

int32_t fast_limit_minimum = 2;

namespace
{

const char *on_off(int value)
{
    return value ? "on" : "off";
}

// Reads an on/off word; false after the usage text.
bool boolean_word(Tcl_Interp *interpreter, char **argv, int *value)
{
    int ok = 0;
    *value = STRING2BOOLEAN_rc(argv[1], &ok);
    if (ok) return true;
    SIM_TCLPRINT(interpreter, "Usage: %s [on|off]", argv[0]);
    return false;
}

// A machine flag set from an on/off word and printed.
int set_flag(Tcl_Interp *interpreter, char **argv, int32_t *flag)
{
    int value = 0;
    if (!boolean_word(interpreter, argv, &value)) return 1;
    if (flag) *flag = value ? 1 : 0;
    SIM_TCLPRINT(interpreter, "%s", on_off(value));
    return 0;
}

bool chunk_mode(uint32_t mode)
{
    return mode == MODE_TURBO || mode == MODE_SIMPLE || mode == 8;
}

void print_chunky(Tcl_Interp *interpreter, GenericMachine *machine)
{
    if (chunk_instruction_limit <= 0) {
        SIM_TCLPRINT(interpreter, "Chunky mode is disabled");
    } else if (machine && chunk_mode(machine->mode)) {
        SIM_TCLPRINT(interpreter, "Chunky mode is enabled (limit: %d) and active", chunk_instruction_limit);
    } else {
        SIM_TCLPRINT(interpreter,
                     "Chunky mode is enabled (limit: %d) but inactive (only used in turbo/simple modes)",
                     chunk_instruction_limit);
    }
}

const char *color_name()
{
    return colorWanted == 'd' ? "display" : colorWanted == 'p' ? "print" : "off";
}

const char *level_name(int32_t level)
{
    return level == 0 ? "ERAT" : level == 1 ? "ERAT_TLB" : "ALL";
}

void print_cpi(Tcl_Interp *interpreter, GenericMachine *machine)
{
    for (int32_t n = 0; machine; n++) {
        ProcessorState *processor = GenericMachine__Processor(machine, n);
        if (!processor) break;
        if (n) SIM_TCLPRINT(interpreter, "\n");
        if (processor->cpi == 0)
            SIM_TCLPRINT(interpreter, "Processor %d: cpi is off", n);
        else
            SIM_TCLPRINT(interpreter, "Processor %d: cpi is %4.2f", n, processor->cpi);
    }
}

void print_hexdump_name(Tcl_Interp *interpreter, GenericMachine *machine)
{
    if (machine && machine->hexdump_file_name)
        SIM_TCLPRINT(interpreter, "File used for dump memory callthrough will be %s",
                     machine->hexdump_file_name);
    else
        SIM_TCLPRINT(interpreter, "Memory dump callthrough will print to stderr");
}

// Names kept for the life of the process; each distinct name is stored once.
char *intern(const char *name)
{
    static std::set<std::string> names;
    return const_cast<char *>(names.insert(name).first->c_str());
}

} // namespace

int Set_restore_in_progress(Selector *, Tcl_Interp *, int, char **argv)
{
    int ok = 0;
    int value = STRING2BOOLEAN_rc(argv[1], &ok);
    RestoreInProgress = ok ? value : 0;
    return 0;
}

int Set_ins_count(Selector *selector, Tcl_Interp *, int, char **argv)
{
    int ok = 0;
    if (GenericMachine *machine = select_machine(selector))
        machine->instruction_count = STRING2INT_rc(argv[1], &ok);
    return 0;
}

int setsliplaneportConfigCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    int ok = 0;
    int64_t port = (int64_t)STRING2INT_rc(argv[1], &ok);
    if (port < 1 || port > 65535) {
        SIM_TCLPRINT(interpreter, "Sliplane port must be %d < n <= %d; is %d", 0, 65535, (int)port);
        return 1;
    }
    sliplane_listen_port = (int)port;
    SIM_TCLPRINT(interpreter, "Sliplane port is %d", sliplane_listen_port);
    return 0;
}

int set_LoaderHighMemCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    machine->loader_high_memory = strtoull(argv[1], nullptr, 0);
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)machine->loader_high_memory);
    return 0;
}

int setemulateFPConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int value = 0;
    if (!boolean_word(interpreter, argv, &value)) return 1;
    if (GenericMachine *machine = select_machine(selector)) setemulateFPConfig(machine, value);
    SIM_TCLPRINT(interpreter, "%s", on_off(value));
    return 0;
}

int setbitaccuratemodeCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int value = 0;
    if (!boolean_word(interpreter, argv, &value)) return 1;
    if (GenericMachine *machine = select_machine(selector)) setbitaccuratemode(machine, value);
    SIM_TCLPRINT(interpreter, "%s", on_off(value));
    return 0;
}

int setWE_bitCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int value = 0;
    if (!boolean_word(interpreter, argv, &value)) return 1;
    if (GenericMachine *machine = select_machine(selector)) machine->we_bit_ignored = value ? 0 : 1;
    SIM_TCLPRINT(interpreter, "%s", value ? "WE bit has effect" : "WE bit has no effect");
    return 0;
}

int setChunkyCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    int ok = 0;
    int64_t limit = (int64_t)STRING2INT_rc_silent(argv[1], &ok);
    if (ok) {
        chunk_instruction_limit = limit > 0 ? (int32_t)(limit > INT32_MAX ? INT32_MAX : limit) : -1;
    } else {
        int value = STRING2BOOLEAN_rc(argv[1], &ok);
        if (!ok) {
            SIM_TCLPRINT(interpreter, "Usage: %s [on|off|max-instructions-per-chunk(integer)]", argv[0]);
            return 1;
        }
        uint64_t fallback = machine ? machine->chunky_instructions_default : 0;
        chunk_instruction_limit =
            value && fallback ? (int32_t)(fallback > INT32_MAX ? INT32_MAX : fallback) : -1;
    }
    print_chunky(interpreter, machine);
    return 0;
}

namespace
{

int mode_switch(Selector *selector, Tcl_Interp *interpreter, char **argv, uint32_t on_mode)
{
    int value = 0;
    if (!boolean_word(interpreter, argv, &value)) return 1;
    if (GenericMachine *machine = select_machine(selector))
        Mode_Change(machine, value ? on_mode : MODE_SIMPLE);
    return 0;
}

} // namespace

int setFastCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return mode_switch(selector, interpreter, argv, MODE_FAST);
}

int setTurboCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return mode_switch(selector, interpreter, argv, MODE_TURBO);
}

int setLooseCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    if (mode_switch(selector, interpreter, argv, MODE_LOOSE)) return 1;
    return display_setLooseCmd(selector, interpreter, 1, argv);
}

int setFastMinimumCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    int ok = 0;
    int32_t value = (int32_t)STRING2INT_rc(argv[1], &ok);
    if (!ok) {
        SIM_TCLPRINT(interpreter, "Usage: %s [integer]", argv[0]);
        return 1;
    }
    fast_limit_minimum = value;
    SIM_TCLPRINT(interpreter, "%d", fast_limit_minimum);
    return 0;
}

int setIProfileCmd(Selector *, Tcl_Interp *, int, char **)
{
    SIM_PRINT("Instruction profiling is a build-time configuration.\n");
    SIM_PRINT("The configuration is not enabled in this build.\n");
    return 0;
}

int setEmatTransCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int32_t level;
    if (strcasestr(argv[1], "ERAT"))
        level = 0;
    else if (strcasestr(argv[1], "TLB"))
        level = 1;
    else if (strcasestr(argv[1], "ALL"))
        level = 2;
    else {
        SIM_TCLPRINT(interpreter, "Usage: %s [ERAT|TLB|ALL]", argv[0]);
        return 1;
    }
    if (level == EMAT_TRANS_LEVEL) return 0;
    SIM_TCLPRINT(interpreter, "EMAT translation level is changed from %s to %s. ",
                 level_name(EMAT_TRANS_LEVEL), level_name(level));
    EMAT_TRANS_LEVEL = level;
    if (GenericMachine *machine = select_machine(selector)) {
        SIM_TCLPRINT(interpreter, "Flushed all EMATs. ");
        for (int32_t n = 0;; n++) {
            ThreadState *thread = GenericMachine__Thread(machine, n);
            if (!thread) break;
            EMAT_INVALIDATE_ALL(thread, 0, "EMAT_TRANS");
        }
    }
    return 0;
}

int setColorCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    const char *word = argv[1];
    if (!strcasecmp(word, "off") || (word[0] && strchr("0fFnN", word[0])))
        colorWanted = 'n';
    else if (word[0] == 'd' || word[0] == 'D')
        colorWanted = 'd';
    else if (word[0] == 'p' || word[0] == 'P')
        colorWanted = 'p';
    else {
        SIM_TCLPRINT(interpreter, "Usage %s {off|print|display}", argv[0]);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "%s", color_name());
    return 0;
}

int sethexdumpfileConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    machine->hexdump_file_name = intern(argv[1]);
    print_hexdump_name(interpreter, machine);
    return 0;
}

int set_CPI_ConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    char *end = nullptr;
    double value = strtod(argv[1], &end);
    if (end == argv[1] || *end) {
        SIM_PRINT("Expected floating point number; got %s", argv[1]);
        return 1;
    }
    if (value < 0) {
        SIM_PRINT("CPI was negative; treat as 0 (off)");
        value = 0;
    }
    GenericMachine *machine = select_machine(selector);
    if (machine) {
        machine->cpi = (float)value;
        for (int32_t n = 0;; n++) {
            ProcessorState *processor = GenericMachine__Processor(machine, n);
            if (!processor) break;
            processor->cpi = (float)value;
        }
    }
    print_cpi(interpreter, machine);
    return 0;
}

int breakpt_instConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    return set_flag(interpreter, argv, machine ? &machine->enable_breakpoint_instruction : nullptr);
}

int sim_supportConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    return set_flag(interpreter, argv, machine ? &machine->enable_sim_support : nullptr);
}

int rtas_supportConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int value = 0;
    if (!boolean_word(interpreter, argv, &value)) return 1;
    GenericMachine *machine = select_machine(selector);
    SIM_TCLPRINT(interpreter, "%s", on_off(machine ? machine->enable_rtas_support : 0));
    return 0;
}

int MaxSMTQuanta_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int ok = 0;
    int64_t value = (int64_t)STRING2INT_rc(argv[1], &ok);
    int32_t quanta = value > 0 ? (int32_t)(value > INT32_MAX ? INT32_MAX : value) : 1;
    if (GenericMachine *machine = select_machine(selector)) machine->max_smt_quanta = quanta;
    SIM_TCLPRINT(interpreter, "Maximum SMT Quanta = %d", quanta);
    return 0;
}

int setConsoleFormatConfigCmd(Selector *, Tcl_Interp *interpreter, int, char **argv)
{
    int ok = 0;
    int64_t value = (int64_t)STRING2INT_rc(argv[1], &ok);
    if (value < 0 || value > 0x3F) {
        SIM_PRINT("Console format must be 0x%X < n <= 0x%X; is 0x%X", 0, 0x3F, (unsigned)value);
        return 1;
    }
    quarn_common.print_flags = (int32_t)value;
    SIM_TCLPRINT(interpreter, "Console format is 0x%X", (unsigned)value);
    return 0;
}

int set_SpindrelModeCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int value = 0;
    if (!boolean_word(interpreter, argv, &value)) return 1;
    Set_Spindrel_Trace_Mode(select_machine(selector), value);
    SIM_TCLPRINT(interpreter, "%s", on_off(value));
    return 0;
}

int setRunningHypervisorCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    return set_flag(interpreter, argv, machine ? &machine->running_hypervisor : nullptr);
}

int setstrictenableConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    return set_flag(interpreter, argv, machine ? &machine->machine_options[MO_STRICT] : nullptr);
}

int heartbeatCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    uint64_t interval = 0;
    char *end = nullptr;
    interval = strtoull(argv[1], &end, 0);
    if (end == argv[1] || *end) {
        SIM_PRINT(
            "Error reading heartbeat got %ld from %s\nUsage: config heartbeat [cycles-between-heartbeats] ",
            (long)interval, argv[1]);
        return 1;
    }
    GenericMachine *machine = select_machine(selector);
    if (machine) {
        machine->heartbeat_interval = interval;
        for (int32_t n = 0;; n++) {
            ThreadState *thread = GenericMachine__Thread(machine, n);
            if (!thread) break;
            Schedule_Heartbeat(thread);
        }
    }
    SIM_TCLPRINT(interpreter, "%ld", (long)interval);
    return 0;
}

int setKipsFormatConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    int ok = 0;
    int64_t value = (int64_t)STRING2INT_rc(argv[1], &ok);
    if (value < 0 || value > 7) {
        SIM_PRINT("KIPS format must be %d < n <= %d; is %d", 0, 7, (int)value);
        return 1;
    }
    if (GenericMachine *machine = select_machine(selector)) machine->periodic_stats_flags = (uint32_t)value;
    SIM_TCLPRINT(interpreter, "KIPS format is %d", (int)value);
    return 0;
}

namespace
{

// The machine's time domain of the name; null after the message.
time_domain *named_domain(GenericMachine *machine, const char *name)
{
    time_domain *domain = machine ? TD_find_time_domain(&machine->time_domains, name) : nullptr;
    if (!domain) SIM_PRINT("cannot find time domain called %s", name);
    return domain;
}

const char *domain_name(const time_domain *domain)
{
    return domain && domain->name ? domain->name : "";
}

} // namespace

int set_selectedTimeDomainCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    time_domain *domain = named_domain(machine, argv[1]);
    if (!domain) return 1;
    Set_Time_Domain_For_Print(machine, domain);
    SIM_TCLPRINT(interpreter, "Selected Time Domain is %s", domain_name(domain));
    return 0;
}

int set_StepCycTimeDomainCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    time_domain *domain = named_domain(machine, argv[1]);
    if (!domain) return 1;
    machine->step_domain = domain;
    SIM_TCLPRINT(interpreter, "step cycle time domain is %s", domain_name(domain));
    return 0;
}

int set_PTEG_RA_search_mask(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    char *end = nullptr;
    uint64_t mask = strtoull(argv[1], &end, 0);
    if (end == argv[1] || *end) {
        SIM_TCLPRINT(interpreter, "Error reading mask got 0x%016lX from %s\n", (unsigned long)mask, argv[1]);
        return 1;
    }
    if (GenericMachine *machine = select_machine(selector)) machine->pteg_ra_search_mask = mask;
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)mask);
    return 0;
}

// ---- handlers no table holds ----

int setTurboWarmupCmd(Selector *, Tcl_Interp *, int, char **)
{
    return 0;
}
int display_setTurboWarmupCmd(Selector *, Tcl_Interp *, int, char **)
{
    return 0;
}
int setTurboSematCmd(Selector *, Tcl_Interp *, int, char **)
{
    return 0;
}
int display_setTurboSematCmd(Selector *, Tcl_Interp *, int, char **)
{
    return 0;
}

int display_vmx_fake_mode_Cmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    const int32_t mode = machine ? machine->vmx_fake_mode : 0;
    SIM_TCLPRINT(interpreter, "%s", mode == 1 ? "2dp" : mode == 2 ? "4dp" : "off");
    return 0;
}

int setlatencyenableConfigCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "Support for the latency setting is deprecated.\n");
    return 0;
}
int display_setlatencyenableConfigCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "Support for the latency setting is deprecated.\n");
    return 0;
}

int display_attach_mode_Cmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "shared");
    return 0;
}

int display_setmemstartConfigCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    SIM_TCLPRINT(interpreter, "Start address of memory region 0 is 0x%016lX",
                 (unsigned long)machine->memory_regions[0].start);
    return 0;
}

int setfreqConfigCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 2) return 1;
    int ok = 0;
    const uint64_t hz = STRING2SCALED_INT_rc(argv[1], &ok, 1000);
    if (!ok) {
        SIM_PRINT("2: Error reading freq; got %s", argv[1]);
        return 1;
    }
    constexpr uint64_t lowest = 1, highest = 10000000000ull;
    if (hz < lowest || hz > highest) {
        // Prepare_AbsoluteFrequency answers a shared buffer: each text is copied before the next.
        std::string low = Prepare_AbsoluteFrequency(lowest), high = Prepare_AbsoluteFrequency(highest);
        std::string value = Prepare_AbsoluteFrequency(hz);
        SIM_TCLPRINT(interpreter, "CPU frequency must be %s < n <= %s; is %s", low.c_str(), high.c_str(),
                     value.c_str());
        return 1;
    }
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    Machine__ResetClockFreqHZ(machine, hz);
    return display_setfreqConfigCmd(selector, interpreter, argc, argv);
}

int Set_PA_Config_Variable(void *, char *text, uint64_t *result, const char *label)
{
    int ok = 0;
    *result = STRING2INT_rc(text, &ok);
    if (quarn_common.interpreter)
        SIM_TCLPRINT(quarn_common.interpreter, "%s: 0x%016lX", label, (unsigned long)*result);
    return 0;
}

// ---- display ----

int display_setsliplaneportConfigCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "Sliplane port is %d", sliplane_listen_port);
    return 0;
}

int display_setLooseCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    uint32_t mode = machine ? machine->mode : 0;
    SIM_TCLPRINT(interpreter, "%s", on_off(mode == MODE_LOOSE || mode == MODE_WARMUP));
    return 0;
}

namespace
{

#define MACHINE_DISPLAY(name, body)                                                                          \
    int name(Selector *selector, Tcl_Interp *interpreter, int, char **)                                      \
    {                                                                                                        \
        GenericMachine *machine = select_machine(selector);                                                  \
        if (!machine) return 1;                                                                              \
        body;                                                                                                \
        return 0;                                                                                            \
    }

MACHINE_DISPLAY(show_loader_high_mem,
                SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)machine->loader_high_memory))
MACHINE_DISPLAY(show_emulate_fp, SIM_TCLPRINT(interpreter, "%s", on_off(machine->emulate_fp)))
MACHINE_DISPLAY(show_bit_accurate, SIM_TCLPRINT(interpreter, "%s", on_off(machine->bit_accurate)))
MACHINE_DISPLAY(show_breakpt, SIM_TCLPRINT(interpreter, "%s", on_off(machine->enable_breakpoint_instruction)))
MACHINE_DISPLAY(show_sim_support, SIM_TCLPRINT(interpreter, "%s", on_off(machine->enable_sim_support)))
MACHINE_DISPLAY(show_rtas_support, SIM_TCLPRINT(interpreter, "%s", on_off(machine->enable_rtas_support)))
MACHINE_DISPLAY(show_spindrel, SIM_TCLPRINT(interpreter, "%s", on_off(machine->exerciser_trace_mode)))
MACHINE_DISPLAY(show_chunky, print_chunky(interpreter, machine))
MACHINE_DISPLAY(show_fast, SIM_TCLPRINT(interpreter, "%s",
                                        on_off(machine->mode == MODE_LOOSE || machine->mode == MODE_FAST ||
                                               machine->mode == MODE_WARMUP)))
MACHINE_DISPLAY(show_turbo, SIM_TCLPRINT(interpreter, "%s",
                                         on_off(machine->mode == MODE_TURBO || machine->mode == MODE_PTURBO ||
                                                machine->mode == 8)))
MACHINE_DISPLAY(show_power_saving,
                SIM_TCLPRINT(interpreter, "%s",
                             machine->we_bit_ignored ? "WE bit has no effect" : "WE bit has effect"))
MACHINE_DISPLAY(show_hexdump_name, print_hexdump_name(interpreter, machine))
MACHINE_DISPLAY(show_running_hypervisor, SIM_TCLPRINT(interpreter, "%s", on_off(machine->running_hypervisor)))
MACHINE_DISPLAY(show_strict, SIM_TCLPRINT(interpreter, "%s", on_off(machine->machine_options[MO_STRICT])))
MACHINE_DISPLAY(show_kips_format,
                SIM_TCLPRINT(interpreter, "KIPS format is %d", (int)machine->periodic_stats_flags))
MACHINE_DISPLAY(show_pteg_mask,
                SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)machine->pteg_ra_search_mask))
MACHINE_DISPLAY(show_ticks, SIM_TCLPRINT(interpreter, "%ldt", (long)(machine->tsim ? machine->tsim->now : 0)))
MACHINE_DISPLAY(show_thread_count, SIM_TCLPRINT(interpreter, "%d", GenericMachine__ThreadCount(machine)))
MACHINE_DISPLAY(show_display_domain, machine->cycle_domain
                                         ? SIM_TCLPRINT(interpreter, "Selected Time Domain is %s",
                                                        domain_name(machine->cycle_domain))
                                         : SIM_TCLPRINT(interpreter, "No time domain selected yet"))
MACHINE_DISPLAY(show_step_domain, {
    time_domain *domain = machine->step_domain ? machine->step_domain : machine->base_domain;
    if (domain)
        SIM_TCLPRINT(interpreter, "step cycle time domain is %s", domain_name(domain));
    else
        SIM_TCLPRINT(interpreter, "no step cycle time domain selected yet");
})

#undef MACHINE_DISPLAY

int show_fast_minimum(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%d", fast_limit_minimum);
    return 0;
}
int show_inst_profile(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "off");
    return 0;
}
int show_color(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "%s", color_name());
    return 0;
}
int show_console_format(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "Console format is 0x%X", (unsigned)quarn_common.print_flags);
    return 0;
}

// Runs the machine's "config_print" callbacks (data, machine, previous result).
int show_all_settings(Selector *selector, Tcl_Interp *, int, char **)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    typedef int (*ConfigPrintFunction)(void *data, GenericMachine *machine, int previous);
    int previous = 0;
    for (Callback_Function *f = callBackFunctionLists[CALLBACK_CONFIG_PRINT].head; f; f = f->next)
        if (f->function)
            previous = reinterpret_cast<ConfigPrintFunction>(f->function)(f->data, machine, previous);
    return 0;
}
int show_config(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    TCL_Print_PropertyList_Annotated(interpreter, machine->property_list, argc > 1 ? argv[1] : nullptr);
    return 0;
}
int show_config_tcl(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    GenericMachine *machine = select_machine(selector);
    if (!machine) return 1;
    TCL_Print_PropertyList(interpreter, machine->property_list, argc > 1 ? argv[1] : nullptr);
    return 0;
}

} // namespace

SimCmdTable *build_SetCmd_table(void *argument)
{
    SimCmdTable *t = Init_SimCmdTable("set");
    const struct {
        const char *word;
        SimCmdHandler handler;
        const char *handler_name;
        const char *usage;
    } entries[] = {
        {"restore_in_progress", Set_restore_in_progress, "Set_restore_in_progress", "{on|off}"},
        {"instruction_count", Set_ins_count, "Set_ins_count", "{instruction number}"},
        {"sliplane_port", setsliplaneportConfigCmd, "setsliplaneportConfigCmd", "{port}"},
        {"loader_high_mem", set_LoaderHighMemCmd, "set_LoaderHighMemCmd", "{addr}"},
        {"running_hypervisor", setRunningHypervisorCmd, "setRunningHypervisorCmd", "{on|off}"},
        {"strict", setstrictenableConfigCmd, "setstrictenableConfigCmd", "{on|off}"},
        {"emulate_floating_point", setemulateFPConfigCmd, "setemulateFPConfigCmd", "{on|off}"},
        {"bit_accurate", setbitaccuratemodeCmd, "setbitaccuratemodeCmd", "{on|off}"},
        {"power_saving_mode", setWE_bitCmd, "setWE_bitCmd", "{on|off}"},
        {"chunky", setChunkyCmd, "setChunkyCmd", "{on|off|max-instructions-per-chunk}"},
        {"fast", setFastCmd, "setFastCmd", "{on|off}"},
        {"fast_minimum", setFastMinimumCmd, "setFastMinimumCmd",
         "{minimum-number-of-instructions-for-fast-mode}"},
        {"inst_profile", setIProfileCmd, "setIProfileCmd", "{on|off}"},
        {"loose", setLooseCmd, "setLooseCmd", "{on|off}"},
        {"turbo", setTurboCmd, "setTurboCmd", "{on|off}"},
        {"emat_translation_level", setEmatTransCmd, "setEmatTransCmd", "{ERAT|TLB|ALL}"},
        {"color", setColorCmd, "setColorCmd", "{off|print|display}"},
        {"hexdump_file_name", sethexdumpfileConfigCmd, "sethexdumpfileConfigCmd", "{hexdump filename}"},
        {"cpi", set_CPI_ConfigCmd, "set_CPI_ConfigCmd", "{cpi value}"},
        {"breakpt_inst_enable", breakpt_instConfigCmd, "breakpt_instConfigCmd", "{on|off}"},
        {"sim_support_enable", sim_supportConfigCmd, "sim_supportConfigCmd", "{on|off}"},
        {"rtas_support_enable", rtas_supportConfigCmd, "rtas_supportConfigCmd", "{on|off}"},
        {"heartbeat", heartbeatCmd, "heartbeatCmd", "{number}"},
        {"max_smt_quanta", MaxSMTQuanta_Cmd, "MaxSMTQuanta_Cmd", "{maximum quantum for a thread}"},
        {"kips_format", setKipsFormatConfigCmd, "setKipsFormatConfigCmd", "{1=ticks|2=instructions|4=time}"},
        {"console_format", setConsoleFormatConfigCmd, "setConsoleFormatConfigCmd",
         "{1=ticks|2=instructions|4=time|8=mcmname}"},
        {"time_domain_for_display", set_selectedTimeDomainCmd, "set_selectedTimeDomainCmd",
         "{name of domain to use for time-stamps}"},
        {"time_domain_for_step", set_StepCycTimeDomainCmd, "set_StepCycTimeDomainCmd",
         "{name of domain to use for cycle stepping}"},
        {"spindrel_mode", set_SpindrelModeCmd, "set_SpindrelModeCmd", "{on|off}"},
        {"PTEG_RA_search_mask", set_PTEG_RA_search_mask, "set_PTEG_RA_search_mask", "{mask}"},
    };
    for (const auto &e : entries)
        add_simcommand(t, e.word, e.handler, e.handler_name, 1, 0, e.usage);
    Add_MCM_Set_Cmds(t, argument);
    return t;
}

SimCmdTable *build_DisplayCmd_table(void *argument)
{
    SimCmdTable *t = Init_SimCmdTable("Display");
    const struct {
        const char *word;
        SimCmdHandler handler;
        const char *handler_name;
    } entries[] = {
        {"all_setting", show_all_settings, "display_all_settingCmd"},
        {"ticks", show_ticks, "Display_ticks"},
        {"cycles", Display_machine_cycles, "Display_machine_cycles"},
        {"instruction_count", Display_ins_count, "Display_ins_count"},
        {"features", Display_features, "Display_features"},
        {"memorymap", MemMap_DisplayMemoryMapCmd, "MemMap_DisplayMemoryMapCmd"},
        {"number_of_MCMs", display_MCMsConfigCmd, "display_MCMsConfigCmd"},
        {"memory_size", display_memsizeCmd, "display_memsizeCmd"},
        {"mode", display_ModeChangeCmd, "display_ModeChangeCmd"},
        {"number_of_threads", show_thread_count, "display_threadsCmd"},
        {"config", show_config, "display_configCmd"},
        {"config_tcl", show_config_tcl, "display_config_tclCmd"},
        {"sliplane_port", display_setsliplaneportConfigCmd, "display_setsliplaneportConfigCmd"},
        {"loader_high_mem", show_loader_high_mem, "display_LoaderHighMemCmd"},
        {"PTEG_RA_search_mask", show_pteg_mask, "display_PTEG_RA_search_mask"},
        {"running_hypervisor", show_running_hypervisor, "display_RunningHypervisorCmd"},
        {"strict", show_strict, "display_strictenableConfigCmd"},
        {"emulate_floating_point", show_emulate_fp, "display_emulateFPConfigCmd"},
        {"bit_accurate", show_bit_accurate, "display_bitaccuratemodeCmd"},
        {"breakpt_inst_enable", show_breakpt, "display_breakpt_instConfigCmd"},
        {"sim_support_enable", show_sim_support, "display_sim_supportConfigCmd"},
        {"rtas_support_enable", show_rtas_support, "display_rtas_supportConfigCmd"},
        {"spindrel_mode", show_spindrel, "display_SpindrelModeCmd"},
        {"chunky", show_chunky, "display_ChunkyCmd"},
        {"fast", show_fast, "display_FastCmd"},
        {"loose", display_setLooseCmd, "display_setLooseCmd"},
        {"turbo", show_turbo, "display_TurboCmd"},
        {"fast_minimum", show_fast_minimum, "display_FastMinimumCmd"},
        {"power_saving_mode", show_power_saving, "display_WE_bitCmd"},
        {"inst_profile", show_inst_profile, "display_IProfileCmd"},
        {"color", show_color, "display_ColorCmd"},
        {"hexdump_file_name", show_hexdump_name, "display_hexdumpfileConfigCmd"},
        {"kips_format", show_kips_format, "display_KipsFormatConfigCmd"},
        {"console_format", show_console_format, "display_ConsoleFormatConfigCmd"},
        {"time_domain_for_display", show_display_domain, "display_selectedTimeDomainCmd"},
        {"time_domain_for_step", show_step_domain, "display_StepCycTimeDomainCmd"},
    };
    for (const auto &e : entries) {
        const bool words = e.handler == MemMap_DisplayMemoryMapCmd || e.handler == show_config ||
                           e.handler == show_config_tcl;
        add_simcommand(t, e.word, e.handler, e.handler_name, words ? -1 : 0, 0,
                       e.handler == MemMap_DisplayMemoryMapCmd ? "[listformat]"
                       : words                                 ? "[match]"
                                                               : nullptr);
    }
    Add_MCM_Display_Cmds(t, argument);
    return t;
}
