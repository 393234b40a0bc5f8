// Exception records: pools, hand-out and reset, freeing, discarding, lookup and names.
#include "processor/records/exception_record.h"

#include <cstdio>

#include "processor/hooks/interrupt_hooks.h"
#include "processor/hooks/pturbo_locks.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

thread_local PowerPCException *Free_Exception_Pool_Head = nullptr;

void Init_ExceptionPool(PowerPCException **pool)
{
    if (pool) *pool = nullptr;
}

void Init_GlobalExceptionPool(void)
{
    Init_ExceptionPool(&Free_Exception_Pool_Head);
}

void Quit_ExceptionPool(PowerPCException **pool)
{
    if (!pool) return;
    while (PowerPCException *exception = *pool) {
        *pool = exception->next;
        QUARN_FREE(exception);
    }
}

void Quit_GlobalExceptionPool(void)
{
    Quit_ExceptionPool(&Free_Exception_Pool_Head);
}

PowerPCException *Get_Exception_From_Pool(ThreadState *thread, PowerPCException **pool)
{
    PowerPCException **source = nullptr;
    if (thread && thread->exception_pool)
        source = &thread->exception_pool;
    else if (pool && *pool)
        source = pool;
    if (source) {
        PowerPCException *exception = *source;
        *source = exception->next;
        exception->next = nullptr;
        return exception;
    }
    PowerPCException *exception = QUARN_ZALLOC(1, PowerPCException);
    if (!exception) sim_error("Could not allocate exception structures.");
    return exception;
}

PowerPCException *GetException(ThreadState *thread)
{
    PowerPCException *exception = Get_Exception_From_Pool(thread, &Free_Exception_Pool_Head);
    if (!exception) return nullptr;
    int32_t type = exception->type;
    int32_t subtype = exception->subtype;
    *exception = PowerPCException{};
    exception->type = type;
    exception->subtype = subtype;
    exception->thread = thread;
    exception->instruction_address = ~0ull;
    exception->msr_at_instruction = ~0ull;
    return exception;
}

void FreeException(PowerPCException *exception, const char *, int)
{
    if (!exception) return;
    exception->detail = nullptr;
    exception->prev = nullptr;
    PowerPCException **pool =
        exception->thread ? &exception->thread->exception_pool : &Free_Exception_Pool_Head;
    exception->next = *pool;
    *pool = exception;
}

const char *Exception_Name(PowerPCException *exception)
{
    static char text[256];
    if (exception->subtype != 0)
        if (const char *subtype = est_string(exception->subtype)) return subtype;
    const char *type = Exception_Type_Name(exception->type);
    if (!type) type = "unknown";
    if (!exception->detail) return type;
    snprintf(text, sizeof text, "%s (%s)", type, exception->detail);
    return text;
}

void Discard_Instruction_Bound_Exceptions(IOPDesc *iop, int report)
{
    while (PowerPCException *exception = iop->exceptions) {
        iop->exceptions = exception->next;
        if (iop->exceptions) iop->exceptions->prev = nullptr;
        exception->next = nullptr;
        exception->prev = nullptr;
        if (report) SIM_INFO("instruction discarded exception of type %s", Exception_Name(exception));
        FreeException(exception, __FILE__, __LINE__);
    }
}

PowerPCException *FindException_ByType(ThreadState *thread, int32_t type)
{
    bool locked = thread->turbo.in_pturbo != 0;
    if (locked) pturbo_spin_lock(&thread->raise_lock);
    PowerPCException *found = thread->interrupt_queue.head;
    while (found && found->type != type)
        found = found->next;
    if (locked) pturbo_spin_unlock(&thread->raise_lock);
    return found;
}

void interrupt_FPAssist(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    sim_error("[%s]: FP Assist interrupt at 0x%016lX", thread && thread->name ? thread->name : "",
              (unsigned long)(thread ? thread->PC.value : 0));
}
