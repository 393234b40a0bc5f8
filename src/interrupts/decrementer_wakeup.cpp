#include "interrupts/decrementer_wakeup.h"

#include "interrupts/interrupt_queue.h"
#include "processor/records/exception_record.h"
#include "processor/records/thread_state.h"
#include "processor/run/smt.h"
#include "processor/time/time_registers.h"

int CheckExceptionQueueForWakeup(ThreadState *thread)
{
    if (!SMTA_Check_Thread_Enabled(thread) && thread->stall_reason == STALL_INSTRUCTION) {
        for (PowerPCException *e = thread->interrupt_queue.head; e; e = e->next) {
            if (CheckExceptionWakeup(thread, e)) {
                (void)Exception_Name(e);
                break;
            }
        }
    }
    enabled_DEC_Interrupt(thread, 1);
    return 1;
}
