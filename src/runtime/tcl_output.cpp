// Output of command handlers into the Tcl result.
#include "runtime/tcl_output.h"

#include <cstdio>
#include <cstring>
#include <tcl.h>

void SIM_TCLVPRINT(Tcl_Interp *interpreter, const char *format, va_list args)
{
    if (!interpreter || !format) return;
    char buffer[4096];
    vsnprintf(buffer, sizeof buffer, format, args);
    if (strcmp(buffer, "(null)") == 0) return;
    Tcl_AppendResult(interpreter, buffer, (char *)nullptr);
}

void SIM_TCLPRINT(Tcl_Interp *interpreter, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    SIM_TCLVPRINT(interpreter, format, args);
    va_end(args);
}
