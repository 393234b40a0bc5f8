// VMX single-precision floating point: add, subtract, multiply-add, negative multiply-subtract,
// maximum and minimum (rounded once to nearest, whatever FPSCR holds, which is neither read nor
// written); the round-to-integral forms; the conversions from and to fixed-point words with a
// scale; and the compares with their CR field 6 summary. VSCR[NJ] flushes denormals; with
// VMX_HANDLES_DENORMS off a counted denormal takes the VMX Assist interrupt instead.
#include "decode/semantics.h"
#include "fp/fp160.h"
#include "fp/fp160_arith.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "vector/vmx_fp_frame.h"
#include "vector/vmx_fp_lanes.h"

namespace
{

using namespace vec;

FP160 from_sp(uint32_t x, bool nj, const char *name)
{
    FP160 v;
    FP160_VX_ConvertFromSP_Source(&v, x, nj, 0, name);
    return v;
}

uint32_t to_sp(FP160 *v, bool nj)
{
    return FP160_Convert32(v, 0, nj, 0, 0);
}

// Denormal operands of an add or subtract count only where neither is a NaN.
void count_add_operands(uint32_t a, uint32_t b, FpElementState &s)
{
    if (s.nj || sp_nan(a) || sp_nan(b)) return;
    s.denormals += sp_denormal(a) + sp_denormal(b);
}

template <bool subtract>
uint32_t add(uint32_t a, uint32_t b, FpElementState &s, const char *name_a, const char *name_b)
{
    count_add_operands(a, b, s);
    FP160 x = from_sp(a, s.nj, name_a), y = from_sp(b, s.nj, name_b);
    if (subtract && !sp_nan(b)) y.sign = !y.sign;
    FP160_Add_GMode(&x, &y, 0, 0);
    const uint32_t r = to_sp(&x, s.nj);
    if (subtract && !s.nj && sp_denormal(r)) s.denormals++;
    return r;
}

// (a x c) + b, or -((a x c) - b), rounded once.
template <bool negate_subtract>
uint32_t multiply_add(uint32_t a, uint32_t b, uint32_t c, FpElementState &s, const char *const names[3])
{
    if (!s.nj) s.denormals += sp_denormal(a) + sp_denormal(b) + sp_denormal(c);
    if (sp_nan(a)) return a | SP_QUIET;
    if (sp_nan(b)) return b | SP_QUIET;
    if (sp_nan(c)) return c | SP_QUIET;
    if ((sp_inf(a) && sp_zero(c)) || (sp_inf(c) && sp_zero(a))) return SP_DEFAULT_NAN;
    FP160 x = from_sp(a, s.nj, names[0]), y = from_sp(b, s.nj, names[1]), z = from_sp(c, s.nj, names[2]);
    FP160_Multiply_GMode(&x, &z, 0);
    if (negate_subtract) y.sign = !y.sign;
    FP160_Add_GMode(&x, &y, 0, 0);
    if (negate_subtract && !FP160_Is_NaN(&x)) x.sign = !x.sign;
    return to_sp(&x, s.nj);
}

template <bool maximum> uint32_t max_min(uint32_t a, uint32_t b, FpElementState &s)
{
    a = sp_flush(a, s.nj);
    b = sp_flush(b, s.nj);
    if (sp_nan(a)) return a | SP_QUIET;
    if (sp_nan(b)) return b | SP_QUIET;
    if (maximum) {
        if (a <= b) return (b & SP_SIGN) ? a : b;
        return (a & SP_SIGN) ? b : a;
    }
    if (a < b) return (b & SP_SIGN) ? b : a;
    return (a & SP_SIGN) ? a : b;
}

template <int mode> int round_integral(IOPDesc *iop, const char *name)
{
    return vmx_fp_run<SRC_B>(iop, [name](uint32_t, uint32_t b, uint32_t, FpElementState &s) {
        if (!s.nj && sp_denormal(b)) s.denormals++;
        FP160 v = from_sp(b, s.nj, name);
        FP160_MakeIntegral(&v, mode, 0);
        return FP160_Convert32(&v, 1, s.nj, 0, 0);
    });
}

uint32_t uimm(const IOPDesc *iop)
{
    return (iop->word >> 16) & 31;
}

// The word as a signed or unsigned integer divided by 2^uimm, rounded to nearest.
template <bool is_signed> int convert_from_fixed(IOPDesc *iop, const char *name)
{
    const uint32_t scale = uimm(iop);
    return vmx_fp_run<SRC_B>(iop, [scale, name](uint32_t, uint32_t b, uint32_t, FpElementState &s) {
        FP160 v;
        if (is_signed)
            FP160_ConvertFromSI32(&v, (int32_t)b, name);
        else
            FP160_ConvertFromUI32(&v, b, name);
        v.exponent = v.exponent > scale ? v.exponent - scale : 0;
        uint32_t out = 0;
        const int denormal = FP160_Convert32_rnd_mode(&v, 0, &out, 0);
        return denormal && s.nj ? out & SP_SIGN : out;
    });
}

// b x 2^uimm truncated to a signed or unsigned word, saturating.
template <bool is_signed> int convert_to_fixed(IOPDesc *iop, const char *name_b, const char *name_scale)
{
    const uint32_t scale = uimm(iop);
    return vmx_fp_run<SRC_B>(iop, [=](uint32_t, uint32_t b, uint32_t, FpElementState &st) -> uint32_t {
        if (!st.nj && sp_denormal(b)) st.denormals++;
        FP160 v = from_sp(b, st.nj, name_b), factor;
        FP160_ConvertFromUI32(&factor, 1u << scale, name_scale);
        FP160_Multiply_GMode(&v, &factor, 0);
        const uint32_t s = FP160_Convert32(&v, 1, st.nj, 0, 0);
        const uint32_t e = (s & SP_EXP) >> 23, f = s & SP_FRAC;
        const bool negative = (s & SP_SIGN) != 0;
        if (sp_nan(s)) return 0;
        auto magnitude = [&]() -> uint32_t {
            const uint32_t m = f | 0x00800000;
            return e >= 150 ? m << (e - 150) : m >> (150 - e);
        };
        if (is_signed) {
            if (e == 255) {
                st.sat = true;
                return negative ? 0x80000000 : 0x7FFFFFFF;
            }
            if (e <= 126) return 0;
            if (e <= 157) return negative ? (uint32_t)(-(int64_t)magnitude()) : magnitude();
            if (!negative) {
                st.sat = true;
                return 0x7FFFFFFF;
            }
            if (!(e == 158 && f == 0)) st.sat = true;
            return 0x80000000;
        }
        if (negative) {
            if (e >= 127) st.sat = true; // at most -1.0 (-infinity included)
            return 0;
        }
        if (e > 158) {
            st.sat = true;
            return 0xFFFFFFFF;
        }
        return e >= 127 ? magnitude() : 0;
    });
}

// Ordering key of a non-NaN single: +0 and -0 equal, denormals by value.
int64_t order(uint32_t x)
{
    const int64_t m = x & ~SP_SIGN;
    return (x & SP_SIGN) ? -m : m;
}

enum class Cmp { Equal, Greater, GreaterEqual, Bounds };

template <Cmp kind> int compare(IOPDesc *iop)
{
    if (!Check_VMX_Available(iop)) return 0;
    const Vec128 va = IOP_Read_VMXR_A(iop), vb = IOP_Read_VMXR_B(iop);
    const bool nj = (iop->thread->VSCR.value & VSCR_NJ) != 0;
    uint32_t t[4];
    bool all_in_bounds = true;
    for (int i = 0; i < 4; i++) {
        const uint32_t a = sp_flush(Vec_Word(va, i), nj), b = sp_flush(Vec_Word(vb, i), nj);
        const bool unordered = sp_nan(a) || sp_nan(b);
        if constexpr (kind == Cmp::Bounds) {
            t[i] = unordered
                       ? 0xC0000000
                       : (order(a) > order(b) ? 0x80000000 : 0) | (order(a) < -order(b) ? 0x40000000 : 0);
            all_in_bounds = all_in_bounds && t[i] == 0;
        } else {
            bool holds = false;
            if (!unordered)
                holds = kind == Cmp::Equal     ? order(a) == order(b)
                        : kind == Cmp::Greater ? order(a) > order(b)
                                               : order(a) >= order(b);
            t[i] = holds ? 0xFFFFFFFF : 0;
        }
    }
    const Vec128 result = Vec_From_Words(t[0], t[1], t[2], t[3]);
    IOP_Write_VMXR_T(iop, result.low, result.high);
    if (vmx_rc(iop)) {
        if constexpr (kind == Cmp::Bounds)
            IOP_Set_CR6(iop, all_in_bounds ? 0x2 : 0);
        else
            IOP_Set_CR6(iop, vmx_compare_summary(result));
    }
    IOP_Advance_NIA(iop);
    return 1;
}

const char *const kMaddNames[3] = {"vmaddfp::op_A", "vmaddfp::op_B", "vmaddfp::op_C"};
const char *const kNmsubNames[3] = {"vnmsubfp::op_A", "vnmsubfp::op_B", "vnmsubfp::op_C"};

} // namespace

int semantic_vaddfp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vaddfp);
    return vmx_fp_run<SRC_AB>(iop, [](uint32_t a, uint32_t b, uint32_t, FpElementState &s) {
        return add<false>(a, b, s, "vaddfp::op_A", "vaddfp::op_B");
    });
}
int semantic_vsubfp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vsubfp);
    return vmx_fp_run<SRC_AB>(iop, [](uint32_t a, uint32_t b, uint32_t, FpElementState &s) {
        return add<true>(a, b, s, "vsubfp::op_A", "vsubfp::op_B");
    });
}
int semantic_vmaddfp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vmaddfp);
    return vmx_fp_run<SRC_ABC>(iop, [](uint32_t a, uint32_t b, uint32_t c, FpElementState &s) {
        return multiply_add<false>(a, b, c, s, kMaddNames);
    });
}
int semantic_vnmsubfp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vnmsubfp);
    return vmx_fp_run<SRC_ABC>(iop, [](uint32_t a, uint32_t b, uint32_t c, FpElementState &s) {
        return multiply_add<true>(a, b, c, s, kNmsubNames);
    });
}
int semantic_vmaxfp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vmaxfp);
    return vmx_fp_run<SRC_AB>(
        iop, [](uint32_t a, uint32_t b, uint32_t, FpElementState &s) { return max_min<true>(a, b, s); });
}
int semantic_vminfp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vminfp);
    return vmx_fp_run<SRC_AB>(
        iop, [](uint32_t a, uint32_t b, uint32_t, FpElementState &s) { return max_min<false>(a, b, s); });
}

int semantic_vrfin(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vrfin);
    return round_integral<0>(iop, "vrfin::result(round)");
}
int semantic_vrfiz(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vrfiz);
    return round_integral<1>(iop, "vrfiz::result(round)");
}
int semantic_vrfip(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vrfip);
    return round_integral<2>(iop, "vrfip::result(round)");
}
int semantic_vrfim(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vrfim);
    return round_integral<3>(iop, "vrfim::result(round)");
}
int semantic_vcfsx(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vcfsx);
    return convert_from_fixed<true>(iop, "vcfsx::op_B");
}
int semantic_vcfux(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vcfux);
    return convert_from_fixed<false>(iop, "vcfux::op_B");
}
int semantic_vctsxs(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vctsxs);
    return convert_to_fixed<true>(iop, "vctsxs::op_B", "vctsxs::uimm");
}
int semantic_vctuxs(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vctuxs);
    return convert_to_fixed<false>(iop, "vctuxs::op_B", "vctuxs::uimm");
}
int semantic_vcmpeqfp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vcmpeqfp);
    return compare<Cmp::Equal>(iop);
}
int semantic_vcmpgtfp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vcmpgtfp);
    return compare<Cmp::Greater>(iop);
}
int semantic_vcmpgefp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vcmpgefp);
    return compare<Cmp::GreaterEqual>(iop);
}
int semantic_vcmpbfp(IOPDesc *iop)
{
    VMX_FP_LANE_DISPATCH(iop, vcmpbfp);
    return compare<Cmp::Bounds>(iop);
}
