// The FP160 record: set-up, NaN quieting, exception marks and their text, result classes, the
// 128-bit field utilities and the text renderings.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "fp/fp160.h"
#include "fp/fp160_bits.h"
#include "fp/fp160_round.h"
#include "fp/fp160_text.h"
#include "fp/fp_convert.h"
#include "fp/format_convert.h"
#include "runtime/common.h"
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

TEST(FP160Value, InitGivesPositiveZeroWithTheLabel)
{
    FP160 v;
    memset(&v, 0xA5, sizeof v);
    FP160_Init(&v, "fadd::op_A");
    EXPECT_EQ(v.sign, 0);
    EXPECT_EQ(v.exponent, 0u);
    EXPECT_EQ(v.sig_hi | v.sig_lo | v.ext_hi | v.ext_lo, 0u);
    EXPECT_EQ(v.exceptions | v.invalid_detail, 0u);
    EXPECT_EQ(v.op_kind | v.tiny_loss | v.eff_subtract | v.src_format | v.wide, 0);
    EXPECT_STREQ(v.name, "fadd::op_A");
    EXPECT_TRUE(FP160_Is_Zero(&v));
}

TEST(FP160Value, SetSignificandPlacesTheFractionUnderTheIntegerBit)
{
    FP160 v;
    FP160_Init(&v, "t");
    v.sig_lo = 77;
    FP160_SetSignificand(&v, FP_FORMAT_DP, 0x8000000000001ull);
    EXPECT_EQ(v.sig_hi, 0x6000000000000400ull);
    EXPECT_EQ(v.sig_lo, 0u);
    FP160_SetSignificand(&v, FP_FORMAT_SP, 0x400001);
    EXPECT_EQ(v.sig_hi, 0x6000008000000000ull);
    // A bit landing on the integer bit merges with it; one beyond it is dropped with bit 63.
    FP160_SetSignificand(&v, FP_FORMAT_SP, 0x1800000);
    EXPECT_EQ(v.sig_hi, 0x4000000000000000ull);
}

TEST(FP160Value, QuietingKeepsThePayload)
{
    const uint64_t snan = 0x7FF0000000000123ull;
    FP160 v;
    FP160_ConvertFromDP(&v, &snan, "t");
    EXPECT_TRUE(FP160_Is_NaN(&v));
    EXPECT_EQ(v.sig_hi & FP160_QUIET_BIT, 0u);
    v.sig_hi |= FP160_HEADROOM_BIT;
    FP160_Make_Quiet_NaN(&v);
    EXPECT_EQ(v.sig_hi, (0x123ull << 10) | FP160_QUIET_BIT);
    // On a fresh value it makes the default quiet NaN.
    FP160 d;
    FP160_Init(&d, "t");
    FP160_Make_Quiet_NaN(&d);
    EXPECT_EQ(d.exponent, FP160_EXP_MAX);
    EXPECT_EQ(d.sig_hi, FP160_QUIET_BIT);
    FP160_Clear_Significand(&v);
    EXPECT_EQ(v.sig_hi | v.sig_lo, 0u);
}

TEST(FP160Value, MarksAddDetailsOnlyWithTheInvalidFlag)
{
    FP160 v;
    FP160_Init(&v, "t");
    FP160_Mark_Exception(&v, FP160_EXC_INEXACT, 0x8, "r", "message %d", 1);
    EXPECT_EQ(v.exceptions, FP160_EXC_INEXACT);
    EXPECT_EQ(v.invalid_detail, 0u);
    FP160_Mark_Exception(&v, FP160_EXC_INVALID, FP160_INV_ZERO_DIV_ZERO, "r", "m");
    FP160_Mark_Exception(&v, FP160_EXC_INVALID, FP160_INV_INF_MINUS_INF, "r", "m");
    EXPECT_EQ(v.invalid_detail, FP160_INV_ZERO_DIV_ZERO | FP160_INV_INF_MINUS_INF);
    FP160_UnMark_Exception(&v, FP160_EXC_INEXACT | FP160_EXC_INVALID, "r", "m");
    EXPECT_EQ(v.exceptions, 0u);
    // Tracing the marks changes nothing.
    debug_state[FP_DEBUG_MARKS] = 1;
    FP160_Mark_Exception(&v, FP160_EXC_OVERFLOW, 0, "FP160_RoundSignificand", "GRX bits (0x%01X) non-zero",
                         5);
    debug_state[FP_DEBUG_MARKS] = 0;
    EXPECT_EQ(v.exceptions, FP160_EXC_OVERFLOW);
}

TEST(FP160Value, ExceptionTexts)
{
    char text[256];
    EXPECT_STREQ(Exceptions_To_String(text, sizeof text, 0x14, 0x8), "Inexact,Invalid(0/0)");
    EXPECT_STREQ(Exceptions_To_String(text, sizeof text, 0, 0), "None");
    EXPECT_STREQ(
        Exceptions_To_String(text, sizeof text, 0x1FF, 0x3FF),
        "Overflow,Underflow,Inexact,Round-Up,Invalid(Inf-Inf,Inf/Inf,0/0,0*Inf,SQRT(Neg),SQRT(-Inf),Compare,"
        "Convert,Software),Zero-Divide,QNaN,SNaN,Inexact-RE");
    // A short buffer keeps the names that fit, stays terminated and is never overrun.
    char small[12];
    memset(small, 'x', sizeof small);
    Exceptions_To_String(small, 10, 0x7, 0);
    EXPECT_STREQ(small, "Overflow");
    EXPECT_EQ(small[10], 'x');
    Exceptions_To_String(small, 4, 0x10, 0x2);
    EXPECT_STREQ(small, "Inv");
}

TEST(FP160Value, ResultClasses)
{
    struct Case {
        uint64_t bits;
        int precision;
        uint32_t fprf;
    } cases[] = {
        {0x7FF8000000000000ull, 3, 0x11},
        {0xFFF0000000000000ull, 3, 0x09},
        {0xBFF0000000000000ull, 3, 0x08},
        {0x800000000000000Full, 3, 0x18},
        {0x8000000000000000ull, 3, 0x12},
        {0x0000000000000000ull, 3, 0x02},
        {0x0000000000000001ull, 1, 0x14},
        {0x0000000000000001ull, 3, 0x14},
        {0x3FF0000000000000ull, 3, 0x04},
        {0x7FF0000000000000ull, 3, 0x05},
        // Biased exponent 874 holds a single-precision denormal when the double carries a single.
        {874ull << 52, 1, 0x14},
        {874ull << 52, 3, 0x04},
        {(896ull << 52) | (1ull << 63), 1, 0x18},
        {897ull << 52, 1, 0x04},
        {873ull << 52, 1, 0x04},
    };
    for (const Case &c : cases)
        EXPECT_EQ(micro_DBL_FPRF(c.bits, c.precision), c.fprf) << std::hex << c.bits;
    EXPECT_EQ(micro_SGL_FPRF(0x80000000), 0x12u);
    EXPECT_EQ(micro_SGL_FPRF(0xFF800000), 0x09u);
    EXPECT_EQ(micro_SGL_FPRF(0x7FC00000), 0x11u);
    EXPECT_EQ(micro_SGL_FPRF(0x00000001), 0x14u);
    EXPECT_EQ(micro_SGL_FPRF(0xBF800000), 0x08u);
    EXPECT_EQ(micro_HALF_FPRF(0x7C00), 0x05u);
    EXPECT_EQ(micro_HALF_FPRF(0x7E00), 0x11u);
    EXPECT_EQ(micro_HALF_FPRF(0x8001), 0x18u);
    EXPECT_EQ(micro_HALF_FPRF(0x3C00), 0x04u);
    const uint64_t quad_one[2] = {0, 0x3FFF000000000000ull}, quad_qnan[2] = {0, 0x7FFF800000000000ull};
    const uint64_t quad_neg_denormal[2] = {1, 0x8000000000000000ull},
                   quad_sp_denormal[2] = {0, 16240ull << 48};
    EXPECT_EQ(micro_QUAD_FPRF(quad_one, 5), 0x04u);
    EXPECT_EQ(micro_QUAD_FPRF(quad_qnan, 5), 0x11u);
    EXPECT_EQ(micro_QUAD_FPRF(quad_neg_denormal, 5), 0x18u);
    EXPECT_EQ(micro_QUAD_FPRF(quad_sp_denormal, 1), 0x14u);
    EXPECT_EQ(micro_QUAD_FPRF(quad_sp_denormal, 5), 0x04u);
}

TEST(FP160Value, SignallingNaNClassIsAnInternalError)
{
    SinkCapture sink;
    EXPECT_EQ(micro_DBL_FPRF(0x7FF0000000000001ull, 3), 0u);
    EXPECT_EQ(micro_SGL_FPRF(0x7F800001), 0u);
    EXPECT_NE(sink.text().find("ERROR: micro_DBL_FPRF(): SNaN result"), std::string::npos) << sink.text();
    EXPECT_NE(sink.text().find("ERROR: micro_SGL_FPRF(): SNaN result"), std::string::npos);
    EXPECT_NE(stop_simulation, 0u);
}

TEST(FP160Value, FieldsOf128BitValues)
{
    uint64_t v[2] = {0, 0};
    Set_Bit_128(v, 0, 1);
    Set_Bit_128(v, 127, 1);
    EXPECT_EQ(v[1], 0x8000000000000000ull);
    EXPECT_EQ(v[0], 1u);
    EXPECT_EQ(Test_Bit_128(v, 127), 1);
    EXPECT_EQ(Test_Bit_128(v, 64), 0);
    // Fields may cross the word boundary.
    Set_Bits_128(v, 60, 67, 0xAB);
    EXPECT_EQ(Get_Bits_128(v, 60, 67), 0xABu);
    EXPECT_EQ(v[1], 0x800000000000000Aull);
    EXPECT_EQ(v[0], 0xB000000000000001ull);
    EXPECT_EQ(Get_Bits_128(v, 0, 63), v[1]);
    uint64_t s[2] = {0x8000000000000000ull, 1};
    Shift_Left_128(s, 1);
    EXPECT_EQ(s[1], 3u);
    EXPECT_EQ(s[0], 0u);
    Shift_Right_128(s, 65);
    EXPECT_EQ(s[1], 0u);
    EXPECT_EQ(s[0], 1u);
    Shift_Left_128(s, 0);
    Shift_Right_128(s, -3);
    EXPECT_EQ(s[0], 1u);
    Shift_Left_128(s, 128);
    EXPECT_EQ(s[0] | s[1], 0u);

    const uint64_t a[2] = {~0ull, 0x7FFFFFFFFFFFFFFFull}, b[2] = {0, 0};
    uint64_t sum[2];
    int overflow = 5;
    Add_128_With_Carry(&overflow, sum, a, b, 1);
    EXPECT_EQ(sum[1], 0x8000000000000000ull);
    EXPECT_EQ(sum[0], 0u);
    EXPECT_EQ(overflow, 1);
    const uint64_t c[2] = {1, 1};
    Add_128_With_Carry(&overflow, sum, c, c, 0);
    EXPECT_EQ(overflow, 0);
    EXPECT_EQ(sum[1], 2u);
    Add_128_With_Carry(nullptr, sum, c, c, 1);
    EXPECT_EQ(sum[0], 3u);
}

TEST(FP160Value, StorageFieldSetters)
{
    uint64_t d = 0x8123456789ABCDEFull;
    Set_DP_Fraction(&d, 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(d, 0x812FFFFFFFFFFFFFull);
    Set_DP_Infinity(&d);
    EXPECT_EQ(d, 0xFFF0000000000000ull);
    uint32_t s = 0x12345678;
    Set_SP_Infinity(&s);
    EXPECT_EQ(s, 0x7F800000u);
    uint16_t h = 0x8123;
    Set_HP_Infinity(&h);
    EXPECT_EQ(h, 0xFC00u);
    uint64_t q[2] = {5, 0x0000123400000000ull};
    Set_QP_Infinity(q);
    EXPECT_EQ(q[1], 0x7FFF000000000000ull);
    EXPECT_EQ(q[0], 0u);
    Set_QP_Exponent(q, 0x3FFF);
    Set_QP_Sign(q, 1);
    EXPECT_EQ(q[1], 0xBFFF000000000000ull);
    uint64_t w = 0;
    Set_Bits_64(&w, 1, 11, 0x7FF);
    EXPECT_EQ(w, 0x7FF0000000000000ull);
    uint32_t w32 = 0xFFFFFFFF;
    Set_Bits_32(&w32, 28, 31, 0);
    EXPECT_EQ(w32, 0xFFFFFFF0u);
}

TEST(FP160Text, HostDoubles)
{
    char text[32];
    struct Case {
        double value;
        const char *text;
    } cases[] = {{2.0, "2"},    {-0.5, "-0.5"}, {1.0 / 0.0, "+INF"}, {-1.0 / 0.0, "-INF"},
                 {NAN, "+NaN"}, {-NAN, "-NaN"}, {1e-300, "1E-300"},  {123456789.0, "1.23457E+08"}};
    for (const Case &c : cases) {
        const int n = Prepare_FPDouble(text, sizeof text, c.value);
        EXPECT_STREQ(text, c.text);
        EXPECT_EQ(n, (int)strlen(c.text));
    }
    EXPECT_EQ(FPR_ConvertFloat(0xC008000000000000ull), -3.0);
}

TEST(FP160Text, ValueRendering)
{
    char text[200];
    FP160 one = from_double(-1.5);
    FP160_ToString(text, sizeof text, "fadd::op_A", &one);
    EXPECT_STREQ(
        text,
        "fadd::op_A:[s=1(-), e=0x7FFFFFFF(0), f=0x6000000000000000_0000000000000000]-> -1.5 {-Norm(DP,SP)}");

    struct Case {
        double value;
        const char *cls;
    } cases[] = {
        {std::ldexp(1.0, -127), "+Norm(DP),Denorm(SP)"},
        {std::ldexp(1.0, 200), "+Norm(DP),Over(SP)"},
        {std::ldexp(1.0, -126), "+Norm(DP,SP)"},
        {std::ldexp(1.0, -151), "+Norm(DP),Under(SP)"},
        {std::ldexp(1.0, -1074), "+Denorm(DP),Under(SP)"},
        {0.0, "+Zero"},
        {-1.0 / 0.0, "-Inf"},
        {NAN, "+QNaN"},
    };
    for (const Case &c : cases) {
        FP160 v = from_double(c.value);
        FP160_ToString(text, sizeof text, nullptr, &v);
        EXPECT_NE(strstr(text, (std::string("{") + c.cls + "}").c_str()), nullptr) << text;
        EXPECT_EQ(text[0], '[');
    }
    // Exponents beyond double precision and values the library keeps unnormalised.
    FP160 big = from_double(1.0);
    big.exponent += 2000;
    FP160_ToString(text, sizeof text, "", &big);
    EXPECT_NE(strstr(text, "+INF {+Over(DP,SP)}"), nullptr) << text;
    FP160 odd;
    FP160_Init(&odd, "t");
    odd.sig_lo = 1;
    odd.sign = 1;
    FP160_ToString(text, sizeof text, "", &odd);
    EXPECT_NE(strstr(text, "{-Under(DP,SP)}"), nullptr) << text;
    const uint64_t snan = 0x7FF0000000000001ull;
    FP160 s;
    FP160_ConvertFromDP(&s, &snan, "t");
    FP160_ToString(text, sizeof text, "", &s);
    EXPECT_NE(strstr(text, "{+SNaN}"), nullptr) << text;
    // The rendering converts a copy: the value keeps its flags; a short buffer is terminated.
    FP160 tiny = from_double(std::ldexp(1.0, -1074));
    char small[16];
    FP160_ToString(small, sizeof small, "label", &tiny);
    EXPECT_EQ(strlen(small), 15u);
    EXPECT_EQ(tiny.exceptions, 0u);
}

TEST(FP160Text, TracingChangesNothing)
{
    // With value tracing on, the conversions render their values (and the rendering converts a
    // copy without tracing it again).
    debug_state[FP_DEBUG_TRACE] = 1;
    debug_state[FP_DEBUG_MARKS] = 1;
    FP160 v = from_double(1.75);
    v.exponent -= 1073; // 3.5 times the smallest denormal
    uint64_t out;
    FP160_Convert64(&v, 0, &out, 3);
    FP160_Trace(&v, "label", "message %d", 1);
    debug_state[FP_DEBUG_TRACE] = 0;
    debug_state[FP_DEBUG_MARKS] = 0;
    EXPECT_EQ(out, 4u);
    EXPECT_EQ(v.exceptions, FP160_EXC_UNDERFLOW | FP160_EXC_INEXACT | FP160_EXC_ROUNDED_UP);
}

TEST(FP160Text, LibraryMessages)
{
    SinkCapture sink;
    EXPECT_EQ(Error(1, "odd %d", 7), 5);
    EXPECT_EQ(Error(2, "quiet"), 5);
    EXPECT_EQ(sink.text(), "WARNING : odd 7\n");
    EXPECT_EXIT(Error(0, "bad %s", "thing"), ::testing::ExitedWithCode(255), "");
}

} // namespace
