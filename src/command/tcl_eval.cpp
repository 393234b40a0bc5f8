// Tcl evaluation on behalf of simulated activity, and the trigger call text.
#include "command/tcl_eval.h"

#include <tcl.h>

#include <cstdio>

#include "exec/triggers.h"
#include "runtime/common.h"
#include "runtime/message.h"

int safe_Tcl_Eval(Tcl_Interp *interpreter, const char *script)
{
    if (!interpreter || !script) return TCL_ERROR;
    // The saved state holds the running command's result (and error information); the script is
    // evaluated from its own copy, so the caller's buffer may be reused by a nested call.
    Tcl_InterpState saved = Tcl_SaveInterpState(interpreter, TCL_OK);
    Tcl_Obj *text = Tcl_NewStringObj(script, -1);
    Tcl_IncrRefCount(text);
    int code = Tcl_EvalObjEx(interpreter, text, TCL_EVAL_DIRECT);
    Tcl_DecrRefCount(text);
    if (code == TCL_ERROR) sim_warning(1, "Tcl Error processing command : %s", script);
    Tcl_RestoreInterpState(interpreter, saved);
    return code;
}

int vTriggers_TCL_Call(TriggerTable *table, const char *command, const char *format, va_list args)
{
    static char spare_buffer[TRG_BUFFER_LEN]; // for a caller without a table
    constexpr int limit = TRG_BUFFER_LEN - 2; // characters the call text may have
    char *buffer = table ? table->trg_buffer : spare_buffer;
    if (!command) command = "";
    if (!format) format = "";

    va_list measure;
    va_copy(measure, args);
    int needed = snprintf(nullptr, 0, "%s ", command) + vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    // Reported before the text is built: the error's own callbacks may fire a trigger that uses
    // the same buffer.
    if (needed > limit)
        sim_error("Internal Error: Triggers_TCL_Call TRG_BUFFER_LEN exceeded by %d bytes", needed - limit);

    int used = snprintf(buffer, limit + 1, "%s ", command);
    if (used < limit) vsnprintf(buffer + used, (size_t)(limit + 1 - used), format, args);
    return safe_Tcl_Eval(quarn_common.interpreter, buffer);
}
