// The transaction guard of the instructions a transaction may not contain.
#include "isa/transaction_guard.h"

#include "isa/semantics_helpers.h"
#include "mmu/htm_failure.h"
#include "mmu/htm_reservation_standin.h"
#include "runtime/debug.h"

namespace
{

constexpr int32_t TM_CAUSE_DISALLOWED = 0x1800000;
constexpr int HTM_DEBUG_FIRST = 222;
constexpr int HTM_DEBUG_LAST = 224;

bool htm_debug_on()
{
    for (int category = HTM_DEBUG_FIRST; category <= HTM_DEBUG_LAST; category++)
        if (debug_state[category] > 0) return true;
    return false;
}

} // namespace

int HTM_Transaction_Guard(IOPDesc *iop, const char *name)
{
    uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_TS) != MSR_TS_TRANSACTIONAL) return 0;
    ThreadState *thread = iop->thread;
    if (htm_debug_on())
        sim_do_debug(debug_name[HTM_DEBUG_LAST].name, nullptr, thread,
                     "Thread %s, HTMTID_%08X. Unsupported instruction: '%s' in Transactional mode.",
                     thread->name ? thread->name : "", htm_transaction_id(thread), name);
    htm_record_failure(thread, TM_CAUSE_DISALLOWED, IOP_Current_Address(iop), 1, 0, msr);
    IOP_Advance_NIA(iop);
    return 1;
}
