// The facility check of the transactional-memory instructions, the MSR transition rules and the
// reservation rules of transactions.
#include "mmu/tm/htm_checks.h"

#include "decode/instr_info.h"
#include "decode/row_ids.h"
#include "interrupts/interrupt_raisers.h"
#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/interrupt_hooks.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/facility_bits.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t MSR_TS_TM = MSR_TS | MSR_TM;
constexpr uint64_t T1 = MSR_TS_TRANSACTIONAL | MSR_TM;
constexpr uint64_t S0 = MSR_TS_SUSPENDED;
constexpr uint64_t S1 = MSR_TS_SUSPENDED | MSR_TM;
constexpr uint64_t SIM_CTRL_TM_DISABLE = 0x100000000ull;
constexpr uint64_t PCR_TM_DISABLED = 0x2000000000000000ull; // bit 61

const char *mnemonic(IOPDesc *iop)
{
    if (!iop) return "no iop";
    return iop->row ? iop->row->mnemonic : "no instruction";
}

// Keeps the reservation only when it is valid and was taken in transactional state.
void keep_only_reservation_taken_in_T(ThreadState *thread)
{
    MemoryClient *client = thread->memory_client;
    if (!client) return;
    if (client->reservation_valid && thread->htm_reservation_in_T) return;
    clear_reservation_bit(client);
}

} // namespace

int HTM_check_MSR_Transition(IOPDesc *iop, uint64_t *new_msr, uint64_t old_msr, const char *name)
{
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_TM_DISABLE) return 1;
    const uint64_t now = old_msr & MSR_TS_TM, next = *new_msr & MSR_TS_TM;
    const uint64_t next_ts = *new_msr & MSR_TS;
    if (!(old_msr & MSR_TS)) return next_ts == 0;
    if (now == T1) return next == T1;
    if (now == S0 || now == S1) {
        if (now == S0 && next == 0) {
            // The write may not leave the suspended state: it keeps S0 (rfebb is refused).
            *new_msr = (*new_msr & ~MSR_TS_TM) | S0;
            return iop->row == &instruction_info_table[ROW_RFEBB] ? 0 : 1;
        }
        if (next_ts == MSR_TS_SUSPENDED) return 1;
        if (next == T1) {
            keep_only_reservation_taken_in_T(iop->thread);
            return 1;
        }
        return 0;
    }
    // T with TM 0, or both TS bits.
    if (next_ts == MSR_TS) return 0;
    if ((*new_msr & MSR_PR) && next_ts && (iGET_PCR(iop) & PCR_TM_DISABLED)) return 0;
    sim_error("HTM_check_MSR_Transition: The impossible happened! Current State is T0 for %s", name);
    return 0;
}

int HTM_ENABLED_CHECK(IOPDesc *iop)
{
    const uint64_t msr = iGET_MSR(iop);
    const bool problem = (msr & MSR_PR) != 0;
    if (!(msr & MSR_HV) || problem) {
        const uint64_t bit = HFscr_bits[FACILITY_TM];
        if (bit && !(iGET_HFSCR(iop) & bit)) {
            interrupt_HyperFacilityUnavailable(iop, FACILITY_TM, mnemonic(iop));
            return 0;
        }
    }
    if (problem) {
        const uint64_t bit = Fscr_bits[FACILITY_TM];
        if (bit && !(iGET_FSCR(iop) & bit)) {
            interrupt_FacilityUnavailable(iop, FACILITY_TM, mnemonic(iop));
            return 0;
        }
    }
    if (OS_SUPPORTS_HTM(iop) && !(msr & MSR_TM)) {
        interrupt_FacilityUnavailable(iop, FACILITY_TM, mnemonic(iop));
        return 0;
    }
    return 1;
}

int OS_SUPPORTS_HTM(IOPDesc *iop)
{
    GenericMachine *machine = iop && iop->thread ? iop->thread->machine : nullptr;
    return machine ? machine->htm_os_supports_tm : 1;
}

int htm_check_S_with_reservation_in_T(ThreadState *thread)
{
    MemoryClient *client = thread->memory_client;
    if ((thread->MSR.value & MSR_TS) != MSR_TS_SUSPENDED || !client || !client->reservation_valid ||
        !thread->htm_reservation_in_T)
        return 0;
    clear_reservation_bit(client);
    return 1;
}

void htm_record_reservation_taken_state(IOPDesc *iop, AXD *)
{
    iop->thread->htm_reservation_in_T = (iGET_MSR(iop) & MSR_TS) == MSR_TS_TRANSACTIONAL;
}
