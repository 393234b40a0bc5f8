// Stand-in support of the SPR moves: the filing of a raised record on the instruction.
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

