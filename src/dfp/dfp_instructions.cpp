// The decimal floating-point instructions: availability, the shared routine body and the 88
// routines.
#include "dfp/dfp_instructions.h"

#include <cstring>

#include "processor/hooks/reg_reader_queue.h"
#include "processor/hooks/vsr_access.h"
#include "dfp/dfp_entry_points.h"
#include "interrupts/fp_exception_check.h"
#include "interrupts/interrupt_raisers.h"
#include "fp/fpr_invalid_map.h"
#include "fp/fpscr.h"
#include "interrupts/instruction_raisers.h"
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/facility_bits.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "vector/fp_softpatch.h"

namespace
{

constexpr uint64_t kHid1DecimalDisabled = 0x0040000002000000ull;
constexpr uint64_t kFloatingPointSoftPatchCause = 0x100000;
constexpr int kFloatingPointFacility = 0;

// ---- instruction fields ----

uint32_t FRT(const IOPDesc *iop)
{
    return (iop->word >> 21) & 0x1F;
}
uint32_t BF(const IOPDesc *iop)
{
    return (iop->word >> 23) & 7;
}
uint32_t FRA(const IOPDesc *iop)
{
    return (iop->word >> 16) & 0x1F;
}
uint32_t FRB(const IOPDesc *iop)
{
    return (iop->word >> 11) & 0x1F;
}
int TE(const IOPDesc *iop)
{
    return (int)((iop->word >> 16) & 0x1F);
}
int R(const IOPDesc *iop)
{
    return (int)((iop->word >> 16) & 1);
}
int S(const IOPDesc *iop)
{
    return (int)((iop->word >> 20) & 1);
}
int SP(const IOPDesc *iop)
{
    return (int)((iop->word >> 19) & 3);
}
int SH(const IOPDesc *iop) // also DCM and DGM
{
    return (int)((iop->word >> 10) & 0x3F);
}
int RMC(const IOPDesc *iop)
{
    return (int)((iop->word >> 9) & 3);
}

// ---- operands: the architected FPRs, read without triggers ----

uint64_t fpr(const IOPDesc *iop, uint32_t n)
{
    return iop->thread->VSR[n].value[1];
}

// A register pair (n with its low bit cleared, then set), most significant doubleword first.
struct Pair {
    uint64_t w[2];
};
Pair pair(const IOPDesc *iop, uint32_t n)
{
    return Pair{{fpr(iop, n & ~1u), fpr(iop, n | 1u)}};
}

uint64_t A(const IOPDesc *iop)
{
    return fpr(iop, FRA(iop));
}
uint64_t B(const IOPDesc *iop)
{
    return fpr(iop, FRB(iop));
}
Pair AQ(const IOPDesc *iop)
{
    return pair(iop, FRA(iop));
}
Pair BQ(const IOPDesc *iop)
{
    return pair(iop, FRB(iop));
}

// ---- results ----

// A 64-bit result: the FPR directly, the VSR's other doubleword 0, in every mode.
void write_double(IOPDesc *iop, uint32_t n, uint64_t value)
{
    Reg128 *vsr = &iop->thread->VSR[n];
    vsr->value[1] = value;
    vsr->value[0] = 0;
    Update_FPR_Invalid_Map(iop, n, value);
}

// One 128-bit value handed to the cycle-level core's vector result slot.
void hand_over(IOPDesc *iop, uint64_t high, uint64_t low)
{
    IOPResultSlot *slot = &iop->result_gpr2;
    slot->value[0] = high;
    slot->value[1] = low;
    slot->ready_time = iop->time_stamp;
    VRegReaderQ_release(slot, iop->cthread);
}

// A 128-bit result into the pair of n: FPR even = word 0, FPR odd = word 1, and word 1 as the
// other doubleword of both VSRs.
void write_quad(IOPDesc *iop, uint32_t n, const uint64_t *result)
{
    const uint32_t even = n & ~1u, odd = n | 1u;
    if (iop->use_slots) {
        // Both values pass through the one vector result slot, the odd register's last: a
        // commit from that slot alone would lose the even register's value, so the cycle-level
        // core must take each at its hand-over.
        hand_over(iop, result[0], result[1]);
        hand_over(iop, result[1], result[1]);
        return;
    }
    WRITE_VSR_SIMPLE(iop, even, result[0], result[1], "T");
    WRITE_VSR_SIMPLE(iop, odd, result[1], result[1], "T");
}

// ---- the routine body ----

enum class Target { CR_BF, D, Q };

// Steps some forms add.
enum : uint32_t {
    GATE_PCR_V205 = 1,      // dcffix: problem state with PCR 0x2 refuses, before availability
    GATE_V202 = 2,          // dcffixq: option POWERPC_V202 required, after availability
    FRFI_UNDEFINED = 4,     // frFiUndefined from option DFP_DCTDP_DCFFIXQ_UNDEFINED_FR_FI
    CLEAR_FRFI_OPTION = 8,  // dcffixq: FR and FI cleared under DFP_DCTFIX_LEAVES_FPRF_ZERO
    CLEAR_FPRF_OPTION = 16, // dctfix: FPRF cleared under DFP_DCTFIX_LEAVES_FPRF_ZERO
    CLEAR_FRFI = 32,        // dctdp: FR and FI always cleared
};

void clear_fpscr_bits(DFP_SystemEnvironment *env, uint64_t bits)
{
    env->fpscr &= ~bits;
    env->fpscrUpdate |= bits;
}

// call(env, result words) reads the operands and calls the entry point.
template <Target target, bool record, typename Call> int execute(IOPDesc *iop, uint32_t steps, Call call)
{
    if ((steps & GATE_PCR_V205) && !PCR_Gate_v2_05(iop)) return 0;
    DFP_SystemEnvironment env;
    memset(&env, 0, sizeof env);
    if (!DFP_Check_Available(iop)) return 0;
    if ((steps & GATE_V202) && !IOP_Option(iop, PO_POWERPC_V202)) {
        interrupt_IllegalInstruction(iop, "dcffixq");
        return 0;
    }
    env.system = DFP_SYSTEM_HALVO;
    DFP_UserDirectivesInit(&env);
    env.fpscr = iGET_FPSCR(iop);
    if (steps & FRFI_UNDEFINED)
        env.frFiUndefined = IOP_Option(iop, PO_DFP_DCTDP_DCFFIXQ_UNDEFINED_FR_FI) ? 1 : 0;

    uint64_t result[2] = {0, 0};
    call(&env, result);

    const bool delivered = env.resultKind != 0;
    if constexpr (target == Target::D) {
        if (delivered) write_double(iop, FRT(iop), result[0]);
    } else if constexpr (target == Target::Q) {
        if (delivered) write_quad(iop, FRT(iop), result);
    }
    const bool fprf_zero = IOP_Option(iop, PO_DFP_DCTFIX_LEAVES_FPRF_ZERO) != 0;
    if ((steps & CLEAR_FRFI_OPTION) && delivered && fprf_zero)
        clear_fpscr_bits(&env, DFP_FPSCR_FR | DFP_FPSCR_FI);
    if ((steps & CLEAR_FPRF_OPTION) && delivered && fprf_zero) clear_fpscr_bits(&env, DFP_FPSCR_FPRF);
    if (steps & CLEAR_FRFI) clear_fpscr_bits(&env, DFP_FPSCR_FR | DFP_FPSCR_FI);

    const FPSCR_Pair summary{env.fpscr, env.fpscrUpdate};
    Set_FPSCR_With_Summary(iop, &summary);
    iSET_FPSCR(iop, env.fpscr);
    if constexpr (target == Target::CR_BF)
        IOP_Write_CR_Field(iop, BF(iop), (uint32_t)(env.fpscr >> 12) & 0xF);
    if constexpr (record) IOP_Write_CR_Field(iop, 1, (uint32_t)(env.fpscr >> 28) & 0xF);
    if (!IOP_FP_Exception_Check(iop)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

bool load_or_store(const IOPDesc *iop)
{
    return iop->row && (iop->row->class_flags & (II_LOAD | II_STORE));
}

} // namespace

int DFP_Check_Available(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_DFP_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "unsupported DFP");
        return 0;
    }
    if (iGET_HID1(iop) & kHid1DecimalDisabled) {
        interrupt_IllegalInstruction(iop, "DFP is disabled");
        return 0;
    }
    const char *name = iop->row ? iop->row->mnemonic : "no instruction";
    uint64_t msr = iGET_MSR(iop);
    if (!(msr & MSR_HV) || (msr & MSR_PR)) {
        const uint64_t hfscr = iGET_HFSCR(iop);
        if (HFscr_bits[kFloatingPointFacility] && !(hfscr & HFscr_bits[kFloatingPointFacility])) {
            interrupt_HyperFacilityUnavailable(iop, kFloatingPointFacility, name);
            return 0;
        }
        if (iGET_MSR(iop) & MSR_PR) {
            const uint64_t fscr = iGET_FSCR(iop);
            if (Fscr_bits[kFloatingPointFacility] && !(fscr & Fscr_bits[kFloatingPointFacility])) {
                interrupt_FacilityUnavailable(iop, kFloatingPointFacility, name);
                return 0;
            }
        }
    }
    if (!(iGET_MSR(iop) & MSR_FP)) {
        interrupt_FPUnavailable(iop);
        return 0;
    }
    if (IOP_Option(iop, PO_FP_VSX_TAKES_SOFTPATCH)) {
        FP_Softpatch_Check(iop);
        if (iop->exceptions && !load_or_store(iop)) return 0;
    }
    if (iop->row && iop->row->softpatch && !standalone_mode && iop->row->softpatch(iop))
        interrupt_SoftPatch(iop, iop->data.ea, kFloatingPointSoftPatchCause);
    if (iop->exceptions) return load_or_store(iop) ? 1 : 0;
    return 1;
}

// ---- the routines ----

// A form with a result register and its record form.
#define DFP_RESULT_FORMS(name, target, steps, ...)                                                           \
    int semantic_##name(IOPDesc *iop)                                                                        \
    {                                                                                                        \
        return execute<Target::target, false>(                                                               \
            iop, steps, [iop](DFP_SystemEnvironment *env, uint64_t *r) { __VA_ARGS__; });                    \
    }                                                                                                        \
    int semantic_##name##_dot(IOPDesc *iop)                                                                  \
    {                                                                                                        \
        return execute<Target::target, true>(                                                                \
            iop, steps, [iop](DFP_SystemEnvironment *env, uint64_t *r) { __VA_ARGS__; });                    \
    }

// A compare or test: CR field BF, no record form.
#define DFP_CR_FORM(name, ...)                                                                               \
    int semantic_##name(IOPDesc *iop)                                                                        \
    {                                                                                                        \
        return execute<Target::CR_BF, false>(                                                                \
            iop, 0, [iop](DFP_SystemEnvironment *env, uint64_t *) { __VA_ARGS__; });                         \
    }

DFP_RESULT_FORMS(dadd, D, 0, dadd(A(iop), B(iop), r, env))
DFP_RESULT_FORMS(daddq, Q, 0, daddq(AQ(iop).w, BQ(iop).w, r, env))
DFP_RESULT_FORMS(dsub, D, 0, dsub(A(iop), B(iop), r, env))
DFP_RESULT_FORMS(dsubq, Q, 0, dsubq(AQ(iop).w, BQ(iop).w, r, env))
DFP_RESULT_FORMS(dmul, D, 0, dmul(A(iop), B(iop), r, env))
DFP_RESULT_FORMS(dmulq, Q, 0, dmulq(AQ(iop).w, BQ(iop).w, r, env))
DFP_RESULT_FORMS(ddiv, D, 0, ddiv(A(iop), B(iop), r, env))
DFP_RESULT_FORMS(ddivq, Q, 0, ddivq(AQ(iop).w, BQ(iop).w, r, env))

DFP_CR_FORM(dcmpu, dcmpu(A(iop), B(iop), env))
DFP_CR_FORM(dcmpuq, dcmpuq(AQ(iop).w, BQ(iop).w, env))
DFP_CR_FORM(dcmpo, dcmpo(A(iop), B(iop), env))
DFP_CR_FORM(dcmpoq, dcmpoq(AQ(iop).w, BQ(iop).w, env))
DFP_CR_FORM(dtstdc, dtstdc(A(iop), SH(iop), env))
DFP_CR_FORM(dtstdcq, dtstdcq(AQ(iop).w, SH(iop), env))
DFP_CR_FORM(dtstdg, dtstdg(A(iop), SH(iop), env))
DFP_CR_FORM(dtstdgq, dtstdgq(AQ(iop).w, SH(iop), env))
DFP_CR_FORM(dtstex, dtstex(A(iop), B(iop), env))
DFP_CR_FORM(dtstexq, dtstexq(AQ(iop).w, BQ(iop).w, env))
DFP_CR_FORM(dtstsf, dtstsf(A(iop), B(iop), env))
DFP_CR_FORM(dtstsfq, dtstsfq(A(iop), BQ(iop).w, env))

DFP_RESULT_FORMS(dquai, D, 0, dquai(TE(iop), B(iop), RMC(iop), r, env))
DFP_RESULT_FORMS(dquaiq, Q, 0, dquaiq(TE(iop), BQ(iop).w, RMC(iop), r, env))
DFP_RESULT_FORMS(dqua, D, 0, dqua(A(iop), B(iop), RMC(iop), r, env))
DFP_RESULT_FORMS(dquaq, Q, 0, dquaq(AQ(iop).w, BQ(iop).w, RMC(iop), r, env))
DFP_RESULT_FORMS(drrnd, D, 0, drrnd(A(iop) & 0x3F, B(iop), RMC(iop), r, env))
DFP_RESULT_FORMS(drrndq, Q, 0, drrndq(A(iop) & 0x3F, BQ(iop).w, RMC(iop), r, env))
DFP_RESULT_FORMS(drintx, D, 0, drintx(B(iop), R(iop), RMC(iop), r, env))
DFP_RESULT_FORMS(drintxq, Q, 0, drintxq(BQ(iop).w, R(iop), RMC(iop), r, env))
DFP_RESULT_FORMS(drintn, D, 0, drintn(B(iop), R(iop), RMC(iop), r, env))
DFP_RESULT_FORMS(drintnq, Q, 0, drintnq(BQ(iop).w, R(iop), RMC(iop), r, env))

DFP_RESULT_FORMS(dctdp, D, FRFI_UNDEFINED | CLEAR_FRFI, dctdp(B(iop), r, env))
DFP_RESULT_FORMS(dctqpq, Q, 0, dctqpq(B(iop), r, env))
DFP_RESULT_FORMS(drsp, D, 0, drsp(B(iop), r, env))
DFP_RESULT_FORMS(drdpq, Q, 0, drdpq(BQ(iop).w, r, env))
DFP_RESULT_FORMS(dcffix, D, GATE_PCR_V205, dcffix(B(iop), r, env))
DFP_RESULT_FORMS(dcffixq, Q, GATE_V202 | FRFI_UNDEFINED | CLEAR_FRFI_OPTION, dcffixq(B(iop), r, env))
DFP_RESULT_FORMS(dctfix, D, CLEAR_FPRF_OPTION, dctfix(B(iop), r, env))
DFP_RESULT_FORMS(dctfixq, D, CLEAR_FPRF_OPTION, dctfixq(BQ(iop).w, r, env))

DFP_RESULT_FORMS(ddedpd, D, 0, ddedpd(SP(iop), B(iop), r, env))
DFP_RESULT_FORMS(ddedpdq, Q, 0, ddedpdq(SP(iop), BQ(iop).w, r, env))
DFP_RESULT_FORMS(denbcd, D, 0, denbcd(S(iop), B(iop), r, env))
DFP_RESULT_FORMS(denbcdq, Q, 0, denbcdq(S(iop), BQ(iop).w, r, env))
DFP_RESULT_FORMS(dxex, D, 0, dxex(B(iop), r, env))
DFP_RESULT_FORMS(dxexq, D, 0, dxexq(BQ(iop).w, r, env))
DFP_RESULT_FORMS(diex, D, 0, diex(A(iop), B(iop), r, env))
DFP_RESULT_FORMS(diexq, Q, 0, diexq(A(iop), BQ(iop).w, r, env))
DFP_RESULT_FORMS(dscli, D, 0, dscli(SH(iop), A(iop), r, env))
DFP_RESULT_FORMS(dscliq, Q, 0, dscliq(SH(iop), AQ(iop).w, r, env))
DFP_RESULT_FORMS(dscri, D, 0, dscri(SH(iop), A(iop), r, env))
DFP_RESULT_FORMS(dscriq, Q, 0, dscriq(SH(iop), AQ(iop).w, r, env))
