// The result delivery and the integer conversions of an instruction against exact arithmetic and
// the host: with the exceptions disabled a delivered result is the full IEEE result (overflow by
// rounding mode, gradual underflow) with the matching FPSCR bits; with OE and UE set it is the
// exactly scaled result. Integer conversions follow the host's llrint and rint with saturation.
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

#include "fp/fp_deliver.h"
#include "fp/fp_integer.h"
#include "fp/format_convert.h"
#include "fp/fpscr_status.h"
#include "fp_differential.h"
#include "fp_thread.h"

namespace
{

using fpdiff::Op;
using fpdiff::Report;
using fpref::Exact;
using fpref::u128;

constexpr long SWEEP = 1500;

const char *row_of(Op op, bool single)
{
    switch (op) {
    case Op::ADD:
        return single ? "fadds" : "fadd";
    case Op::SUB:
        return single ? "fsubs" : "fsub";
    case Op::MUL:
        return single ? "fmuls" : "fmul";
    case Op::DIV:
        return single ? "fdivs" : "fdiv";
    case Op::SQRT:
        return single ? "fsqrts" : "fsqrt";
    default:
        return single ? "fmadds" : "fmadd";
    }
}

// The library's delivered result: operands widened from double (single) precision, computed,
// delivered by the double (single in double format) member on the operation's row.
struct Delivered {
    int answer;
    uint64_t out;
    uint64_t fpscr;
};

Delivered deliver(FPThread &fp, IOPDesc *record, Op op, bool single, const u128 *operands, int mode,
                  uint64_t enables)
{
    fp.fpscr() = enables | (uint64_t)mode;
    IOPDesc *iop = fp.reuse(record, row_of(op, single));
    const fpref::Format &f = single ? fpref::SINGLE : fpref::DOUBLE;
    FP160 a, b, c;
    fpdiff::widen(&a, f, operands[0], "a");
    fpdiff::widen(&b, f, operands[1], "b");
    fpdiff::widen(&c, f, operands[2], "c");
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
        FP160_Sqrt(&a);
        break;
    default:
        FP160_Multiply(&a, &c);
        FP160_Add(&a, &b, mode);
        break;
    }
    Delivered d{};
    d.answer = single ? FP160_Convert_to_32_as_DW(iop, &a, &d.out, 0, mode)
                      : FP_Convert_ExceptionHandler64(iop, &a, &d.out, 0, mode);
    d.fpscr = fp.fpscr();
    return d;
}

// The exact result scaled by 2^k.
Exact scaled(Exact x, long k)
{
    x.e += k;
    return x;
}

void check_delivery(Report &report, FPThread &fp, IOPDesc *record, Op op, bool single, const u128 *operands,
                    int mode, bool enabled)
{
    const fpref::Format &f = single ? fpref::SINGLE : fpref::DOUBLE;
    bool nan_operand = false, snan_operand = false;
    for (int i = 0; i < fpdiff::arity(op); i++) {
        nan_operand |= fpdiff::is_nan(f, operands[i]);
        snan_operand |= fpdiff::is_snan(f, operands[i]);
    }
    if (op == Op::SQRT) {
        const Exact a = fpref::decode(f, operands[0]);
        if (a.kind != Exact::FINITE || a.negative || a.is_zero()) return; // the cores settle these
    }
    const Exact exact = fpdiff::run_reference(op, f, operands, mode);
    report.cases++;
    // An enabled overflow or underflow delivers the exact result scaled back into range, rounded
    // to the target precision; a single-precision one keeps its exponent in double format.
    const fpref::Format single_in_double_range{23, 11, "single in double range"};
    fpref::Rounded r = fpref::round(exact, f, mode);
    const long adjust = single ? 192 : 1536;
    bool scaled_result = false;
    if (enabled && (r.overflow || r.tiny)) {
        const bool overflow = r.overflow, tiny = r.tiny;
        const Exact s = scaled(exact, overflow ? -adjust : adjust);
        r = fpref::round(s, single ? single_in_double_range : f, mode);
        r.overflow = overflow;
        r.tiny = tiny;
        scaled_result = true;
    }
    const Delivered d = deliver(fp, record, op, single, operands, mode, enabled ? (FPSCR_OE | FPSCR_UE) : 0);

    std::string where = std::string(fpdiff::op_name(op)) + (single ? " single" : " double") + " mode " +
                        std::to_string(mode) + (enabled ? " OE UE" : "") + " (";
    for (int i = 0; i < fpdiff::arity(op); i++)
        where += (i ? ", " : "") + fpdiff::hex(f, operands[i]);
    where += "): ";

    // The expected register image: the double, or the single widened exactly.
    uint64_t expected;
    if (!single)
        expected = (uint64_t)r.bits;
    else if (!scaled_result)
        expected = ConvSPtoDP((uint32_t)r.bits);
    else
        expected = ((uint64_t)(r.bits >> 34) << 63) | ((uint64_t)((r.bits >> 23) & 0x7FF) << 52) |
                   ((uint64_t)(r.bits & 0x7FFFFF) << 29);
    if (r.nan) {
        if (!fpdiff::is_nan(fpref::DOUBLE, d.out) || fpdiff::is_snan(fpref::DOUBLE, d.out))
            report.fail(where + "expected a quiet NaN, got " + fpdiff::hex(fpref::DOUBLE, d.out));
        if (!nan_operand && d.out != 0x7FF8000000000000ull)
            report.fail(where + "expected the default NaN, got " + fpdiff::hex(fpref::DOUBLE, d.out));
    } else if (d.out != expected) {
        report.fail(where + "got " + fpdiff::hex(fpref::DOUBLE, d.out) + " expected " +
                    fpdiff::hex(fpref::DOUBLE, expected));
    }
    if (d.answer != 1) report.fail(where + "not delivered");

    auto bit = [&](uint64_t b, bool want, const char *name) {
        if (((d.fpscr & b) != 0) != want) report.fail(where + name + (want ? " not set" : " set"));
    };
    bit(FPSCR_OX, r.overflow, "OX");
    bit(FPSCR_UX, enabled ? r.tiny : (r.tiny && r.inexact), "UX");
    bit(FPSCR_FI, r.inexact && !r.nan, "FI");
    bit(FPSCR_XX, r.inexact && !r.nan, "XX");
    bit(FPSCR_FR, r.rounded_up && !r.nan, "FR");
    bit(FPSCR_ZX, r.divide_zero, "ZX");
    bit(FPSCR_VXSNAN, snan_operand, "VXSNAN");
    bit(FPSCR_VX, r.invalid || snan_operand, "VX");
    if (!scaled_result || !single) {
        const uint32_t fprf = micro_DBL_FPRF(d.out, single ? 1 : 3);
        if (((d.fpscr >> 12) & 0x1F) != fprf) report.fail(where + "FPRF differs");
    }
}

void sweep_delivery(Report &report, Op op, bool single, uint64_t seed)
{
    const fpref::Format &f = single ? fpref::SINGLE : fpref::DOUBLE;
    fpdiff::Operands gen(f, seed);
    std::mt19937_64 choose(seed);
    FPThread fp;
    IOPDesc *record = fp.iop(row_of(op, single));
    for (long i = 0; i < SWEEP; i++) {
        u128 operands[3];
        operands[0] = gen.next();
        operands[1] = choose() % 3 ? gen.near(operands[0]) : gen.next();
        operands[2] = choose() % 2 ? gen.near_one() : gen.next();
        for (int mode = 0; mode <= 3; mode++)
            for (bool enabled : {false, true})
                check_delivery(report, fp, record, op, single, operands, mode, enabled);
    }
}

TEST(DeliveryDifferential, DoublePrecision)
{
    uint64_t seed = 500;
    for (Op op : {Op::ADD, Op::SUB, Op::MUL, Op::DIV, Op::SQRT, Op::FMADD}) {
        Report report;
        sweep_delivery(report, op, false, seed++);
        SCOPED_TRACE(fpdiff::op_name(op));
        EXPECT_EQ(report.failures, 0) << report.failures << " of " << report.cases << ":\n" << report.text();
    }
}

TEST(DeliveryDifferential, SinglePrecision)
{
    uint64_t seed = 600;
    for (Op op : {Op::ADD, Op::SUB, Op::MUL, Op::DIV, Op::SQRT, Op::FMADD}) {
        Report report;
        sweep_delivery(report, op, true, seed++);
        SCOPED_TRACE(fpdiff::op_name(op));
        EXPECT_EQ(report.failures, 0) << report.failures << " of " << report.cases << ":\n" << report.text();
    }
}

// ---- integer conversions ----

struct HostInteger {
    uint64_t out;
    bool invalid, inexact, rounded_up;
};

HostInteger host_integer(double x, int mode, int width, bool is_signed)
{
    fpref::Host host(mode);
    volatile double v = x;
    HostInteger h{};
    volatile double t = std::rint(v); // the integral value in the mode, with the inexact flag
    host.done();
    h.inexact = host.flags & FE_INEXACT;
    h.rounded_up = std::fabs(t) > std::fabs(x);
    const double limit = std::ldexp(1.0, is_signed ? width - 1 : width);
    if (std::isnan(x)) {
        h.invalid = true;
        h.out = is_signed ? 0x8000000000000000ull : 0;
    } else if (is_signed && (t >= limit || t < -limit)) {
        h.invalid = true;
        h.out = t < 0 ? 0x8000000000000000ull : 0x7FFFFFFFFFFFFFFFull;
    } else if (!is_signed && (t >= limit || t < 0)) {
        h.invalid = true;
        h.out = t < 0 ? 0 : ~0ull;
    } else if (is_signed) {
        fpref::Host again(mode);
        volatile long long r = std::llrint(v);
        h.out = (uint64_t)(int64_t)r;
    } else {
        h.out = t >= std::ldexp(1.0, 63) ? ((uint64_t)(t - std::ldexp(1.0, 63)) | (1ull << 63)) : (uint64_t)t;
    }
    if (h.invalid && width == 32) h.out = is_signed ? (uint64_t)((int64_t)h.out >> 32) : h.out >> 32;
    if (h.invalid) h.inexact = h.rounded_up = false;
    return h;
}

TEST(DeliveryDifferential, IntegerConversions)
{
    fpdiff::Operands gen(fpref::DOUBLE, 700);
    std::mt19937_64 rng(700);
    Report report;
    const double edges[] = {
        0.5,     -0.5,     2.5,       -2.5,   0x1p31 - 0.5,   0x1p31,       -0x1p31 - 0.5, 0x1p32 - 0.5,
        0x1p32,  0x1p63,   -0x1p63,   0x1p64, -0x1p63 - 1024, 0x1p52 + 0.5, -0.0,          1e-300,
        -1e-300, INFINITY, -INFINITY, NAN};
    std::vector<double> values(std::begin(edges), std::end(edges));
    FPThread fp;
    IOPDesc *record = fp.iop("fctid");
    for (int i = 0; i < 4000; i++) {
        double x = fpref::double_of((uint64_t)gen.next());
        if (rng() % 2)
            x = std::ldexp((double)(int64_t)rng() / 0x1p63, (int)(rng() % 70)); // around the ranges
        values.push_back(x);
    }
    for (double x : values) {
        for (int mode = 0; mode <= 3; mode++) {
            for (int width : {32, 64}) {
                for (bool is_signed : {true, false}) {
                    report.cases++;
                    fp.fpscr() = 0;
                    IOPDesc *iop = fp.reuse(record, is_signed ? "fctid" : "fctidu");
                    uint64_t out = 0;
                    const uint64_t operand = fpref::bits_of(x);
                    const int delivered =
                        is_signed ? FloatConvertToSignedInteger(iop, &out, operand, mode, width, "t")
                                  : FloatConvertToUnsignedInteger(iop, &out, operand, mode, width, "t");
                    const HostInteger h = host_integer(x, mode, width, is_signed);
                    uint64_t expected = h.out;
                    if (!h.invalid && width == 32)
                        expected = is_signed ? (uint64_t)(int64_t)(int32_t)h.out : h.out & 0xFFFFFFFFull;
                    char where[128];
                    snprintf(where, sizeof where, "%s%d of %a mode %d: ", is_signed ? "signed" : "unsigned",
                             width, x, mode);
                    if (delivered != 1 || out != expected)
                        report.fail(std::string(where) + "got " + std::to_string(out) + " expected " +
                                    std::to_string(expected));
                    if (((fp.fpscr() & FPSCR_VXCVI) != 0) != h.invalid)
                        report.fail(std::string(where) + "VXCVI");
                    if (((fp.fpscr() & FPSCR_FI) != 0) != h.inexact) report.fail(std::string(where) + "FI");
                    if (((fp.fpscr() & FPSCR_FR) != 0) != h.rounded_up)
                        report.fail(std::string(where) + "FR");
                }
            }
        }
    }
    EXPECT_EQ(report.failures, 0) << report.failures << " of " << report.cases << ":\n" << report.text();
}

} // namespace
