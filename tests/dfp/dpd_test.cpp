#include <gtest/gtest.h>

#include <cstdio>

#include "dfp/decimal_pack.h"
#include "dfp_test_util.h"

using namespace dfp_test;

namespace
{

uint32_t digitsOf(int v)
{
    return (uint32_t)((v / 100) << 8 | (v / 10 % 10) << 4 | v % 10);
}

TEST(DfpDpd, DecletsRoundTripAndNonCanonicalDecode)
{
    int canonical = 0;
    for (int v = 0; v < 1000; v++) {
        const uint32_t dpd = BCD2DPD(digitsOf(v));
        ASSERT_LT(dpd, 1024u);
        ASSERT_EQ(DPD2BCD(dpd), digitsOf(v)) << v;
    }
    bool seen[1024] = {};
    for (int v = 0; v < 1000; v++)
        seen[BCD2DPD(digitsOf(v))] = true;
    int nonCanonical = 0;
    for (uint32_t d = 0; d < 1024; d++) {
        const uint32_t b = DPD2BCD(d);
        ASSERT_LE(b >> 8, 9u);
        ASSERT_LE((b >> 4) & 0xF, 9u);
        ASSERT_LE(b & 0xF, 9u);
        if (seen[d]) {
            canonical++;
            EXPECT_EQ(BCD2DPD(b), d);
        } else {
            nonCanonical++;
            // Only the eight-nine-nine family with pq set is non-canonical; it encodes back canonically.
            EXPECT_EQ(d & 0x6E, 0x6Eu) << std::hex << d;
            EXPECT_NE(d >> 8, 0u) << std::hex << d;
            EXPECT_NE(BCD2DPD(b), d);
        }
    }
    EXPECT_EQ(canonical, 1000);
    EXPECT_EQ(nonCanonical, 24);
    EXPECT_EQ(DPD2BCD(0x3FF), 0x999u);
    EXPECT_EQ(DPD2BCD(0x16E), 0x888u);
    EXPECT_EQ(BCD2DPD(0x999), 0x0FFu);
    EXPECT_EQ(BCD2DPD(0x123), 0x0A3u);
}

// Words an independent compiler produced for decimal constants.
TEST(DfpDpd, CompilerWordsUnpackAndPackBack)
{
    struct D64 {
        uint64_t word;
        const char *value;
    } d64[] = {
        {0x2234000000000010, "10E-1"},
        {0xA234000000000025, "-25E-1"},
        {0x77FCFF3FCFF3FCFF, "9999999999999999E369"},
        {0x0000000000000001, "1E-398"},
        {0x222C000000000000, "0E-3"},
        {0x25E934B9C1E28E56, "1234567890123456E-20"},
        {0xA3C8000000000007, "-7E100"},
        {0x003C000000000001, "1E-383"},
    };
    for (const D64 &c : d64) {
        DecimalNumber n;
        EXPECT_EQ(DFP_Unpack_Double(c.word, &n), Normal);
        EXPECT_EQ(text(n), c.value);
        EXPECT_EQ(n.format.precision, 16);
        uint64_t back;
        DFP_Pack_Double(&n, &back);
        EXPECT_EQ(back, c.word) << c.value;
    }
    struct D32 {
        uint32_t word;
        const char *value;
    } d32[] = {{0x22400010, "10E-1"},
               {0xA2400025, "-25E-1"},
               {0x77F3FCFF, "9999999E90"},
               {0x00000001, "1E-101"},
               {0x22228E56, "123456E-3"}};
    for (const D32 &c : d32) {
        DecimalNumber n;
        DFP_Unpack_Single(c.word, 1, &n);
        EXPECT_EQ(text(n), c.value);
        uint64_t low, high;
        DFP_Pack_Single(&n, 1, &low);
        DFP_Pack_Single(&n, 2, &high);
        EXPECT_EQ(low, (uint64_t)c.word);
        EXPECT_EQ(high, (uint64_t)c.word << 32);
        DFP_Unpack_Single((uint64_t)c.word << 32 | 0x12345678, 2, &n);
        EXPECT_EQ(text(n), c.value);
    }
    struct D128 {
        uint64_t hi, lo;
        const char *value;
    } d128[] = {
        {0x2207C00000000000, 0x0000000000000010, "10E-1"},
        {0xA207C00000000000, 0x0000000000000025, "-25E-1"},
        {0x77FFCFF3FCFF3FCF, 0xF3FCFF3FCFF3FCFF, "9999999999999999999999999999999999E6111"},
        {0x0000000000000000, 0x0000000000000001, "1E-6176"},
        {0x25FE134B9C1E28E5, 0x6F3C127177823534, "1234567890123456789012345678901234E-40"},
    };
    for (const D128 &c : d128) {
        const uint64_t words[2] = {c.hi, c.lo};
        DecimalNumber n;
        DFP_Unpack_Quad(words, &n);
        EXPECT_EQ(text(n), c.value);
        uint64_t back[2];
        DFP_Pack_Quad(&n, back);
        EXPECT_EQ(back[0], c.hi) << c.value;
        EXPECT_EQ(back[1], c.lo) << c.value;
    }
}

TEST(DfpDpd, CombinationFieldAndSpecials)
{
    DecimalNumber n;
    EXPECT_EQ(DFP_Unpack_Double(0x7E00000000000000, &n), SNaN);
    EXPECT_EQ(DFP_Unpack_Double(0x7C00000000000000, &n), QNaN);
    EXPECT_EQ(DFP_Unpack_Double(0xF800000000000000, &n), Infinity);
    EXPECT_EQ(n.exponent, -398);
    EXPECT_EQ(n.sign, 1);

    // Exponent 369 with a leading 9: leading exponent bits 2, combination 0b11101.
    DecimalNumber big = num(DFP_FormatDecimal64, "9000000000000001", 369);
    uint64_t w;
    DFP_Pack_Double(&big, &w);
    EXPECT_EQ((w >> ComboShift64) & ComboMask64, 0x1Du);
    EXPECT_EQ(PackCombo(Normal, 2, 9), 0x1Du);
    EXPECT_EQ(PackCombo(Normal, 1, 7), 0x0Fu);
    uint32_t bits, digit;
    EXPECT_EQ(UnpackCombo(0x1D, 0, &bits, &digit), Normal);
    EXPECT_EQ(bits, 2u);
    EXPECT_EQ(digit, 9u);

    // NaN and infinity keep their 15 low digits as payload and drop the sixteenth.
    DecimalNumber nan = num(DFP_FormatDecimal64, "9123456789012345", 0);
    nan.type = QNaN;
    DFP_Pack_Double(&nan, &w);
    DFP_Unpack_Double(w, &n);
    EXPECT_EQ(text(n), "NaN123456789012345");
    EXPECT_EQ(w >> 58, 0x1Full);
    nan.type = Infinity;
    nan.sign = 1;
    DFP_Pack_Double(&nan, &w);
    EXPECT_EQ(w >> 58, 0x3Eull);
    DFP_Unpack_Double(w, &n);
    EXPECT_EQ(str(n.coefficient.bcdnumber), "123456789012345");

    // Undefined packs as a signalling NaN with zero payload.
    DecimalNumber undef{};
    undef.format = DFP_FormatDecimal64;
    undef.type = Undefined;
    DFP_Pack_Double(&undef, &w);
    EXPECT_EQ(w, 0x7E00000000000000ull);
    uint64_t q[2];
    undef.format = DFP_FormatDecimal128;
    DFP_Pack_Quad(&undef, q);
    EXPECT_EQ(q[0], 0x7E00000000000000ull);
    EXPECT_EQ(q[1], 0u);

    // Default signalling NaNs: exponents -69, -270, -4128, biased 32, 128, 2048.
    struct {
        DecimalFormat f;
        int32_t exponent;
    } snans[] = {{DFP_FormatDecimal32, -69}, {DFP_FormatDecimal64, -270}, {DFP_FormatDecimal128, -4128}};
    for (auto &c : snans) {
        DecimalNumber from = num(c.f, "0", 0), r = num(c.f, "0", 0);
        DFP_Form_SNAN_Result(&from, &r);
        EXPECT_EQ(r.exponent, c.exponent);
        EXPECT_EQ(r.type, SNaN);
    }
    DecimalNumber s64 = special(DFP_FormatDecimal64, SNaN, 0, "42");
    DFP_Form_SNAN_Result(&s64, &s64);
    DFP_Pack_Double(&s64, &w);
    EXPECT_EQ(w, 0x7E00000000000042ull);
    DFP_Unpack_Double(w, &n);
    EXPECT_EQ(n.exponent, -270);
}

TEST(DfpDpd, ParsePackedBCD)
{
    DecimalNumber n = num(DFP_FormatDecimal64, "5", 7);
    const uint64_t w = 0x1234567890123450;
    EXPECT_EQ(DFP_ParsePackedBCD(0xF, 15, &w, &n), 0);
    EXPECT_EQ(text(n), "123456789012345E0");
    EXPECT_EQ(DFP_ParsePackedBCD(0xD, 15, &w, &n), 0);
    EXPECT_EQ(text(n), "-123456789012345E0");
    EXPECT_EQ(DFP_ParsePackedBCD(-1, 16, &w, &n), 0);
    EXPECT_EQ(text(n), "1234567890123450E0");
    EXPECT_EQ(DFP_ParsePackedBCD(0x9, 15, &w, &n), -1);
    for (uint64_t bad = 0xA; bad <= 0xF; bad++) {
        const uint64_t word = 0x1000000000000000 | bad << 40;
        EXPECT_EQ(DFP_ParsePackedBCD(0xC, 15, &word, &n), -1) << bad;
    }
    const uint64_t quad[2] = {0x1234567890123456, 0x7890123456789012};
    n.format = DFP_FormatDecimal128;
    EXPECT_EQ(DFP_ParsePackedBCD(-1, 32, quad, &n), 0);
    EXPECT_EQ(text(n), "12345678901234567890123456789012E0");
}

TEST(DfpDpd, OperandRoutinesAndClassification)
{
    const DecimalFormat f = DFP_FormatDecimal64;
    EXPECT_EQ(f.Emin, -383);
    EXPECT_EQ(f.UxMin, -398);
    EXPECT_EQ(DFP_FormatWide64.UxMin, -801);
    EXPECT_EQ(DFP_FormatWide128.UxMin, -12357);
    EXPECT_EQ(DFP_FormatDecimal32.UxMin, -101);
    DecimalNumber n{};
    DFP_SetFormat(34, 6111, 9216, &n);
    EXPECT_EQ(n.format.UxMin, -6176);
    EXPECT_EQ(DFP_ExponentBias(&n), 6176);

    struct {
        const char *coef;
        int32_t e;
        int normal, subnormal, zero, extreme;
    } cases[] = {
        {"0", 0, 0, 0, 1, 0},
        {"0", 369, 0, 0, 1, 1},
        {"1", -398, 0, 1, 0, 1},
        {"999999999999999", -398, 0, 1, 0, 1},
        {"1000000000000000", -398, 1, 0, 0, 1},
        {"1", -383, 1, 0, 0, 0},
        {"9999999999999999", 369, 1, 0, 0, 1},
    };
    for (auto &c : cases) {
        DecimalNumber x = num(f, c.coef, c.e);
        EXPECT_EQ(DFP_OpIsNormal(&x), c.normal) << c.coef << "E" << c.e;
        EXPECT_EQ(DFP_OpIsSubnormal(&x), c.subnormal) << c.coef << "E" << c.e;
        EXPECT_EQ(DFP_OpIsZero(&x), c.zero) << c.coef << "E" << c.e;
        EXPECT_EQ(DFP_OpIsExtremeExponent(&x), c.extreme) << c.coef << "E" << c.e;
    }
    DecimalNumber inf = special(f, Infinity, 1);
    EXPECT_EQ(DFP_OpIsInfinity(&inf), -1);
    EXPECT_FALSE(DFP_OpIsNormal(&inf));

    DecimalIntermediate im{};
    im.decimalNumber.format = DFP_FormatWide64;
    im.sticky = 1;
    DecimalNumber x = num(f, "-123", -5);
    DFP_OperandToIntermediate(&x, &im);
    EXPECT_EQ(text(im.decimalNumber), "-1230E-5");
    EXPECT_EQ(im.sticky, 0);
    EXPECT_FALSE(DFP_ImIsPositive(&im));
    DFP_ImSetSpecificNumber(&im, &x, 3);
    EXPECT_EQ(text(im.decimalNumber), "99999999999999990E369");
    EXPECT_EQ(im.decimalNumber.format.precision, 17);

    DecimalNumber q = num(DFP_FormatDecimal32, "5", 0);
    DecimalNumber nan = special(f, SNaN, 1, "77");
    DFP_Form_QNAN_Result(&nan, &q);
    EXPECT_EQ(text(q), "-NaN77");
    EXPECT_EQ(q.exponent, -101);
    EXPECT_EQ(q.format.precision, 7);
}

TEST(DfpDpdDeathTest, RangeAndTypeAssertions)
{
    DecimalNumber n = num(DFP_FormatDecimal64, "1", 370);
    uint64_t w;
    EXPECT_EXIT(DFP_Pack_Double(&n, &w), testing::ExitedWithCode(129),
                "<biasedExp <= \\(UxMax64 \\+ ExpBias64\\)>, file <common/dfp/DecimalFP_Pack>");
    n.format = DFP_FormatDecimal32;
    n.exponent = 91;
    EXPECT_EXIT(DFP_Pack_Single(&n, 1, &w), testing::ExitedWithCode(129),
                "<biasedExp <= \\(UxMax32 \\+ ExpBias32\\)>");
    EXPECT_EXIT(PackCombo(Normal, 3, 1), testing::ExitedWithCode(129), "<ExpMSB < 3>");
    EXPECT_EXIT(PackCombo(Undefined, 0, 1), testing::ExitedWithCode(129), "<Unknown_DFP_type_in_PackCombo>");
    EXPECT_EXIT(DFP_OpSetSpecificNumber(&n, &n, 4), testing::ExitedWithCode(129),
                "<Unknown_number_in_DFP_OpSetSpecificNumber>, file <common/dfp/DecimalFP_Internal>");
    BCDnumber c;
    BCD_FromInteger(12345678, &c);
    n.format = DFP_FormatDecimal32;
    EXPECT_EXIT(DFP_SetValueOperand(Normal, 0, 0, &c, &n), testing::ExitedWithCode(129),
                "<\\(uint\\)BCD_GetNumDigits\\(coefficient\\) <= operand->format.precision>");
}

} // namespace
