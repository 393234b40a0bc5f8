// Conversions: widening into FP160, rounding to integral values and integers, the double-to-
// integer conversions of an instruction with their FPSCR effects, and the bit-level conversions
// between double, single and half precision.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "fp/format_convert.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "fp/fp_integer.h"
#include "fp_thread.h"

namespace
{

uint64_t bits_of(double d)
{
    uint64_t b;
    memcpy(&b, &d, sizeof b);
    return b;
}
FP160 from_double(double d)
{
    const uint64_t b = bits_of(d);
    FP160 v;
    FP160_ConvertFromDP(&v, &b, "test");
    return v;
}
uint64_t to_double_bits(FP160 v)
{
    uint64_t out;
    FP160_Convert64(&v, 0, &out, 3);
    return out;
}

TEST(Widening, IntegersAreExact)
{
    FP160 v;
    FP160_ConvertFromSI64(&v, INT64_MIN, "t");
    EXPECT_EQ(to_double_bits(v), bits_of(-std::ldexp(1.0, 63)));
    EXPECT_EQ(v.src_format, FP_FORMAT_DP);
    FP160_ConvertFromSI64(&v, 0, "t");
    EXPECT_TRUE(FP160_Is_Zero(&v));
    EXPECT_EQ(v.sign, 0);
    FP160_ConvertFromSI64(&v, -3, "t");
    EXPECT_EQ(to_double_bits(v), bits_of(-3.0));
    FP160_ConvertFromUI64(&v, ~0ull, "t");
    EXPECT_EQ(v.sig_hi, 0x7FFFFFFFFFFFFFFFull);
    EXPECT_EQ(v.sig_lo, 0x8000000000000000ull);
    EXPECT_EQ(v.exponent, FP160_BIAS + 63);
    EXPECT_EQ(v.src_format, FP_FORMAT_SP);
    FP160_ConvertFromSI32(&v, INT32_MIN, "t");
    EXPECT_EQ(to_double_bits(v), bits_of(-2147483648.0));
    FP160_ConvertFromUI32(&v, 0xFFFFFFFFu, "t");
    EXPECT_EQ(to_double_bits(v), bits_of(4294967295.0));
}

TEST(Widening, StoredFormats)
{
    FP160 v;
    FP160_ConvertFromHP(&v, 0x0001, "t"); // the smallest half denormal, 2^-24
    EXPECT_EQ(to_double_bits(v), bits_of(std::ldexp(1.0, -24)));
    FP160_ConvertFromHP(&v, 0xFC00, "t");
    EXPECT_TRUE(FP160_Is_Infinity(&v));
    EXPECT_EQ(v.sign, 1);
    const uint64_t third[2] = {0x5555555555555555ull, 0x3FFD555555555555ull};
    FP160_ConvertFromQP(&v, third, "t");
    EXPECT_EQ(v.exponent, FP160_BIAS - 2);
    EXPECT_EQ(v.sig_hi, 0x5555555555555555ull);
    EXPECT_EQ(v.sig_lo, 0x5555555555554000ull);
    uint64_t back[2];
    FP160_Convert128(&v, 0, back, 5);
    EXPECT_EQ(back[0], third[0]);
    EXPECT_EQ(back[1], third[1]);
    const uint64_t denormal[2] = {1, 0};
    FP160_ConvertFromQP(&v, denormal, "t");
    EXPECT_EQ(v.exponent, FP160_QP_OFFSET + 1 - 112);
    // Single-precision denormals: kept, or zeros of their sign under denormals-are-zero.
    FP160_VX_ConvertFromSP_Source(&v, 0x80000001, 0, 0, "t");
    EXPECT_EQ(to_double_bits(v), bits_of(-std::ldexp(1.0, -149)));
    EXPECT_EQ(v.src_format, 0);
    FP160_VX_ConvertFromSP_Source(&v, 0x80000001, 1, 0, "t");
    EXPECT_TRUE(FP160_Is_Zero(&v));
    EXPECT_EQ(v.sign, 1);
    // Graph mode: exponent 255 is an ordinary exponent.
    FP160_VX_ConvertFromSP_Source(&v, 0x7F800000, 0, 1, "t");
    EXPECT_EQ(v.exponent, FP160_SP_OFFSET + 255);
    EXPECT_EQ(v.sig_hi, FP160_INTEGER_BIT);
}

TEST(Integral, RoundsInEveryMode)
{
    struct Case {
        double in;
        int mode;
        double out;
        uint32_t flags;
    } cases[] = {
        {-0.3, 0, -0.0, FP160_EXC_INEXACT},
        {0.5, 0, 0.0, FP160_EXC_INEXACT},
        {1.5, 0, 2.0, FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {2.5, 0, 2.0, FP160_EXC_INEXACT},
        {2.5, 5, 3.0, FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {0.1, 2, 1.0, FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {-0.1, 2, -0.0, FP160_EXC_INEXACT},
        {-0.1, 3, -1.0, FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {std::ldexp(1.0, -300), 2, 1.0, FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {1023.75, 1, 1023.0, FP160_EXC_INEXACT},
        {1023.75, 4, 1023.0, FP160_EXC_INEXACT},
        {1024.5, 4, 1025.0, FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {std::ldexp(1.0, 60) + 2048, 0, std::ldexp(1.0, 60) + 2048, 0},
        {7.0, 0, 7.0, 0},
    };
    for (const Case &c : cases) {
        FP160 v = from_double(c.in);
        EXPECT_EQ(FP160_MakeIntegral(&v, c.mode, 0), 0);
        EXPECT_EQ(to_double_bits(v), bits_of(c.out)) << c.in << " mode " << c.mode;
        EXPECT_EQ(v.exceptions, c.flags) << c.in << " mode " << c.mode;
    }
    // NaNs are marked and quieted unless kept signalling; infinities pass.
    const uint64_t snan = 0x7FF0000000000001ull;
    FP160 n;
    FP160_ConvertFromDP(&n, &snan, "t");
    FP160_MakeIntegral(&n, 0, 1);
    EXPECT_EQ(to_double_bits(n), snan);
    EXPECT_EQ(n.exceptions, FP160_EXC_SNAN);
    FP160_MakeIntegral(&n, 0, 0);
    EXPECT_EQ(to_double_bits(n), snan | (1ull << 51));
    FP160 inf = from_double(-INFINITY);
    FP160_MakeIntegral(&inf, 0, 0);
    EXPECT_EQ(to_double_bits(inf), bits_of(-INFINITY));
    EXPECT_EQ(inf.exceptions, 0u);
}

TEST(Integers, SaturatingConversions)
{
    struct Case {
        double in;
        int mode;
        int64_t s64;
        uint64_t u64, qu64;
        int32_t s32;
        uint32_t u32, qu32;
    } cases[] = {
        {3.5, 0, 4, 4, 4, 3, 3, 3},
        {-3.5, 0, -4, 0, 0, -3, 0, 0},
        {-0.3, 1, 0, 0, 0, 0, 0, 0},
        {std::ldexp(1.0, 63), 0, INT64_MAX, 1ull << 63, 1ull << 63, INT32_MAX, 0xFFFFFFFF, 0xFFFFFFFF},
        {-std::ldexp(1.0, 63), 0, INT64_MIN, 0, 0, INT32_MIN, 0, 0},
        {std::ldexp(1.0, 64), 0, INT64_MAX, ~0ull, ~0ull, INT32_MAX, 0xFFFFFFFF, 0xFFFFFFFF},
        {-2147483648.75, 0, -2147483649LL, 0, 0, INT32_MIN, 0, 0},
        {4294967295.5, 1, 4294967295LL, 4294967295ull, 4294967295ull, INT32_MAX, 0xFFFFFFFF, 0xFFFFFFFF},
        {INFINITY, 0, INT64_MAX, ~0ull, ~0ull, INT32_MAX, 0xFFFFFFFF, 0xFFFFFFFF},
    };
    for (const Case &c : cases) {
        FP160 a = from_double(c.in), b = a, q = a, d = a, e = a, f = a;
        EXPECT_EQ(FP160_Make_Int64(&a, c.mode), c.s64) << c.in;
        EXPECT_EQ(FP160_Make_UInt64(&b, c.mode), c.u64) << c.in;
        EXPECT_EQ(FP160_Make_Q_UInt64(&q, c.mode), c.qu64) << c.in;
        EXPECT_EQ(FP160_Make_Int32(&d), c.s32) << c.in;
        EXPECT_EQ(FP160_Make_UInt32(&e), c.u32) << c.in;
        EXPECT_EQ(FP160_Make_Q_UInt32(&f), c.qu32) << c.in;
    }
    // Overflow marks: saturation is flagged, the largest negative 64-bit integer is not.
    FP160 big = from_double(std::ldexp(1.0, 63));
    FP160_Make_Int64(&big, 0);
    EXPECT_TRUE(big.exceptions & FP160_EXC_OVERFLOW);
    FP160 min = from_double(-std::ldexp(1.0, 63));
    FP160_Make_Int64(&min, 0);
    EXPECT_EQ(min.exceptions & FP160_EXC_OVERFLOW, 0u);
    // -0 is a negative sign only to the Q forms.
    FP160 z = from_double(-0.25), z2 = z;
    FP160_Make_UInt64(&z, 1);
    EXPECT_EQ(z.exceptions & FP160_EXC_OVERFLOW, 0u);
    FP160_Make_Q_UInt64(&z2, 1);
    EXPECT_TRUE(z2.exceptions & FP160_EXC_OVERFLOW);
}

constexpr uint64_t STATUS = FPSCR_VXCVI | FPSCR_VXSNAN | FPSCR_FI | FPSCR_FR | FPSCR_XX;

TEST(InstructionConversions, SignedInteger)
{
    struct Case {
        double in;
        int mode, width;
        bool ve;
        int delivered;
        uint64_t out, status;
    } cases[] = {
        {std::ldexp(1.0, 63), 0, 64, false, 1, 0x7FFFFFFFFFFFFFFFull, FPSCR_VXCVI},
        {std::ldexp(1.0, 63), 0, 64, true, 0, 99, FPSCR_VXCVI},
        {-0.5, 0, 64, false, 1, 0, FPSCR_FI | FPSCR_XX},
        {2.5, 0, 64, false, 1, 2, FPSCR_FI | FPSCR_XX},
        {3.5, 0, 64, false, 1, 4, FPSCR_FI | FPSCR_XX | FPSCR_FR},
        {-7.0, 0, 32, false, 1, (uint64_t)-7, 0},
        {std::ldexp(1.0, 31) - 0.25, 2, 32, false, 1, 0x7FFFFFFF, FPSCR_VXCVI},
        {-std::ldexp(1.0, 31) - 1, 0, 32, false, 1, 0xFFFFFFFF80000000ull, FPSCR_VXCVI},
        {-INFINITY, 0, 64, false, 1, 0x8000000000000000ull, FPSCR_VXCVI},
        {NAN, 0, 32, false, 1, 0xFFFFFFFF80000000ull, FPSCR_VXCVI},
    };
    for (const Case &c : cases) {
        FPThread fp;
        fp.fpscr() = (c.ve ? (uint64_t)FPSCR_VE : 0) | FPSCR_FR | FPSCR_FI; // stale FR and FI are cleared
        uint64_t out = 99;
        EXPECT_EQ(
            FloatConvertToSignedInteger(fp.iop("fctid"), &out, bits_of(c.in), c.mode, c.width, "fctid::op_B"),
            c.delivered)
            << c.in;
        EXPECT_EQ(out, c.out) << c.in << " width " << c.width;
        EXPECT_EQ(fp.fpscr() & STATUS, c.status) << c.in << " width " << c.width;
    }
    // A signalling NaN sets VXSNAN too; with VE nothing is delivered and the result is 0.
    FPThread fp;
    fp.fpscr() = FPSCR_VE;
    uint64_t out = 99;
    EXPECT_EQ(FloatConvertToSignedInteger(fp.iop("fctid"), &out, 0x7FF0000000000001ull, 0, 64, "t"), 0);
    EXPECT_EQ(out, 0u);
    EXPECT_EQ(fp.fpscr() & STATUS, (uint64_t)(FPSCR_VXCVI | FPSCR_VXSNAN));
    // TARVIS_FLOAT replaces the upper word.
    FPThread tarvis({PO_TARVIS_FLOAT});
    FloatConvertToSignedInteger(tarvis.iop("fctiw"), &out, bits_of(-0.25), 1, 32, "t");
    EXPECT_EQ(out, 0xFFF8000100000000ull);
    FloatConvertToSignedInteger(tarvis.iop("fctiw"), &out, bits_of(-5.0), 1, 32, "t");
    EXPECT_EQ(out, 0xFFF80000FFFFFFFBull);
}

TEST(InstructionConversions, UnsignedInteger)
{
    struct Case {
        double in;
        int mode, width;
        uint64_t out, status;
    } cases[] = {
        {-1.0, 0, 64, 0, FPSCR_VXCVI},
        {-0.25, 1, 64, 0, FPSCR_FI | FPSCR_XX},
        {std::ldexp(1.0, 64) - 2048, 0, 64, 0xFFFFFFFFFFFFF800ull, 0},
        {std::ldexp(1.0, 64), 0, 64, ~0ull, FPSCR_VXCVI},
        {4294967295.5, 0, 32, 0xFFFFFFFF, FPSCR_VXCVI},
        {4294967294.5, 0, 32, 0xFFFFFFFE, FPSCR_FI | FPSCR_XX},
        {NAN, 0, 64, 0, FPSCR_VXCVI},
    };
    for (const Case &c : cases) {
        FPThread fp;
        uint64_t out = 99;
        EXPECT_EQ(FloatConvertToUnsignedInteger(fp.iop("fctidu"), &out, bits_of(c.in), c.mode, c.width, "t"),
                  1);
        EXPECT_EQ(out, c.out) << c.in << " width " << c.width;
        EXPECT_EQ(fp.fpscr() & STATUS, c.status) << c.in << " width " << c.width;
    }
    FPThread fp;
    fp.fpscr() = FPSCR_VE;
    uint64_t out = 99;
    EXPECT_EQ(Invalid_Convert_To_Unsigned(fp.iop("fctidu"), &out, 1), 0);
    EXPECT_EQ(out, 99u);
}

TEST(BitConversions, SingleLoad)
{
    struct Case {
        uint32_t word;
        uint64_t dw;
    } cases[] = {
        {0x00000001, 874ull << 52},
        {0x7F800000, 0x7FF0000000000000ull},
        {0x7FC00000, 0x7FF8000000000000ull},
        {0x7FA00001, 0x7FF4000020000000ull},
        {0x80000000, 0x8000000000000000ull},
        {0x3F800000, 0x3FF0000000000000ull},
        {0x807FFFFF, 0x8000000000000000ull | (896ull << 52) | (0x3FFFFFull << 30)},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(ConvSPtoDP(c.word), c.dw) << std::hex << c.word;
        EXPECT_EQ(load_single_float(nullptr, c.word), c.dw);
    }
}

TEST(BitConversions, SingleStore)
{
    // Field selection above the single denormal range, truncating denormalisation within it.
    EXPECT_EQ(ConvDPtoSP(nullptr, bits_of(std::ldexp(1.0, -130)), 0, 0), 0x00080000u);
    EXPECT_EQ(ConvDPtoSP(nullptr, bits_of(1.0 + std::ldexp(1.0, -30)), 2, 0), 0x3F800000u);
    EXPECT_EQ(ConvDPtoSP(nullptr, bits_of(std::ldexp(-1.9999999, -127)), 0, 0), 0x807FFFFFu);
    EXPECT_EQ(ConvDPtoSP(nullptr, bits_of(std::ldexp(1.0, -149)), 0, 0), 0x00000001u);
    EXPECT_EQ(ConvDPtoSP(nullptr, 0xFFF8000000000001ull, 0, 0), 0xFFC00000u);
    // Below the range: rounded through FP160 in the mode, flushed on request, or squeezed.
    const uint64_t tiny = bits_of(std::ldexp(1.5, -150));
    EXPECT_EQ(ConvDPtoSP(nullptr, tiny, 0, 0), 0x00000001u);
    EXPECT_EQ(ConvDPtoSP(nullptr, tiny, 1, 0), 0u);
    EXPECT_EQ(ConvDPtoSP(nullptr, tiny, 0, 1), 0u);
    EXPECT_EQ(ConvDPtoSP(nullptr, bits_of(-std::ldexp(1.0, -400)), 2, 0), 0x80000000u);
    FPThread squish({PO_SQUISH_DP_INTO_SP});
    EXPECT_EQ(ConvDPtoSP(squish.thread(), bits_of(std::ldexp(1.0, -400)), 0, 0),
              Make_DP_Fit_in_SP(bits_of(std::ldexp(1.0, -400))));
    EXPECT_EQ(Make_DP_Fit_in_SP(0xC123456789ABCDEFull), 0x891A2B3Cu);
    EXPECT_EQ(ConvDPtoSP_NS(nullptr, tiny), 0u);
    EXPECT_EQ(ConvDPtoSP_NS(nullptr, bits_of(std::ldexp(1.0, -130))), 0x00080000u);

    // store_single_float: field selection, and tiny values through FP160 flushed to zero.
    FPThread fp;
    EXPECT_EQ(store_single_float(fp.iop("stfs"), bits_of(-2.5)), 0xC0200000u);
    fp.fpscr() = 2;
    EXPECT_EQ(store_single_float(fp.iop("stfs"), tiny), 0u);
}

TEST(BitConversions, FlushAndDisplay)
{
    uint64_t d = bits_of(-std::ldexp(1.0, -130));
    forceDenZero(nullptr, &d);
    EXPECT_EQ(d, 0x8000000000000000ull);
    d = bits_of(std::ldexp(1.0, -126));
    forceDenZero(nullptr, &d);
    EXPECT_EQ(d, bits_of(std::ldexp(1.0, -126)));
    EXPECT_EQ(FPR_ConvertFloat(0xC008000000000000ull), -3.0);
    EXPECT_EQ(bits_of(FPR_ConvertFloat(1)), 1u);
    EXPECT_EQ(load_single_floating_point_number_host(), 0);
}

TEST(BitConversions, HalfPrecision)
{
    EXPECT_EQ(ConvHPtoDP(0x3C00), bits_of(1.0));
    EXPECT_EQ(ConvHPtoDP(0xC000), bits_of(-2.0));
    EXPECT_EQ(ConvHPtoDP(0x0001), bits_of(std::ldexp(1.0, -24)));
    EXPECT_EQ(ConvHPtoDP(0x7C00), 0x7FF0000000000000ull);
    EXPECT_EQ(ConvHPtoDP(0xFD01), 0x7FF8000000000000ull | (0x101ull << 42));
    EXPECT_EQ(ConvHPtoSP(0x3C00), 0x3F800000u);
    EXPECT_EQ(ConvHPtoSP(0x8001), 0xB3800000u);
    EXPECT_EQ(ConvHPtoSP(0x7C01), 0x7FC02000u);
    EXPECT_EQ(ConvHPtoSP(0xFC00), 0xFF800000u);
    EXPECT_EQ(ConvDPtoHP(bits_of(65504.0), 0, 0), 0x7BFFu);
    EXPECT_EQ(ConvDPtoHP(bits_of(std::ldexp(1.0, -15)), 0, 0), 0x0200u);
    EXPECT_EQ(ConvDPtoHP(bits_of(std::ldexp(1.5, -26)), 0, 0), 0x0000u);
    EXPECT_EQ(ConvDPtoHP(bits_of(std::ldexp(1.5, -25)), 0, 0), 0x0001u);
    EXPECT_EQ(ConvSPtoHP(0x3F800000, 0, 0), 0x3C00u);
    EXPECT_EQ(ConvSPtoHP(0x38000000, 0, 0), 0x0200u); // 2^-15
    EXPECT_EQ(ConvSPtoHP(0x33C00000, 2, 1), 0x0001u); // 1.5 * 2^-24: denormalised by truncation
    EXPECT_EQ(ConvSPtoHP(0x33400000, 2, 0), 0x0001u); // 1.5 * 2^-25 toward +infinity
    EXPECT_EQ(ConvSPtoHP(0x33400000, 2, 1), 0x0000u);
}

} // namespace
