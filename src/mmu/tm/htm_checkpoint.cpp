// The transaction checkpoint: GPRs, LR, CTR, XER, CR, FPSCR, FPR_INVALID_MAP, VRSAVE, VSCR, the
// VSRs, AMR, PPR, TAR and DSCR.
#include "mmu/tm/htm_checkpoint.h"

#include <cstring>

#include "processor/hooks/htm.h"
#include "processor/records/htm_user_state.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/register_file.h"

namespace
{

constexpr int32_t FPR_FORM_RESTORED = 3;

template <typename Slot, typename Value> void store_masked(Slot &slot, Value value)
{
    slot.value = (Value)(value & Register_Entry_Mask(slot.rfe));
    slot.written = 1;
}

} // namespace

void htm_checkpoint_save(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    htm_user_state *state = thread->htm;
    if (!state) return;
    for (int n = 0; n < NUM_GPRS; n++)
        state->GPR[n] = iGET_GPR(iop, (uint32_t)n);
    state->LR = iGET_LR(iop);
    state->CTR = iGET_CTR(iop);
    state->XER = iGET_XER(iop);
    state->VRSAVE = iGET_VRSAVE(iop);
    state->AMR = iGET_AMR(iop);
    state->PPR = COOKED_GET_TSRL(thread, 0);
    state->TAR = iGET_TAR(iop);
    state->DSCR = iGET_DSCR(iop);
    state->CR = iop->use_slots ? iop->cr_operand : thread->CR.value;
    state->FPSCR = iop->use_slots ? iop->fpscr_operand : thread->FPSCR.value;
    state->FPR_INVALID_MAP = thread->FPR_INVALID_MAP.value;
    state->VSCR = thread->VSCR.value;
    for (int n = 0; n < NUM_VSRS; n++)
        memcpy(state->VSR[n], thread->VSR[n].value, sizeof state->VSR[n]);
}

void htm_checkpoint_restore(ThreadState *thread)
{
    const htm_user_state *state = thread->htm;
    if (!state) return;
    for (int n = 0; n < NUM_GPRS; n++)
        thread->GPR[n].value = state->GPR[n];
    store_masked(thread->LR, state->LR);
    store_masked(thread->CTR, state->CTR);
    store_masked(thread->XER, state->XER);
    store_masked(thread->CR, state->CR);
    store_masked(thread->FPSCR, state->FPSCR);
    store_masked(thread->VRSAVE, state->VRSAVE);
    store_masked(thread->VSCR, state->VSCR);
    store_masked(thread->AMR, state->AMR);
    store_masked(thread->TAR, state->TAR);
    store_masked(thread->DSCR, state->DSCR);
    RegBits_Mark(&thread->XER.bits_written, ~0ull);
    RegBits_Mark(&thread->CR.bits_written, ~0u);
    thread->FPR_INVALID_MAP.value = state->FPR_INVALID_MAP;
    for (int n = 0; n < NUM_VSRS; n++) {
        memcpy(thread->VSR[n].value, state->VSR[n], sizeof state->VSR[n]);
        thread->VSR[n].fpr_form = FPR_FORM_RESTORED;
    }
    COOKED_SET_TSRL(thread, state->PPR);
}

uint64_t htm_checkpointed_fpscr(ThreadState *thread)
{
    return thread && thread->htm ? thread->htm->FPSCR : 0;
}
