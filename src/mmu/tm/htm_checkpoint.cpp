// The transaction checkpoint: GPRs, LR, CTR, XER, CR, FPSCR, FPR_INVALID_MAP, VRSAVE, VSCR, the
// VSRs, AMR, PPR, TAR and DSCR.
#include "mmu/tm/htm_checkpoint.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

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
    // An FP instruction that has not yet delivered its FPSCR holds the value it will deliver.
    if (iop->fpscr_cache_on)
        state->FPSCR = iop->fpscr_cache;
    else
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

namespace
{

// Whether the entry lies between the thread-scope registers named first and last in the file.
bool in_range(ThreadState *thread, const Register_File_Entry *entry, const char *first, const char *last)
{
    const Register_File_Entry *low = Find_Register_By_Name(thread, first);
    const Register_File_Entry *high = Find_Register_By_Name(thread, last);
    return low && high && entry->scope == REG_SCOPE_THREAD && entry->index >= low->index &&
           entry->index <= high->index;
}

constexpr const char *CHECKPOINTED_NAMES[] = {"FPSCR", "FPR_INVALID_MAP", "VSCR", "LR",  "CTR", "XER",
                                              "CR",    "VRSAVE",          "AMR",  "PPR", "TAR", "DSCR"};

} // namespace

bool Is_HTM_Checkpoint_Register(Register_File_Entry *entry)
{
    if (!entry || !entry->desc || !entry->desc->name) return false;
    ThreadState *thread = entry->owner;
    if (thread) {
        char first[16], last[16];
        snprintf(first, sizeof first, "GPR%d", 0);
        snprintf(last, sizeof last, "GPR%d", 31);
        if (in_range(thread, entry, first, last)) return true;
        snprintf(first, sizeof first, "VSR%d", 0);
        snprintf(last, sizeof last, "VSR%d", 63);
        if (in_range(thread, entry, first, last)) return true;
    }
    for (const char *name : CHECKPOINTED_NAMES)
        if (strcasecmp(entry->desc->name, name) == 0) return true;
    return false;
}
