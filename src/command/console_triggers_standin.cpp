#include "devices/hooks/console_triggers.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "runtime/common.h"
#include "runtime/tcl_eval.h"

// STAND-IN: the console trigger commands are not built yet, so no console has a trigger and
// nothing ever matches.
Console_Trigger *Trigger_Check_Console(Console_Trigger *, const char *)
{
    return nullptr;
}

// STAND-IN: the trigger call of the trigger commands (its 4096-byte call buffer and length check)
// is not built yet; this evaluates "<command> {<text>}" directly.
int Triggers_TCL_Call(GenericMachine *, const char *command, const char *format, ...)
{
    if (!command || !quarn_common.interpreter) return 1;
    char text[4096];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::string script = std::string(command) + " {" + text + "}";
    return safe_Tcl_Eval(quarn_common.interpreter, script.c_str());
}
