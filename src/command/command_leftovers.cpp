// Exported command handlers and operations held by no table.
#include "command/command_leftovers.h"

#include <cstdlib>
#include <cstring>

#include "command/selector.h"
#include "command/util_commands.h"
#include "runtime/tcl_output.h"

namespace
{

// Reads the whole word as a number (base 0); false when anything is left over.
bool whole_number(const char *word, uint64_t *value)
{
    char *end = nullptr;
    *value = strtoull(word, &end, 0);
    return end != word && *end == '\0';
}

} // namespace

int UTIL_uint32_to_float(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc != 2) {
        SIM_TCLPRINT(interpreter, "Usage : %s <arg1> (Num Args Passed: %d)", argv[0], argc);
        return 1;
    }
    uint64_t value = 0;
    if (!whole_number(argv[1], &value)) {
        SIM_TCLPRINT(interpreter, "Error reading value got 0x%016lX from %s\n", (unsigned long)value,
                     argv[1]);
        return 1;
    }
    const uint32_t bits = (uint32_t)value;
    float number;
    memcpy(&number, &bits, sizeof number);
    SIM_TCLPRINT(interpreter, "%f", (double)number);
    return 0;
}

int UTIL_QuarnUpdate(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc != 2) {
        SIM_TCLPRINT(interpreter, "Usage : %s <force>", argv[0]);
        return 1;
    }
    uint64_t value = 0;
    if (!whole_number(argv[1], &value)) {
        SIM_TCLPRINT(interpreter, "Error reading force got 0x%016lX from %s\n", (unsigned long)value,
                     argv[1]);
        return 1;
    }
    SIM_TCLPRINT(interpreter, "0x%016lX", (unsigned long)value);
    return 0;
}

int UTIL_Thread_dTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    ThreadState *thread = select_thread(selector);
    return thread ? UTIL_AddrTransWIMG_Cmd(thread, interpreter, argc, argv, 1) : 1;
}

int UTIL_Thread_iTransWIMG_Cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    ThreadState *thread = select_thread(selector);
    return thread ? UTIL_AddrTransWIMG_Cmd(thread, interpreter, argc, argv, 0) : 1;
}

PT_Range *find_pt_node(PT_Range *ranges, int32_t count, uint64_t address)
{
    int32_t low = 0, high = count - 1;
    while (ranges && low <= high) {
        const int32_t mid = low + (high - low) / 2;
        PT_Range *range = &ranges[mid];
        if (range->start <= address && address <= range->end) return range;
        const bool next_at_or_after = mid + 1 >= count || ranges[mid + 1].start >= address;
        if (!range->link && range->start < address && next_at_or_after &&
            (address < 0x1000 || address > 0xBFFFFFFFFFFFFFFFull))
            return range;
        if (address < range->start)
            high = mid - 1;
        else
            low = mid + 1;
    }
    return nullptr;
}
