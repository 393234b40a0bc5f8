// The scalar floating-point instructions that call an emulation core, and their availability
// check.
#include "fp/fp_instructions.h"

#include "decode/instr_info.h"
#include "decode/semantics.h"
#include "fp/fp_emul.h"
#include "fp/fp_emul_common.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t kHfscrFloatingPoint = 0x1;
constexpr uint64_t kSoftPatchCause = 0x100000;
constexpr uint64_t kLoadOrStore = II_LOAD | II_STORE;
constexpr uint64_t kGlentRecipSqrtMask = 0x18000000; // OX and UX

bool gate(IOPDesc *iop, int option, const char *text)
{
    if (IOP_Option(iop, option)) return true;
    interrupt_IllegalInstruction(iop, text);
    return false;
}

// Two gates in order: the first that is off raises.
bool gates(IOPDesc *iop, int first, const char *first_text, int second, const char *second_text)
{
    return gate(iop, first, first_text) && gate(iop, second, second_text);
}

// The end of a semantic routine: advance when the worker completed.
int finish(IOPDesc *iop, int done)
{
    if (!done) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

// frsqrtes and frsqrtes. with GLENT_RECIP_SQRT_EST_SET_UX_OX: OX and UX join the row's mask for
// good.
void widen_recip_sqrt_mask(IOPDesc *iop)
{
    if (IOP_Option(iop, PO_GLENT_RECIP_SQRT_EST_SET_UX_OX) && iop->row) iop->row->fpscr_mask |= kGlentRecipSqrtMask;
}

} // namespace

int FP_Softpatch_Step(IOPDesc *iop)
{
    InstrInfo *row = iop->row;
    if (!row || !row->softpatch || standalone_mode) return 0;
    const int answer = row->softpatch(iop);
    if (answer) interrupt_SoftPatch(iop, iop->data.ea, kSoftPatchCause);
    return answer;
}

int Check_FP_Available(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_FLOATING_POINT_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "unsupported floating point");
        return 0;
    }
    InstrInfo *row = iop->row;
    const uint64_t msr = iGET_MSR(iop);
    if (!(msr & MSR_HV) || (msr & MSR_PR)) {
        if (!(iGET_HFSCR(iop) & kHfscrFloatingPoint)) {
            interrupt_HyperFacilityUnavailable(iop, 0, row ? row->mnemonic : "no instruction");
            return 0;
        }
        if (msr & MSR_PR) (void)iGET_FSCR(iop); // FSCR has no floating-point bit: read for its triggers
    }
    if (!(msr & MSR_FP)) {
        interrupt_FPUnavailable(iop);
        return 0;
    }
    const bool goes_on_with_interrupt = row && (row->class_flags & kLoadOrStore);
    if (IOP_Option(iop, PO_FP_VSX_TAKES_SOFTPATCH)) {
        FP_Softpatch_Step(iop);
        if (iop->exceptions && !goes_on_with_interrupt) return 0;
    }
    if (row && row->softpatch && !standalone_mode && row->softpatch(iop))
        interrupt_SoftPatch(iop, iop->data.ea, kSoftPatchCause);
    if (iop->exceptions && !goes_on_with_interrupt) return 0;
    FPSCR_Start_Instruction(iop);
    return 1;
}

void FP_Set_CR1(IOPDesc *iop)
{
    IOP_Write_CR_Field(iop, 1, (uint32_t)(iGET_FPSCR(iop) >> 28) & 0xF);
}

void FP_Set_Representation(IOPDesc *iop, uint32_t n, int32_t marker)
{
    if (marker == FP_MARK_KEEP) return;
    iop->thread->VSR[n & 31].fpr_form = marker;
    const InstrInfo *row = iop->row;
    if (!row) return;
    if (marker == FP_MARK_DOUBLE && row->access_size == 4)
        sim_do_warning(1, "%s: not single representation but length = %d", row->mnemonic, row->access_size);
    else if (marker == FP_MARK_SINGLE && row->access_size == 8)
        sim_do_warning(1, "%s: not double representation but length = %d", row->mnemonic, row->access_size);
}

int FP_Worker(IOPDesc *iop, int (*core)(IOPDesc *), int32_t marker, bool record)
{
    if (!Check_FP_Available(iop)) return 0;
    const int r = core(iop);
    if (record && r) FP_Set_CR1(iop);
    FP_Set_Representation(iop, FP_FRT(iop), marker);
    if (!IOP_Update_FPSCR_Summary(iop)) return 0;
    return r;
}

// ---- the routines ----

// A worker and its semantic routine; the gate is an expression of iop, true when it passes.
#define QUARN_FP_ROUTINE(name, core, marker, record, gate_expression)                                       \
    int core_##name(IOPDesc *iop)                                                                            \
    {                                                                                                        \
        return FP_Worker(iop, core, marker, record);                                                         \
    }                                                                                                        \
    int semantic_##name(IOPDesc *iop)                                                                        \
    {                                                                                                        \
        if (!(gate_expression)) return 0;                                                                    \
        return finish(iop, core_##name(iop));                                                                \
    }

// Arithmetic.
QUARN_FP_ROUTINE(fadd, core_fadd_emul, FP_MARK_DOUBLE, false, true)
QUARN_FP_ROUTINE(fadd_dot, core_fadd_emul, FP_MARK_DOUBLE, true, true)
QUARN_FP_ROUTINE(fsub, core_fsub_emul, FP_MARK_DOUBLE, false, true)
QUARN_FP_ROUTINE(fsub_dot, core_fsub_emul, FP_MARK_DOUBLE, true, true)
QUARN_FP_ROUTINE(fmul, core_fmul_emul, FP_MARK_DOUBLE, false, true)
QUARN_FP_ROUTINE(fmul_dot, core_fmul_emul, FP_MARK_DOUBLE, true, true)
QUARN_FP_ROUTINE(fdiv, core_fdiv_emul, FP_MARK_DOUBLE, false, !CHECK_FOR_UCODE())
QUARN_FP_ROUTINE(fdiv_dot, core_fdiv_emul, FP_MARK_DOUBLE, true, !CHECK_FOR_UCODE())
QUARN_FP_ROUTINE(fadds, core_fadds_emul, FP_MARK_SINGLE, false, true)
QUARN_FP_ROUTINE(fadds_dot, core_fadds_emul, FP_MARK_SINGLE, true, true)
QUARN_FP_ROUTINE(fsubs, core_fsubs_emul, FP_MARK_SINGLE, false, true)
QUARN_FP_ROUTINE(fsubs_dot, core_fsubs_emul, FP_MARK_SINGLE, true, true)
QUARN_FP_ROUTINE(fmuls, core_fmuls_emul, FP_MARK_SINGLE, false, true)
QUARN_FP_ROUTINE(fmuls_dot, core_fmuls_emul, FP_MARK_SINGLE, true, true)
QUARN_FP_ROUTINE(fdivs, core_fdivs_emul, FP_MARK_SINGLE, false, !CHECK_FOR_UCODE())
QUARN_FP_ROUTINE(fdivs_dot, core_fdivs_emul, FP_MARK_SINGLE, true, !CHECK_FOR_UCODE())

// Fused multiply-add.
QUARN_FP_ROUTINE(fmadd, core_fmadd_emul, FP_MARK_DOUBLE, false, true)
QUARN_FP_ROUTINE(fmadd_dot, core_fmadd_emul, FP_MARK_DOUBLE, true, true)
QUARN_FP_ROUTINE(fmsub, core_fmsub_emul, FP_MARK_DOUBLE, false, true)
QUARN_FP_ROUTINE(fmsub_dot, core_fmsub_emul, FP_MARK_DOUBLE, true, true)
QUARN_FP_ROUTINE(fnmadd, core_fnmadd_emul, FP_MARK_DOUBLE, false, true)
QUARN_FP_ROUTINE(fnmadd_dot, core_fnmadd_emul, FP_MARK_DOUBLE, true, true)
QUARN_FP_ROUTINE(fnmsub, core_fnmsub_emul, FP_MARK_DOUBLE, false, true)
QUARN_FP_ROUTINE(fnmsub_dot, core_fnmsub_emul, FP_MARK_DOUBLE, true, true)
QUARN_FP_ROUTINE(fmadds, core_fmadds_emul, FP_MARK_SINGLE, false, true)
QUARN_FP_ROUTINE(fmadds_dot, core_fmadds_emul, FP_MARK_SINGLE, true, true)
QUARN_FP_ROUTINE(fmsubs, core_fmsubs_emul, FP_MARK_SINGLE, false, true)
QUARN_FP_ROUTINE(fmsubs_dot, core_fmsubs_emul, FP_MARK_SINGLE, true, true)
QUARN_FP_ROUTINE(fnmadds, core_fnmadds_emul, FP_MARK_SINGLE, false, true)
QUARN_FP_ROUTINE(fnmadds_dot, core_fnmadds_emul, FP_MARK_SINGLE, true, true)
QUARN_FP_ROUTINE(fnmsubs, core_fnmsubs_emul, FP_MARK_SINGLE, false, true)
QUARN_FP_ROUTINE(fnmsubs_dot, core_fnmsubs_emul, FP_MARK_SINGLE, true, true)

// Square root.
QUARN_FP_ROUTINE(fsqrt, core_fsqrt_emul, FP_MARK_DOUBLE, false,
                 gates(iop, PO_FP_GENERAL_PURPOSE_INSTRUCTIONS_SUPPORTED, "fsqrt: no graphics support",
                       PO_FSQRT_SUPPORTED, "fsqrt") &&
                     !CHECK_FOR_UCODE())
QUARN_FP_ROUTINE(fsqrt_dot, core_fsqrt_emul, FP_MARK_DOUBLE, true,
                 gates(iop, PO_FP_GENERAL_PURPOSE_INSTRUCTIONS_SUPPORTED, "fsqrt_dot: no graphics support",
                       PO_FSQRT_SUPPORTED, "fsqrt_dot") &&
                     !CHECK_FOR_UCODE())
QUARN_FP_ROUTINE(fsqrts, core_fsqrts_emul, FP_MARK_SINGLE, false,
                 gates(iop, PO_FP_GENERAL_PURPOSE_INSTRUCTIONS_SUPPORTED, "fsqrts: no graphics support",
                       PO_FSQRT_SUPPORTED, "fsqrts") &&
                     !CHECK_FOR_UCODE())
QUARN_FP_ROUTINE(fsqrts_dot, core_fsqrts_emul, FP_MARK_SINGLE, true,
                 gates(iop, PO_FP_GENERAL_PURPOSE_INSTRUCTIONS_SUPPORTED, "fsqrts_dot: no graphics support",
                       PO_FSQRT_SUPPORTED, "fsqrts_dot") &&
                     !CHECK_FOR_UCODE())

// Estimates. fre serves fre and fre.: its CR1 follows the Rc bit whatever the core answered.
int core_fre(IOPDesc *iop)
{
    if (!Check_FP_Available(iop)) return 0;
    const int r = core_fre_emul(iop);
    if (iop->word & 1) FP_Set_CR1(iop);
    FP_Set_Representation(iop, FP_FRT(iop), FP_MARK_DOUBLE);
    if (!IOP_Update_FPSCR_Summary(iop)) return 0;
    return r;
}
int semantic_fre(IOPDesc *iop)
{
    if (!gates(iop, PO_FP_GRAPHICS_INSTRUCTIONS_SUPPORTED, "fre: no graphics support", PO_FP_FRE_SUPPORTED, "fre"))
        return 0;
    return finish(iop, core_fre(iop));
}
QUARN_FP_ROUTINE(fres, core_fres_emul, FP_MARK_SINGLE, false, gate(iop, PO_FP_GRAPHICS_INSTRUCTIONS_SUPPORTED, "fres"))
QUARN_FP_ROUTINE(fres_dot, core_fres_emul, FP_MARK_SINGLE, true,
                 gate(iop, PO_FP_GRAPHICS_INSTRUCTIONS_SUPPORTED, "fres_dot"))
QUARN_FP_ROUTINE(frsqrte, core_frsqrte_emul, FP_MARK_DOUBLE, false,
                 gates(iop, PO_FP_GRAPHICS_INSTRUCTIONS_SUPPORTED, "frsqrte: no graphics support",
                       PO_FRSQRTE_SUPPORTED, "frsqrte"))
QUARN_FP_ROUTINE(frsqrte_dot, core_frsqrte_emul, FP_MARK_DOUBLE, true,
                 gates(iop, PO_FP_GRAPHICS_INSTRUCTIONS_SUPPORTED, "frsqrte_dot: no graphics support",
                       PO_FRSQRTE_SUPPORTED, "frsqrte_dot"))
QUARN_FP_ROUTINE(frsqrtes, core_frsqrtes_emul, FP_MARK_SINGLE, false,
                 gates(iop, PO_FP_GRAPHICS_INSTRUCTIONS_SUPPORTED, "frsqrtes: no graphics support",
                       PO_FRSQRTES_SUPPORTED, "frsqrtes") &&
                     (widen_recip_sqrt_mask(iop), true))
QUARN_FP_ROUTINE(frsqrtes_dot, core_frsqrtes_emul, FP_MARK_SINGLE, true,
                 gates(iop, PO_FP_GRAPHICS_INSTRUCTIONS_SUPPORTED, "frsqrtes_dot: no graphics support",
                       PO_FRSQRTES_SUPPORTED, "frsqrtes_dot") &&
                     (widen_recip_sqrt_mask(iop), true))
QUARN_FP_ROUTINE(floges, core_floges_emul, FP_MARK_SINGLE, false,
                 gates(iop, PO_FP_GRAPHICS_INSTRUCTIONS_SUPPORTED, "floges: no graphics support",
                       PO_FP_LOGES_SUPPORTED, "floges"))
QUARN_FP_ROUTINE(fexptes, core_fexptes_emul, FP_MARK_SINGLE, false,
                 gates(iop, PO_FP_GRAPHICS_INSTRUCTIONS_SUPPORTED, "fexptes: no graphics support",
                       PO_FP_EXPTES_SUPPORTED, "fexptes"))

// Rounding.
QUARN_FP_ROUTINE(frsp, core_frsp_emul, FP_MARK_SINGLE, false, true)
QUARN_FP_ROUTINE(frsp_dot, core_frsp_emul, FP_MARK_SINGLE, true, true)
QUARN_FP_ROUTINE(frim, core_frim_emul, FP_MARK_KEEP, false, gate(iop, PO_POWERPC_V203, "frim"))
QUARN_FP_ROUTINE(frim_dot, core_frim_emul, FP_MARK_KEEP, true, gate(iop, PO_POWERPC_V203, "frim_dot"))
QUARN_FP_ROUTINE(frin, core_frin_emul, FP_MARK_KEEP, false, gate(iop, PO_POWERPC_V203, "frin"))
QUARN_FP_ROUTINE(frin_dot, core_frin_emul, FP_MARK_KEEP, true, gate(iop, PO_POWERPC_V203, "frin_dot"))
QUARN_FP_ROUTINE(frip, core_frip_emul, FP_MARK_KEEP, false, gate(iop, PO_POWERPC_V203, "frip"))
QUARN_FP_ROUTINE(frip_dot, core_frip_emul, FP_MARK_KEEP, true, gate(iop, PO_POWERPC_V203, "frip_dot"))
QUARN_FP_ROUTINE(friz, core_friz_emul, FP_MARK_KEEP, false, gate(iop, PO_POWERPC_V203, "friz"))
QUARN_FP_ROUTINE(friz_dot, core_friz_emul, FP_MARK_KEEP, true, gate(iop, PO_POWERPC_V203, "friz_dot"))

// Conversions to integer.
QUARN_FP_ROUTINE(fctiw, core_fctiw_emul, FP_MARK_INTEGER, false, true)
QUARN_FP_ROUTINE(fctiw_dot, core_fctiw_emul, FP_MARK_INTEGER, true, true)
QUARN_FP_ROUTINE(fctiwz, core_fctiwz_emul, FP_MARK_INTEGER, false, true)
QUARN_FP_ROUTINE(fctiwz_dot, core_fctiwz_emul, FP_MARK_INTEGER, true, true)
QUARN_FP_ROUTINE(fctid, core_fctid_emul, FP_MARK_INTEGER, false, gate(iop, PO_BASE_FCTID_SUPPORTED, "fctid"))
QUARN_FP_ROUTINE(fctid_dot, core_fctid_emul, FP_MARK_INTEGER, true, gate(iop, PO_BASE_FCTID_SUPPORTED, "fctid."))
QUARN_FP_ROUTINE(fctidz, core_fctidz_emul, FP_MARK_INTEGER, false, gate(iop, PO_BASE_FCTID_SUPPORTED, "fctidz"))
QUARN_FP_ROUTINE(fctidz_dot, core_fctidz_emul, FP_MARK_INTEGER, true,
                 gate(iop, PO_BASE_FCTID_SUPPORTED, "fctidz."))
QUARN_FP_ROUTINE(fctiwu, core_fctiwu_emul, FP_MARK_DOUBLE, false,
                 gate(iop, PO_FCTIW_SUPPORTED, "fctiwu") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fctiwu_dot, core_fctiwu_emul, FP_MARK_DOUBLE, true,
                 gate(iop, PO_FCTIW_SUPPORTED, "fctiwu.") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fctiwuz, core_fctiwuz_emul, FP_MARK_DOUBLE, false,
                 gate(iop, PO_FCTIW_SUPPORTED, "fctiwuz") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fctiwuz_dot, core_fctiwuz_emul, FP_MARK_DOUBLE, true,
                 gate(iop, PO_FCTIW_SUPPORTED, "fctiwuz.") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fctidu, core_fctidu_emul, FP_MARK_DOUBLE, false,
                 gate(iop, PO_FCTID_SUPPORTED, "fctidu") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fctidu_dot, core_fctidu_emul, FP_MARK_DOUBLE, true,
                 gate(iop, PO_FCTID_SUPPORTED, "fctidu.") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fctiduz, core_fctiduz_emul, FP_MARK_DOUBLE, false,
                 gate(iop, PO_FCTID_SUPPORTED, "fctiduz") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fctiduz_dot, core_fctiduz_emul, FP_MARK_DOUBLE, true,
                 gate(iop, PO_FCTID_SUPPORTED, "fctiduz.") && PCR_Gate_v2_05(iop))

// Conversions from integer.
QUARN_FP_ROUTINE(fcfid, core_fcfid_emul, FP_MARK_DOUBLE, false, gate(iop, PO_BASE_FCFID_SUPPORTED, "fcfid"))
QUARN_FP_ROUTINE(fcfid_dot, core_fcfid_emul, FP_MARK_DOUBLE, true, gate(iop, PO_BASE_FCFID_SUPPORTED, "fcfid."))
QUARN_FP_ROUTINE(fcfidu, core_fcfidu_emul, FP_MARK_DOUBLE, false,
                 gate(iop, PO_FCFID_SUPPORTED, "fcfidu") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fcfidu_dot, core_fcfidu_emul, FP_MARK_DOUBLE, true,
                 gate(iop, PO_FCFID_SUPPORTED, "fcfidu.") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fcfids, core_fcfids_emul, FP_MARK_SINGLE, false,
                 gate(iop, PO_FCFID_SUPPORTED, "fcfids") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fcfids_dot, core_fcfids_emul, FP_MARK_SINGLE, true,
                 gate(iop, PO_FCFID_SUPPORTED, "fcfids.") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fcfidus, core_fcfidus_emul, FP_MARK_SINGLE, false,
                 gate(iop, PO_FCFID_SUPPORTED, "fcfidus") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(fcfidus_dot, core_fcfidus_emul, FP_MARK_SINGLE, true,
                 gate(iop, PO_FCFID_SUPPORTED, "fcfidus.") && PCR_Gate_v2_05(iop))

// Compares and tests.
QUARN_FP_ROUTINE(compare_fp, emul_compare_fp, FP_MARK_KEEP, false, true)
QUARN_FP_ROUTINE(ftdiv, core_ftdiv_emul, FP_MARK_KEEP, false,
                 gate(iop, PO_FTDIV_SUPPORTED, "ftdiv") && PCR_Gate_v2_05(iop))
QUARN_FP_ROUTINE(ftsqrt, core_ftsqrt_emul, FP_MARK_KEEP, false,
                 gate(iop, PO_FTSQRT_SUPPORTED, "ftsqrt") && PCR_Gate_v2_05(iop))

#undef QUARN_FP_ROUTINE
