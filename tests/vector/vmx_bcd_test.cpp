// bcdadd. and bcdsub.: results and CR6 over a table of signed packed-decimal operands (preferred
// sign, signed zeros, overflow, invalid digits and sign codes, the plus codes read but never
// written), the compatibility and availability gates in their order, and the exported
// conversions between packed decimal and 128-bit integers.
#include <cstring>
#include <string>

#include "isa/bcd_adder.h"
#include "isa/bcd_helpers.h"
#include "vec_fixture.h"
#include "vector/vec_defs.h"
#include "vector/vmx_bcd.h"

namespace vec_test
{
namespace
{

Vec128 packed(uint64_t high, uint64_t low)
{
    return Vec128{low, high};
}

class VmxBcd : public VecTest
{
  protected:
    uint32_t cr6() { return (ew.t->CR.value >> 4) & 0xF; }
    int bcd(const char *mnemonic, Vec128 a, Vec128 b, int ps = 0)
    {
        set_vr(1, a);
        set_vr(2, b);
        set_vr(3, Vec128{0xEEEE, 0xEEEE});
        ew.t->CR.value = 0;
        return run(VX(mnemonic, 3, 1, 2) | (ps ? 0x200 : 0));
    }
};

TEST_F(VmxBcd, AddAndSubtract)
{
    const uint64_t FIVE_E30 = 0x5000000000000000;
    struct Case {
        const char *mnemonic;
        Vec128 a, b;
        int ps;
        Vec128 result;
        uint32_t cr6;
    } cases[] = {
        {"bcdadd.", packed(0, 0x1C), packed(0, 0x1C), 0, packed(0, 0x2C), 0b0100},
        {"bcdadd.", packed(0, 0x1C), packed(0, 0x1C), 1, packed(0, 0x2F), 0b0100},
        {"bcdadd.", packed(0, 0x5D), packed(0, 0x5C), 0, packed(0, 0x0C), 0b0010},
        {"bcdadd.", packed(0, 0x5D), packed(0, 0x5C), 1, packed(0, 0x0F), 0b0010},
        {"bcdadd.", packed(0, 0x0D), packed(0, 0x0D), 0, packed(0, 0x0C), 0b0010},
        {"bcdsub.", packed(0, 0x3C), packed(0, 0x5C), 0, packed(0, 0x2D), 0b1000},
        {"bcdsub.", packed(0, 0x5C), packed(0, 0x5F), 1, packed(0, 0x0F), 0b0010},
        {"bcdadd.", packed(0, 0x3D), packed(0, 0x5C), 0, packed(0, 0x2C), 0b0100},
        {"bcdadd.", packed(0, 0x5D), packed(0, 0x3C), 0, packed(0, 0x2D), 0b1000},
        {"bcdadd.", packed(0, 0x123C), packed(0, 0x987D), 0, packed(0, 0x864D), 0b1000},
        {"bcdadd.", packed(FIVE_E30, 0xD), packed(FIVE_E30, 0xD), 0, packed(0, 0xD), 0b1001},
        {"bcdadd.", packed(FIVE_E30, 0xC), packed(FIVE_E30, 0xC), 0, packed(0, 0xC), 0b0101},
        {"bcdadd.", packed(0x9999999999999999, 0x999999999999999C), packed(0, 0x1C), 0, packed(0, 0xC),
         0b0101},
        // The plus codes 0xA, 0xE, 0xF are read as plus and written as 0xC (or 0xF with PS).
        {"bcdadd.", packed(0, 0x1A), packed(0, 0x2E), 0, packed(0, 0x3C), 0b0100},
        {"bcdsub.", packed(0, 0x7F), packed(0, 0x2B), 0, packed(0, 0x9C), 0b0100},
        // Invalid sign code or digit: SO alone.
        {"bcdadd.", packed(0, 0x55), packed(0, 0x1C), 0, packed(0, 0x4D), 0b0001},
        {"bcdadd.", packed(0, 0xAC), packed(0, 0x1C), 0, packed(0, 0x11C), 0b0001},
    };
    // With the hardware routines on, the adder serves valid operands too, with the same results.
    for (int hardware = 0; hardware < 2; hardware++) {
        ew.option(PO_ENABLE_VMX_BCD_HARDWARE_ROUTINES, hardware);
        for (const Case &c : cases) {
            ASSERT_EQ(bcd(c.mnemonic, c.a, c.b, c.ps), 1);
            EXPECT_EQ(vr(3), c.result) << c.mnemonic << " " << c.a << " " << c.b << " hw " << hardware;
            EXPECT_EQ(cr6(), c.cr6) << c.mnemonic << " " << c.a << " " << c.b << " hw " << hardware;
            EXPECT_EQ(ew.t->CR.value & ~0xF0u, 0u);
        }
    }
}

// The adder on big-endian digit arrays, operands and result written as digit strings (most
// significant first) and sign codes.
struct AdderCase {
    const char *a;
    uint8_t a_sign;
    const char *b;
    uint8_t b_sign;
    int op, ps;
    const char *result;
    uint8_t sign;
    uint8_t condition;
};

std::string run_adder(const AdderCase &c, uint8_t *sign, uint8_t *condition)
{
    uint8_t a[32] = {}, b[32] = {}, r[32];
    auto fill = [](uint8_t *digits, const char *text) {
        const int n = (int)strlen(text);
        for (int k = 0; k < n; k++)
            digits[31 - n + k] = (uint8_t)std::stoi(std::string(1, text[k]), nullptr, 16);
    };
    fill(a, c.a);
    fill(b, c.b);
    a[31] = c.a_sign;
    b[31] = c.b_sign;
    VSU_bcdadd(r, condition, a, b, c.op, c.ps);
    std::string digits;
    for (int n = 0; n < 31; n++)
        if (r[n] || !digits.empty() || n == 30) digits += "0123456789ABCDEF"[r[n] & 0xF];
    *sign = r[31];
    return digits;
}

TEST(BcdAdder, InvalidOperandsAndAgreementWithTheSoftwarePath)
{
    const std::string F31(31, 'F'), N31(31, '9'), SIX31(31, '6');
    const AdderCase cases[] = {
        // Invalid digits or sign codes: the circuit's digits, the condition SO alone.
        {"A", 0xC, "1", 0xC, 0, 0, "11", 0xC, 0b0001},
        {"F", 0xC, "0", 0xC, 0, 0, "15", 0xC, 0b0001},
        {"FF", 0xC, "1", 0xC, 0, 0, "166", 0xC, 0b0001},
        {"AB", 0xC, "CD", 0xC, 0, 0, "156", 0xC, 0b0001},
        {"1A", 0xC, "B", 0xC, 1, 0, "9", 0xC, 0b0001},
        {"B", 0xC, "1A", 0xC, 1, 0, "9", 0xD, 0b0001},
        {F31.c_str(), 0xC, "1", 0xC, 0, 0, SIX31.c_str(), 0xC, 0b0001},
        {"3", 0xD, "A", 0xC, 0, 1, "7", 0xF, 0b0001},
        {"1", 0x0, "1", 0x0, 0, 0, "2", 0xC, 0b0001},
        {"5", 0x5, "1", 0xC, 0, 0, "4", 0xD, 0b0001},
        // Valid operands: the software path's digits, sign and condition.
        {"5", 0xC, "3", 0xC, 0, 0, "8", 0xC, 0b0100},
        {"3", 0xC, "5", 0xC, 1, 0, "2", 0xD, 0b1000},
        {"3", 0xD, "5", 0xC, 0, 0, "2", 0xC, 0b0100},
        {"123", 0xC, "987", 0xD, 0, 0, "864", 0xD, 0b1000},
        {"7", 0xC, "7", 0xD, 0, 0, "0", 0xC, 0b0010},
        {"0", 0xC, "0", 0xD, 0, 0, "0", 0xC, 0b0010},
        {"0", 0xC, "0", 0xD, 0, 1, "0", 0xF, 0b0010},
        {N31.c_str(), 0xC, "1", 0xC, 0, 0, "0", 0xC, 0b0101},
        {N31.c_str(), 0xD, "1", 0xD, 0, 0, "0", 0xD, 0b1001},
        {"9", 0xA, "1", 0xB, 0, 0, "8", 0xC, 0b0100},
        {"9", 0xE, "12", 0xF, 1, 0, "3", 0xD, 0b1000},
    };
    for (const AdderCase &c : cases) {
        uint8_t sign, condition;
        EXPECT_EQ(run_adder(c, &sign, &condition), c.result) << c.a << (c.op ? " - " : " + ") << c.b;
        EXPECT_EQ(sign, c.sign) << c.a << (c.op ? " - " : " + ") << c.b;
        EXPECT_EQ(condition, c.condition) << c.a << (c.op ? " - " : " + ") << c.b;
    }
}

TEST(BcdAdder, DigitCells)
{
    for (uint8_t x = 0; x < 16; x++) {
        EXPECT_EQ(duplus6(x), x <= 9 ? x + 6 : x - 2) << (int)x;
        EXPECT_EQ(duminus6(x), x >= 6 ? x - 6 : x + 2) << (int)x;
    }
    // Generate, nine-detect propagate, sum and sum plus one of biased digit pairs.
    const DigitSum nine = dunibble_adder(dudgt_csa2t2(4, duplus6(5)));
    EXPECT_TRUE(nine.propagate);
    EXPECT_FALSE(nine.generate);
    EXPECT_EQ(nine.sum_plus1, 0);
    const DigitSum twelve = dunibble_adder(dudgt_csa2t2(7, duplus6(5)));
    EXPECT_TRUE(twelve.generate);
    EXPECT_EQ(twelve.sum, 2);
    EXPECT_EQ(twelve.sum_plus1, 3);
}

TEST_F(VmxBcd, GatesInOrder)
{
    problem_state();
    // PCR 0x4 first, even with the VSX-disable bit and VMX off.
    msr() &= ~MSR_VMX;
    pcr(vec::PCR_V206 | vec::PCR_VSX_OFF);
    EXPECT_EQ(bcd("bcdadd.", packed(0, 0x1C), packed(0, 0x1C)), 0);
    EXPECT_EQ(raised_type(), vec::EXC_ILLEGAL);
    // The VSX-disable bit, with PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS off.
    pcr(vec::PCR_VSX_OFF);
    ew.option(PO_PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS, 0);
    EXPECT_EQ(bcd("bcdadd.", packed(0, 0x1C), packed(0, 0x1C)), 0);
    EXPECT_EQ(raised_type(), vec::EXC_ILLEGAL);
    // With the option on the bit is ignored and the VMX check refuses.
    ew.option(PO_PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS, 1);
    EXPECT_EQ(bcd("bcdadd.", packed(0, 0x1C), packed(0, 0x1C)), 0);
    EXPECT_EQ(raised_type(), vec::EXC_VMX_UNAVAILABLE);
    EXPECT_EQ(vr(3), (Vec128{0xEEEE, 0xEEEE}));
    EXPECT_EQ(cr6(), 0u);
    msr() |= MSR_VMX;
    EXPECT_EQ(bcd("bcdsub.", packed(0, 0x1C), packed(0, 0x1C)), 1);
    EXPECT_EQ(cr6(), 0b0010u);
}

// The 16-byte little-endian image of a quadword.
void image_of(Vec128 v, uint8_t *bytes)
{
    for (int i = 0; i < 8; i++) {
        bytes[i] = (uint8_t)(v.low >> (8 * i));
        bytes[8 + i] = (uint8_t)(v.high >> (8 * i));
    }
}

TEST_F(VmxBcd, IntegerConversions)
{
    uint8_t bytes[16];
    uint32_t count;
    struct {
        uint64_t low, high;
        int ps;
        Vec128 expected;
        bool overflow;
    } from[] = {
        {0, 0, 0, packed(0, 0xC), false},
        {0, 0, 1, packed(0, 0xF), false},
        {~0ull, ~0ull, 0, packed(0, 0x1D), false},
        {12345, 0, 0, packed(0, 0x12345C), false},
        {0xC0914B2680000000ull, 0x7E37BE2022ull, 0, packed(0, 0xC), true}, // 10^31: 32 digits
        {0, 1ull << 40, 0, packed(0, 0xC), true},                          // 2^104
    };
    for (auto f : from) {
        BCD_FromSignedIntegerQuad(f.low, f.high, bytes, f.ps, &count);
        uint8_t expected[16];
        image_of(f.expected, expected);
        EXPECT_EQ(memcmp(bytes, expected, 16), 0) << std::hex << f.high << " " << f.low;
        EXPECT_EQ(count != 0, f.overflow) << std::hex << f.high << " " << f.low;
    }
    // -(10^31 - 1), the most negative value with 31 digits, and back.
    const unsigned __int128 nines = (((unsigned __int128)0x7E37BE2022ull << 64) | 0xC0914B2680000000ull) - 1;
    const unsigned __int128 minus_nines = 0 - nines;
    BCD_FromSignedIntegerQuad((uint64_t)minus_nines, (uint64_t)(minus_nines >> 64), bytes, 0, &count);
    EXPECT_EQ(count, 0u);
    uint8_t expected[16];
    image_of(packed(0x9999999999999999, 0x999999999999999D), expected);
    EXPECT_EQ(memcmp(bytes, expected, 16), 0);
    uint64_t low, high;
    uint32_t invalid;
    BCD_ToSignedIntegerQuad(bytes, &low, &high, &invalid);
    EXPECT_EQ(low, (uint64_t)minus_nines);
    EXPECT_EQ(high, (uint64_t)(minus_nines >> 64));
    EXPECT_EQ(invalid, 0u);

    // A minus value gives the two's complement; a digit above 9 is counted and used.
    image_of(packed(0, 0x1234D), bytes);
    BCD_ToSignedIntegerQuad(bytes, &low, &high, &invalid);
    EXPECT_EQ(low, (uint64_t)-1234);
    EXPECT_EQ(high, ~0ull);
    EXPECT_EQ(invalid, 0u);
    image_of(packed(0, 0x1A3), bytes); // digits 1, 0xA, sign 3
    BCD_ToSignedIntegerQuad(bytes, &low, &high, &invalid);
    EXPECT_EQ(low, 20u);
    EXPECT_EQ(invalid, 2u);
}

} // namespace
} // namespace vec_test
