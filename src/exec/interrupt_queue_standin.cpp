// Stand-in of the interrupt queue.
#include "exec/interrupt_queue.h"

#include "processor/exception_record.h"
#include "processor/thread_state.h"
#include "translator/pturbo_locks.h"

// STAND-IN: the interrupt queue's scheduling (priorities, wake-ups, delivery bookkeeping) is not
// built; the record is only unlinked from the thread's queue.
__attribute__((weak)) void UnScheduleException(ThreadState *thread, PowerPCException *exception, const char *)
{
    if (!thread || !exception) return;
    bool locked = thread->in_pturbo != 0;
    if (locked) pturbo_spin_lock(&thread->raise_lock);
    bool queued = exception->prev || thread->interrupt_queue.head == exception;
    if (queued) {
        if (exception->prev)
            exception->prev->next = exception->next;
        else
            thread->interrupt_queue.head = exception->next;
        if (exception->next) exception->next->prev = exception->prev;
        exception->next = nullptr;
        exception->prev = nullptr;
    }
    if (locked) pturbo_spin_unlock(&thread->raise_lock);
}
