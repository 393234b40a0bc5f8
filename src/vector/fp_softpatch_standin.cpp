// The soft-patch step.
#include "vector/fp_softpatch.h"

#include <cstdint>

#include "decode/instr_info.h"
#include "interrupts/instruction_raisers.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"

namespace
{
constexpr uint64_t kFloatingPointSoftPatchCause = 0x100000;
}

// STAND-IN: the vector unit's availability checks, which share this step, are not built yet; the
// step alone is here, weak, for the decimal instructions.
__attribute__((weak)) int FP_Softpatch_Check(IOPDesc *iop)
{
    if (!iop->row || !iop->row->softpatch || standalone_mode) return 0;
    int answer = iop->row->softpatch(iop);
    if (answer) interrupt_SoftPatch(iop, iop->data.ea, kFloatingPointSoftPatchCause);
    return answer;
}
