// Stand-ins of the trap and system-call raisers of the execution engine: records are
// made and filed on the instruction's IOPDesc like the other raiser stand-ins.
#include "exec/exception_types.h"
#include "exec/interrupt_raisers.h"
#include "exec/reg_triggers.h"
#include "isa/ppc_bits.h"
#include "mmu/htm_exception_standin.h"
#include "processor/exception_record.h"
#include "processor/instruction_record.h"
#include "processor/thread_state.h"

namespace
{

// The transactional-memory model's first chance at an exception raised inside a transaction.
bool taken_by_transaction(IOPDesc *iop, int32_t type)
{
    if (!iop->thread || OS_SUPPORTS_HTM(iop)) return false;
    if ((iGET_MSR(iop) & MSR_TS) == 0) return false;
    return htm_handle_exception(iop, type) != 0;
}

} // namespace

// STAND-IN: the program-interrupt raiser of the execution engine is not built; the record comes
// from the record stand-ins (no exception table: priority and vector 0).
__attribute__((weak)) PowerPCException *interrupt_TrapInstruction(IOPDesc *iop)
{
    if (taken_by_transaction(iop, EXC_PROGRAM)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_PROGRAM, EST_TRAP_INSTRUCTION);
    if (!record) return nullptr;
    record->srr1_set = 0x20000;
    return Take_Care_Of_Exception(iop, record, "PROGRAM: Trap Instruction");
}

// STAND-IN: see interrupt_TrapInstruction; the return address is the record's instruction
// address moved past the instruction.
__attribute__((weak)) PowerPCException *interrupt_HvSystemCall(IOPDesc *iop)
{
    if (taken_by_transaction(iop, EXC_HV_SYSTEM_CALL)) return nullptr;
    PowerPCException *record = IOP_New_Exception(iop, EXC_HV_SYSTEM_CALL, 0);
    if (!record) return nullptr;
    if (record->instruction_address != ~0ull) record->instruction_address += iop->length;
    return Take_Care_Of_Exception(iop, record, "HV SysCall");
}

// STAND-IN: the exception table is not built, so the vector is the LEV offset alone (the row's
// own vector offset is missing). The record comes straight from the thread's pool, without
// schedule cycle or MSR image.
__attribute__((weak)) PowerPCException *interrupt_VectoredSystemCall(IOPDesc *iop, uint32_t lev)
{
    if (taken_by_transaction(iop, EXC_VECTORED_SYSTEM_CALL)) return nullptr;
    ThreadState *thread = iop->thread;
    PowerPCException *record = GetException(thread);
    if (!record) return nullptr;
    record->type = EXC_VECTORED_SYSTEM_CALL;
    record->subtype = 0;
    record->vector = (uint64_t)(lev & 0x7F) * 32;
    uint64_t cia = iop->defer_side_effects ? iop->fetch.ea : thread->PC.value;
    record->instruction_address = cia + iop->length;
    return Take_Care_Of_Exception(iop, record, "Vectored Syscall");
}
