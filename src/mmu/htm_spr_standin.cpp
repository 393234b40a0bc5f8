// Stand-ins of the transactional-memory services the SPR moves call.
#include "mmu/htm_spr_standin.h"

#include "exec/reg_triggers.h"
#include "exec/spr_interrupt_standins.h"
#include "isa/spr_support_standins.h"
#include "processor/instruction_record.h"
#include "processor/reg_accessors.h"
#include "processor/thread_state.h"

HTMFailureStandinLog htm_failure_standin_log = {0, nullptr, 0, 0};

// STAND-IN: the OS-supports-TM flag and MSR[TM] test of the transactional-memory model are
// missing; outside hypervisor state the HFSCR bit of facility 5 (0x20) decides (facility 5 has no
// FSCR bit).
__attribute__((weak)) int HTM_ENABLED_CHECK(IOPDesc *iop)
{
    uint64_t msr = iGET_MSR(iop);
    bool hypervisor = (msr & 0x1000000000000000ull) && !(msr & 0x4000);
    if (hypervisor) return 1;
    if (!(iGET_HFSCR(iop) & 0x20)) {
        interrupt_HyperFacilityUnavailable(iop, 5, "no instruction");
        return 0;
    }
    return 1;
}

// STAND-IN: the transaction (doomed flag, failure statistics, TEXASR/TFIAR update) is not
// modelled; a failure in transactional or suspended state is counted and kept in the log.
__attribute__((weak)) void htm_record_failure(ThreadState *thread, int32_t cause, uint64_t address, int32_t,
                                              uint32_t, uint64_t msr)
{
    if (!(msr & 0x600000000ull)) return;
    htm_failure_standin_log.calls++;
    htm_failure_standin_log.thread = thread;
    htm_failure_standin_log.cause = cause;
    htm_failure_standin_log.address = address;
}
