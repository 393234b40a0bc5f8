// Stand-in of the interrupt for a physical address no device covers.
#include "mmu/physical_access.h"

#include "exec/exception_types.h"
#include "exec/interrupt_raisers.h"
#include "processor/exception_record.h"
#include "processor/instruction_record.h"
#include "processor/thread_state.h"

// STAND-IN: the machine-check raiser is not built: the strict setting, the MSR[ME] check-stop and
// the instruction print are missing; a machine check (type 7, RI cleared) is filed.
__attribute__((weak)) PowerPCException *interrupt_BadAddress(IOPDesc *iop, uint64_t, int)
{
    if (!iop || !iop->thread) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_MACHINE_CHECK, 0);
    if (!record) return nullptr;
    record->srr1_set = 0;
    record->srr1_clear = 2;
    return Take_Care_Of_Exception(iop, record, "Machine Check");
}
