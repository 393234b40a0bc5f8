// SPR routines of transactional memory (TFHAR, TFIAR, TEXASR, TEXASRU), of event-based branches
// (BESCR and its set/reset forms, EBBHR, EBBRR), of the facility controls (FSCR, HFSCR), DSCR,
// TAR and the upper half of APSCR.
#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/hooks/htm.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/spr/spr_moves.h"
#include "processor/spr/spr_routines.h"

namespace
{

constexpr uint64_t LOW_WORD = 0xFFFFFFFFull;
constexpr uint64_t SIM_CTRL_TM_DISABLE = 0x100000000ull;
constexpr uint64_t SIM_CTRL_FSCR_ASSIST_DISABLE = 0x400000000ull;
constexpr uint64_t SIM_CTRL1_TFHAR_IN_SUSPEND = 0x0200000000000000ull;
constexpr uint64_t PCR_TM_DISABLE = 0x2000000000000000ull;
constexpr uint64_t BESCR_PROTECTED = 0xC0000000ull;
constexpr uint32_t FACILITY_DSCR = 2;
constexpr uint32_t FACILITY_EBB = 7;
constexpr uint32_t FACILITY_TAR = 8;

uint64_t stop_read(int32_t *leave)
{
    *leave = 1;
    return 0;
}

// True when the routine may go on: transactional memory is not disabled by the simulator or, in
// problem state, by PCR.
bool tm_available(IOPDesc *iop)
{
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_TM_DISABLE) {
        interrupt_IllegalInstruction(iop, "TM op is disabled by SIM_CTRL_TM_disable");
        return false;
    }
    if (In_Problem_State(iop) && In_Problem_State(iop) && (iGET_PCR(iop) & PCR_TM_DISABLE)) {
        interrupt_IllegalInstruction(iop, "TM is disabled");
        return false;
    }
    return true;
}

// The SIM_CTRL gate of the reads and of the TFHAR/TFIAR writes: false (and in problem state an
// interrupt) while the simulator disables transactional memory.
bool sim_ctrl_gate(IOPDesc *iop)
{
    if (!(iGET_SIM_CTRL(iop) & SIM_CTRL_TM_DISABLE)) return true;
    if (In_Problem_State(iop)) interrupt_IllegalInstruction(iop, "SIM_CTRL_TM_disable and user mode");
    return false;
}

// The checks of the transactional-memory SPRs, the SIM_CTRL gate first when asked.
bool tm_checks(IOPDesc *iop, bool with_sim_ctrl_gate)
{
    if (with_sim_ctrl_gate && !sim_ctrl_gate(iop)) return false;
    if (SPR_Version_206_Gate(iop)) return false;
    if (!tm_available(iop)) return false;
    return HTM_ENABLED_CHECK(iop) != 0;
}

uint64_t transaction_state(IOPDesc *iop)
{
    return Fetch_MSR_Value(iop) & MSR_TS_MASK;
}

uint64_t texasr_for_reading(IOPDesc *iop)
{
    uint64_t value = iGET_TEXASR(iop);
    if (SPR_Option(iop, PO_TAGS_ACTIVE) && (Fetch_MSR_Value(iop) & MSR_TA)) return value;
    if (In_Problem_State(iop)) value &= ~0x40000000ull;
    return value;
}

bool ebb_checks(IOPDesc *iop)
{
    if (SPR_Version_206_Gate(iop)) return false;
    return Check_Facility_Available(iop, FACILITY_EBB, SPR_Instruction_Name(iop)) != 0;
}

bool pcr_protects_bescr(IOPDesc *iop)
{
    return In_Problem_State(iop) && (iGET_PCR(iop) & PCR_TM_DISABLE);
}

// The BESCR write after the checks: the protected bits keep their values when PCR disables TM in
// problem state.
void store_bescr(IOPDesc *iop, uint64_t value)
{
    if (pcr_protects_bescr(iop))
        value = (value & ~BESCR_PROTECTED) | (iop->thread->BESCR.value & BESCR_PROTECTED);
    iSET_BESCR(iop, value);
}

void write_bescr_form(IOPDesc *iop, uint64_t value)
{
    if (!ebb_checks(iop) || HTM_NON_CKPT_REG_MODIFIED(iop, "BESCR")) return;
    store_bescr(iop, value);
}

uint64_t upper_half_into(uint64_t old, uint64_t value)
{
    return (value << 32) | (old & LOW_WORD);
}

} // namespace

// ---- transactional memory ----

uint64_t MF_TFHAR(IOPDesc *iop, int32_t *leave)
{
    if (!tm_checks(iop, true)) return stop_read(leave);
    return iGET_TFHAR(iop);
}

void MT_TFHAR(IOPDesc *iop, uint64_t value)
{
    if (!tm_checks(iop, true)) return;
    uint64_t sim_ctrl1 = iGET_SIM_CTRL1(iop);
    uint64_t state = transaction_state(iop);
    if (state && !((sim_ctrl1 & SIM_CTRL1_TFHAR_IN_SUSPEND) && state == MSR_TS_SUSPENDED)) {
        interrupt_HTM_Bad_Thing(iop, "HTM move to TFHAR in TM transaction or suspend mode");
        return;
    }
    iSET_TFHAR(iop, value);
}

uint64_t MF_TFIAR(IOPDesc *iop, int32_t *leave)
{
    if (!tm_checks(iop, true)) return stop_read(leave);
    uint64_t value = iGET_TFIAR(iop);
    if (Is_Hypervisor_State(iop)) return value;
    if (In_Problem_State(iop)) return (value & 1) ? value : 0;
    return (value & 3) != 2 ? value : 0;
}

void MT_TFIAR(IOPDesc *iop, uint64_t value)
{
    if (!tm_checks(iop, true)) return;
    if (transaction_state(iop)) {
        interrupt_HTM_Bad_Thing(iop, "HTM move to TFIAR in TM transaction or suspend mode");
        return;
    }
    iSET_TFIAR(iop, value);
}

uint64_t MF_TEXASR(IOPDesc *iop, int32_t *leave)
{
    if (!tm_checks(iop, true)) return stop_read(leave);
    return texasr_for_reading(iop);
}

uint64_t MF_TEXASRU(IOPDesc *iop, int32_t *leave)
{
    if (!tm_checks(iop, true)) return stop_read(leave);
    return texasr_for_reading(iop) >> 32;
}

void MT_TEXASR(IOPDesc *iop, uint64_t value)
{
    if (!tm_checks(iop, false)) return;
    if (transaction_state(iop)) {
        interrupt_HTM_Bad_Thing(iop, "HTM move to TEXASR in TM transaction or suspend mode");
        return;
    }
    iSET_TEXASR(iop, value);
}

void MT_TEXASRU(IOPDesc *iop, uint64_t value)
{
    if (!tm_checks(iop, false)) return;
    if (transaction_state(iop)) {
        interrupt_HTM_Bad_Thing(iop, "HTM move to TEXASR in TM transaction or suspend mode");
        return;
    }
    iSET_TEXASR(iop, upper_half_into(iGET_TEXASR(iop), value));
}

void xFORCE_TEXASR(ThreadState *thread, uint64_t value, uint32_t)
{
    if (value >> 32) thread->texasr_upper = 1;
    thread->TEXASR.value = value & Register_Entry_Mask(thread->TEXASR.rfe);
    thread->TEXASR.written = 1;
}

uint64_t xGUESS_TEXASRU(ThreadState *thread, uint32_t)
{
    return thread->TEXASR.value >> 32;
}

void xFORCE_TEXASRU(ThreadState *thread, uint64_t value, uint32_t)
{
    thread->TEXASR.value = upper_half_into(thread->TEXASR.value, value) & Register_Entry_Mask(thread->TEXASR.rfe);
    thread->TEXASR.written = 1;
}

uint64_t MF_APSCRU(IOPDesc *iop, int32_t *)
{
    return iGET_APSCR(iop) >> 32;
}

void MT_APSCRU(IOPDesc *iop, uint64_t value)
{
    iSET_APSCR(iop, upper_half_into(iop->thread->APSCR.value, value));
}

uint64_t xGUESS_APSCRU(ThreadState *thread, uint32_t)
{
    return thread->APSCR.value >> 32;
}

void xFORCE_APSCRU(ThreadState *thread, uint64_t value, uint32_t)
{
    thread->APSCR.value = upper_half_into(thread->APSCR.value, value) & Register_Entry_Mask(thread->APSCR.rfe);
    thread->APSCR.written = 1;
}

// ---- event-based branches ----

uint64_t MF_BESCR(IOPDesc *iop, int32_t *leave)
{
    if (!ebb_checks(iop)) return stop_read(leave);
    uint64_t value = iGET_BESCR(iop);
    if (pcr_protects_bescr(iop)) value &= ~BESCR_PROTECTED;
    return value;
}

uint64_t MF_BESCRU(IOPDesc *iop, int32_t *leave)
{
    if (!ebb_checks(iop)) return stop_read(leave);
    return iGET_BESCR(iop) >> 32;
}

void MT_BESCR(IOPDesc *iop, uint64_t value)
{
    write_bescr_form(iop, value);
}

void MT_BESCRS(IOPDesc *iop, uint64_t value)
{
    write_bescr_form(iop, iop->thread->BESCR.value | value);
}

void MT_BESCRSU(IOPDesc *iop, uint64_t value)
{
    write_bescr_form(iop, iop->thread->BESCR.value | (value << 32));
}

void MT_BESCRR(IOPDesc *iop, uint64_t value)
{
    write_bescr_form(iop, iop->thread->BESCR.value & ~value);
}

void MT_BESCRRU(IOPDesc *iop, uint64_t value)
{
    write_bescr_form(iop, iop->thread->BESCR.value & ~(value << 32));
}

uint64_t MF_EBBHR(IOPDesc *iop, int32_t *leave)
{
    if (!ebb_checks(iop)) return stop_read(leave);
    return iGET_EBBHR(iop);
}

uint64_t MF_EBBRR(IOPDesc *iop, int32_t *leave)
{
    if (!ebb_checks(iop)) return stop_read(leave);
    return iGET_EBBRR(iop);
}

void MT_EBBHR(IOPDesc *iop, uint64_t value)
{
    if (!ebb_checks(iop) || HTM_NON_CKPT_REG_MODIFIED(iop, "EBBHR")) return;
    iSET_EBBHR(iop, value);
}

void MT_EBBRR(IOPDesc *iop, uint64_t value)
{
    if (!ebb_checks(iop) || HTM_NON_CKPT_REG_MODIFIED(iop, "EBBRR")) return;
    iSET_EBBRR(iop, value);
}

// ---- facility controls, DSCR, TAR ----

void MT_FSCR(IOPDesc *iop, uint64_t value)
{
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_FSCR_ASSIST_DISABLE) value &= ~0x200ull;
    iSET_FSCR(iop, value);
}

void MT_HFSCR(IOPDesc *iop, uint64_t value)
{
    uint64_t sim_ctrl = iGET_SIM_CTRL(iop);
    if (sim_ctrl & SIM_CTRL_FSCR_ASSIST_DISABLE) value &= ~0x200ull;
    if (sim_ctrl & SIM_CTRL_TM_DISABLE) value &= ~0x20ull;
    iSET_HFSCR(iop, value);
}

uint64_t MF_DSCR(IOPDesc *iop, int32_t *leave)
{
    if (!Check_Facility_Available(iop, FACILITY_DSCR, SPR_Instruction_Name(iop))) return stop_read(leave);
    return iGET_DSCR(iop);
}

void MT_DSCR(IOPDesc *iop, uint64_t value)
{
    if (!Check_Facility_Available(iop, FACILITY_DSCR, SPR_Instruction_Name(iop))) return;
    iSET_DSCR(iop, value);
}

uint64_t MF_DSCR_user(IOPDesc *iop, int32_t *leave)
{
    if (SPR_Version_206_Gate(iop)) return stop_read(leave);
    return MF_DSCR(iop, leave);
}

void MT_DSCR_user(IOPDesc *iop, uint64_t value)
{
    if (SPR_Version_206_Gate(iop)) return;
    MT_DSCR(iop, value);
}

uint64_t MF_TAR(IOPDesc *iop, int32_t *leave)
{
    if (SPR_Version_206_Gate(iop) || !Check_Facility_Available(iop, FACILITY_TAR, SPR_Instruction_Name(iop)))
        return stop_read(leave);
    return iGET_TAR(iop);
}

void MT_TAR(IOPDesc *iop, uint64_t value)
{
    if (SPR_Version_206_Gate(iop) || !Check_Facility_Available(iop, FACILITY_TAR, SPR_Instruction_Name(iop)))
        return;
    iSET_TAR(iop, value);
}
