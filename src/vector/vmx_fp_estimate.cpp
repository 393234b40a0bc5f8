// VMX single-precision estimates: reciprocal, reciprocal square root, 2 to the power and base-2
// logarithm, under VSCR[NJ] and the denormal count of the VMX floating-point frame. With Dravo_VMX
// the reciprocal forms take the scalar single-precision estimators (which, for a vector row, round
// to nearest and leave FPSCR alone).
#include "decode/semantics.h"
#include "fp/fp160.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp/fp_estimate.h"
#include "fp/format_convert.h"
#include "fp/fp_emul.h"
#include "vector/vmx_fp_frame.h"
#include "vector/vmx_fp_lanes.h"

namespace
{

using namespace vec;

using ScalarEstimator = int (*)(IOPDesc *, const uint64_t *, uint64_t *, uint32_t *, int, const char *);

// The Dravo_VMX path: the element through the scalar single-precision estimator and back.
uint32_t scalar_estimate(IOPDesc *iop, uint32_t b, bool nj, ScalarEstimator estimator, const char *name,
                         const char *label)
{
    FP160 v;
    FP160_VX_ConvertFromSP_Source(&v, b, nj, 0, name);
    uint64_t d = 0, e = 0;
    FP160_Convert64(&v, 1, &d, 3);
    uint32_t flags = 0;
    estimator(iop, &d, &e, &flags, 1, label);
    return sp_flush(ConvDPtoSP(iop->thread, e, 1, 0), nj);
}

bool dravo(const IOPDesc *iop)
{
    return iop->thread->processor->options[PO_Dravo_VMX] != 0;
}

} // namespace

int semantic_vrefp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vrefp);
    const bool scalar = dravo(iop);
    return vmx_fp_run<SRC_B>(
        iop, [iop, scalar](uint32_t, uint32_t b, uint32_t, FpElementState &s) -> uint32_t {
            if (scalar)
                return scalar_estimate(iop, b, s.nj, FPEst_Reciprocal, "semantic_vrefp::op_B", "vrefp");
            if (!s.nj && sp_denormal(b)) s.denormals++;
            b = sp_flush(b, s.nj);
            const uint32_t sign = b & SP_SIGN;
            if (sp_zero(b)) return sign | SP_EXP;
            if ((b & ~SP_SIGN) == 0x7E800000) return sign | 0x00800000;
            if (sp_nan(b)) return b | SP_QUIET;
            if (sp_inf(b)) return sign;
            const uint32_t r = one_over_x(b);
            if (sp_denormal(r)) {
                if (s.nj) return r & SP_SIGN;
                s.denormals++;
            }
            return r;
        });
}

int semantic_vrsqrtefp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vrsqrtefp);
    const bool scalar = dravo(iop);
    return vmx_fp_run<SRC_B>(iop,
                             [iop, scalar](uint32_t, uint32_t b, uint32_t, FpElementState &s) -> uint32_t {
                                 if (scalar)
                                     return scalar_estimate(iop, b, s.nj, FPEst_RecipSqrt,
                                                            "semantic_vrsqrtefp::op_B", "vrsqrtefp");
                                 if (!s.nj && sp_denormal(b)) s.denormals++;
                                 b = sp_flush(b, s.nj);
                                 if (sp_zero(b)) return (b & SP_SIGN) | SP_EXP;
                                 if (b == SP_EXP) return 0;
                                 if (b == (SP_SIGN | SP_EXP)) return SP_DEFAULT_NAN;
                                 if (sp_nan(b)) return b | SP_QUIET;
                                 if (b & SP_SIGN) return SP_DEFAULT_NAN;
                                 return sp_flush(one_over_sqrt_x(b), s.nj);
                             });
}

int semantic_vexptefp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vexptefp);
    return vmx_fp_run<SRC_B>(iop, [](uint32_t, uint32_t b, uint32_t, FpElementState &s) {
        return sp_flush(FP_Compute_EXPTES(sp_flush(b, s.nj), 0), s.nj);
    });
}

int semantic_vlogefp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vlogefp);
    return vmx_fp_run<SRC_B>(iop, [](uint32_t, uint32_t b, uint32_t, FpElementState &s) {
        if (!s.nj && sp_denormal(b)) s.denormals++;
        return sp_flush(FP_Compute_LOGES(sp_flush(b, s.nj), 0), s.nj);
    });
}
