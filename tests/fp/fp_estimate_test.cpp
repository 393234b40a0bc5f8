// Estimates: the known table rows, the default table estimates, the interpolated variants'
// accuracy and their exceptional ranges, the estimate rounding and precision truncation, and the
// 2^x and log2 estimates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "fp/fp160_round.h"
#include "fp/fp_estimate.h"
#include "fp/fp_estimate_tables.h"
#include "fp/fpscr_status.h"
#include "fp_thread.h"

namespace
{

uint64_t bits_of(double d)
{
    uint64_t b;
    memcpy(&b, &d, sizeof b);
    return b;
}
double double_of(uint64_t b)
{
    double d;
    memcpy(&d, &b, sizeof d);
    return d;
}
uint32_t word_of(float f)
{
    uint32_t w;
    memcpy(&w, &f, sizeof w);
    return w;
}
float float_of(uint32_t w)
{
    float f;
    memcpy(&f, &w, sizeof f);
    return f;
}

TEST(EstimateTables, KnownRows)
{
    EXPECT_EQ(fres_table[0], 0xFE0);
    EXPECT_EQ(fres_table[1], 0xFA1);
    EXPECT_EQ(fres_table[63], 0x560);
    EXPECT_EQ(fres_table[64], 0x540);
    EXPECT_EQ(fres_table[126], 0x020);
    EXPECT_EQ(fres_table[127], 0x000);
    const struct {
        int i;
        uint32_t offset;
        uint8_t slope;
    } cirn[] = {{0, 0x3FFF8, 0xFC}, {1, 0x3F037, 0xF4}, {32, 0x2AAA8, 0x71}, {63, 0x20407, 0x40}};
    for (const auto &r : cirn) {
        EXPECT_EQ(fres_64x18_offset[r.i], r.offset) << r.i;
        EXPECT_EQ(fres_64x8_slope[r.i], r.slope) << r.i;
    }
    EXPECT_EQ(fres_64x18_dravo_offset[1], 0x3F035u);
    EXPECT_EQ(fres_64x18_dravo_offset[4], 0x3C3BAu);
    EXPECT_EQ(fres_64x18_dravo_offset[8], 0x38E30u);
    EXPECT_EQ(fres_64x18_dravo_offset[13], 0x3531Eu);
    EXPECT_EQ(fres_64x8_slope[62], 0x41);
    EXPECT_EQ(fres_64x8_dravo_slope[62], 0x42);
    for (int i = 0; i < 64; i++) {
        if (i != 62) {
            EXPECT_EQ(fres_64x8_dravo_slope[i], fres_64x8_slope[i]) << i;
        }
    }
    EXPECT_EQ(frsqrte_2x64x18_offset[0], 0x3FFFCu);
    EXPECT_EQ(frsqrte_2x64x18_offset[63], 0x2D6EEu);
    EXPECT_EQ(frsqrte_2x64x18_offset[64], 0xB504u);
    EXPECT_EQ(frsqrte_2x64x18_offset[127], 0x8080u);
    EXPECT_EQ(frsqrte_2x64x8_slope[0], 0x7E);
    EXPECT_EQ(frsqrte_2x64x8_slope[63], 0x2E);
    EXPECT_EQ(frsqrte_2x64x8_slope[64], 0xB3);
    EXPECT_EQ(frsqrte_2x64x8_slope[127], 0x40);
}

// The relative error of the worst estimate over sample operands in [1, 4), through the instruction
// entry points on a processor of the given variant.
double worst_error(std::initializer_list<int> options, bool square_root)
{
    FPThread fp(options);
    double worst = 0;
    for (int k = 0; k < 4 * 8192; k++) {
        const double x = 1.0 + k / 8192.0 + std::ldexp(1.0, -40) * (k % 7);
        const uint64_t operand = bits_of(x);
        uint64_t out;
        uint32_t flags;
        if (square_root)
            FPEst_RecipSqrt(fp.iop("frsqrte"), &operand, &out, &flags, 0, "t");
        else
            FPEst_Reciprocal(fp.iop("fre"), &operand, &out, &flags, 0, "t");
        const double truth = square_root ? 1.0 / std::sqrt(x) : 1.0 / x;
        worst = std::max(worst, std::fabs(double_of(out) - truth) / truth);
    }
    return worst;
}

TEST(Estimates, AccuracyOfEachVariant)
{
    EXPECT_LT(worst_error({}, false), std::ldexp(1.0, -8) * 1.01);
    EXPECT_LT(worst_error({}, true), std::ldexp(1.0, -5) * 1.01);
    EXPECT_LT(worst_error({PO_FP_RE_Cirn_LIKE}, false), std::ldexp(1.0, -13.5));
    EXPECT_LT(worst_error({PO_FP_RE_Dravo_LIKE}, false), std::ldexp(1.0, -13.5));
    EXPECT_LT(worst_error({PO_FP_RE_Dravo_LIKE}, true), std::ldexp(1.0, -14));
}

TEST(Estimates, DefaultTableEstimates)
{
    FPThread fp;
    const uint64_t one = bits_of(1.0), four = bits_of(4.0);
    uint64_t out;
    uint32_t flags;
    EXPECT_EQ(FPEst_Reciprocal(fp.iop("fre"), &one, &out, &flags, 0, "t"), 1);
    EXPECT_EQ(out, (1022ull << 52) | (0xFE0ull << 40));
    EXPECT_EQ(FPEst_RecipSqrt(fp.iop("frsqrte"), &four, &out, &flags, 0, "t"), 1);
    EXPECT_EQ(out, (1021ull << 52) | (0xF1ull << 44));
    // An odd exponent takes the second half of the table: 1/sqrt(2) from entry 8.
    const uint64_t two = bits_of(2.0);
    FPEst_RecipSqrt(fp.iop("frsqrte"), &two, &out, &flags, 0, "t");
    EXPECT_EQ(out, (1022ull << 52) | (0x60ull << 44));
    // Beyond the range: 1/x of the largest double is denormal, of a tiny one infinity.
    const uint64_t large = bits_of(std::ldexp(1.0, 1023)), tiny = bits_of(std::ldexp(1.0, -1030));
    FPEst_Reciprocal(fp.iop("fre"), &large, &out, &flags, 0, "t");
    EXPECT_EQ(out, 0xFE0ull << 39);
    FPEst_Reciprocal(fp.iop("fre"), &tiny, &out, &flags, 0, "t");
    EXPECT_EQ(out, 0x7FF0000000000000ull);
}

TEST(Estimates, ExceptionalOperands)
{
    FPThread fp;
    fp.fpscr() = 1;
    const struct {
        uint64_t in, out;
        uint64_t status;
        bool square_root;
    } cases[] = {
        {0x8000000000000000ull, 0xFFF0000000000000ull, FPSCR_ZX, false},
        {0x7FF0000000000000ull, 0, 0, false},
        {0xFFF0000000000000ull, 0x8000000000000000ull, 0, false},
        {0x7FF0000000000001ull, 0x7FF8000000000001ull, FPSCR_VXSNAN, false},
        {0x0000000000000000ull, 0x7FF0000000000000ull, FPSCR_ZX, true},
        {0xFFF0000000000000ull, 0x7FF8000000000000ull, FPSCR_VXSQRT, true},
        {bits_of(-4.0), 0x7FF8000000000000ull, FPSCR_VXSQRT, true},
        {0x7FF0000000000000ull, 0, 0, true},
    };
    for (const auto &c : cases) {
        FPThread t;
        uint64_t out;
        uint32_t flags;
        if (c.square_root)
            FPEst_RecipSqrt(t.iop("frsqrte"), &c.in, &out, &flags, 0, "t");
        else
            FPEst_Reciprocal(t.iop("fre"), &c.in, &out, &flags, 0, "t");
        EXPECT_EQ(out, c.out) << std::hex << c.in;
        EXPECT_EQ(t.fpscr() & (FPSCR_ZX | FPSCR_VXSNAN | FPSCR_VXSQRT), c.status) << std::hex << c.in;
    }
    // Enabled: a zero with ZE, a negative operand with VE deliver nothing (the caller keeps its
    // target register).
    FPThread z;
    z.fpscr() = FPSCR_ZE | FPSCR_VE;
    const uint64_t zero = 0, negative = bits_of(-1.0);
    uint64_t out = 5;
    uint32_t flags;
    EXPECT_EQ(FPEst_Reciprocal(z.iop("fre"), &zero, &out, &flags, 0, "t"), 0);
    EXPECT_EQ(flags & FP160_EXC_ZERO_DIVIDE, FP160_EXC_ZERO_DIVIDE);
    EXPECT_EQ(FPEst_RecipSqrt(z.iop("frsqrte"), &negative, &out, &flags, 0, "t"), 0);
    EXPECT_TRUE(z.fpscr() & FPSCR_VXSQRT);
}

TEST(Estimates, DravoSinglePrecisionRanges)
{
    // Ervik's options: Dravo-like, single results done through the double delivery, operands beyond
    // single range giving zero, FR and FI cleared by the square-root estimate.
    auto ervik = [] {
        return new FPThread({PO_FP_RE_Dravo_LIKE, PO_FP_RE_SP_DONE,
                             PO_FRES_FRSQRTES_OUT_OF_SP_RANGE_SUPPORTED, PO_FP_RECIP_EST_CLEARS_FR_FI,
                             PO_ONLY_DENORM_POSITIVE_AMOUNTS});
    };
    uint64_t out;
    uint32_t flags;
    {
        std::unique_ptr<FPThread> fp(ervik());
        const uint64_t three = bits_of(3.0);
        EXPECT_EQ(FPEst_Reciprocal(fp->iop("fres"), &three, &out, &flags, 1, "t"), 1);
        EXPECT_EQ(out & ((1ull << 29) - 1), 0u); // a single-precision value
        EXPECT_NEAR(double_of(out), 1.0 / 3.0, std::ldexp(1.0, -14));
        EXPECT_EQ(fp->fpscr() & 0x1F000, 0x4000u);
        const uint64_t huge = bits_of(std::ldexp(1.0, 130));
        FPEst_Reciprocal(fp->iop("fres"), &huge, &out, &flags, 1, "t");
        EXPECT_EQ(out, 0u);
        FPEst_RecipSqrt(fp->iop("frsqrtes"), &huge, &out, &flags, 1, "t");
        EXPECT_EQ(out, 0u);
    }
    {
        // 1/2^-130 overflows single precision: the largest single toward zero, else infinity.
        std::unique_ptr<FPThread> fp(ervik());
        fp->fpscr() = 1;
        const uint64_t small = bits_of(std::ldexp(1.0, -130));
        FPEst_Reciprocal(fp->iop("fres"), &small, &out, &flags, 1, "t");
        EXPECT_EQ(out, (1150ull << 52) | 0xFFFFFE0000000ull);
        EXPECT_TRUE(fp->fpscr() & FPSCR_OX);
        EXPECT_TRUE(flags & FP160_EXC_OVERFLOW);
    }
    {
        // 1/(1.2345 * 2^127) lies in the single denormal range: precision cut to what the
        // denormal holds (21 fraction bits at biased exponent 895).
        std::unique_ptr<FPThread> fp(ervik());
        const uint64_t x = bits_of(std::ldexp(1.2345, 127));
        FPEst_Reciprocal(fp->iop("fres"), &x, &out, &flags, 1, "t");
        EXPECT_EQ((out >> 52) & 0x7FF, 895u);
        EXPECT_EQ(out & ((1ull << 31) - 1), 0u);
        EXPECT_NEAR(double_of(out) * std::ldexp(1.2345, 127), 1.0, std::ldexp(1.0, -10));
    }
    {
        // Double-precision overflow with OE set delivers the scaled estimate.
        std::unique_ptr<FPThread> fp(ervik());
        fp->fpscr() = FPSCR_OE;
        const uint64_t tiny = bits_of(std::ldexp(1.0, -1030));
        EXPECT_EQ(FPEst_Reciprocal(fp->iop("fre"), &tiny, &out, &flags, 0, "t"), 1);
        EXPECT_NEAR(double_of(out), std::ldexp(1.0, 1030 - 1536), std::ldexp(1.0, 1030 - 1536 - 13));
        EXPECT_TRUE(fp->fpscr() & FPSCR_OX);
    }
}

TEST(Estimates, CirnDenormalAndOverflowingResults)
{
    // The reciprocal of the largest binade is a denormal: 20 fraction bits, exact.
    FPThread fp({PO_FP_RE_Cirn_LIKE});
    const uint64_t x = bits_of(std::ldexp(1.5, 1022));
    uint64_t out;
    uint32_t flags;
    FPEst_Reciprocal(fp.iop("fre"), &x, &out, &flags, 0, "t");
    EXPECT_EQ(out >> 52, 0u);
    EXPECT_EQ(out & ((1ull << 32) - 1), 0u);
    EXPECT_NEAR(double_of(out) * std::ldexp(1.5, 1022), 1.0, std::ldexp(1.0, -9));
    EXPECT_EQ(fp.fpscr() & FPSCR_UX, 0u);
    // The reciprocal of a small denormal overflows: the largest finite toward zero.
    FPThread t({PO_FP_RE_Cirn_LIKE});
    t.fpscr() = 1;
    const uint64_t tiny = 1;
    FPEst_Reciprocal(t.iop("fre"), &tiny, &out, &flags, 0, "t");
    EXPECT_EQ(out, 0x7FEFFFFFFFFFFFFFull);
    EXPECT_TRUE(t.fpscr() & FPSCR_OX);
    EXPECT_TRUE(flags & FP160_EXC_OVERFLOW);
}

TEST(Estimates, RoundingOfAnEstimate)
{
    struct Case {
        uint64_t fraction;
        int kept, mode, sign;
        uint64_t out;
        int exponent_change, inexact;
    } cases[] = {
        {(1ull << 52) | 0xFFF, 52, 0, 0, (1ull << 52) | 0xFFF, 0, 0},
        {(1ull << 52) | 0x18, 48, 0, 0, (1ull << 52) | 0x20, 0, 1}, // half-way, odd: up to even
        {(1ull << 52) | 0x08, 48, 0, 0, (1ull << 52), 0, 1},        // half-way, even: stays
        {(1ull << 52) | 0x09, 48, 0, 0, (1ull << 52) | 0x10, 0, 1},
        {(1ull << 52) | 0x01, 48, 2, 0, (1ull << 52) | 0x10, 0, 1},
        {(1ull << 52) | 0x01, 48, 2, 1, (1ull << 52), 0, 1},
        {(1ull << 52) | 0x01, 48, 3, 1, (1ull << 52) | 0x10, 0, 1},
        {(1ull << 52) | 0x0F, 48, 1, 0, (1ull << 52), 0, 1},
        {(2ull << 52) - 1, 48, 0, 0, 1ull << 52, 1, 1}, // carry into the exponent
        {(1ull << 52) | 1, -1, 0, 0, 1ull << 52, 1, 1}, // nothing kept: above half rounds up
    };
    for (const Case &c : cases) {
        uint64_t fraction = c.fraction;
        int32_t exponent = 10;
        int inexact = 0;
        FPEst_Round(c.sign, &exponent, &fraction, c.kept, c.mode, &inexact);
        EXPECT_EQ(fraction, c.out) << std::hex << c.fraction << " kept " << c.kept;
        EXPECT_EQ(exponent, 10 + c.exponent_change);
        EXPECT_EQ(inexact, c.inexact);
    }
}

TEST(Estimates, EstimatePrecision)
{
    FPThread fp;
    uint64_t value = ~0ull, mask = 7;
    fp.core.core->fp_estimate_precision = 52;
    Adjust_For_Floating_Point_Estimate_Precision(fp.thread(), &value, &mask);
    EXPECT_EQ(mask, 0u);
    EXPECT_EQ(value, ~0ull);
    fp.core.core->fp_estimate_precision = 12;
    Adjust_For_Floating_Point_Estimate_Precision(fp.thread(), &value, &mask);
    EXPECT_EQ(mask, (1ull << 39) - 1);
    EXPECT_EQ(value, ~0ull << 39);
    fp.core.core->fp_estimate_precision = -20;
    Adjust_For_Floating_Point_Estimate_Precision(fp.thread(), &value, &mask);
    EXPECT_EQ(mask, ~0ull);
    EXPECT_EQ(value, 0u);
}

TEST(Estimates, SinglePrecisionTablesIntoFP160)
{
    for (float x : {1.0f, 1.3f, 1.99999f, 3.0f, 0x1p-140f}) {
        FP160 r, s;
        FP160_Reciprocal_Estimate_SP(word_of(x), &r);
        FP160_Reciprocal_Sqrt_Estimate_SP(word_of(x), &s);
        EXPECT_EQ(r.src_format, FP_FORMAT_SP);
        uint64_t rb, sb;
        FP160_Convert64(&r, 0, &rb, 3);
        FP160_Convert64(&s, 0, &sb, 3);
        EXPECT_NEAR(double_of(rb) * x, 1.0, 1.0 / 2048) << x;
        EXPECT_NEAR(double_of(sb) * std::sqrt((double)x), 1.0, 1.0 / 2048) << x;
        FP160 rd, sd;
        FP160_Reciprocal_Estimate_DP(bits_of(x), &rd);
        FP160_Reciprocal_Sqrt_Estimate_DP(bits_of(x), &sd, 0);
        FP160_Convert64(&rd, 0, &rb, 3);
        FP160_Convert64(&sd, 0, &sb, 3);
        EXPECT_NEAR(double_of(rb) * x, 1.0, 1.0 / 2048) << x;
        EXPECT_NEAR(double_of(sb) * std::sqrt((double)x), 1.0, 1.0 / 2048) << x;
    }
    // The reciprocal of a value beyond the single range marks overflow.
    FP160 r;
    FP160_Reciprocal_Estimate_SP(0x00000001, &r);
    EXPECT_TRUE(r.exceptions & FP160_EXC_OVERFLOW);
    FP160 s;
    FP160_Reciprocal_Sqrt_Estimate_DP(bits_of(2.0), &s, 1);
    EXPECT_EQ(s.sig_hi & ((1ull << 39) - 1), 0u);
}

TEST(Estimates, Log2)
{
    const struct {
        float in, out;
    } cases[] = {{2.0f, 1.0f},         {1.5f, 0.5859375f},   {3.0f, 1.5859375f},
                 {0.75f, -0.4140625f}, {10.0f, 3.3203125f},  {1.0f, 0.0f},
                 {-2.0f, 1.0f},        {0x1p-149f, -149.0f}, {0x1.8p-130f, -129.4140625f}};
    for (const auto &c : cases)
        EXPECT_EQ(log2e(word_of(c.in)), word_of(c.out)) << c.in;
    EXPECT_EQ(log2e(word_of(1.0f)), 0u);
    EXPECT_EQ(FP_Compute_LOGES(word_of(-1.0f), 0), 0x7FC00000u);
    EXPECT_EQ(FP_Compute_LOGES(0, 0), 0xFF800000u);
    EXPECT_EQ(FP_Compute_LOGES(0x80000000, 0), 0xFF800000u);
    EXPECT_EQ(FP_Compute_LOGES(0x7F800000, 0), 0x7F800000u);
    EXPECT_EQ(FP_Compute_LOGES(0x7F800001, 0), 0x7FC00001u);
    EXPECT_EQ(FP_Compute_LOGES(0, 1), 0xFFFFFFFFu);
    EXPECT_EQ(FP_Compute_LOGES(word_of(-2.0f), 1), word_of(1.0f));
}

TEST(Estimates, PowerOfTwo)
{
    const struct {
        float in;
        uint32_t out;
    } cases[] = {
        {0.5f, word_of(1.4140625f)}, {1.0f, word_of(2.0f)}, {-1.0f, word_of(0.5f)},
        {200.0f, 0x7F800000},        {-300.0f, 0},          {0x1p-20f, word_of(1.0f)},
        {-149.0f, 0x00000001},       {-127.0f, 0x00400000}, {0.0f, word_of(1.0f)},
        {-0.0f, word_of(1.0f)},      {-150.0f, 0},          {128.0f, 0x7F800000},
        {127.5f, 0x7F350000},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FP_Compute_EXPTES(word_of(c.in), 0), c.out) << c.in;
    EXPECT_EQ(FP_Compute_EXPTES(0x7F800000, 0), 0x7F800000u);
    EXPECT_EQ(FP_Compute_EXPTES(0xFF800000, 0), 0u);
    EXPECT_EQ(FP_Compute_EXPTES(0xFF800001, 0), 0xFFC00001u);
    // Within its range the estimate stays close to 2^x.
    for (float x = -20.0f; x < 20.0f; x += 0.37f) {
        const float e = float_of(FP_Compute_EXPTES(word_of(x), 0));
        EXPECT_NEAR(e / std::exp2(x), 1.0f, 1.0f / 64) << x;
    }
}

} // namespace
