// The "processor options" and "tag" tables.
#include "command/processor_option_commands.h"

#include <tcl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "memory/memory_tags.h"
#include "processor/config/processor_options.h"
#include "processor/config/property_lookup.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/tcl_output.h"
#include "runtime/utils.h"

namespace
{

constexpr size_t OPTION_COLUMN = 40;

bool whole_number(const char *text, uint64_t *value)
{
    char *end = nullptr;
    errno = 0;
    *value = strtoull(text, &end, 0);
    return end != text && *end == '\0' && errno == 0;
}

void print_option(Tcl_Interp *interpreter, const ProcessorState *processor, const ProcessorOption *option)
{
    char line[512];
    PO_print_option(line, sizeof line, processor, option);
    SIM_TCLPRINT(interpreter, "%s", line);
}

} // namespace

size_t PO_print_option(char *out, size_t size, const ProcessorState *processor, const ProcessorOption *option)
{
    if (!size) return 0;
    int n = snprintf(out, size, "%s: %s", option->name, processor->options[option->index] ? "TRUE" : "FALSE");
    if (n < 0) n = 0;
    size_t used = (size_t)n < size ? (size_t)n : size - 1;
    while (used < OPTION_COLUMN && used + 1 < size)
        out[used++] = ' ';
    out[used] = '\0';
    n = snprintf(out + used, size - used, "  (%s)\n", option->help ? option->help : "");
    if (n > 0) used += (size_t)n < size - used ? (size_t)n : size - used - 1;
    return used;
}

int PO_list_optionCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ProcessorState *processor = select_processor(selector);
    if (!processor) return 1;
    for (const ProcessorOption *option = PO_list; option->index != PO_COUNT; option++)
        if (option->name) print_option(interpreter, processor, option);
    return 0;
}

int PO_display_optionCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ProcessorState *processor = select_processor(selector);
    if (!processor) return 1;
    for (const ProcessorOption *option = PO_list; option->index != PO_COUNT; option++) {
        if (option->name && strcasecmp(option->name, argv[1]) == 0) {
            print_option(interpreter, processor, option);
            return 0;
        }
    }
    for (const ProcessorOption *option = PO_list; option->index != PO_COUNT; option++)
        if (option->name && StrCaseStr(option->name, argv[1]))
            print_option(interpreter, processor, option);
    return 0;
}

int PO_set_optionCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    ProcessorState *processor = select_processor(selector);
    if (!processor) return 1;
    for (const ProcessorOption *option = PO_list; option->index != PO_COUNT; option++) {
        if (!option->name || strcasecmp(option->name, argv[1]) != 0) continue;
        int value = 0;
        if (convert_plist_boolean(option->name, argv[2], &value)) processor->options[option->index] = value ? 1 : 0;
        print_option(interpreter, processor, option);
        return 0;
    }
    return 1;
}

int TagDisplayCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    uint64_t address = 0;
    if (!whole_number(argv[1], &address)) {
        SIM_TCLPRINT(interpreter, "Error reading address got 0x%016lX from %s\n    usage: tag display [address]",
                     address, argv[1]);
        return 1;
    }
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    SIM_TCLPRINT(interpreter, "%d", PA_Read_Memory_Tag(thread, address, 0) & 0xFF);
    return 0;
}

int TagSetCmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    uint64_t address = 0;
    if (!whole_number(argv[1], &address)) {
        SIM_TCLPRINT(interpreter, "Error reading address got 0x%016lX from %s\n    usage: tag set [address] [value]",
                     address, argv[1]);
        return 1;
    }
    uint64_t value = 0;
    if (!whole_number(argv[2], &value)) {
        SIM_TCLPRINT(interpreter, "Error reading value got %d from %s\n  usage: tag set [address] [value]", (int)value,
                     argv[2]);
        return 1;
    }
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    PA_Write_Memory_Tag(thread, address, 1, (int)value);
    SIM_TCLPRINT(interpreter, "%d", (int)value);
    return 0;
}

SimCmdTable *build_ProcessorOptionsCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("processor options");
    add_simcommand(table, "display", PO_display_optionCmd, "PO_display_optionCmd", 1, 0, "{option-name}");
    add_simcommand(table, "set", PO_set_optionCmd, "PO_set_optionCmd", 2, 0, "{option-name} {on/off}");
    add_simcommand(table, "list", PO_list_optionCmd, "PO_list_optionCmd", 0, 0, "(list all processor options)");
    return table;
}

SimCmdTable *build_tagCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("tag");
    add_simcommand(table, "set", TagSetCmd, "TagSetCmd", 2, 0, "{address} {value}");
    add_simcommand(table, "display", TagDisplayCmd, "TagDisplayCmd", 1, 0, "{address}");
    return table;
}
