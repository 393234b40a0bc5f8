// Stand-ins of the execution engine's services to the storage checks.
#include "exec/storage_path_support.h"

#include "exec/reg_triggers.h"
#include "isa/ppc_bits.h"
#include "isa/semantics_helpers.h"
#include "mmu/axd.h"
#include "mmu/htm_spr_standin.h"
#include "processor/instruction_record.h"
#include "processor/thread_state.h"

namespace
{

constexpr int32_t FAILURE_NOT_ALLOWED = 0x1800000; // persistent, instruction not allowed

} // namespace

// STAND-IN: the transactional-memory failure interrupt (TM OP FAILURE) is not built: the failure is
// only recorded with the transactional model's stand-in, and the transaction is taken as ended.
__attribute__((weak)) int TerminatePendingTransaction(IOPDesc *iop)
{
    uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_TS) != MSR_TS_TRANSACTIONAL) return 0;
    htm_record_failure(iop->thread, FAILURE_NOT_ALLOWED, IOP_Current_Address(iop), 1, 0, msr);
    return 1;
}

// STAND-IN: complete; the MSR predicates of interrupt delivery are not built yet.
__attribute__((weak)) int IOP_Access_Is_Little_Endian(IOPDesc *iop, uint32_t access_kind)
{
    uint64_t msr = iGET_MSR(iop);
    int little = (msr & MSR_LE) ? 1 : 0;
    if ((msr & MSR_SLE) && access_kind != AXD_KIND_FETCH) little ^= 1;
    return little;
}
