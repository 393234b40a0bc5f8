// Numbers read from command words.
#include "command/tcl_numbers.h"

#include <cstdlib>

#include "runtime/tcl_output.h"

int tclstr_to_int(Tcl_Interp *interpreter, const char *text, int *result, const char *what)
{
    if (!text) text = "";
    char *end = nullptr;
    long value = strtol(text, &end, 0);
    int low = (int)(uint32_t)(uint64_t)value;
    if (result) *result = low;
    if (*end == '\0') return 1;
    SIM_TCLPRINT(interpreter, "Error: reading %s got 0x%X from %s", what ? what : "", (unsigned)low, text);
    return 0;
}

int tclstr_to_uint64_t(Tcl_Interp *interpreter, const char *text, uint64_t *result, const char *what)
{
    if (!text) text = "";
    char *end = nullptr;
    unsigned long long value = strtoull(text, &end, 0);
    if (result) *result = (uint64_t)value;
    if (*end == '\0') return 1;
    SIM_TCLPRINT(interpreter, "Error: reading %s got 0x%016lX from %s", what ? what : "",
                 (unsigned long)value, text);
    return 0;
}
