// Normalisation, rounding and narrowing of FP160 values.
#include "fp/fp160_round.h"

#include "fp/fp160_bits.h"
#include "fp/fp160_text.h"
#include "runtime/message.h"

namespace
{

constexpr fp_u128 HEADROOM_128 = (fp_u128)1 << 127;
constexpr fp_u128 INTEGER_128 = (fp_u128)1 << 126;

inline fp_u128 significand(const FP160 *v)
{
    return ((fp_u128)v->sig_hi << 64) | v->sig_lo;
}
inline void set_significand(FP160 *v, fp_u128 s)
{
    v->sig_hi = (uint64_t)(s >> 64);
    v->sig_lo = (uint64_t)s;
}
inline fp_u128 low_mask(int n) // the n lowest bits, 0 <= n <= 128
{
    return n >= 128 ? ~(fp_u128)0 : ((fp_u128)1 << n) - 1;
}
inline int leading_zeros(fp_u128 x) // x non-zero
{
    const uint64_t hi = (uint64_t)(x >> 64);
    return hi ? __builtin_clzll(hi) : 64 + __builtin_clzll((uint64_t)x);
}

// Parameters of a target format.
struct Format {
    int fbits;        // fraction bits
    int32_t bias;     // exponent bias
    int32_t max;      // all-ones exponent field
    uint32_t expmask; // exponent field mask
};
constexpr Format FORMAT_SP{23, 127, 255, 0xFF};
constexpr Format FORMAT_DP{52, 1023, 2047, 0x7FF};
constexpr Format FORMAT_HP{10, 15, 31, 0x1F};
constexpr Format FORMAT_QP{112, 16383, 32767, 0x7FFF};
constexpr Format FORMAT_EP{63, 16383, 32767, 0x7FFF};

// GRX of the bits below bit `shift` (the last kept bit sits at bit `shift`, counted from the
// least significant bit of the 128-bit significand); shift is at least 2.
inline int grx_below(fp_u128 s, int shift, bool sticky_in)
{
    const int guard = (int)((s >> (shift - 1)) & 1);
    const int round = (int)((s >> (shift - 2)) & 1);
    const bool sticky = sticky_in || (s & low_mask(shift - 2)) != 0;
    return guard * 4 + round * 2 + (sticky ? 1 : 0);
}

// The rounding shared by every format: returns carried; *fraction without the integer bit.
int round_to(FP160 *v, int mode, const Format &f, bool extra_sticky, int force_normal, int32_t *exponent_out,
             fp_u128 *fraction_out)
{
    int32_t e = (int32_t)(v->exponent - FP160_BIAS + (uint32_t)f.bias);
    const bool normal = e != 0 || force_normal;
    const int kept = normal ? f.fbits + 1 : f.fbits;
    const int shift = 127 - kept;
    const fp_u128 s = significand(v) & ~HEADROOM_128;
    fp_u128 fraction = s >> shift;
    const int grx = grx_below(s, shift, (v->exceptions & FP160_EXC_INEXACT) || extra_sticky);
    int carried = 0;
    if (grx != 0) {
        FP160_Mark_Exception(v, FP160_EXC_INEXACT, 0, "FP160_RoundSignificand",
                             "GRX bits (0x%01X) non-zero, precision loss", grx);
        if (FP_Round_Incr_Fract(mode, v->sign != 0, (int)(fraction & 1), grx)) {
            fraction += 1;
            FP160_Mark_Exception(v, FP160_EXC_ROUNDED_UP, 0, "FP160_RoundSignificand",
                                 "Round mode indicates fraction increment");
            if (fraction >> kept) {
                if (normal) {
                    fraction >>= 1;
                    e += 1;
                    if (e >= f.max) {
                        FP160_Mark_Exception(v, FP160_EXC_OVERFLOW, 0, "FP160_RoundSignificand",
                                             "Rounding caused exponent to exceed max");
                        e = f.max;
                        fraction = (fp_u128)1 << f.fbits;
                    }
                } else {
                    e = 1; // the carry reached the integer-bit position: the smallest normal
                }
                carried = 1;
            }
        } else {
            FP160_UnMark_Exception(v, FP160_EXC_ROUNDED_UP, "FP160_RoundSignificand",
                                   "Rounding down, no fraction increment");
        }
    }
    const fp_u128 integer_bit = (fp_u128)1 << f.fbits;
    if (fraction & integer_bit)
        fraction &= ~integer_bit;
    else
        e = 0;
    *exponent_out = e;
    *fraction_out = fraction;
    return carried;
}

inline int64_t unbiased(const FP160 *v)
{
    return (int64_t)v->exponent - (int64_t)FP160_BIAS;
}

// Significand bits 2 .. 1 + fbits: the stored fraction of an infinity or NaN.
inline fp_u128 stored_fraction(const FP160 *v, const Format &f)
{
    return (significand(v) >> (126 - f.fbits)) & low_mask(f.fbits);
}

struct Texts {
    const char *routine;
    const char *too_large;
    const char *too_small;
    const char *denormal;
};

// The narrowing of FP160_Convert64 and its half and quad twins: sign from the value, exponent
// field and fraction out; the value is restored after a denormal rounding.
void narrow_restoring(FP160 *v, int mode, int precision, const Format &f, const Texts &t, uint32_t *field,
                      fp_u128 *fraction)
{
    *field = 0;
    *fraction = 0;
    if (v->exponent == 0) {
        if (!FP160_Fraction_Zero(v))
            FP160_Mark_Exception(v, FP160_EXC_UNDERFLOW, 0, t.routine, "FP160 is a denormal");
        return;
    }
    if (v->exponent == FP160_EXP_MAX) {
        *field = (uint32_t)f.max;
        *fraction = stored_fraction(v, f);
        return;
    }
    if (v->exceptions & FP160_EXC_FINAL_EXP) {
        *field = (uint32_t)(v->exponent - FP160_BIAS) & f.expmask;
        *fraction = stored_fraction(v, f);
        return;
    }
    const int64_t u = unbiased(v);
    int64_t target = u + f.bias;
    if (precision == 1 && f.fbits == FORMAT_DP.fbits && (target > 2047 || target <= -52)) target &= 0x7FF;
    const int window = f.fbits;
    if (target > f.max - 1) {
        FP160_Mark_Exception(v, FP160_EXC_OVERFLOW, 0, t.routine, t.too_large, (int)u);
        *field = (uint32_t)f.max;
        const int shift = 126 - f.fbits; // the last fraction bit of a normal result
        const fp_u128 s = significand(v) & ~HEADROOM_128;
        const int grx = grx_below(s, shift, v->exceptions & FP160_EXC_INEXACT);
        if (FP_Round_Incr_Fract(mode, v->sign != 0, (int)((s >> shift) & 1), grx))
            FP160_Mark_Exception(v, FP160_EXC_ROUNDED_UP, 0, t.routine,
                                 "FP160 overflow fraction would be rounded up");
    } else if (target >= 1) {
        int32_t e;
        round_to(v, mode, f, f.fbits > 52 && v->wide && (v->ext_lo | v->ext_hi), 0, &e, fraction);
        *field = (uint32_t)e & f.expmask;
    } else if (target >= -window) {
        FP160_Mark_Exception(v, FP160_EXC_UNDERFLOW, 0, t.routine, "%s", t.denormal);
        const uint32_t exponent = v->exponent;
        const uint64_t lo = v->sig_lo, hi = v->sig_hi;
        FP160_Denormalize(v, (int32_t)-target);
        int32_t e;
        round_to(v, mode, f, f.fbits > 52 && v->wide && (v->ext_lo | v->ext_hi), 0, &e, fraction);
        *field = (uint32_t)e & f.expmask;
        v->exponent = exponent;
        v->sig_lo = lo;
        v->sig_hi = hi;
    } else {
        FP160_Mark_Exception(v, FP160_EXC_UNDERFLOW, 0, t.routine, t.too_small, (int)u);
    }
}

// The narrowing of FP160_Convert32_rnd_mode and its half twin; 1 after the denormal path.
// Graph-mode saturation exists for single precision only.
int narrow_keeping(FP160 *v, int mode, int graph, const Format &f, const Texts &t, uint32_t *field,
                   uint32_t *fraction)
{
    *field = 0;
    *fraction = 0;
    const uint32_t all_fraction = (uint32_t)low_mask(f.fbits);
    if (v->exponent == 0) {
        if (!FP160_Fraction_Zero(v))
            FP160_Mark_Exception(v, FP160_EXC_UNDERFLOW, 0, t.routine, "FP160 is a denormal");
        return 0;
    }
    if (v->exponent == FP160_EXP_MAX) {
        *field = (uint32_t)f.max;
        *fraction = (uint32_t)stored_fraction(v, f);
        if (graph && *fraction == 0) {
            *fraction = all_fraction;
            FP160_UnMark_Exception(v, FP160_EXC_ROUNDED_UP, t.routine,
                                   "Graph-mode and fraction is 0...rounding down");
        }
        return 0;
    }
    const int64_t u = unbiased(v);
    const int64_t target = u + f.bias;
    int32_t e;
    fp_u128 rounded;
    if (target > f.max - 1 && !(graph && f.fbits == FORMAT_SP.fbits)) {
        FP160_Mark_Exception(v, FP160_EXC_OVERFLOW, 0, t.routine, t.too_large, (int)u);
        *field = (uint32_t)f.max;
        const int shift = 126 - f.fbits;
        const fp_u128 s = significand(v) & ~HEADROOM_128;
        const int grx = grx_below(s, shift, v->exceptions & FP160_EXC_INEXACT);
        if (FP_Round_Incr_Fract(mode, v->sign != 0, (int)((s >> shift) & 1), grx))
            FP160_Mark_Exception(v, FP160_EXC_ROUNDED_UP, 0, t.routine,
                                 "FP160 overflow fraction would be rounded up");
        return 0;
    }
    if (target > f.max) { // graph mode: saturate
        *field = (uint32_t)f.max;
        *fraction = all_fraction;
        FP160_UnMark_Exception(v, FP160_EXC_ROUNDED_UP, t.routine,
                               "Graph-mode and saturating upper limit (exponent %d)", (int)u);
        return 0;
    }
    if (target >= 1) {
        round_to(v, mode, f, false, 0, &e, &rounded);
        *field = (uint32_t)e & f.expmask;
        *fraction = (uint32_t)rounded;
        return 0;
    }
    if (target >= -f.fbits) {
        FP160_Mark_Exception(v, FP160_EXC_UNDERFLOW, 0, t.routine, "%s", t.denormal);
        FP160_Denormalize(v, (int32_t)-target);
        round_to(v, mode, f, false, 0, &e, &rounded);
        FP160_Normalize(v);
        *field = (uint32_t)e & f.expmask;
        *fraction = (uint32_t)rounded;
        return 1;
    }
    FP160_Mark_Exception(v, FP160_EXC_UNDERFLOW, 0, t.routine, t.too_small, (int)u);
    return 0;
}

const Format &format_of(int format)
{
    switch (format) {
    case FP_FORMAT_SP:
        return FORMAT_SP;
    case FP_FORMAT_HP:
        return FORMAT_HP;
    default:
        return FORMAT_DP;
    }
}

const Format &qp_format_of(int format)
{
    switch (format) {
    case FP_FORMAT_SP:
        return FORMAT_SP;
    case FP_FORMAT_QP:
        return FORMAT_QP;
    case FP_FORMAT_EP:
        return FORMAT_EP;
    default:
        return FORMAT_DP;
    }
}

} // namespace

void FP160_Normalize(FP160 *value)
{
    if (value->exponent == FP160_EXP_MAX) return;
    const fp_u128 headroom = significand(value) & HEADROOM_128;
    fp_u128 s = significand(value) & ~HEADROOM_128;
    if (s == 0) {
        value->exponent = 0;
        return;
    }
    if ((s & INTEGER_128) || value->exponent == 0) return;
    uint32_t n = (uint32_t)(leading_zeros(s) - 1);
    if (n > value->exponent) n = value->exponent;
    if (value->wide) {
        // The 256-bit significand moves as one: ext bits enter at the bottom.
        const fp_u128 ext = ((fp_u128)value->ext_hi << 64) | value->ext_lo;
        s = (s << n) | (n ? ext >> (128 - n) : 0);
        const fp_u128 rest = n ? ext << n : ext;
        value->ext_hi = (uint64_t)(rest >> 64);
        value->ext_lo = (uint64_t)rest;
    } else {
        s <<= n;
    }
    value->exponent -= n;
    set_significand(value, s | headroom);
}

void FP160_Denormalize(FP160 *value, int32_t n)
{
    if (n == 0) return;
    fp_u128 s = significand(value);
    const fp_u128 headroom = s & HEADROOM_128;
    s &= ~HEADROOM_128;
    if (s != 0 && n >= 1) {
        const fp_u128 lost = n >= 127 ? s : s & low_mask(n);
        if (lost) {
            value->tiny_loss = 1;
            FP160_Mark_Exception(value, FP160_EXC_INEXACT, 0, "FP160_Denormalize",
                                 "Right-shift loses %d bits", n);
        }
    }
    if (n >= 1) s = n >= 128 ? 0 : s >> n;
    value->exponent += (uint32_t)n;
    set_significand(value, s | headroom);
}

int FP_Round_Incr_Fract(int mode, int sign, int lsb, int grx)
{
    if (grx == 0) return 0;
    switch (mode) {
    case FP_ROUND_NEAREST:
    case FP_ROUND_NEAREST_AWAY:
        if (grx < 0 || grx > 7) {
            sim_do_error(__FILE__, __LINE__, "FP_Round_Incr_Fract::Bad GRX value: 0x%01X (range is [0..7])",
                         grx);
            return 0;
        }
        if (grx < 4) return 0;
        if (grx == 4) return mode == FP_ROUND_NEAREST ? (lsb ? 1 : 0) : 1;
        return 1;
    case FP_ROUND_ZERO:
        return 0;
    case FP_ROUND_PLUS_INF:
        return sign == 0 ? 1 : 0;
    case FP_ROUND_MINUS_INF:
        return sign != 0 ? 1 : 0;
    case FP_ROUND_ODD:
        return lsb ? 0 : 1;
    default:
        sim_do_error(__FILE__, __LINE__, "FP_Round_Incr_Fract::Unknown rounding mode: 0x%08X",
                     (unsigned)mode);
        return 0;
    }
}

int FP160_RoundSignificand(FP160 *value, int mode, int format, int32_t *exponent_out, uint64_t *fraction_out,
                           int force_normal)
{
    fp_u128 fraction;
    const int carried =
        round_to(value, mode, format_of(format), false, force_normal, exponent_out, &fraction);
    *fraction_out = (uint64_t)fraction;
    return carried;
}

int FP160_RoundSignificand_QP(FP160 *value, int mode, int format, int32_t *exponent_out,
                              uint64_t *fraction_out, int force_normal)
{
    fp_u128 fraction;
    const bool wide_sticky = value->wide && (value->ext_lo | value->ext_hi);
    const int carried =
        round_to(value, mode, qp_format_of(format), wide_sticky, force_normal, exponent_out, &fraction);
    Store_128(fraction_out, fraction);
    return carried;
}

void FP160_Convert64_Untraced(FP160 *value, int mode, uint64_t *out, int precision)
{
    static constexpr Texts texts{"FP160_Convert64", "FP160 exponent (%d) too large for DP",
                                 "FP160 exponent(%d) too small for DP", "FP160 representable as DP denorm"};
    uint32_t field;
    fp_u128 fraction;
    narrow_restoring(value, mode, precision, FORMAT_DP, texts, &field, &fraction);
    *out = ((uint64_t)(value->sign != 0) << 63) | ((uint64_t)field << 52) |
           ((uint64_t)fraction & 0xFFFFFFFFFFFFFull);
}

void FP160_Convert64(FP160 *value, int mode, uint64_t *out, int precision)
{
    FP160_Convert64_Untraced(value, mode, out, precision);
    if (FP160_Tracing()) FP160_Trace(value, "FP160_Convert64", "-> 0x%016lX", (unsigned long)*out);
}

void FP160_Convert16(FP160 *value, int mode, uint16_t *out, int precision)
{
    static constexpr Texts texts{"FP160_Convert16", "FP160 exponent (%d) too large for DP",
                                 "FP160 exponent(%d) too small for DP", "FP160 representable as DP denorm"};
    uint32_t field;
    fp_u128 fraction;
    narrow_restoring(value, mode, precision, FORMAT_HP, texts, &field, &fraction);
    *out = (uint16_t)(((value->sign != 0) ? 0x8000u : 0u) | (field << 10) | ((uint32_t)fraction & 0x3FF));
    if (FP160_Tracing()) FP160_Trace(value, "FP160_Convert16", "-> %4.4X", (unsigned)*out);
}

void FP160_Convert128(FP160 *value, int mode, uint64_t *out, int precision)
{
    static constexpr Texts texts{"FP160_Convert128", "FP160 exponent (%d) too large for QP",
                                 "FP160 exponent(%d) too small for QP", "FP160 representable as QP denorm"};
    uint32_t field;
    fp_u128 fraction;
    narrow_restoring(value, mode, precision, FORMAT_QP, texts, &field, &fraction);
    const fp_u128 word =
        ((fp_u128)(value->sign != 0) << 127) | ((fp_u128)field << 112) | (fraction & low_mask(112));
    Store_128(out, word);
    if (FP160_Tracing())
        FP160_Trace(value, "FP160_Convert128", "-> 0x%016lX:0x%016lX", (unsigned long)out[1],
                    (unsigned long)out[0]);
}

int FP160_Convert32_rnd_mode(FP160 *value, int mode, uint32_t *out, int graph)
{
    static constexpr Texts texts{"FP160_Convert32", "FP160 exponent(%d) too large for SP",
                                 "FP160 exponent(%d) too small for SP", "FP160 representable as SP denorm"};
    uint32_t field, fraction;
    const int denormal = narrow_keeping(value, mode, graph, FORMAT_SP, texts, &field, &fraction);
    *out = ((value->sign != 0) ? 0x80000000u : 0u) | ((field & 0xFF) << 23) | (fraction & 0x7FFFFF);
    if (FP160_Tracing()) FP160_Trace(value, "FP160_Convert32", "-> 0x%08X", (unsigned)*out);
    return denormal;
}

uint32_t FP160_Convert32(FP160 *value, int mode, int flush, int graph, int raw)
{
    const uint32_t sign = (value->sign != 0) ? 0x80000000u : 0u;
    if (raw) {
        const uint32_t field = (uint32_t)(value->exponent - FP160_BIAS + 127) & 0xFF;
        return sign | (field << 23) | (uint32_t)((value->sig_hi >> 39) & 0x7FFFFF);
    }
    uint32_t word;
    if (FP160_Convert32_rnd_mode(value, graph ? FP_ROUND_ZERO : mode, &word, graph) && (graph || flush))
        word &= 0x80000000u;
    return word;
}

int FP160_Convert16_rnd_mode(FP160 *value, int mode, uint16_t *out, int graph)
{
    static constexpr Texts texts{"FP160_Convert16", "FP160 exponent(%d) too large for HP",
                                 "FP160 exponent(%d) too small for HP", "FP160 representable as HP denorm"};
    uint32_t field, fraction;
    const int denormal = narrow_keeping(value, mode, graph, FORMAT_HP, texts, &field, &fraction);
    *out = (uint16_t)(((value->sign != 0) ? 0x8000u : 0u) | ((field & 0x1F) << 10) | (fraction & 0x3FF));
    if (FP160_Tracing()) FP160_Trace(value, "FP160_Convert16", "-> %4.4X", (unsigned)*out);
    return denormal;
}

uint16_t FP160_Convert16H(FP160 *value, int mode, int flush, int graph, int raw)
{
    const uint32_t sign = (value->sign != 0) ? 0x8000u : 0u;
    if (raw) {
        const uint32_t field = (uint32_t)(value->exponent - FP160_BIAS + 15) & 0x1F;
        return (uint16_t)(sign | (field << 10) | (uint32_t)((value->sig_hi >> 52) & 0x3FF));
    }
    uint16_t half;
    if (FP160_Convert16_rnd_mode(value, graph ? FP_ROUND_ZERO : mode, &half, graph) && (graph || flush))
        half &= 0x8000u;
    return half;
}
