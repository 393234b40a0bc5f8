// Evaluating Tcl from inside the simulator without disturbing the running command's result, and
// the call text of associative triggers.
#pragma once

#include <cstdarg>

struct Tcl_Interp;
struct TriggerTable;

// Evaluates the script; the interpreter's result is left as it was. Returns the completion code
// (0 success, 1 error).
int safe_Tcl_Eval(Tcl_Interp *interpreter, const char *script);
// Builds "<command> <formatted arguments>" in the table's buffer and evaluates it on the
// simulator's interpreter; returns the completion code.
int vTriggers_TCL_Call(TriggerTable *table, const char *command, const char *format, va_list args);
// Evaluates a command in the simulator's interpreter; complains when it fails.
void do_tcl_command(const char *text);
