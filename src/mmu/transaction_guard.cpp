// The transaction guard.
#include "mmu/transaction_guard.h"

#include <cstdarg>
#include <cstdio>

#include "processor/hooks/htm.h"
#include "processor/regs/iop_registers.h"
#include "runtime/debug.h"

namespace
{

constexpr int HTM_DEBUG_FIRST = 222;
constexpr int HTM_DEBUG_LAST = 224;

} // namespace

void HTM_Debug_Failure(IOPDesc *iop, const char *format, ...)
{
    for (int category = HTM_DEBUG_FIRST; category <= HTM_DEBUG_LAST; category++) {
        if (get_debug_flag(category) <= 0) continue;
        ThreadState *thread = iop->thread;
        char text[256];
        va_list arguments;
        va_start(arguments, format);
        vsnprintf(text, sizeof text, format, arguments);
        va_end(arguments);
        sim_do_debug(debug_name[category].name, nullptr, thread, "Thread %s, HTMTID_%08X. %s",
                     thread->name ? thread->name : "", htm_transaction_id(thread), text);
        return;
    }
}

int Transaction_Guard(IOPDesc *iop)
{
    uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_TS) != MSR_TS_TRANSACTIONAL) return 0;
    const char *name = iop->row ? iop->row->mnemonic : "no instruction";
    HTM_Debug_Failure(iop, "Unsupported instruction: '%s' in Transactional mode.", name);
    htm_record_failure(iop->thread, HTM_FAILURE_NOT_ALLOWED, IOP_Current_Address(iop), 1, 0, msr);
    IOP_Advance_NIA(iop);
    return 1;
}
