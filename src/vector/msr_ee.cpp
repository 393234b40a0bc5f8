// MSR[EE] moves.
#include "vector/msr_ee.h"

#include "isa/hooks/msr_with_pc.h"
#include "processor/regs/reg_triggers.h"
#include "isa/semantics_helpers.h"
#include "processor/records/instruction_record.h"
#include "vector/vec_defs.h"

void IOP_Set_MSR_EE(IOPDesc *iop, int on)
{
    const uint64_t msr = iGET_MSR(iop);
    const uint64_t updated = on ? msr | vec::MSR_EE : msr & ~vec::MSR_EE;
    const uint64_t pc = IOP_Current_Address(iop);
    WRITE_MSR_WITH_PC(iop, updated, pc, pc);
}

int core_wrteei(IOPDesc *iop)
{
    IOP_Set_MSR_EE(iop, (iop->word >> 15) & 1);
    return 1;
}

int core_wrtee(IOPDesc *iop)
{
    const uint64_t rs = IOP_Read_GPR(iop, (iop->word >> 21) & 31, OPERAND_S);
    IOP_Set_MSR_EE(iop, (rs & vec::MSR_EE) != 0);
    return 1;
}
