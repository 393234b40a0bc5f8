// The state registers by id of the embedding interface: ids 0-178 through the raw register
// accessors, ids 179-199 the processor and thread state words.
#include "embed/libsim_exsr.h"

#include "embed/libsim_api.h"

#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/spr/ex_spr.h"
#include "runtime/message.h"

namespace
{

constexpr uint32_t EXSR_IDS = 200;
constexpr uint32_t EXSR_REGISTER_IDS = 179;

struct ExsrAccess {
    uint64_t (*get)(ThreadState *thread);
    void (*set)(ThreadState *thread, uint64_t value);
};

// Processor registers: a thread without a processor reads 0 and writes nothing.
#define CORE_REG(R)                                                                                          \
    {[](ThreadState *t) -> uint64_t { return t->processor ? (uint64_t)tRAW_GET_##R(t) : 0; },                 \
     [](ThreadState *t, uint64_t v) {                                                                        \
         if (t->processor) tRAW_SET_##R(t, (decltype(tRAW_GET_##R(t)))v);                                    \
     }}
#define THREAD_REG(R)                                                                                        \
    {[](ThreadState *t) -> uint64_t { return (uint64_t)tRAW_GET_##R(t); },                                   \
     [](ThreadState *t, uint64_t v) { tRAW_SET_##R(t, (decltype(tRAW_GET_##R(t)))v); }}

// clang-format off
const ExsrAccess exsr_registers[EXSR_REGISTER_IDS] = {
    CORE_REG(PVR),
    CORE_REG(TB),
    CORE_REG(TBL),
    CORE_REG(TBU),
    CORE_REG(HID0),
    CORE_REG(HID1),
    CORE_REG(HID4),
    CORE_REG(HID5),
    CORE_REG(HMEER),
    CORE_REG(MMCRH),
    CORE_REG(RWMR),
    CORE_REG(PMCR),
    CORE_REG(IMC),
    CORE_REG(IMA0),
    CORE_REG(IMA1),
    CORE_REG(IMA2),
    CORE_REG(IMA3),
    CORE_REG(IMA4),
    CORE_REG(IMA8),
    CORE_REG(IMA9),
    CORE_REG(IMA10),
    CORE_REG(IMA11),
    CORE_REG(IMA12),
    CORE_REG(SPR_MODEREG),
    CORE_REG(SDR1),
    CORE_REG(HDEC),
    CORE_REG(RMOR),
    CORE_REG(HRMOR),
    CORE_REG(PCR),
    CORE_REG(TST),
    CORE_REG(LPIDR),
    CORE_REG(HPMC1),
    CORE_REG(HPMC2),
    CORE_REG(HPMC3),
    CORE_REG(HPMC4),
    CORE_REG(TRACE),
    CORE_REG(AMOR),
    CORE_REG(CIR),
    CORE_REG(DPDES),
    CORE_REG(DHDES),
    CORE_REG(RPR),
    CORE_REG(WORC),
    CORE_REG(VTB),
    CORE_REG(TCSCR),
    CORE_REG(TACR),
    CORE_REG(LDBAR),
    CORE_REG(PMMAR),
    CORE_REG(PMICR),
    CORE_REG(PMSR),
    CORE_REG(TSCR),
    CORE_REG(CSIGR),
    CORE_REG(MPPR),
    CORE_REG(MMCRC),
    CORE_REG(AUTOINCREMENT),
    CORE_REG(CHECKSTOP),
    CORE_REG(AVP_OUTPUT),
    CORE_REG(SCRATCH0),
    CORE_REG(SCRATCH1),
    CORE_REG(SCRATCH2),
    CORE_REG(SCRATCH3),
    CORE_REG(SCRATCH4),
    CORE_REG(SCRATCH5),
    CORE_REG(SCRATCH6),
    CORE_REG(SCRATCH7),
    CORE_REG(SPATTN0),
    CORE_REG(SPATTN1),
    CORE_REG(SPATTN2),
    CORE_REG(SPATTN3),
    CORE_REG(SPATTN4),
    CORE_REG(SPATTN5),
    CORE_REG(SPATTN6),
    CORE_REG(SPATTN7),
    CORE_REG(SDI0),
    CORE_REG(SDI1),
    CORE_REG(SDI2),
    CORE_REG(SDI3),
    CORE_REG(SDI4),
    CORE_REG(SDI5),
    CORE_REG(SDI6),
    CORE_REG(SDI7),
    CORE_REG(L2HADSR),
    CORE_REG(L3HARPR),
    CORE_REG(L3HAWPR),
    CORE_REG(L2MVSR0),
    CORE_REG(L2MVSR1),
    CORE_REG(L2QOSR),
    THREAD_REG(LR),
    THREAD_REG(CTR),
    THREAD_REG(XER),
    THREAD_REG(XER_CHANGE),
    THREAD_REG(PIR),
    THREAD_REG(PID),
    THREAD_REG(SRR0),
    THREAD_REG(SRR1),
    THREAD_REG(SPRG0),
    THREAD_REG(SPRG1),
    THREAD_REG(SPRG2),
    THREAD_REG(SPRG3),
    THREAD_REG(VRSAVE),
    THREAD_REG(HDSISR),
    THREAD_REG(HDAR),
    THREAD_REG(DSISR),
    THREAD_REG(DAR),
    THREAD_REG(HSRR0),
    THREAD_REG(HSRR1),
    THREAD_REG(HSPRG0),
    THREAD_REG(HSPRG1),
    THREAD_REG(LPCR),
    THREAD_REG(HEIR),
    THREAD_REG(DAWR0),
    THREAD_REG(DAWRX0),
    THREAD_REG(CIABR),
    THREAD_REG(AMR),
    THREAD_REG(IAMR),
    THREAD_REG(UAMOR),
    THREAD_REG(DEC),
    THREAD_REG(SIAR),
    THREAD_REG(SDAR),
    THREAD_REG(MMCR0),
    THREAD_REG(MMCR1),
    THREAD_REG(PMC1),
    THREAD_REG(PMC2),
    THREAD_REG(PMC3),
    THREAD_REG(PMC4),
    THREAD_REG(MMCRA),
    THREAD_REG(PMC5),
    THREAD_REG(PMC6),
    THREAD_REG(SIER),
    THREAD_REG(MMCR2),
    THREAD_REG(BESCR),
    THREAD_REG(EBBHR),
    THREAD_REG(EBBRR),
    THREAD_REG(PURR),
    THREAD_REG(SPURR),
    THREAD_REG(SCOMC),
    THREAD_REG(SCOMD),
    THREAD_REG(TFMR),
    THREAD_REG(DSCR),
    THREAD_REG(HMER),
    THREAD_REG(CFAR),
    THREAD_REG(TRIG0),
    THREAD_REG(TRIG1),
    THREAD_REG(TRIG2),
    THREAD_REG(PPR32),
    THREAD_REG(TIR),
    THREAD_REG(TSRL),
    THREAD_REG(ACOP),
    THREAD_REG(HACOP),
    THREAD_REG(SIM_CTRL),
    THREAD_REG(SIM_CTRL1),
    THREAD_REG(IRPT_CTL),
    THREAD_REG(IRPT_CTL_MSR),
    THREAD_REG(IRPT_CTL_MSR_MASK),
    THREAD_REG(TFHAR),
    THREAD_REG(TEXASR),
    THREAD_REG(TFIAR),
    THREAD_REG(TDOOMED),
    THREAD_REG(APSCR),
    THREAD_REG(TAR),
    THREAD_REG(FSCR),
    THREAD_REG(HFSCR),
    THREAD_REG(EPID),
    THREAD_REG(ELPIDR),
    THREAD_REG(PSPB),
    THREAD_REG(WORT),
    THREAD_REG(ICR),
    THREAD_REG(MMCRS),
    THREAD_REG(SPMC1),
    THREAD_REG(SPMC2),
    THREAD_REG(TIDR),
    THREAD_REG(MSR),
    THREAD_REG(CR),
    THREAD_REG(FPSCR),
    THREAD_REG(FPSCR_CHANGE),
    THREAD_REG(VSCR),
    THREAD_REG(VSCR_CHANGE),
    THREAD_REG(FPR_INVALID_MAP),
    THREAD_REG(CTRL),
    THREAD_REG(PC),
};
// clang-format on

#undef CORE_REG
#undef THREAD_REG

uint64_t state_word_get(ThreadState *t, uint32_t id)
{
    ProcessorState *p = t->processor;
    switch (id) {
    case 179: return p ? (uint64_t)(int64_t)(int32_t)p->core_id : 0;
    case 180: return p ? p->processor_type : 0;
    case 181: return p ? p->x_cpuState : 0;
    case 182: return p ? p->num_threads : 0;
    case 183: return p ? p->tfmr_per_processor : 0;
    case 184: return p ? p->smt_mode : 0;
    case 185: return p ? p->hypervisor_read_restricted : 0;
    case 186: return (uint32_t)t->thread_id_in_core;
    case 187: return t->wake_me_up_if_my_priority_changes;
    case 188: return t->x_threadState;
    case 189: return t->manual_disable;
    case 190: return t->Instruction_Number;
    case 191: return t->inst_xlate_version;
    case 192: return t->x_smt_enable;
    case 193: return t->x_smt_priority;
    case 194: return t->x_smt_internal_priority;
    case 195: return (uint32_t)t->x_smt_run_latch;
    case 196: return t->pending_decrementer_exception;
    case 197: return t->tfmr_per_thread;
    case 198: return t->pending_HDEC;
    default: return t->wake_send_pending;
    }
}

void state_word_set(ThreadState *t, uint32_t id, uint64_t v)
{
    ProcessorState *p = t->processor;
    if (id <= 185 && !p) return;
    switch (id) {
    case 179: p->core_id = (uint32_t)v; break;
    case 180: p->processor_type = (uint32_t)v; break;
    case 181: p->x_cpuState = (uint32_t)v; break;
    case 182: p->num_threads = (uint32_t)v; break;
    case 183: p->tfmr_per_processor = v; break;
    case 184: p->smt_mode = (uint32_t)v; break;
    case 185: p->hypervisor_read_restricted = (uint32_t)v; break;
    case 186: t->thread_id_in_core = (int32_t)v; break;
    case 187: t->wake_me_up_if_my_priority_changes = (uint32_t)v; break;
    case 188: t->x_threadState = (uint32_t)v; break;
    case 189: t->manual_disable = (uint32_t)v; break;
    case 190: t->Instruction_Number = v; break;
    case 191: t->inst_xlate_version = v; break;
    case 192: t->x_smt_enable = (uint32_t)v; break;
    case 193: t->x_smt_priority = (uint8_t)v; break;
    case 194: t->x_smt_internal_priority = (uint8_t)v; break;
    case 195: t->x_smt_run_latch = (int32_t)v; break;
    case 196: t->pending_decrementer_exception = (uint32_t)v; break;
    case 197: t->tfmr_per_thread = v; break;
    case 198: t->pending_HDEC = (uint32_t)v; break;
    default: t->wake_send_pending = (uint32_t)v; break;
    }
}

} // namespace

int LIBSIM__EXSR_Count(void)
{
    return (int)EXSR_IDS;
}

const char *LIBSIM__EXSR_Name(uint32_t id)
{
    if (id >= EXSR_IDS) {
        sim_warning(2, "LIBSIM__EXSR_Name: Unknown EXSR id of %d", (int)id);
        return "Unknown";
    }
    return EXSR_Names[id];
}

uint64_t LIBSIM__EXSR_Get(ThreadState *thread, uint32_t id)
{
    if (id >= EXSR_IDS) {
        sim_warning(2, "LIBSIM__EXSR_Get: Unknown EXSR id of %d", (int)id);
        return ~0ull;
    }
    return id < EXSR_REGISTER_IDS ? exsr_registers[id].get(thread) : state_word_get(thread, id);
}

void LIBSIM__EXSR_Set(ThreadState *thread, uint32_t id, uint64_t value)
{
    if (id >= EXSR_IDS) {
        sim_warning(2, "LIBSIM__EXSR_Set: Unknown EXSR id of %d", (int)id);
        return;
    }
    if (id < EXSR_REGISTER_IDS)
        exsr_registers[id].set(thread, value);
    else
        state_word_set(thread, id, value);
}
