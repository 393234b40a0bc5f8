// The soft-patch step.
#include "vector/fp_softpatch.h"

#include "decode/instr_info.h"
#include "interrupts/instruction_raisers.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"

namespace
{
constexpr uint64_t kSoftPatchCause = 0x100000;
}

int FP_Softpatch_Check(IOPDesc *iop)
{
    if (!iop->row || !iop->row->softpatch || standalone_mode) return 0;
    int answer = iop->row->softpatch(iop);
    if (answer) interrupt_SoftPatch(iop, iop->data.ea, kSoftPatchCause);
    return answer;
}
