// Stand-ins of the asynchronous raisers and queue services.
#include "exec/async_interrupts_standin.h"

#include "exec/exception_types.h"
#include "exec/interrupt_queue.h"
#include "exec/interrupt_raisers.h"
#include "processor/exception_record.h"
#include "processor/thread_state.h"

namespace
{
constexpr int32_t DECREMENTER_TYPE = 18;
} // namespace

// STAND-IN: the interrupt queue's ordering by priority and its wake-up check are not built; the
// record is put at the head of the thread's queue.
__attribute__((weak)) void Async_Take_Care_Of_Exception(ThreadState *thread, PowerPCException *record,
                                                        const char *text)
{
    if (!thread || !record) return;
    record->detail = text;
    record->prev = nullptr;
    record->next = thread->interrupt_queue.head;
    if (record->next) record->next->prev = record;
    thread->interrupt_queue.head = record;
}

// STAND-IN: the queue lock of the parallel translator is left to UnScheduleException.
__attribute__((weak)) void lower_persistent_exception(ThreadState *thread, int32_t slot)
{
    if (!thread || slot < 0 || slot >= NUM_PERSISTENT_EXCEPTIONS) return;
    PowerPCException *record = thread->persistent_exceptions[slot];
    if (!record) return;
    UnScheduleException(thread, record, "External Interrupt Lowered");
    FreeException(record, __FILE__, __LINE__);
    thread->persistent_exceptions[slot] = nullptr;
}

// STAND-IN: the suppression option, standalone mode and the pending flag's other users are not
// built; a DECREMENTER record is queued unless one is pending.
__attribute__((weak)) PowerPCException *interrupt_Decrementer(ThreadState *thread)
{
    if (!thread || thread->pending_decrementer_exception) return nullptr;
    PowerPCException *record = ThreadState__New_Exception(thread, DECREMENTER_TYPE, 0);
    if (!record) return nullptr;
    Async_Take_Care_Of_Exception(thread, record, "Decrementer");
    thread->pending_decrementer_exception = 1;
    return record;
}

// STAND-IN: see interrupt_Decrementer; an HV_DECREMENTER record is queued unless one is queued.
__attribute__((weak)) PowerPCException *interrupt_HV_Decrementer(ThreadState *thread)
{
    if (!thread || FindException_ByType(thread, EXC_HV_DECREMENTER)) return nullptr;
    PowerPCException *record = ThreadState__New_Exception(thread, EXC_HV_DECREMENTER, 0);
    if (!record) return nullptr;
    record->save_to = 1;
    Async_Take_Care_Of_Exception(thread, record, "HV Decrementer");
    return record;
}

// STAND-IN: the wake-up rules by exception type are not built; nothing wakes.
__attribute__((weak)) int CheckExceptionWakeup(ThreadState *, PowerPCException *)
{
    return 0;
}
