// The library entry points: the per-format behaviour that the generic operations do not have
// (subtraction, immediate quantize, round to a shorter format, the conversions, BCD encode and
// decode), the auxiliary outputs and the coverage record.
#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "dfp/dfp_entry_points.h"
#include "dfp/dfp_format_arith.h"
#include "dfp_test_util.h"

using namespace dfp_test;

namespace
{

using Quad = std::array<uint64_t, 2>;

uint64_t w64(const std::string &digits, int32_t e)
{
    DecimalNumber n = n64(digits, e);
    uint64_t w;
    DFP_Pack_Double(&n, &w);
    return w;
}

Quad w128(const std::string &digits, int32_t e)
{
    DecimalNumber n = num(DFP_FormatDecimal128, digits, e);
    Quad q;
    DFP_Pack_Quad(&n, q.data());
    return q;
}

DFP_SystemEnvironment halvo(uint64_t fpscr = 0)
{
    DFP_SystemEnvironment s{};
    s.system = DFP_SYSTEM_HALVO;
    DFP_UserDirectivesInit(&s);
    s.fpscr = fpscr;
    return s;
}

std::string text64(uint64_t w)
{
    return text(d64(w));
}

std::string text128(const Quad &q)
{
    DecimalNumber n;
    DFP_Unpack_Quad(q.data(), &n);
    return text(n);
}

constexpr uint64_t kPlusZero = 0x2238000000000000, kMinusZero = 0xA238000000000000;
constexpr uint64_t kQNaN = 0x7C00000000000000, kSNaN = 0x7E00000000000000, kSign = 1ull << 63;
constexpr uint64_t VE = 0x80, OE = 0x40, VXSNAN = 0x01000000, VXCVI = 0x100;

TEST(DfpEntryPoints, SubtractNegatesBExceptANaN)
{
    uint64_t r = 1;
    DFP_SystemEnvironment s = halvo();
    dsub(kPlusZero, kMinusZero, &r, &s); // +0 - (-0) = +0 + +0
    EXPECT_EQ(r, kPlusZero);
    EXPECT_EQ(s.fpscr, 0x2000u);

    for (uint64_t nan : {kQNaN, kQNaN | kSign}) {
        s = halvo();
        dsub(w64("1", 0), nan, &r, &s);
        EXPECT_EQ(r, nan) << std::hex << nan; // B's sign kept
    }

    // The quad form negates a copy; the caller's words stay.
    const Quad one = w128("1", 0), two = w128("2", 0);
    Quad out{};
    s = halvo();
    dsubq(one.data(), two.data(), out.data(), &s);
    EXPECT_EQ(text128(out), "-1E0");
    EXPECT_EQ(two, w128("2", 0));
}

TEST(DfpEntryPoints, QuantizeImmediateSignExtendsTe)
{
    for (auto [te, exponent] : {std::pair{31, -1}, {16, -16}, {15, 15}, {0, 0}}) {
        SCOPED_TRACE(te);
        uint64_t r = 0;
        DFP_SystemEnvironment s = halvo();
        dquai(te, kPlusZero, 0, &r, &s);
        EXPECT_EQ(text64(r), "0E" + std::to_string(exponent));
        Quad out{};
        const Quad zero = w128("0", 0);
        s = halvo();
        dquaiq(te, zero.data(), 0, out.data(), &s);
        EXPECT_EQ(text128(out), "0E" + std::to_string(exponent));
    }
    // 1 quantized to 1E-1 (exponent equal: auxResult 1 only when B already has it).
    uint64_t r = 0;
    DFP_SystemEnvironment s = halvo();
    dquai(31, w64("1", 0), 0, &r, &s);
    EXPECT_EQ(text64(r), "10E-1");
    EXPECT_EQ(s.auxResult, 0); // B's exponent (0) is larger than the reference's
}

TEST(DfpEntryPoints, RoundQuadToDoubleOverflow)
{
    const Quad big = w128("1", 385); // above the largest decimal64
    Quad out = {1, 1};
    DFP_SystemEnvironment s = halvo();
    drdpq(big.data(), out.data(), &s);
    EXPECT_EQ(out[0], 0x7800000000000000u); // +infinity
    EXPECT_EQ(out[1], 0u);
    EXPECT_EQ(s.resultKind, 2);
    EXPECT_EQ(s.fpscr, 0x92065000u); // FX, OX, XX, FR, FI, +infinity
    EXPECT_EQ(s.auxResult, 0);

    s = halvo(OE);
    drdpq(big.data(), out.data(), &s);
    EXPECT_EQ(s.resultKind, 3);         // the scaled value stays decimal128
    EXPECT_EQ(text128(out), "1E-2687"); // lowered by a third of the decimal128 bias adjustment
    EXPECT_EQ(s.fpscr, 0xD0004040u);    // FX, FEX, OX, +normal, OE
    EXPECT_EQ(s.auxResult, 1);
    EXPECT_EQ(s.auxFlag, 0);
    EXPECT_EQ(s.coverage.resultType, 5);
    EXPECT_EQ(s.coverage.operationId, 37);
}

TEST(DfpEntryPoints, SignallingNaNsThroughTheFormatConversions)
{
    uint64_t r = 0;
    DFP_SystemEnvironment s = halvo(VE);
    drsp(kSNaN | 0x123, &r, &s); // kept, no exception
    EXPECT_EQ(s.resultKind, 1);
    EXPECT_EQ(r, 0x7E000123u);
    EXPECT_EQ(s.fpscr & VXSNAN, 0u);
    EXPECT_EQ(s.auxFlag, 1);

    const Quad snan = {kSNaN, 0x123};
    Quad out{};
    s = halvo();
    drdpq(snan.data(), out.data(), &s); // quieted, invalid
    EXPECT_EQ(out[0], kQNaN | 0x123);
    EXPECT_EQ(out[1], 0u);
    EXPECT_EQ(s.fpscr, 0xA1011000u); // FX, VX, VXSNAN, quiet NaN

    s = halvo(VE);
    dctdp(0x7E000123, &r, &s); // decimal32 sNaN kept
    EXPECT_EQ(r, kSNaN | 0x123);
    EXPECT_EQ(s.fpscr & VXSNAN, 0u);

    s = halvo(VE);
    r = 5;
    dctqpq(kSNaN, out.data(), &s); // invalid, enabled: nothing delivered
    EXPECT_EQ(s.resultKind, 0);
    EXPECT_EQ(s.fpscr, 0xE1000080u); // FX, FEX, VX, VXSNAN, VE
}

TEST(DfpEntryPoints, ConvertFromFixedFrFi)
{
    // 2^63 - 1 has 19 digits: inexact in decimal64, exact in decimal128.
    const uint64_t big = 0x7FFFFFFFFFFFFFFF;
    uint64_t r = 0;
    DFP_SystemEnvironment s = halvo(0x60000);
    dcffix(big, &r, &s);
    EXPECT_EQ(text64(r), "9223372036854776E3");
    EXPECT_EQ(s.fpscr & 0x02060000, 0x02060000u);

    Quad out{};
    s = halvo(0x60000);
    dcffixq(big, out.data(), &s);
    EXPECT_EQ(text128(out), "9223372036854775807E0");
    EXPECT_EQ(s.fpscr, 0x64000u); // FR and FI as they were

    s = halvo(0x60000);
    dcffix(7, &r, &s); // exact: FR and FI written, cleared
    EXPECT_EQ(s.fpscr, 0x4000u);
}

TEST(DfpEntryPoints, ConvertToFixedSaturatesWithAuxResult)
{
    uint64_t r = 0;
    DFP_SystemEnvironment s = halvo();
    EXPECT_EQ(dctfix(w64("1", 19), &r, &s), 1);
    EXPECT_EQ(r, 0x7FFFFFFFFFFFFFFFu);
    EXPECT_EQ(s.auxResult, 1);
    EXPECT_EQ(s.resultKind, 4);
    s = halvo();
    EXPECT_EQ(dctfix(w64("-123", 0), &r, &s), 0);
    EXPECT_EQ(r, (uint64_t)-123);
    const Quad q = w128("-1", 30);
    s = halvo();
    EXPECT_EQ(dctfixq(q.data(), &r, &s), 1);
    EXPECT_EQ(r, 0x8000000000000000u);
}

TEST(DfpEntryPoints, EncodeBcd)
{
    struct Case {
        int s;
        uint64_t bcd;
        const char *value; // null: invalid
    } cases[] = {
        {1, 0x000000000000123B, "-123E0"}, {1, 0x000000000000123C, "123E0"},
        {1, 0x000000000000123F, "123E0"},  {0, 0x9999999999999999, "9999999999999999E0"},
        {1, 0x0000000000001239, nullptr}, // sign code 9
        {1, 0x00000000000012AC, nullptr}, // digit 0xA
        {0, 0x000000000000012C, nullptr}, // unsigned: 0xC is a digit
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bcd);
        uint64_t r = 1;
        DFP_SystemEnvironment s = halvo();
        denbcd(c.s, c.bcd, &r, &s);
        EXPECT_EQ(s.resultKind, 2);
        if (c.value) {
            EXPECT_EQ(text64(r), c.value);
            EXPECT_EQ(s.fpscr & 0xFFFF0FFF, 0u);
        } else {
            EXPECT_EQ(r, kQNaN);             // the default quiet NaN
            EXPECT_EQ(s.fpscr, 0xA0011100u); // FX, VX, VXCVI, FPRF quiet NaN
        }
    }
    // Invalid with VE: nothing delivered, the words stay 0.
    uint64_t r = 1;
    DFP_SystemEnvironment s = halvo(VE);
    denbcd(1, 0x1239, &r, &s);
    EXPECT_EQ(s.resultKind, 0);
    EXPECT_EQ(r, 0u);
    EXPECT_EQ(s.fpscr & VXCVI, VXCVI);

    // 31 digits and a sign in two words.
    const Quad bcd = {0x1234567890123456, 0x789012345678901D};
    Quad out{};
    s = halvo();
    denbcdq(1, bcd.data(), out.data(), &s);
    EXPECT_EQ(text128(out), "-1234567890123456789012345678901E0");
}

TEST(DfpEntryPoints, DecodeBcd)
{
    uint64_t r = 0;
    const uint64_t image = 0x0000000382064000; // must come back unchanged
    struct Case {
        int sp;
        uint64_t value, bcd;
    } cases[] = {
        {3, w64("5", 0), 0x5F},
        {3, w64("-5", 0), 0x5D},
        {2, w64("5", 0), 0x5C},
        {2, w64("-5", 0), 0x5D},
        {1, w64("1234567890123456", 0), 0x1234567890123456},
        {0, w64("-1234567890123456", 0), 0x1234567890123456},
        {2, w64("1234567890123456", 0), 0x234567890123456C}, // 15 digits kept
        {1, kQNaN | 0x123, 0x223},                           // a NaN's payload (declet 0x123 is 223)
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sp);
        DFP_SystemEnvironment s = halvo(image);
        ddedpd(c.sp, c.value, &r, &s);
        EXPECT_EQ(r, c.bcd);
        EXPECT_EQ(s.resultKind, 5);
        EXPECT_EQ(s.fpscr, image);
        EXPECT_EQ(s.fpscrUpdate & 0x1FF80700, 0u);
    }
    // 34 digits, SP 2: the 31 lowest and the sign.
    const Quad q = w128("-1234567890123456789012345678901234", 0);
    Quad out{};
    DFP_SystemEnvironment s = halvo(image);
    ddedpdq(2, q.data(), out.data(), &s);
    EXPECT_EQ(out[0], 0x4567890123456789u);
    EXPECT_EQ(out[1], 0x012345678901234Du);
    EXPECT_EQ(s.resultKind, 6);
    EXPECT_EQ(s.fpscr, image);
}

TEST(DfpEntryPoints, InsertExponentAuxiliaryOutputs)
{
    uint64_t r = 0;
    DFP_SystemEnvironment s = halvo();
    diex(0x0000000500000190, w64("7", 0), &r, &s); // biased 0x500000190: out of range, quiet NaN
    EXPECT_EQ(s.auxResult, 0x190);
    EXPECT_EQ(s.auxFlag, 5);
    EXPECT_EQ(s.auxValue, 767u);
    s = halvo();
    diex(400, w64("7", 0), &r, &s);
    EXPECT_EQ(text64(r), "7E2");
    Quad out{};
    const Quad seven = w128("7", 0);
    s = halvo();
    diexq(6176, seven.data(), out.data(), &s);
    EXPECT_EQ(text128(out), "7E0");
    EXPECT_EQ(s.auxValue, 12287u);
}

// Each entry point leaves its own operation identifier.
TEST(DfpEntryPoints, CoverageOperationIds)
{
    const uint64_t one = w64("1", 0);
    const Quad q = w128("1", 0);
    const uint64_t *Q = q.data();
    uint64_t r[2];
    struct Case {
        const char *name;
        int32_t id;
        std::function<void(DFP_SystemEnvironment *)> call;
    };
    const Case cases[] = {
        {"dadd", 1, [&](auto e) { dadd(one, one, r, e); }},
        {"daddq", 2, [&](auto e) { daddq(Q, Q, r, e); }},
        {"dsub", 3, [&](auto e) { dsub(one, one, r, e); }},
        {"dsubq", 4, [&](auto e) { dsubq(Q, Q, r, e); }},
        {"dmul", 5, [&](auto e) { dmul(one, one, r, e); }},
        {"dmulq", 6, [&](auto e) { dmulq(Q, Q, r, e); }},
        {"ddiv", 7, [&](auto e) { ddiv(one, one, r, e); }},
        {"ddivq", 8, [&](auto e) { ddivq(Q, Q, r, e); }},
        {"dcmpu", 9, [&](auto e) { dcmpu(one, one, e); }},
        {"dcmpuq", 10, [&](auto e) { dcmpuq(Q, Q, e); }},
        {"dcmpo", 11, [&](auto e) { dcmpo(one, one, e); }},
        {"dcmpoq", 12, [&](auto e) { dcmpoq(Q, Q, e); }},
        {"dcffix", 13, [&](auto e) { dcffix(1, r, e); }},
        {"dcffixq", 14, [&](auto e) { dcffixq(1, r, e); }},
        {"denbcd signed", 15, [&](auto e) { denbcd(1, 0x1C, r, e); }},
        {"denbcdq signed", 16, [&](auto e) { denbcdq(1, Q, r, e); }},
        {"denbcd", 17, [&](auto e) { denbcd(0, 1, r, e); }},
        {"denbcdq", 18, [&](auto e) { denbcdq(0, Q, r, e); }},
        {"dctfix", 19, [&](auto e) { dctfix(one, r, e); }},
        {"dctfixq", 20, [&](auto e) { dctfixq(Q, r, e); }},
        {"ddedpd signed", 21, [&](auto e) { ddedpd(2, one, r, e); }},
        {"ddedpdq signed", 22, [&](auto e) { ddedpdq(3, Q, r, e); }},
        {"ddedpd", 23, [&](auto e) { ddedpd(0, one, r, e); }},
        {"ddedpdq", 24, [&](auto e) { ddedpdq(1, Q, r, e); }},
        {"dxex", 25, [&](auto e) { dxex(one, r, e); }},
        {"dxexq", 26, [&](auto e) { dxexq(Q, r, e); }},
        {"diex", 27, [&](auto e) { diex(398, one, r, e); }},
        {"diexq", 28, [&](auto e) { diexq(6176, Q, r, e); }},
        {"drintx", 31, [&](auto e) { drintx(one, 0, 0, r, e); }},
        {"drintxq", 32, [&](auto e) { drintxq(Q, 0, 0, r, e); }},
        {"drintn", 33, [&](auto e) { drintn(one, 1, 3, r, e); }},
        {"drintnq", 34, [&](auto e) { drintnq(Q, 1, 3, r, e); }},
        {"dctdp", 35, [&](auto e) { dctdp(0x22500001, r, e); }},
        {"dctqpq", 36, [&](auto e) { dctqpq(one, r, e); }},
        {"drdpq", 37, [&](auto e) { drdpq(Q, r, e); }},
        {"drsp", 38, [&](auto e) { drsp(one, r, e); }},
        {"dqua", 39, [&](auto e) { dqua(one, one, 0, r, e); }},
        {"dquaq", 40, [&](auto e) { dquaq(Q, Q, 0, r, e); }},
        {"dquai", 41, [&](auto e) { dquai(0, one, 0, r, e); }},
        {"dquaiq", 42, [&](auto e) { dquaiq(0, Q, 0, r, e); }},
        {"drrnd", 43, [&](auto e) { drrnd(1, one, 0, r, e); }},
        {"drrndq", 44, [&](auto e) { drrndq(1, Q, 0, r, e); }},
        {"dscli", 45, [&](auto e) { dscli(1, one, r, e); }},
        {"dscliq", 46, [&](auto e) { dscliq(1, Q, r, e); }},
        {"dscri", 47, [&](auto e) { dscri(1, one, r, e); }},
        {"dscriq", 48, [&](auto e) { dscriq(1, Q, r, e); }},
        {"dtstdc", 50, [&](auto e) { dtstdc(one, 8, e); }},
        {"dtstdcq", 51, [&](auto e) { dtstdcq(Q, 8, e); }},
        {"dtstdg", 53, [&](auto e) { dtstdg(one, 8, e); }},
        {"dtstdgq", 54, [&](auto e) { dtstdgq(Q, 8, e); }},
        {"dtstex", 55, [&](auto e) { dtstex(one, one, e); }},
        {"dtstexq", 56, [&](auto e) { dtstexq(Q, Q, e); }},
        {"dtstsf", 57, [&](auto e) { dtstsf(1, one, e); }},
        {"dtstsfq", 58, [&](auto e) { dtstsfq(1, Q, e); }},
    };
    for (const Case &c : cases) {
        DFP_SystemEnvironment s = halvo();
        c.call(&s);
        EXPECT_EQ(s.coverage.operationId, c.id) << c.name;
    }
}

TEST(DfpEntryPoints, CoverageOfSubtractAndOppositeZeroSums)
{
    uint64_t r;
    DFP_SystemEnvironment s = halvo();
    dsub(w64("1", 0), w64("-2", 0), &r, &s); // B as given: -normal
    EXPECT_EQ(s.coverage.operand2Type, 6);
    s = halvo();
    dsub(w64("1", 0), kPlusZero, &r, &s);
    EXPECT_EQ(s.coverage.operand2Type, 1);
    s = halvo();
    dsub(w64("1", 0), kQNaN | kSign, &r, &s); // a NaN is passed as it is
    EXPECT_EQ(s.coverage.operand2Type, 10);

    s = halvo();
    dadd(w64("5", 0), w64("-5", 0), &r, &s);
    EXPECT_EQ(s.coverage.resultRange, 8);
    s = halvo();
    dsub(w64("5", 0), w64("5", 0), &r, &s);
    EXPECT_EQ(s.coverage.resultRange, 8);
    s = halvo();
    dadd(kPlusZero, kPlusZero, &r, &s);
    EXPECT_EQ(s.coverage.resultRange, 7);

    // A compare of finite operands measures its difference against a's format.
    s = halvo();
    dcmpu(w64("1", 0), w64("3", 0), &s);
    EXPECT_EQ(s.coverage.resultRange, 2);
    EXPECT_EQ(s.coverage.resultType, 0);
}

TEST(DfpEntryPoints, TestsReturnTheirAuxiliaryResult)
{
    DFP_SystemEnvironment s = halvo();
    EXPECT_EQ(dtstsf(0x7F, w64("123", 0), &s), 0x3F);
    EXPECT_EQ(s.auxResult, 0x3F);
    EXPECT_EQ(s.fpscr & 0xF000, 0x4000u); // reference 63 above 3 digits: FG
    EXPECT_EQ(s.crValue, 4);
    s = halvo();
    EXPECT_EQ(dtstdg(w64("1", 0), 0, &s), 0x04); // leading digit 0
    EXPECT_EQ(s.auxResult, 0x04);
    s = halvo();
    EXPECT_EQ(dtstdg(w64("1000000000000000", 0), 0x02, &s), 0x02); // leading digit nonzero: matches
    EXPECT_EQ(s.crValue, 0x2);
}

TEST(DfpEntryPointsDeathTest, UnknownArithmeticCodeEndsTheProcess)
{
    uint64_t r;
    DFP_SystemEnvironment s = halvo();
    EXPECT_EXIT(DFP_Operation_Double(4, 0, 0, &r, &s), testing::ExitedWithCode(129),
                "<Undefined_arithmetic_operation>, file <common/dfp/DecimalFP_Operations>, line <583>");
    const Quad q{};
    EXPECT_EXIT(DFP_Operation_Quad(0, q.data(), q.data(), &r, &s), testing::ExitedWithCode(129),
                "<Undefined_arithmetic_operation>, file <common/dfp/DecimalFP_Operations>, line <653>");
}

} // namespace
