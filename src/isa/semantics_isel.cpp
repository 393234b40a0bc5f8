// isel: RT := CR bit BC ? (RA ? GPR[RA] : 0) : GPR[RB].
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"

int semantic_isel(IOPDesc *iop)
{
    if (!PCR_Gate_v2_05(iop)) return 0;
    const uint32_t word = iop->word;
    const uint32_t bc = (word >> 6) & 0x1F;
    const uint32_t ra = FIELD_RA(word);
    uint64_t result;
    if ((IOP_Read_CR(iop) >> (31 - bc)) & 1)
        result = ra ? IOP_Read_GPR(iop, ra, OPERAND_A) : 0;
    else
        result = IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B);
    IOP_Write_GPR(iop, FIELD_RT(word), result);
    IOP_Advance_NIA(iop);
    return 1;
}
