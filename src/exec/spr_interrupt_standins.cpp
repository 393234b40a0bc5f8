// Stand-ins of the interrupt raisers and counter access that the SPR moves call.
#include "processor/hooks/spr_interrupt_standins.h"

#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"

PowerPCException *File_Standin_Exception(IOPDesc *iop, int32_t type, int32_t subtype, const char *detail)
{
    if (!iop || !iop->thread) return nullptr;
    PowerPCException *record = GetException(iop->thread);
    if (!record) return nullptr;
    record->type = type;
    record->subtype = subtype;
    record->detail = detail;
    record->next = nullptr;
    record->prev = nullptr;
    PowerPCException **tail = &iop->exceptions;
    while (*tail) {
        record->prev = *tail;
        tail = &(*tail)->next;
    }
    *tail = record;
    return record;
}


uint64_t pmc_counter_standin_live_offset = 0;

// STAND-IN: the counting model (event statistics per group, counter bases) is not built; the live
// value of a counter is the stored PMCn plus pmc_counter_standin_live_offset (events counted since
// the counter was stored, as tests choose).
__attribute__((weak)) uint64_t PMC_get_counter(ThreadState *thread, uint32_t n)
{
    uint64_t stored;
    switch (n) {
    case 1: stored = thread->PMC1.value; break;
    case 2: stored = thread->PMC2.value; break;
    case 3: stored = thread->PMC3.value; break;
    case 4: stored = thread->PMC4.value; break;
    case 5: stored = thread->PMC5.value; break;
    case 6: stored = thread->PMC6.value; break;
    default: return 0;
    }
    return stored + pmc_counter_standin_live_offset;
}

// STAND-IN: see PMC_get_counter; the value is stored (masked) as PMCn, no re-basing, no watcher.
__attribute__((weak)) void PMC_set_counter(ThreadState *thread, uint32_t n, uint64_t value)
{
    Reg32 *slots[] = {&thread->PMC1, &thread->PMC2, &thread->PMC3, &thread->PMC4, &thread->PMC5, &thread->PMC6};
    if (n < 1 || n > 6) return;
    Reg32 *slot = slots[n - 1];
    slot->value = (uint32_t)(value & Register_Entry_Mask(slot->rfe));
    slot->written = 1;
}
