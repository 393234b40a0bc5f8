// fmrgew and fmrgow: one doubleword from a word of FRA (bits 0..31) and the same word of FRB
// (bits 32..63), the high words for fmrgew and the low words for fmrgow. FRT's doubleword 1
// becomes 0; the store fires no write trigger and leaves FRT's form marker alone.
#include "decode/semantics.h"
#include "fp/fpr_invalid_map.h"
#include "fp/fpscr.h"
#include "isa/semantics_helpers.h"
#include "processor/hooks/reg_reader_queue.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/iop_registers.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"

namespace
{

int word_merge(IOPDesc *iop, bool even)
{
    const uint64_t a = IOP_Read_VSR(iop, VMX_VA(iop->word), VSX_SLOT_A).high;
    const uint64_t b = IOP_Read_VSR(iop, VMX_VB(iop->word), VSX_SLOT_B).high;
    if (!Check_PCR_V206(iop)) return 0;
    if (!Check_PCR_VSX_Disable(iop)) return 0;
    if (!Check_FP_Facility(iop)) return 0;
    IOP_Cache_FPSCR(iop);
    const uint64_t merged = even ? (a & 0xFFFFFFFF00000000ull) | (b >> 32) : (a << 32) | (b & 0xFFFFFFFFull);
    const uint32_t frt = VMX_VT(iop->word);
    if (iop->use_slots) {
        IOPResultSlot *slot = &iop->result_gpr2;
        slot->value[0] = merged;
        slot->owner = iop;
        slot->ready_time = iop->time_stamp;
        FPRegReaderQ_release(slot, iop->cthread);
    } else {
        iop->thread->VSR[frt].value[1] = merged;
        iop->thread->VSR[frt].value[0] = 0;
        Update_FPR_Invalid_Map(iop, frt, 0);
    }
    SET_FPSCR_FROM_CACHE(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int semantic_fmrgew(IOPDesc *iop)
{
    return word_merge(iop, true);
}

int semantic_fmrgow(IOPDesc *iop)
{
    return word_merge(iop, false);
}
