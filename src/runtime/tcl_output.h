// Output of command handlers: formatted text appended to the interpreter's result.
#pragma once

#include <cstdarg>

struct Tcl_Interp;

// Formats into a 4096-byte buffer (longer text is cut) and appends it to the interpreter's
// result; a formatted text of exactly "(null)" appends nothing.
void SIM_TCLVPRINT(Tcl_Interp *interpreter, const char *format, va_list args);
void SIM_TCLPRINT(Tcl_Interp *interpreter, const char *format, ...) __attribute__((format(printf, 2, 3)));
