// The differential harness of the floating-point tests: runs an operation through the FP160
// library (widen the operands, compute, narrow), through the exact reference and, in the four
// directed modes of double and single precision, through the host's IEEE arithmetic, and
// reports every disagreement. The library's raw narrowing differs from IEEE in two places that
// the harness knows of: an overflow gives infinity with the overflow flag (the mode-dependent
// result is chosen by the result delivery), and a result below the denormal window gives a zero
// with only the underflow flag. Underflow is tininess before rounding.
#pragma once

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "fp/fp160.h"
#include "fp/fp160_arith.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp_reference.h"

namespace fpdiff
{

using fpref::Exact;
using fpref::Format;
using fpref::u128;

enum class Op { ADD, SUB, MUL, DIV, SQRT, FMADD, FMSUB };

inline const char *op_name(Op op)
{
    switch (op) {
    case Op::ADD:
        return "add";
    case Op::SUB:
        return "sub";
    case Op::MUL:
        return "mul";
    case Op::DIV:
        return "div";
    case Op::SQRT:
        return "sqrt";
    case Op::FMADD:
        return "fmadd";
    case Op::FMSUB:
        return "fmsub";
    }
    return "?";
}
inline int arity(Op op)
{
    return op == Op::SQRT ? 1 : (op == Op::FMADD || op == Op::FMSUB) ? 3 : 2;
}

// What the library produced: the narrowed bits and the value's flags afterwards.
struct LibResult {
    u128 bits;
    uint32_t flags;
};

inline void widen(FP160 *v, const Format &f, u128 bits, const char *label)
{
    if (f.fbits == fpref::DOUBLE.fbits) {
        const uint64_t w = (uint64_t)bits;
        FP160_ConvertFromDP(v, &w, label);
    } else if (f.fbits == fpref::SINGLE.fbits) {
        FP160_VX_ConvertFromSP_Source(v, (uint32_t)bits, 0, 0, label);
    } else if (f.fbits == fpref::HALF.fbits) {
        FP160_ConvertFromHP(v, (uint16_t)bits, label);
    } else {
        uint64_t q[2] = {(uint64_t)bits, (uint64_t)(bits >> 64)};
        FP160_ConvertFromQP(v, q, label);
    }
}

inline u128 narrow(FP160 *v, const Format &f, int mode)
{
    if (f.fbits == fpref::DOUBLE.fbits) {
        uint64_t out;
        FP160_Convert64(v, mode, &out, 3);
        return out;
    }
    if (f.fbits == fpref::SINGLE.fbits) return FP160_Convert32(v, mode, 0, 0, 0);
    if (f.fbits == fpref::HALF.fbits) {
        uint16_t out;
        FP160_Convert16(v, mode, &out, 4);
        return out;
    }
    uint64_t out[2];
    FP160_Convert128(v, mode, out, 5);
    return ((u128)out[1] << 64) | out[0];
}

// Operands: a, b (the addend of the multiply-adds) and c (the multiplier), as the instruction
// cores use them: a * c + b.
inline LibResult run_library(Op op, const Format &in, const Format &out, const u128 *operands, int mode)
{
    FP160 a, b, c;
    widen(&a, in, operands[0], "test::op_A");
    if (arity(op) >= 2) widen(&b, in, operands[1], "test::op_B");
    if (arity(op) == 3) widen(&c, in, operands[2], "test::op_C");
    switch (op) {
    case Op::ADD:
        FP160_Add(&a, &b, mode);
        break;
    case Op::SUB:
        if (!FP160_Is_NaN(&b)) b.sign ^= 1;
        FP160_Add(&a, &b, mode);
        break;
    case Op::MUL:
        FP160_Multiply(&a, &b);
        break;
    case Op::DIV:
        FP160_Divide(&a, &b);
        break;
    case Op::SQRT:
        if (in.fbits == fpref::QUAD.fbits)
            FP160_Q_Sqrt(&a);
        else
            FP160_Sqrt(&a);
        break;
    case Op::FMADD:
    case Op::FMSUB:
        FP160_Multiply(&a, &c);
        if (op == Op::FMSUB && !FP160_Is_NaN(&b)) b.sign ^= 1;
        FP160_Add(&a, &b, mode);
        break;
    }
    LibResult r;
    r.bits = narrow(&a, out, mode);
    r.flags = a.exceptions;
    return r;
}

inline Exact run_reference(Op op, const Format &in, const u128 *operands, int mode)
{
    const Exact a = fpref::decode(in, operands[0]);
    const Exact b = arity(op) >= 2 ? fpref::decode(in, operands[1]) : Exact{};
    switch (op) {
    case Op::ADD:
        return fpref::add(a, b, mode);
    case Op::SUB: {
        Exact nb = b;
        nb.negative = !nb.negative;
        return fpref::add(a, nb, mode);
    }
    case Op::MUL:
        return fpref::multiply(a, b);
    case Op::DIV:
        return fpref::divide(a, b);
    case Op::SQRT:
        return fpref::square_root(a);
    case Op::FMADD:
    case Op::FMSUB: {
        const Exact c = fpref::decode(in, operands[2]);
        Exact nb = b;
        if (op == Op::FMSUB) nb.negative = !nb.negative;
        return fpref::add(fpref::multiply(a, c), nb, mode);
    }
    }
    return Exact{};
}

inline bool is_nan(const Format &f, u128 bits)
{
    return (bits & f.exponent_mask()) == f.exponent_mask() && (bits & f.fraction_mask()) != 0;
}
inline bool is_snan(const Format &f, u128 bits)
{
    return is_nan(f, bits) && !(bits & ((u128)1 << (f.fbits - 1)));
}

// The host's result and flags for double and single precision in modes 0 to 3.
struct HostResult {
    u128 bits;
    int flags;
};

inline HostResult run_host(Op op, const Format &f, const u128 *operands, int mode)
{
    HostResult h{};
    fpref::Host host(mode);
    if (f.fbits == fpref::DOUBLE.fbits) {
        volatile double a = fpref::double_of((uint64_t)operands[0]);
        volatile double b = arity(op) >= 2 ? fpref::double_of((uint64_t)operands[1]) : 0.0;
        volatile double c = arity(op) == 3 ? fpref::double_of((uint64_t)operands[2]) : 0.0;
        volatile double r = 0;
        switch (op) {
        case Op::ADD:
            r = a + b;
            break;
        case Op::SUB:
            r = a - b;
            break;
        case Op::MUL:
            r = a * b;
            break;
        case Op::DIV:
            r = a / b;
            break;
        case Op::SQRT:
            r = std::sqrt(a);
            break;
        case Op::FMADD:
            r = std::fma(a, c, b);
            break;
        case Op::FMSUB:
            r = std::fma(a, c, -b);
            break;
        }
        host.done();
        h.bits = fpref::bits_of((double)r);
    } else {
        volatile float a = fpref::float_of((uint32_t)operands[0]);
        volatile float b = arity(op) >= 2 ? fpref::float_of((uint32_t)operands[1]) : 0.0f;
        volatile float r = 0;
        switch (op) {
        case Op::ADD:
            r = a + b;
            break;
        case Op::SUB:
            r = a - b;
            break;
        case Op::MUL:
            r = a * b;
            break;
        case Op::DIV:
            r = a / b;
            break;
        case Op::SQRT:
            r = std::sqrt((float)a);
            break;
        default:
            break;
        }
        host.done();
        h.bits = fpref::bits_of((float)r);
    }
    h.flags = host.flags;
    return h;
}

inline std::string hex(const Format &f, u128 v)
{
    char text[40];
    if (f.fbits == fpref::QUAD.fbits)
        snprintf(text, sizeof text, "0x%016lX%016lX", (unsigned long)(uint64_t)(v >> 64),
                 (unsigned long)(uint64_t)v);
    else
        snprintf(text, sizeof text, "0x%0*lX", (1 + f.ebits + f.fbits) / 4, (unsigned long)(uint64_t)v);
    return text;
}

// Collects disagreements; the first few are kept as text.
struct Report {
    long cases = 0;
    long failures = 0;
    std::vector<std::string> first;
    void fail(const std::string &what)
    {
        failures++;
        if (first.size() < 12) first.push_back(what);
    }
    std::string text() const
    {
        std::string all;
        for (const std::string &s : first)
            all += s + "\n";
        return all;
    }
};

// Checks one case against the reference (every mode) and, for double and single precision in
// modes 0 to 3 with operands and result of one format, against the host.
inline void check(Report &report, Op op, const Format &in, const Format &out, const u128 *operands, int mode,
                  bool with_host)
{
    report.cases++;
    bool nan_operand = false, snan_operand = false;
    for (int i = 0; i < arity(op); i++) {
        nan_operand |= is_nan(in, operands[i]);
        snan_operand |= is_snan(in, operands[i]);
    }
    if (op == Op::SQRT) {
        const Exact a = fpref::decode(in, operands[0]);
        if (a.kind != Exact::FINITE || a.negative || a.is_zero()) return; // the cores handle these
    }
    const LibResult lib = run_library(op, in, out, operands, mode);
    const fpref::Rounded ref = fpref::round(run_reference(op, in, operands, mode), out, mode);

    std::string where =
        std::string(op_name(op)) + " " + in.name + "->" + out.name + " mode " + std::to_string(mode) + " (";
    for (int i = 0; i < arity(op); i++)
        where += (i ? ", " : "") + hex(in, operands[i]);
    where += "): ";
    char flags_text[64];
    snprintf(flags_text, sizeof flags_text, " flags 0x%X", lib.flags);

    if (ref.nan) {
        // Which NaN and its payload follow the library's first-NaN rule: only a quiet NaN is
        // required here, and the invalid flag when no operand was a NaN.
        if (!is_nan(out, lib.bits) || is_snan(out, lib.bits))
            report.fail(where + "expected a quiet NaN, got " + hex(out, lib.bits) + flags_text);
        if (!nan_operand && !(lib.flags & FP160_EXC_INVALID))
            report.fail(where + "invalid not marked" + flags_text);
        if (snan_operand && !(lib.flags & FP160_EXC_SNAN))
            report.fail(where + "SNaN not marked" + flags_text);
    } else if (ref.overflow) {
        const u128 infinity = (ref.bits & out.sign_bit()) | out.exponent_mask();
        if (lib.bits != infinity || !(lib.flags & FP160_EXC_OVERFLOW))
            report.fail(where + "overflow: got " + hex(out, lib.bits) + flags_text);
        if (((lib.flags & FP160_EXC_ROUNDED_UP) != 0) != ref.rounded_up)
            report.fail(where + "overflow round-up flag differs" + flags_text);
    } else if (ref.below_window) {
        if (lib.bits != (ref.bits & out.sign_bit()) || !(lib.flags & FP160_EXC_UNDERFLOW))
            report.fail(where + "below the denormals: got " + hex(out, lib.bits) + flags_text);
    } else {
        if (lib.bits != ref.bits)
            report.fail(where + "got " + hex(out, lib.bits) + " expected " + hex(out, ref.bits));
        uint32_t expected = 0;
        if (ref.inexact) expected |= FP160_EXC_INEXACT;
        if (ref.tiny) expected |= FP160_EXC_UNDERFLOW;
        if (ref.rounded_up) expected |= FP160_EXC_ROUNDED_UP;
        if (ref.divide_zero) expected |= FP160_EXC_ZERO_DIVIDE;
        if (ref.invalid) expected |= FP160_EXC_INVALID;
        const uint32_t compared = FP160_EXC_OVERFLOW | FP160_EXC_UNDERFLOW | FP160_EXC_INEXACT |
                                  FP160_EXC_ROUNDED_UP | FP160_EXC_ZERO_DIVIDE | FP160_EXC_INVALID;
        if ((lib.flags & compared) != expected) {
            char e[32];
            snprintf(e, sizeof e, " expected 0x%X", expected);
            report.fail(where + "flags differ:" + flags_text + e);
        }
    }

    if (!with_host || mode > 3 || in.fbits != out.fbits) return;
    if (in.fbits != fpref::DOUBLE.fbits && in.fbits != fpref::SINGLE.fbits) return;
    if (in.fbits == fpref::SINGLE.fbits && (op == Op::FMADD || op == Op::FMSUB)) return;
    // The host validates the reference: equal results and equal IEEE flags.
    const HostResult host = run_host(op, in, operands, mode);
    const bool host_nan = is_nan(out, host.bits);
    if (host_nan != ref.nan || (!ref.nan && host.bits != ref.bits))
        report.fail(where + "host " + hex(out, host.bits) + " reference " + hex(out, ref.bits));
    auto flag_differs = [&](int fe, bool expected, const char *name) {
        if (((host.flags & fe) != 0) != expected) report.fail(where + "host flag " + name + " differs");
    };
    flag_differs(FE_INEXACT, ref.inexact, "inexact");
    flag_differs(FE_OVERFLOW, ref.overflow, "overflow");
    flag_differs(FE_DIVBYZERO, ref.divide_zero, "zero-divide");
    if (!nan_operand) flag_differs(FE_INVALID, ref.invalid, "invalid");
    if (snan_operand) flag_differs(FE_INVALID, true, "invalid");
    // The host detects tininess after rounding: a tiny value that rounds to the smallest normal
    // raises no underflow there.
    const u128 magnitude = ref.bits & ~out.sign_bit();
    if (!(ref.tiny && magnitude == ((u128)1 << out.fbits)))
        flag_differs(FE_UNDERFLOW, ref.tiny && ref.inexact, "underflow");
}

// Operands for the random sweep: specials, plain random patterns and structured values near
// each other (cancellation, rounding boundaries, the ends of the exponent range).
class Operands
{
  public:
    Operands(const Format &f, uint64_t seed) : f_(f), rng_(seed) {}

    u128 next()
    {
        const unsigned kind = (unsigned)(rng_() % 100);
        if (kind < 8) return special();
        if (kind < 30) return random_bits();
        return structured();
    }
    // A second operand related to the first: the same or a nearby exponent, the same leading bits.
    u128 near(u128 a)
    {
        const unsigned kind = (unsigned)(rng_() % 4);
        const int max_field = (1 << f_.ebits) - 2;
        int field = (int)((a & f_.exponent_mask()) >> f_.fbits);
        if (field == max_field + 1) return next();
        u128 fraction = a & f_.fraction_mask();
        const u128 sign = (rng_() & 1) ? f_.sign_bit() : 0;
        if (kind == 0) {
            fraction ^= random_word() & (((u128)1 << (rng_() % (f_.fbits + 1))) - 1); // same leading bits
        } else if (kind == 1) {
            field += (int)(rng_() % (2 * f_.fbits + 8)) - (f_.fbits + 4); // shifted by up to p + 3
        } else if (kind == 2) {
            field -= (int)(rng_() % 8) + f_.fbits - 3; // just beyond the last bit
            fraction = rng_() & 1 ? 0 : f_.fraction_mask();
        } else {
            fraction = fraction + ((rng_() & 1) ? 1 : -1);
        }
        if (field < 0) field = 0;
        if (field > max_field) field = max_field;
        return sign | ((u128)field << f_.fbits) | (fraction & f_.fraction_mask());
    }

    // 1, or 1 give or take a few units in the last place.
    u128 near_one()
    {
        const u128 one = (u128)f_.bias() << f_.fbits;
        return one + (u128)(rng_() % 9) - 4;
    }

  private:
    u128 random_word() { return ((u128)rng_() << 64) | rng_(); }
    u128 random_bits() { return random_word() & (f_.sign_bit() | f_.exponent_mask() | f_.fraction_mask()); }
    u128 special()
    {
        const u128 top = f_.exponent_mask(), quiet = (u128)1 << (f_.fbits - 1);
        const u128 one = (u128)f_.bias() << f_.fbits;
        const u128 table[] = {0,
                              top,
                              top | quiet | 5,
                              top | 3,
                              1,
                              f_.fraction_mask(),
                              (u128)1 << f_.fbits,
                              one,
                              one + 1,
                              one - 1,
                              fpref::largest_finite(f_)};
        const u128 sign = (rng_() & 1) ? f_.sign_bit() : 0;
        return sign | table[rng_() % (sizeof table / sizeof table[0])];
    }
    u128 structured()
    {
        const int max_field = (1 << f_.ebits) - 2;
        int field;
        switch (rng_() % 4) {
        case 0:
            field = (int)(rng_() % (f_.fbits + 4));
            break; // denormals and the lowest normals
        case 1:
            field = max_field - (int)(rng_() % (f_.fbits + 4));
            break; // the largest
        case 2:
            field = f_.bias() + (int)(rng_() % 64) - 32;
            break; // around 1
        default:
            field = 1 + (int)(rng_() % (uint64_t)max_field);
            break;
        }
        if (field < 0) field = 0;
        if (field > max_field) field = max_field;
        u128 fraction = random_word() & f_.fraction_mask();
        const unsigned run = (unsigned)(rng_() % (f_.fbits + 1));
        switch (rng_() % 4) {
        case 0:
            fraction &= ~(((u128)1 << run) - 1);
            break; // trailing zeros
        case 1:
            fraction |= ((u128)1 << run) - 1;
            break; // trailing ones
        default:
            break;
        }
        const u128 sign = (rng_() & 1) ? f_.sign_bit() : 0;
        return sign | ((u128)field << f_.fbits) | fraction;
    }

    const Format &f_;
    std::mt19937_64 rng_;
};

// Runs count random cases of op in every mode (modes 0 to 3 only with the host where it applies).
inline void sweep(Report &report, Op op, const Format &in, const Format &out, long count, uint64_t seed,
                  bool with_host)
{
    Operands gen(in, seed);
    std::mt19937_64 choose(seed ^ 0x5DEECE66Dull);
    for (long i = 0; i < count; i++) {
        u128 operands[3];
        operands[0] = gen.next();
        operands[1] = choose() % 3 ? gen.near(operands[0]) : gen.next();
        operands[2] = gen.next();
        if (op == Op::FMADD || op == Op::FMSUB) {
            // A multiplier near 1 with an addend near a makes the cancelling cases.
            if (choose() % 2) operands[2] = gen.near_one();
        }
        for (int mode = 0; mode <= 5; mode++)
            check(report, op, in, out, operands, mode, with_host);
    }
}

} // namespace fpdiff
