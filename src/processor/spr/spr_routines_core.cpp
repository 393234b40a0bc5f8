// SPR routines of the hypervisor maintenance registers (HMER, TFMR), the SCOM access pair, the
// thread-matched core registers, the work-offload registers, MPPR, the power-management pair,
// the instruction-match register, the L2/L3 registers, TRACE, the TRIG registers, TTR and TSCR.
#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/hooks/hmi.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/spr/ex_spr.h"
#include "processor/spr/instruction_match.h"
#include "processor/spr/spr_moves.h"
#include "processor/spr/spr_routines.h"
#include "processor/time/time_registers.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t SCOMC_AUTO_INCREMENT = 0x400;
constexpr uint64_t SCOMC_ADDRESS_FIELD = 0x7F8;
constexpr uint64_t SIM_CTRL_MPPR_DISABLE = 0x200000000ull;
constexpr uint64_t SIM_CTRL_PMSR_ZERO = 0x4000000000ull;
constexpr uint64_t SIM_CTRL_IMC_FULL_MATCH = 0x10;

uint64_t stop_read(int32_t *leave)
{
    *leave = 1;
    return 0;
}

bool supervisor_state(IOPDesc *iop)
{
    uint64_t msr = Fetch_MSR_Value(iop);
    return !(msr & MSR_HV) && !(msr & MSR_PR);
}

// A masked store with its write triggers and written flag.
void store_with_triggers(IOPDesc *iop, Reg64 *slot, uint64_t value)
{
    Invoke_SPR_Write_Triggers(iop, slot->trigger, slot->value, value);
    slot->value = value & Register_Entry_Mask(slot->rfe);
    slot->written = 1;
}

// SCOMC's address field advances after an SCOMD access when auto-increment is set.
void scomc_auto_increment(IOPDesc *iop)
{
    uint64_t scomc = iGET_SCOMC(iop);
    if (!(scomc & SCOMC_AUTO_INCREMENT)) return;
    uint64_t field = ((scomc & SCOMC_ADDRESS_FIELD) >> 3) + 1;
    store_with_triggers(iop, &iop->thread->SCOMC, (scomc & ~SCOMC_ADDRESS_FIELD) | ((field << 3) & SCOMC_ADDRESS_FIELD));
}

int8_t clamp_request(int8_t request, int8_t minimum, int8_t maximum)
{
    if (request > maximum) return maximum;
    if (minimum >= request) return minimum;
    return request;
}

// PMSR follows a PMCR write: the global and local requests clamped to PMSR's range.
void update_pmsr(IOPDesc *iop, uint64_t pmcr)
{
    ProcessorState *core = iop->thread->processor;
    uint64_t old = iGET_PMSR(iop);
    const auto maximum = (int8_t)(uint8_t)(old >> 32);
    const auto minimum = (int8_t)(uint8_t)(old >> 40);
    const auto global = clamp_request((int8_t)(uint8_t)(pmcr >> 56), minimum, maximum);
    const auto local = clamp_request((int8_t)(uint8_t)(pmcr >> 48), minimum, maximum);
    uint64_t value = (old & 0x0000FFFFFFFFFFFFull) | ((uint64_t)(uint8_t)global << 56) | ((uint64_t)(uint8_t)local << 48);
    store_with_triggers(iop, &core->PMSR, value);
}

Reg64 *instruction_match_slot(ProcessorState *core, uint32_t n)
{
    switch (n) {
    case 0: return &core->IMA0;
    case 1: return &core->IMA1;
    case 2: return &core->IMA2;
    case 3: return &core->IMA3;
    case 4: return &core->IMA4;
    case 8: return &core->IMA8;
    case 9: return &core->IMA9;
    case 10: return &core->IMA10;
    case 11: return &core->IMA11;
    case 12: return &core->IMA12;
    default: return nullptr;
    }
}

} // namespace

void MT_HMER(IOPDesc *iop, uint64_t value)
{
    ThreadState *thread = iop->thread;
    uint64_t updated = iGET_HMER(iop) & value;
    store_with_triggers(iop, &thread->HMER, updated);
    uint64_t msr = Fetch_MSR_Value(iop);
    if ((thread->HMER.value & iGET_HMEER(iop)) && (msr & MSR_EE) && !(msr & MSR_HV) && (msr & MSR_PR))
        interrupt_HMI(iop, thread);
}

uint64_t MF_TFMR(IOPDesc *iop, int32_t *)
{
    uint64_t value = RAW_GET_TFMR(iop->thread);
    Invoke_SPR_Read_Triggers(iop, iop->thread->TFMR.trigger, value);
    return value;
}

void MT_TFMR(IOPDesc *iop, uint64_t value)
{
    ThreadState *thread = iop->thread;
    Invoke_SPR_Write_Triggers(iop, thread->TFMR.trigger, RAW_GET_TFMR(thread), value);
    RAW_SET_TFMR(thread, value & Register_Entry_Mask(thread->TFMR.rfe));
}

void MT_SCOMC(IOPDesc *iop, uint64_t value)
{
    if ((value & 0x800) && SPR_Option(iop, PO_GLENT_EN_4_LPAR_SYSTEM)) {
        uint64_t hid0 = COOKED_GET_HID0(iop->thread, REG_ACCESS_INSTRUCTION);
        if (hid0 & HID0_TWO_PARTITIONS)
            value &= ~0x20ull;
        else if (hid0 & HID0_FOUR_PARTITIONS)
            value &= ~0x30ull;
    }
    iSET_SCOMC(iop, value);
}

uint64_t MF_SCOMD(IOPDesc *iop, int32_t *)
{
    uint64_t value = GUESS_SCOMD_Register(iop->thread);
    scomc_auto_increment(iop);
    return value;
}

void MT_SCOMD(IOPDesc *iop, uint64_t value)
{
    FORCE_SCOMD_Register(iop->thread, value);
    scomc_auto_increment(iop);
}

uint64_t MF_CSIGR(IOPDesc *iop, int32_t *)
{
    return ExecuteMoveToFromThreadIdMatch(iop) ? iGET_CSIGR(iop) : 0;
}

uint64_t MF_TACR(IOPDesc *iop, int32_t *)
{
    return ExecuteMoveToFromThreadIdMatch(iop) ? iGET_TACR(iop) : 0;
}

uint64_t MF_TCSCR(IOPDesc *iop, int32_t *)
{
    return ExecuteMoveToFromThreadIdMatch(iop) ? (iGET_TCSCR(iop) | 0x400000000000ull) : 0;
}

#define QUARN_MATCHED_WRITE(routine, reg)                                                                    \
    void routine(IOPDesc *iop, uint64_t value)                                                               \
    {                                                                                                        \
        if (HTM_NON_CKPT_REG_MODIFIED(iop, #reg) || SPR_HID0_Write_Gate(iop)) return;                        \
        if (ExecuteMoveToFromThreadIdMatch(iop)) iSET_##reg(iop, value);                                     \
    }
QUARN_MATCHED_WRITE(MT_CSIGR, CSIGR)
QUARN_MATCHED_WRITE(MT_TCSCR, TCSCR)
QUARN_MATCHED_WRITE(MT_TACR, TACR)
#undef QUARN_MATCHED_WRITE

uint64_t MF_WORC(IOPDesc *iop, int32_t *leave)
{
    if (supervisor_state(iop)) {
        interrupt_PrivilegedInstruction(iop);
        return stop_read(leave);
    }
    return iGET_WORC(iop);
}

void MT_WORC(IOPDesc *iop, uint64_t value)
{
    if (supervisor_state(iop)) {
        interrupt_PrivilegedInstruction(iop);
        return;
    }
    if (HTM_NON_CKPT_REG_MODIFIED(iop, "WORC")) return;
    iSET_WORC(iop, (uint32_t)value);
}

uint64_t MF_WORT(IOPDesc *iop, int32_t *)
{
    return iGET_WORT(iop);
}

void MT_WORT(IOPDesc *iop, uint64_t value)
{
    if (HTM_NON_CKPT_REG_MODIFIED(iop, "WORT") || SPR_HID0_Write_Gate(iop)) return;
    iSET_WORT(iop, (uint32_t)value);
}

uint64_t MF_MPPR(IOPDesc *, int32_t *leave)
{
    return stop_read(leave);
}

void MT_MPPR(IOPDesc *iop, uint64_t value)
{
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_MPPR_DISABLE) {
        if (In_Problem_State(iop)) interrupt_IllegalInstruction(iop, "SIM_CTRL_MPPR_disable and MSR user mode");
        return;
    }
    if (supervisor_state(iop)) {
        interrupt_PrivilegedInstruction(iop);
        return;
    }
    if (HTM_NON_CKPT_REG_MODIFIED(iop, "MPPR")) return;
    iSET_MPPR(iop, value);
}

uint64_t MF_PMSR(IOPDesc *iop, int32_t *leave)
{
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_PMSR_ZERO) {
        SPR_Write_Target(iop, 0);
        return stop_read(leave);
    }
    return iGET_PMSR(iop);
}

void MT_PMSR(IOPDesc *, uint64_t) {}

void MT_PMCR(IOPDesc *iop, uint64_t value)
{
    iSET_PMCR(iop, value);
    update_pmsr(iop, value);
}

uint64_t MF_IMC(IOPDesc *iop, int32_t *)
{
    return SPR_Option(iop, PO_MF_IMC_RETURNS_VALUE) ? tGUESS_IMC(iop->thread, 1) : 0;
}

void MT_IMC(IOPDesc *iop, uint64_t value)
{
    ProcessorState *core = iop->thread->processor;
    if (!SPR_Option(iop, PO_MT_IMC_SETS_ARRAY)) {
        core->IMC.value = value & Register_Entry_Mask(core->IMC.rfe);
        core->IMC.written = 1;
        return;
    }
    const uint32_t n = (uint32_t)(value & 0xF);
    if (!ENABLED_IMA_WRITE(iop, (int32_t)n)) return;
    Reg64 *slot = instruction_match_slot(core, n);
    if (!slot) return;
    if (n <= 4) GLENT_MtimcFullMatch(iop, slot->value, &value);
    slot->value = value & Register_Entry_Mask(slot->rfe);
    Decide_if_we_want_to_check_IMC(core, (int32_t)n, slot->value);
}

void GLENT_MtimcFullMatch(IOPDesc *iop, uint64_t current, uint64_t *value)
{
    if (iGET_SIM_CTRL(iop) & SIM_CTRL_IMC_FULL_MATCH)
        *value = (*value & 0xFFFFFFFF0007C010ull) | (current & 0xFFF83FEFull);
}

uint64_t MF_L2MVSR0(IOPDesc *iop, int32_t *leave)
{
    SPR_Write_Target(iop, iGET_L2MVSR0(iop));
    return stop_read(leave);
}

uint64_t MF_L2MVSR1(IOPDesc *iop, int32_t *leave)
{
    SPR_Write_Target(iop, iGET_L2MVSR1(iop));
    return stop_read(leave);
}

uint64_t MF_L2HADSR(IOPDesc *iop, int32_t *leave)
{
    iGET_L2HADSR(iop);
    SPR_Write_Target(iop, 0);
    return stop_read(leave);
}

uint64_t MF_L3HAWPR(IOPDesc *iop, int32_t *leave)
{
    iGET_L3HAWPR(iop);
    SPR_Write_Target(iop, 0);
    return stop_read(leave);
}

uint64_t MF_L3HARPR(IOPDesc *, int32_t *leave)
{
    return stop_read(leave);
}

uint64_t MF_L2QOSR(IOPDesc *, int32_t *leave)
{
    return stop_read(leave);
}

#define QUARN_CHECKED_WRITE(routine, reg)                                                                    \
    void routine(IOPDesc *iop, uint64_t value)                                                               \
    {                                                                                                        \
        if (HTM_NON_CKPT_REG_MODIFIED(iop, #reg)) return;                                                    \
        iSET_##reg(iop, value);                                                                              \
    }
QUARN_CHECKED_WRITE(MT_L2QOSR, L2QOSR)
QUARN_CHECKED_WRITE(MT_L3HARPR, L3HARPR)
QUARN_CHECKED_WRITE(MT_L2HADSR, L2HADSR)
#undef QUARN_CHECKED_WRITE

void MT_L2MVSR0(IOPDesc *iop, uint64_t value)
{
    if (HTM_NON_CKPT_REG_MODIFIED(iop, "L2MVSR0")) return;
    iSET_L2MVSR0(iop, iop->thread->processor->L2MVSR0.value & ~value);
}

void MT_L2MVSR1(IOPDesc *iop, uint64_t value)
{
    if (HTM_NON_CKPT_REG_MODIFIED(iop, "L2MVSR1")) return;
    iSET_L2MVSR1(iop, iop->thread->processor->L2MVSR1.value & ~value);
}

void MT_L3HAWPR(IOPDesc *, uint64_t) {}

void MT_TRACE(IOPDesc *iop, uint64_t value)
{
    iSET_TRACE(iop, value);
}

uint64_t MF_TRIG(IOPDesc *, int32_t *leave)
{
    return stop_read(leave);
}

void MT_TRIG(IOPDesc *, uint64_t) {}

void MT_TTR(IOPDesc *iop, uint64_t value)
{
    iSET_TST(iop, value);
}

void MT_TSCR(IOPDesc *iop, uint64_t value)
{
    iSET_TSCR(iop, (uint32_t)value);
}

// ---- TRACE tool functions ----

int32_t Find_Read_TRACE(ThreadState *thread)
{
    return (int32_t)thread->processor->TRACE.value;
}

void Find_Write_TRACE(ThreadState *thread, uint64_t value)
{
    Reg64 *slot = &thread->processor->TRACE;
    slot->value = value & Register_Entry_Mask(slot->rfe);
    slot->written = 1;
}

uint64_t xGUESS_TRACE(ThreadState *thread, uint32_t)
{
    switch (Find_Read_TRACE(thread)) {
    case 1: return 0x1;
    case 2: return 0x2;
    case 3: return 0x4;
    default: return 0;
    }
}

uint64_t xGUESS_TRACE_wrap(IOPDesc *iop)
{
    return xGUESS_TRACE(iop->thread, 1);
}

void xFORCE_TRACE(ThreadState *thread, uint64_t value, uint32_t)
{
    uint64_t state;
    switch (value & 7) {
    case 0x1: state = 1; break;
    case 0x2: state = 0; break;
    case 0x4: state = 2; break;
    default:
        sim_warning(2, "setting TRACE to multiple simultaneous states: 0x%016lX", (unsigned long)value);
        state = 0;
        break;
    }
    if (value & 0x8) {
        sim_warning(2, "MT_TRACE tries to put value in TRACE buffer -- not implemented.");
        state = (uint64_t)(int64_t)(int32_t)value;
    }
    Find_Write_TRACE(thread, state);
}
