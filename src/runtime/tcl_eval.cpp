// Tcl evaluation on behalf of simulated activity, and the trigger call text.
#include "runtime/tcl_eval.h"

#include <tcl.h>

#include <cstdio>
#include <cstring>

#include "kernel/tsim.h"
#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/triggers.h"

namespace
{

// Runs on the stack of the kernel's caller when a job asks (current_call), else directly.
void evaluate(job_s *, void *code, void *interpreter, void *script, void *)
{
    *(int *)code = Tcl_EvalEx((Tcl_Interp *)interpreter, (const char *)script, -1, 0);
}

} // namespace

int safe_Tcl_Eval(Tcl_Interp *interpreter, const char *script)
{
    if (!interpreter || !script) return TCL_ERROR;
    // One block holds the caller's result and a private copy of the script: a nested call may
    // rebuild the caller's text (a trigger table's buffer) while this evaluation still reads it.
    const char *result = Tcl_GetStringResult(interpreter);
    size_t result_length = strlen(result), script_length = strlen(script);
    char *saved = (char *)quarn_malloc(result_length + script_length + 2, 1, "char", __FILE__, __LINE__);
    if (!saved) return TCL_ERROR;
    memcpy(saved, result, result_length + 1);
    char *text = saved + result_length + 1;
    memcpy(text, script, script_length + 1);

    int code = TCL_OK;
    current_call(evaluate, &code, interpreter, text, nullptr);
    if (code == TCL_ERROR) sim_warning(1, "Tcl Error processing command : %s", text);

    Tcl_ResetResult(interpreter);
    Tcl_SetResult(interpreter, saved, TCL_VOLATILE);
    quarn_free(saved, __FILE__, __LINE__);
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

void do_tcl_command(const char *text)
{
    if (safe_Tcl_Eval(quarn_common.interpreter, text) != 0)
        SIM_PRINT("Oops, \"%s\" is a wrong command\n", text);
}
