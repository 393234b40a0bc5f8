// The assist-thread instructions sap and bail. No row of the instruction table names them; a table
// that adds "sap" and "bail" rows reaches them.
#include "isa/assist_instructions.h"

#include <cstdio>

#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "mmu/transaction_guard.h"
#include "processor/hooks/htm.h"
#include "processor/records/thread_state.h"
#include "processor/regs/facility_bits.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/assist_threads.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_services.h"

namespace
{

// The bail offset: ((word >> 11) << 2) & 0xFFFC as a 14-bit signed byte count.
int64_t bail_offset(uint32_t word)
{
    return (int64_t)((int32_t)((((word >> 11) << 2) & 0xFFFC) << 18) >> 18);
}

constexpr uint64_t APSCR_STATUS = 0x1F;
constexpr uint32_t SAP_STATUS_STOPPED_ALL = 1, SAP_STATUS_STOPPED_SELF = 2, SAP_STATUS_BIT11 = 0x10;

} // namespace

int semantic_sap(IOPDesc *iop)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    ThreadState *thread = iop->thread;
    uint64_t status;
    if (We_are_Assist_Thread(thread)) {
        Stop_One_Assist_Thread(thread, thread);
        status = SAP_STATUS_STOPPED_SELF | ((iop->word & 0x800) ? SAP_STATUS_BIT11 : 0);
    } else {
        if (Assist_Thread_is_Running(thread)) Stop_All_Assist_Threads(iop);
        status = SAP_STATUS_STOPPED_ALL;
    }
    iSET_APSCR(iop, (iGET_APSCR(iop) & ~APSCR_STATUS) | status);
    IOP_Advance_NIA(iop);
    return 1;
}

int semantic_bail(IOPDesc *iop)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    if (!Facility_Gate(iop, FACILITY_ASSIST, "bail")) return 0;
    const uint64_t msr = iGET_MSR(iop);
    const uint64_t cia = IOP_Current_Address(iop);
    if ((msr & MSR_TS) == MSR_TS_TRANSACTIONAL) {
        HTM_Debug_Failure(iop, "Unsupported instruction: %s in Transactional mode.", "bail");
        htm_record_failure(iop->thread, HTM_FAILURE_NOT_ALLOWED, cia, 1, 0, msr);
        return 1;
    }
    if (ThreadState *assist = Select_Available_Assist_Thread(iop)) {
        // Bit 25 is passed to the start.
        Start_Assist_Thread(iop, assist, cia + (uint64_t)bail_offset(iop->word),
                            (int)((iop->word >> 25) & 1));
    } else {
        iSET_APSCR(iop, 0);
    }
    IOP_Advance_NIA(iop);
    return 1;
}

void Disassemble_Immediate_Form(char *text, size_t size, const IOPDesc *iop)
{
    const char *name = iop->row ? iop->row->mnemonic : "no instruction";
    const int64_t offset = bail_offset(iop->word);
    const int64_t magnitude = offset < 0 ? -offset : offset;
    snprintf(text, size, "%s    %d,$%c0x%04x", name, (int)((iop->word >> 25) & 1), offset < 0 ? '-' : '+',
             (unsigned)magnitude);
}
