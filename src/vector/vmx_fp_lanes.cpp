// The VMX floating-point instructions in two or four double-precision lanes. Arithmetic goes
// through FP160 rounded to nearest (one rounding for the fused forms); the reciprocal and
// reciprocal-square-root "estimates" are the host's correctly rounded double arithmetic; 2^x and
// log2 give only their special values. In cycle-level-core mode the four-lane forms take lanes 0
// and 1 from the operand slots and deliver them to the core like any vector result; lanes 2 and 3
// stay in the thread's upper lane slots.
#include "vector/vmx_fp_lanes.h"

#include <cmath>
#include <cstring>

#include "decode/semantics.h"
#include "fp/fp160.h"
#include "fp/fp160_arith.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp/fpr_invalid_map.h"
#include "vector/vmx_fp_frame.h"

namespace
{

using namespace vec;

constexpr uint64_t DP_SIGN = 0x8000000000000000;
constexpr uint64_t DP_EXP = 0x7FF0000000000000;
constexpr uint64_t DP_FRAC = 0x000FFFFFFFFFFFFF;
constexpr uint64_t DP_QUIET = 0x0008000000000000;
constexpr uint64_t DP_DEFAULT_NAN = 0x7FF8000000000000;
constexpr uint64_t DP_ONE = 0x3FF0000000000000;

bool dp_nan(uint64_t x)
{
    return (x & DP_EXP) == DP_EXP && (x & DP_FRAC);
}
bool dp_inf(uint64_t x)
{
    return (x & ~DP_SIGN) == DP_EXP;
}
bool dp_zero(uint64_t x)
{
    return (x & ~DP_SIGN) == 0;
}
bool dp_denormal(uint64_t x)
{
    return (x & DP_EXP) == 0 && (x & DP_FRAC);
}
uint64_t dp_flush(uint64_t x, bool nj)
{
    return nj && dp_denormal(x) ? x & DP_SIGN : x;
}
double as_double(uint64_t x)
{
    double d;
    memcpy(&d, &x, 8);
    return d;
}
uint64_t as_bits(double d)
{
    uint64_t x;
    memcpy(&x, &d, 8);
    return x;
}

struct LaneState {
    bool nj;
    bool handles_denormals;
    int denormals;
    bool sat;
    bool assist_now;
    void count(uint64_t x)
    {
        if (!nj && dp_denormal(x)) denormals++;
    }
};

// Debug names of one routine's FP160 values.
struct Names {
    const char *a, *b, *c, *uimm;
};

enum class Record { None, Mask, Bounds };

// The lane frame: op(a, b, c, state) gives each lane.
template <int lanes, int sources, Record record = Record::None, typename Op> int lane_run(IOPDesc *iop, Op op)
{
    if (!Check_VMX_Available(iop)) return 0;
    ThreadState *thread = iop->thread;
    uint64_t a[4] = {}, b[4] = {}, c[4] = {};
    auto read = [&](Vec128 v, uint64_t *x, uint32_t n) {
        x[0] = v.high;
        x[1] = v.low;
        if (lanes == 4) {
            x[2] = thread->vmx_upper_lanes[n][0];
            x[3] = thread->vmx_upper_lanes[n][1];
        }
    };
    if constexpr ((sources & SRC_A) != 0) read(IOP_Read_VMXR_A(iop), a, VMX_VA(iop->word));
    if constexpr ((sources & SRC_B) != 0) read(IOP_Read_VMXR_B(iop), b, VMX_VB(iop->word));
    if constexpr ((sources & SRC_C) != 0) read(IOP_Read_VMXR_C(iop), c, VMX_VC(iop->word));
    LaneState s{(thread->VSCR.value & VSCR_NJ) != 0, thread->processor->options[PO_VMX_HANDLES_DENORMS] != 0,
                0, false, false};
    uint64_t t[4] = {};
    for (int i = 0; i < lanes; i++) {
        t[i] = op(a[i], b[i], c[i], s);
        if (s.assist_now) {
            interrupt_VMX_Assist(iop);
            return 0;
        }
    }
    if (s.sat) IOP_Set_VSCR_SAT_Only(iop);
    if (s.denormals && !s.handles_denormals) {
        interrupt_VMX_Assist(iop);
        return 0;
    }
    const uint32_t vt = VMX_VT(iop->word);
    IOP_Write_VMXR_T(iop, t[1], t[0]);
    if (lanes == 4) {
        Update_FPR_Invalid_Map(iop, 32 + vt, t[1]);
        thread->vmx_upper_lanes[vt][0] = t[2];
        thread->vmx_upper_lanes[vt][1] = t[3];
    }
    if (record != Record::None && vmx_rc(iop)) {
        bool all_ones = true, all_zero = true;
        for (int i = 0; i < lanes; i++) {
            all_ones = all_ones && t[i] == ~0ull;
            all_zero = all_zero && t[i] == 0;
        }
        if (record == Record::Mask)
            IOP_Set_CR6(iop, all_ones ? 0x8 : all_zero ? 0x2 : 0);
        else
            IOP_Set_CR6(iop, all_zero ? 0x2 : 0);
    }
    IOP_Advance_NIA(iop);
    return 1;
}

FP160 from_dp(uint64_t x, const char *name)
{
    FP160 v;
    FP160_ConvertFromDP(&v, &x, name);
    return v;
}
uint64_t to_dp(FP160 *v, int mode)
{
    uint64_t out = 0;
    FP160_Convert64(v, mode, &out, 3);
    return out;
}

template <int lanes, bool subtract> int add(IOPDesc *iop, Names n)
{
    return lane_run<lanes, SRC_AB>(iop, [n](uint64_t a, uint64_t b, uint64_t, LaneState &) {
        if (dp_nan(a)) return a | DP_QUIET;
        if (dp_nan(b)) return b | DP_QUIET;
        if (subtract) b ^= DP_SIGN;
        if (dp_inf(a) && dp_inf(b) && ((a ^ b) & DP_SIGN)) return DP_DEFAULT_NAN;
        FP160 x = from_dp(a, n.a), y = from_dp(b, n.b);
        FP160_Add(&x, &y, 0);
        return to_dp(&x, 0);
    });
}

template <int lanes, bool negate_subtract> int multiply_add(IOPDesc *iop, Names n)
{
    return lane_run<lanes, SRC_ABC>(iop, [n](uint64_t a, uint64_t b, uint64_t c, LaneState &) {
        if (dp_nan(a)) return a | DP_QUIET;
        if (dp_nan(b)) return b | DP_QUIET;
        if (dp_nan(c)) return c | DP_QUIET;
        if ((dp_inf(a) && dp_zero(c)) || (dp_inf(c) && dp_zero(a))) return DP_DEFAULT_NAN;
        FP160 x = from_dp(a, n.a), y = from_dp(b, n.b), z = from_dp(c, n.c);
        FP160_Multiply(&x, &z);
        if (negate_subtract) y.sign = !y.sign;
        if (FP160_Is_Infinity(&x) && FP160_Is_Infinity(&y) && ((x.sign != 0) != (y.sign != 0)))
            return DP_DEFAULT_NAN;
        FP160_Add(&x, &y, 0);
        if (negate_subtract && !FP160_Is_NaN(&x)) x.sign = !x.sign;
        return to_dp(&x, 0);
    });
}

template <int lanes, bool maximum> int max_min(IOPDesc *iop)
{
    return lane_run<lanes, SRC_AB>(iop, [](uint64_t a, uint64_t b, uint64_t, LaneState &s) {
        a = dp_flush(a, s.nj);
        b = dp_flush(b, s.nj);
        if (dp_nan(a)) return a | DP_QUIET;
        if (dp_nan(b)) return b | DP_QUIET;
        if (maximum) {
            if (a <= b) return (b & DP_SIGN) ? a : b;
            return (a & DP_SIGN) ? b : a;
        }
        if (a < b) return (b & DP_SIGN) ? b : a;
        return (a & DP_SIGN) ? a : b;
    });
}

template <int lanes> int reciprocal(IOPDesc *iop)
{
    return lane_run<lanes, SRC_B>(iop, [](uint64_t, uint64_t b, uint64_t, LaneState &s) -> uint64_t {
        b = dp_flush(b, s.nj);
        if (!s.handles_denormals && !s.nj && dp_denormal(b)) {
            s.assist_now = true;
            return 0;
        }
        if (dp_zero(b)) return (b & DP_SIGN) | DP_EXP;
        if (dp_inf(b)) return b & DP_SIGN;
        if (dp_nan(b)) return b | DP_QUIET;
        return dp_flush(as_bits(1.0 / as_double(b)), s.nj);
    });
}

template <int lanes> int reciprocal_sqrt(IOPDesc *iop)
{
    return lane_run<lanes, SRC_B>(iop, [](uint64_t, uint64_t b, uint64_t, LaneState &s) -> uint64_t {
        s.count(b);
        b = dp_flush(b, s.nj);
        if (dp_zero(b)) return (b & DP_SIGN) | DP_EXP;
        if (b == DP_EXP) return 0;
        if (dp_nan(b)) return b | DP_QUIET;
        if (b & DP_SIGN) return DP_DEFAULT_NAN;
        return dp_flush(as_bits(1.0 / std::sqrt(as_double(b))), s.nj);
    });
}

template <int lanes> int exponent_estimate(IOPDesc *iop)
{
    return lane_run<lanes, SRC_B>(iop, [](uint64_t, uint64_t b, uint64_t, LaneState &s) -> uint64_t {
        b = dp_flush(b, s.nj);
        if (dp_zero(b)) return DP_ONE;
        if (b == DP_EXP) return DP_EXP;
        if (dp_nan(b)) return b | DP_QUIET;
        return 0;
    });
}

template <int lanes> int log_estimate(IOPDesc *iop)
{
    return lane_run<lanes, SRC_B>(iop, [](uint64_t, uint64_t b, uint64_t, LaneState &s) -> uint64_t {
        s.count(b);
        b = dp_flush(b, s.nj);
        if (dp_zero(b)) return DP_SIGN | DP_EXP;
        if (dp_nan(b)) return b | DP_QUIET;
        if (b & DP_SIGN) return DP_DEFAULT_NAN;
        if (b == DP_EXP) return DP_EXP;
        return 0;
    });
}

template <int lanes, int mode> int round_integral(IOPDesc *iop, Names n)
{
    return lane_run<lanes, SRC_B>(iop, [n](uint64_t, uint64_t b, uint64_t, LaneState &s) {
        s.count(b);
        FP160 v = from_dp(dp_flush(b, s.nj), n.b);
        FP160_MakeIntegral(&v, mode, 0);
        return to_dp(&v, 1);
    });
}

template <int lanes, bool is_signed> int convert_from_fixed(IOPDesc *iop, Names n)
{
    const uint32_t scale = (iop->word >> 16) & 31;
    return lane_run<lanes, SRC_B>(iop, [n, scale](uint64_t, uint64_t b, uint64_t, LaneState &) {
        FP160 v;
        if (is_signed)
            FP160_ConvertFromSI64(&v, (int64_t)b, n.b);
        else
            FP160_ConvertFromUI64(&v, b, n.b);
        v.exponent = v.exponent > scale ? v.exponent - scale : 0;
        return to_dp(&v, 0);
    });
}

template <int lanes, bool is_signed> int convert_to_fixed(IOPDesc *iop, Names n)
{
    const uint32_t scale = (iop->word >> 16) & 31;
    return lane_run<lanes, SRC_B>(iop, [n, scale](uint64_t, uint64_t b, uint64_t, LaneState &st) -> uint64_t {
        st.count(b);
        FP160 v = from_dp(b, n.b), factor;
        FP160_ConvertFromUI64(&factor, 1ull << scale, n.uimm);
        FP160_Multiply(&v, &factor);
        const uint64_t s = to_dp(&v, 1);
        const uint32_t e = (uint32_t)((s & DP_EXP) >> 52);
        const uint64_t f = s & DP_FRAC;
        const bool negative = (s & DP_SIGN) != 0;
        if (dp_nan(s)) return 0;
        auto magnitude = [&]() -> uint64_t {
            const uint64_t m = f | (1ull << 52);
            return e >= 1075 ? m << (e - 1075) : m >> (1075 - e);
        };
        if (is_signed) {
            if (e <= 1022) return 0;
            if (e <= 1085) return negative ? (uint64_t)(-(int64_t)magnitude()) : magnitude();
            if (!negative) {
                st.sat = true;
                return 0x7FFFFFFFFFFFFFFF;
            }
            if (!(e == 1086 && f == 0)) st.sat = true;
            return 0x8000000000000000;
        }
        if (negative) {
            if (e >= 1023) st.sat = true;
            return 0;
        }
        if (e > 1086) {
            st.sat = true;
            return ~0ull;
        }
        return e >= 1023 ? magnitude() : 0;
    });
}

// Ordering key of a non-NaN double: +0 and -0 equal.
int64_t order(uint64_t x)
{
    const int64_t m = (int64_t)(x & ~DP_SIGN);
    return (x & DP_SIGN) ? -m : m;
}

enum class Cmp { Equal, Greater, GreaterEqual };

template <int lanes, Cmp kind> int compare(IOPDesc *iop)
{
    return lane_run<lanes, SRC_AB, Record::Mask>(iop, [](uint64_t a, uint64_t b, uint64_t, LaneState &s) {
        a = dp_flush(a, s.nj);
        b = dp_flush(b, s.nj);
        if (dp_nan(a) || dp_nan(b)) return 0ull;
        const bool holds = kind == Cmp::Equal     ? order(a) == order(b)
                           : kind == Cmp::Greater ? order(a) > order(b)
                                                  : order(a) >= order(b);
        return holds ? ~0ull : 0ull;
    });
}

template <int lanes> int bounds(IOPDesc *iop)
{
    return lane_run<lanes, SRC_AB, Record::Bounds>(iop, [](uint64_t a, uint64_t b, uint64_t, LaneState &s) {
        a = dp_flush(a, s.nj);
        b = dp_flush(b, s.nj);
        if (dp_nan(a) || dp_nan(b)) return 0xC000000000000000ull;
        return (order(a) > order(b) ? 0x8000000000000000ull : 0) |
               (order(a) < -order(b) ? 0x4000000000000000ull : 0);
    });
}

} // namespace

#define LANE_NAMES(lanes, name)                                                                              \
    Names                                                                                                    \
    {                                                                                                        \
        "fake_" #lanes "dp_" #name "::op_A", "fake_" #lanes "dp_" #name "::op_B",                            \
            "fake_" #lanes "dp_" #name "::op_C", "fake_" #lanes "dp_" #name "::uimm"                         \
    }
#define LANE_PAIR(name, call)                                                                                \
    int semantic_fake_2dp_##name(IOPDesc *iop)                                                               \
    {                                                                                                        \
        constexpr int lanes = 2;                                                                             \
        const Names names = LANE_NAMES(2, name);                                                             \
        (void)names;                                                                                         \
        return call;                                                                                         \
    }                                                                                                        \
    int semantic_fake_4dp_##name(IOPDesc *iop)                                                               \
    {                                                                                                        \
        constexpr int lanes = 4;                                                                             \
        const Names names = LANE_NAMES(4, name);                                                             \
        (void)names;                                                                                         \
        return call;                                                                                         \
    }

LANE_PAIR(vaddfp, (add<lanes, false>(iop, names)))
LANE_PAIR(vsubfp, (add<lanes, true>(iop, names)))
LANE_PAIR(vmaddfp, (multiply_add<lanes, false>(iop, names)))
LANE_PAIR(vnmsubfp, (multiply_add<lanes, true>(iop, names)))
LANE_PAIR(vmaxfp, (max_min<lanes, true>(iop)))
LANE_PAIR(vminfp, (max_min<lanes, false>(iop)))
LANE_PAIR(vrefp, (reciprocal<lanes>(iop)))
LANE_PAIR(vrsqrtefp, (reciprocal_sqrt<lanes>(iop)))
LANE_PAIR(vexptefp, (exponent_estimate<lanes>(iop)))
LANE_PAIR(vlogefp, (log_estimate<lanes>(iop)))
LANE_PAIR(vrfim, (round_integral<lanes, 3>(iop, names)))
LANE_PAIR(vrfip, (round_integral<lanes, 2>(iop, names)))
LANE_PAIR(vrfiz, (round_integral<lanes, 1>(iop, names)))
LANE_PAIR(vrfin, (round_integral<lanes, 0>(iop, names)))
LANE_PAIR(vcfsx, (convert_from_fixed<lanes, true>(iop, names)))
LANE_PAIR(vcfux, (convert_from_fixed<lanes, false>(iop, names)))
LANE_PAIR(vctsxs, (convert_to_fixed<lanes, true>(iop, names)))
LANE_PAIR(vctuxs, (convert_to_fixed<lanes, false>(iop, names)))
LANE_PAIR(vcmpeqfp, (compare<lanes, Cmp::Equal>(iop)))
LANE_PAIR(vcmpgtfp, (compare<lanes, Cmp::Greater>(iop)))
LANE_PAIR(vcmpgefp, (compare<lanes, Cmp::GreaterEqual>(iop)))
LANE_PAIR(vcmpbfp, (bounds<lanes>(iop)))
