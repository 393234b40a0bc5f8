// Moves between general-purpose registers and doubleword 0 of a vector-scalar register (mtvsrwz,
// mtvsrwa, mtvsrd, mfvsrwz, mfvsrd), instructions of level 2.07. VSR 0..31 overlay the FPRs and
// need the floating-point facility; VSR 32..63 overlay the VMX registers and need the vector
// facility. Every move clears doubleword 1 of a VSR target.
#include "interrupts/interrupt_raisers.h"
#include "fp/fpscr.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/reg_accessors.h"
#include "vector/vec_defs.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"

namespace
{

uint32_t ra_field(const IOPDesc *iop)
{
    return (iop->word >> 16) & 31;
}

// The gates in their order: level 2.06 compatibility (the MSR read twice), the PCR VSX-disable
// bit of problem state, then the facility of the VSR's half.
int move_gates(IOPDesc *iop)
{
    const bool problem = (iGET_MSR(iop) & vec::MSR_PR) != 0;
    if (problem && (iGET_MSR(iop) & vec::MSR_PR) && (iGET_PCR(iop) & vec::PCR_V206)) {
        interrupt_IllegalInstruction(iop, vec::TEXT_V206_DISABLED);
        return 0;
    }
    if (!Check_PCR_VSX_Disable(iop)) return 0;
    return (iop->word & 1) ? Check_VMX_Available(iop) : Check_FP_Facility(iop);
}

// GPR[RA] (always from the thread's register, with its read triggers) into doubleword 0 of XT.
template <typename Value> int move_to_vsr(IOPDesc *iop, Value value_of)
{
    if (!move_gates(iop)) return 0;
    IOP_Cache_FPSCR(iop); // the move rows are not floating-point rows: no effect
    IOP_Write_VSR_T(iop, value_of(iop), 0);
    SET_FPSCR_FROM_CACHE(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

// A part of XS into GPR[RA]; GPR[RA] is not written when the instruction has an exception queued.
template <typename Value> int move_from_vsr(IOPDesc *iop, Value value_of)
{
    if (!move_gates(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    const Vec128 xs = IOP_Read_VSR(iop, VSX_XT(iop->word), VSX_SLOT_D);
    if (!iop->exceptions) SET_GPR(iop, ra_field(iop), value_of(xs));
    SET_FPSCR_FROM_CACHE(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int semantic_mtvsrwz(IOPDesc *iop)
{
    return move_to_vsr(iop, [](IOPDesc *i) { return iGET_GPR(i, ra_field(i)) & 0xFFFFFFFFull; });
}

int semantic_mtvsrwa(IOPDesc *iop)
{
    return move_to_vsr(iop, [](IOPDesc *i) {
        // The sign and the low word are two reads of the register.
        const bool negative = (iGET_GPR(i, ra_field(i)) & 0x80000000ull) != 0;
        const uint64_t word = iGET_GPR(i, ra_field(i)) & 0xFFFFFFFFull;
        return negative ? word | 0xFFFFFFFF00000000ull : word;
    });
}

int semantic_mtvsrd(IOPDesc *iop)
{
    return move_to_vsr(iop, [](IOPDesc *i) { return iGET_GPR(i, ra_field(i)); });
}

int semantic_mfvsrwz(IOPDesc *iop)
{
    return move_from_vsr(iop, [](Vec128 xs) { return VSU_Get_Bits128(xs, 32, 63); });
}

int semantic_mfvsrd(IOPDesc *iop)
{
    return move_from_vsr(iop, [](Vec128 xs) { return xs.high; });
}
