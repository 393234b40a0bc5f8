// Normalising, denormalising, the rounding decision, significand rounding and the narrowing
// conversions, on their edge cases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "fp/fp160.h"
#include "fp/fp160_round.h"
#include "fp/fp_convert.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

namespace
{

FP160 from_double(double d)
{
    uint64_t bits;
    memcpy(&bits, &d, sizeof bits);
    FP160 v;
    FP160_ConvertFromDP(&v, &bits, "test");
    return v;
}

// 1 + the given significand bits below the integer bit (bit 1), set in sig_hi/sig_lo.
FP160 one_plus(std::initializer_list<int> bits)
{
    FP160 v = from_double(1.0);
    for (int b : bits) {
        if (b < 64)
            v.sig_hi |= 1ull << (63 - b);
        else
            v.sig_lo |= 1ull << (127 - b);
    }
    return v;
}

TEST(FP160Round, IncrementDecisionForEveryModeGrxSignAndLsb)
{
    // Per mode, sign and lsb: the decision for GRX 0..7.
    struct Row {
        int mode, sign, lsb;
        const char *grx0_to_7;
    } rows[] = {
        {0, 0, 0, "00000111"}, {0, 0, 1, "00001111"}, {0, 1, 0, "00000111"}, {0, 1, 1, "00001111"},
        {1, 0, 0, "00000000"}, {1, 0, 1, "00000000"}, {1, 1, 0, "00000000"}, {1, 1, 1, "00000000"},
        {2, 0, 0, "01111111"}, {2, 0, 1, "01111111"}, {2, 1, 0, "00000000"}, {2, 1, 1, "00000000"},
        {3, 0, 0, "00000000"}, {3, 0, 1, "00000000"}, {3, 1, 0, "01111111"}, {3, 1, 1, "01111111"},
        {4, 0, 0, "01111111"}, {4, 0, 1, "00000000"}, {4, 1, 0, "01111111"}, {4, 1, 1, "00000000"},
        {5, 0, 0, "00001111"}, {5, 0, 1, "00001111"}, {5, 1, 0, "00001111"}, {5, 1, 1, "00001111"},
    };
    for (const Row &r : rows)
        for (int grx = 0; grx < 8; grx++)
            EXPECT_EQ(FP_Round_Incr_Fract(r.mode, r.sign, r.lsb, grx), r.grx0_to_7[grx] - '0')
                << "mode " << r.mode << " sign " << r.sign << " lsb " << r.lsb << " grx " << grx;
}

TEST(FP160Round, IncrementDecisionErrors)
{
    SinkCapture sink;
    EXPECT_EQ(FP_Round_Incr_Fract(6, 0, 0, 5), 0);
    EXPECT_EQ(FP_Round_Incr_Fract(0, 0, 1, 9), 0);
    EXPECT_EQ(FP_Round_Incr_Fract(6, 0, 0, 0), 0); // nothing to round: no error
    const std::string text = sink.text();
    EXPECT_NE(text.find("FP_Round_Incr_Fract::Unknown rounding mode: 0x00000006"), std::string::npos) << text;
    EXPECT_NE(text.find("FP_Round_Incr_Fract::Bad GRX value: 0x9 (range is [0..7])"), std::string::npos)
        << text;
    EXPECT_EQ(sink.lines().size(), 2u);
    EXPECT_NE(stop_simulation, 0u);
}

TEST(FP160Round, NormalizeStopsAtExponentZeroAndKeepsTheHeadroomBit)
{
    FP160 v;
    FP160_Init(&v, "t");
    v.exponent = 5;
    v.sig_lo = 1;
    FP160_Normalize(&v);
    EXPECT_EQ(v.exponent, 0u);
    EXPECT_EQ(v.sig_lo, 32u);

    FP160 w;
    FP160_Init(&w, "t");
    w.exponent = 1000;
    w.sig_hi = FP160_HEADROOM_BIT | 1;
    FP160_Normalize(&w);
    EXPECT_EQ(w.exponent, 1000u - 62);
    EXPECT_EQ(w.sig_hi, FP160_HEADROOM_BIT | FP160_INTEGER_BIT);

    // Zero bits 1..127: exponent 0.
    FP160 z;
    FP160_Init(&z, "t");
    z.exponent = 77;
    z.sig_hi = FP160_HEADROOM_BIT;
    FP160_Normalize(&z);
    EXPECT_EQ(z.exponent, 0u);

    // A wide value moves its extension words along: the extension's top bit follows the
    // integer bit; without wide zeros come in.
    FP160 x;
    FP160_Init(&x, "t");
    x.exponent = 1000;
    x.wide = 1;
    x.ext_hi = 0x8000000000000000ull;
    x.ext_lo = 1;
    x.sig_lo = 1;
    FP160 y = x;
    y.wide = 0;
    FP160_Normalize(&x);
    EXPECT_EQ(x.sig_hi, FP160_INTEGER_BIT | FP160_QUIET_BIT);
    EXPECT_EQ(x.sig_lo, 0u);
    EXPECT_EQ(x.ext_hi, 1ull << 62);
    EXPECT_EQ(x.ext_lo, 0u);
    EXPECT_EQ(x.exponent, 1000u - 126);
    FP160_Normalize(&y);
    EXPECT_EQ(y.sig_hi, FP160_INTEGER_BIT);
    EXPECT_EQ(y.ext_hi, 0x8000000000000000ull);
}

TEST(FP160Round, Denormalize)
{
    FP160 v = from_double(1.5);
    const FP160 before = v;
    FP160_Denormalize(&v, 0);
    EXPECT_EQ(memcmp(&v, &before, sizeof v), 0);

    FP160_Denormalize(&v, 200);
    EXPECT_EQ(v.sig_hi | v.sig_lo, 0u);
    EXPECT_EQ(v.exponent, before.exponent + 200);
    EXPECT_EQ(v.tiny_loss, 1);
    EXPECT_EQ(v.exceptions, FP160_EXC_INEXACT);

    // Shifting out only zeros records nothing; a negative amount changes only the exponent.
    FP160 w = from_double(1.0);
    FP160_Denormalize(&w, 100);
    EXPECT_EQ(w.tiny_loss, 0);
    EXPECT_EQ(w.exceptions, 0u);
    EXPECT_EQ(w.sig_hi, 0u);
    EXPECT_EQ(w.sig_lo, 1ull << 26);
    FP160_Denormalize(&w, -3);
    EXPECT_EQ(w.sig_lo, 1ull << 26);
    EXPECT_EQ(w.exponent, FP160_BIAS + 97);
}

TEST(FP160Round, RoundSignificandAtDoublePrecision)
{
    struct Case {
        const char *what;
        FP160 value;
        int mode;
        uint64_t fraction;
        uint32_t flags;
    } cases[] = {
        {"1 + 2^-53: GRX 4, lsb 0", one_plus({54}), 0, 0, FP160_EXC_INEXACT},
        {"1 + 2^-53 + 2^-54: GRX 6", one_plus({54, 55}), 0, 1, FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {"1 + 2^-52 + 2^-53: ties to even", one_plus({53, 54}), 0, 2,
         FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {"sticky in the low word", one_plus({54, 127}), 0, 1, FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {"to odd, even lsb", one_plus({127}), 4, 1, FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {"to odd, odd lsb", one_plus({53, 127}), 4, 1, FP160_EXC_INEXACT},
        {"ties away", one_plus({54}), 5, 1, FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {"toward +inf", one_plus({100}), 2, 1, FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP},
        {"toward -inf, positive", one_plus({100}), 3, 0, FP160_EXC_INEXACT},
        {"exact", one_plus({53}), 2, 1, 0},
    };
    for (Case &c : cases) {
        int32_t exponent;
        uint64_t fraction;
        EXPECT_EQ(FP160_RoundSignificand(&c.value, c.mode, FP_FORMAT_DP, &exponent, &fraction, 0), 0)
            << c.what;
        EXPECT_EQ(exponent, 1023) << c.what;
        EXPECT_EQ(fraction, c.fraction) << c.what;
        EXPECT_EQ(c.value.exceptions, c.flags) << c.what;
    }
    // The inexact flag acts as the sticky bit; a negative value rounds up in mode 3.
    FP160 negative = one_plus({});
    negative.sign = 1;
    negative.exceptions = FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP;
    int32_t exponent;
    uint64_t fraction;
    FP160_RoundSignificand(&negative, 3, FP_FORMAT_DP, &exponent, &fraction, 0);
    EXPECT_EQ(fraction, 1u);
    FP160_RoundSignificand(&negative, 2, FP_FORMAT_DP, &exponent, &fraction, 0);
    EXPECT_EQ(fraction, 0u);
    EXPECT_EQ(negative.exceptions, FP160_EXC_INEXACT); // rounding down clears the round-up flag
}

TEST(FP160Round, RoundingCarriesIntoTheExponentAndOverflows)
{
    // The largest fraction, GRX 4 with lsb 1, in mode 0.
    FP160 v = from_double(std::nextafter(2.0, 0.0));
    v.sig_hi |= 1ull << (63 - 54);
    int32_t exponent;
    uint64_t fraction;
    EXPECT_EQ(FP160_RoundSignificand(&v, 0, FP_FORMAT_DP, &exponent, &fraction, 0), 1);
    EXPECT_EQ(exponent, 1024);
    EXPECT_EQ(fraction, 0u);
    EXPECT_EQ(v.exceptions & FP160_EXC_OVERFLOW, 0u);

    v.exponent = FP160_DP_OFFSET + 2046;
    EXPECT_EQ(FP160_RoundSignificand(&v, 0, FP_FORMAT_DP, &exponent, &fraction, 0), 1);
    EXPECT_EQ(exponent, 2047);
    EXPECT_EQ(fraction, 0u);
    EXPECT_TRUE(v.exceptions & FP160_EXC_OVERFLOW);
    uint64_t out;
    FP160 w = v;
    w.exceptions = 0;
    FP160_Convert64(&w, 0, &out, 3);
    EXPECT_EQ(out, 0x7FF0000000000000ull);
    EXPECT_EQ(w.exceptions, FP160_EXC_OVERFLOW | FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP);
}

TEST(FP160Round, RoundSignificandToDenormalAndQuad)
{
    // A target exponent of 0 keeps the integer bit as the first fraction bit; a carry makes the
    // smallest normal.
    FP160 v = from_double(std::nextafter(2.0, 0.0));
    v.exponent = FP160_DP_OFFSET;
    v.sig_hi |= 1ull << (63 - 53); // guard of the denormal position
    int32_t exponent;
    uint64_t fraction;
    EXPECT_EQ(FP160_RoundSignificand(&v, 0, FP_FORMAT_DP, &exponent, &fraction, 0), 1);
    EXPECT_EQ(exponent, 1);
    EXPECT_EQ(fraction, 0u);
    // force normal rounds at the normal position whatever the exponent.
    FP160 f = one_plus({54, 55});
    f.exponent = FP160_DP_OFFSET;
    FP160_RoundSignificand(&f, 0, FP_FORMAT_DP, &exponent, &fraction, 1);
    EXPECT_EQ(exponent, 0);
    EXPECT_EQ(fraction, 1u);
    // Single and half positions.
    FP160 s = one_plus({25, 26});
    FP160_RoundSignificand(&s, 0, FP_FORMAT_SP, &exponent, &fraction, 0);
    EXPECT_EQ(exponent, 127);
    EXPECT_EQ(fraction, 1u);
    FP160 h = one_plus({11, 12});
    FP160_RoundSignificand(&h, 0, FP_FORMAT_HP, &exponent, &fraction, 0);
    EXPECT_EQ(exponent, 15);
    EXPECT_EQ(fraction, 2u);

    // Quad: 112 fraction bits across both words; a wide value's extension acts as sticky.
    FP160 q = one_plus({113, 114});
    q.wide = 1;
    q.ext_lo = 1;
    uint64_t quad[2];
    FP160_RoundSignificand_QP(&q, 0, FP_FORMAT_QP, &exponent, quad, 0);
    EXPECT_EQ(exponent, 16383);
    EXPECT_EQ(quad[0], 2u);
    EXPECT_EQ(quad[1], 0u);
    FP160 q2 = one_plus({114});
    q2.wide = 1;
    q2.ext_lo = 1;
    FP160_RoundSignificand_QP(&q2, 0, FP_FORMAT_QP, &exponent, quad, 0);
    EXPECT_EQ(quad[0], 1u);
    FP160 q3 = one_plus({2, 114});
    FP160_RoundSignificand_QP(&q3, 0, FP_FORMAT_DP, &exponent, quad, 0);
    EXPECT_EQ(exponent, 1023);
    EXPECT_EQ(quad[0], 1ull << 51);
    // Overflow by rounding leaves a zero fraction under the maximum exponent.
    FP160 top = one_plus({});
    top.sig_hi = ~0ull >> 1;
    top.sig_lo = ~0ull;
    top.exponent = FP160_QP_OFFSET + 32766;
    FP160_RoundSignificand_QP(&top, 0, FP_FORMAT_QP, &exponent, quad, 0);
    EXPECT_EQ(exponent, 32767);
    EXPECT_EQ(quad[0] | quad[1], 0u);
    EXPECT_TRUE(top.exceptions & FP160_EXC_OVERFLOW);
}

TEST(FP160Round, Convert64DenormalsAndTinyValues)
{
    FP160 v = from_double(std::ldexp(1.0, -1074));
    const FP160 before = v;
    uint64_t out;
    FP160_Convert64(&v, 0, &out, 3);
    EXPECT_EQ(out, 1u);
    EXPECT_EQ(v.exceptions, FP160_EXC_UNDERFLOW);
    EXPECT_EQ(v.exponent, before.exponent);
    EXPECT_EQ(v.sig_hi, before.sig_hi);
    EXPECT_EQ(v.sig_lo, before.sig_lo);

    FP160 tiny = from_double(1.0);
    tiny.exponent = FP160_BIAS - 1076;
    FP160_Convert64(&tiny, 2, &out, 3);
    EXPECT_EQ(out, 0u);
    EXPECT_EQ(tiny.exceptions, FP160_EXC_UNDERFLOW);

    // An exponent-0 value with fraction bits is a denormal of the library: a signed zero.
    FP160 odd;
    FP160_Init(&odd, "t");
    odd.sign = 1;
    odd.sig_lo = 1;
    FP160_Convert64(&odd, 0, &out, 3);
    EXPECT_EQ(out, 0x8000000000000000ull);
    EXPECT_EQ(odd.exceptions, FP160_EXC_UNDERFLOW);

    // NaN payloads pass unrounded.
    const uint64_t nan = 0xFFF7FFFFFFFFFFFFull;
    FP160 n;
    FP160_ConvertFromDP(&n, &nan, "t");
    FP160_Convert64(&n, 0, &out, 3);
    EXPECT_EQ(out, nan);
}

TEST(FP160Round, Convert64ForcedAndWrappedExponents)
{
    // Flag 0x200: the exponent already is the stored field.
    FP160 v = one_plus({53});
    v.exponent = FP160_BIAS + 1150;
    v.exceptions = FP160_EXC_FINAL_EXP;
    uint64_t out;
    FP160_Convert64(&v, 0, &out, 3);
    EXPECT_EQ(out, (1150ull << 52) | 1);
    // Precision 1: an exponent beyond the double range wraps to its low 11 bits.
    FP160 w = one_plus({53});
    w.exponent = FP160_BIAS + 3000;
    FP160_Convert64(&w, 1, &out, 1);
    EXPECT_EQ(out, ((uint64_t)((3000 + 1023) & 0x7FF) << 52) | 1);
    EXPECT_EQ(w.exceptions & FP160_EXC_OVERFLOW, 0u);
    FP160_Convert64(&w, 1, &out, 3);
    EXPECT_EQ(out, 0x7FF0000000000000ull);
}

TEST(FP160Round, Convert32FlushGraphAndRaw)
{
    FP160 v = from_double(std::ldexp(1.0, -130));
    EXPECT_EQ(FP160_Convert32(&v, 0, 1, 0, 0), 0u);
    FP160 w = from_double(std::ldexp(1.0, -130));
    EXPECT_EQ(FP160_Convert32(&w, 0, 0, 0, 0), 0x00080000u);
    EXPECT_TRUE(w.exceptions & FP160_EXC_UNDERFLOW);
    FP160 neg = from_double(-std::ldexp(1.0, -130));
    EXPECT_EQ(FP160_Convert32(&neg, 0, 1, 0, 0), 0x80000000u);

    FP160 inf = from_double(1.0 / 0.0);
    uint32_t word;
    EXPECT_EQ(FP160_Convert32_rnd_mode(&inf, 0, &word, 1), 0);
    EXPECT_EQ(word, 0x7FFFFFFFu);
    FP160 inf2 = from_double(1.0 / 0.0);
    EXPECT_EQ(FP160_Convert32(&inf2, 0, 0, 0, 0), 0x7F800000u);

    // Graph mode saturates beyond the all-ones exponent and rounds toward zero.
    FP160 huge = from_double(std::ldexp(1.0, 200));
    EXPECT_EQ(FP160_Convert32(&huge, 0, 0, 1, 0), 0x7FFFFFFFu);
    EXPECT_EQ(huge.exceptions & FP160_EXC_OVERFLOW, 0u);
    FP160 near = from_double(std::ldexp(1.9999999, 128));
    EXPECT_EQ(FP160_Convert32(&near, 0, 0, 1, 0) >> 23, 0xFFu);
    FP160 big = from_double(std::ldexp(1.0, 200));
    EXPECT_EQ(FP160_Convert32(&big, 0, 0, 0, 0), 0x7F800000u);
    EXPECT_TRUE(big.exceptions & FP160_EXC_OVERFLOW);

    // Raw: fields without rounding.
    FP160 r = from_double(1.0 + std::ldexp(1.0, -30));
    EXPECT_EQ(FP160_Convert32(&r, 2, 0, 0, 1), 0x3F800000u);
    EXPECT_EQ(r.exceptions, 0u);

    // The denormal path leaves the value normalised again with the rounding's flags.
    FP160 d = from_double(std::ldexp(1.5, -140));
    const uint32_t exponent = d.exponent;
    uint32_t sp;
    EXPECT_EQ(FP160_Convert32_rnd_mode(&d, 0, &sp, 0), 1);
    EXPECT_EQ(sp, 0x00000300u);
    EXPECT_EQ(d.exponent, exponent);
    EXPECT_EQ(d.exceptions, FP160_EXC_UNDERFLOW);
}

TEST(FP160Round, HalfPrecision)
{
    FP160 v = from_double(65504.0 + 16.0); // rounds up to 2^16 in mode 0: overflow
    uint16_t out;
    FP160_Convert16(&v, 0, &out, 4);
    EXPECT_EQ(out, 0x7C00u);
    EXPECT_TRUE(v.exceptions & FP160_EXC_OVERFLOW);
    FP160 w = from_double(std::ldexp(1.0, -24));
    FP160_Convert16(&w, 0, &out, 4);
    EXPECT_EQ(out, 0x0001u);
    EXPECT_EQ(w.exceptions, FP160_EXC_UNDERFLOW);
    FP160 x = from_double(-1.5);
    EXPECT_EQ(FP160_Convert16H(&x, 0, 0, 0, 0), 0xBE00u);
    FP160 y = from_double(std::ldexp(1.0, -20));
    EXPECT_EQ(FP160_Convert16H(&y, 0, 1, 0, 0), 0x0000u);
    FP160 z = from_double(std::ldexp(1.0, -20));
    EXPECT_EQ(FP160_Convert16H(&z, 0, 0, 0, 0), 0x0010u);
    FP160 inf = from_double(-1.0 / 0.0);
    EXPECT_EQ(FP160_Convert16H(&inf, 0, 0, 1, 0), 0xFFFFu);
    FP160 raw = from_double(3.0);
    EXPECT_EQ(FP160_Convert16H(&raw, 0, 0, 0, 1), 0x4200u);
}

} // namespace
