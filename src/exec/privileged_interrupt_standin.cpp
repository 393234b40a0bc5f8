// Stand-in of the privileged-instruction program interrupt.
#include "exec/privileged_interrupt.h"

#include "exec/exception_types.h"
#include "exec/interrupt_raisers.h"
#include "processor/exception_record.h"

namespace
{

constexpr int32_t EST_PRIVILEGED_INSTRUCTION = 218;
constexpr uint64_t SRR1_PRIVILEGED = 0x40000;

} // namespace

// STAND-IN: the program-interrupt family of the execution engine is not built; this files the
// record the way it will (no transactional pre-check for this variant). The translation-debug
// note is missing.
__attribute__((weak)) PowerPCException *interrupt_PrivilegedInstruction(IOPDesc *iop)
{
    PowerPCException *record = IOP_New_Exception(iop, EXC_PROGRAM, EST_PRIVILEGED_INSTRUCTION);
    if (!record) return nullptr;
    record->srr1_set = SRR1_PRIVILEGED;
    return Take_Care_Of_Exception(iop, record, "PROGRAM: Privileged Instruction");
}
