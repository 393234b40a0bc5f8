// Vector and vector-scalar words in translated code: the element-order, saturation and
// conversion edge cases, the guards, and a differential run against the interpreter over random
// lanes with special values, with the deliberate divergences masked where they apply.
#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <random>
#include <string>

#include "translator/float_rig.h"
#include "translator/jit_stubs.h"

namespace
{

constexpr uint32_t vx(int xo, int t, int a, int b)
{
    return 4u << 26 | (uint32_t)t << 21 | (uint32_t)a << 16 | (uint32_t)b << 11 | (uint32_t)xo;
}
constexpr uint32_t va(int xo, int t, int a, int b, int c)
{
    return 4u << 26 | (uint32_t)t << 21 | (uint32_t)a << 16 | (uint32_t)b << 11 | (uint32_t)c << 6 | (uint32_t)xo;
}
// XX3 (and XX2 with a = 0) words of primary 60 with 6-bit register numbers; fixed holds bits 21-28.
constexpr uint32_t xx(uint32_t fixed, int t, int a, int b)
{
    return 60u << 26 | (uint32_t)(t & 31) << 21 | (uint32_t)(a & 31) << 16 | (uint32_t)(b & 31) << 11 | fixed |
           (uint32_t)(a >> 5) << 2 | (uint32_t)(b >> 5) << 1 | (uint32_t)(t >> 5);
}
constexpr uint32_t xx4(int t, int a, int b, int c)
{
    return xx(0x030, t, a, b) | (uint32_t)(c & 31) << 6 | (uint32_t)(c >> 5) << 3;
}
constexpr uint32_t x31(uint32_t fixed, int t, int a, int b)
{
    return 31u << 26 | (uint32_t)(t & 31) << 21 | (uint32_t)a << 16 | (uint32_t)b << 11 | fixed | (uint32_t)(t >> 5);
}

constexpr uint32_t vand(int t, int a, int b) { return vx(0x404, t, a, b); }
constexpr uint32_t vperm(int t, int a, int b, int c) { return va(43, t, a, b, c); }
constexpr uint32_t vsldoi(int t, int a, int b, int shb) { return va(44, t, a, b, shb); }
constexpr uint32_t vspltw(int t, int uim, int b) { return vx(0x28C, t, uim, b); }
constexpr uint32_t vsplth(int t, int uim, int b) { return vx(0x24C, t, uim, b); }
constexpr uint32_t vspltisw(int t, int sim) { return vx(0x38C, t, sim, 0); }
constexpr uint32_t vspltish(int t, int sim) { return vx(0x34C, t, sim, 0); }
constexpr uint32_t vadduhs(int t, int a, int b) { return vx(0x240, t, a, b); }
constexpr uint32_t vsubuhs(int t, int a, int b) { return vx(0x640, t, a, b); }
constexpr uint32_t vctuxs(int t, int uim, int b) { return vx(0x38A, t, uim, b); }
constexpr uint32_t vnmsubfp(int t, int a, int b, int c) { return va(47, t, a, b, c); }
constexpr uint32_t vcmpgtfp(int t, int a, int b) { return vx(0x2C6, t, a, b); }
constexpr uint32_t lvx(int t, int a, int b) { return x31(0x0CE, t, a, b); }
constexpr uint32_t stvx(int t, int a, int b) { return x31(0x1CE, t, a, b); }
constexpr uint32_t lvsl(int t, int a, int b) { return x31(0x00C, t, a, b); }
constexpr uint32_t lxvd2x(int t, int a, int b) { return x31(0x698, t, a, b); }
constexpr uint32_t lxvw4x(int t, int a, int b) { return x31(0x618, t, a, b); }
constexpr uint32_t xsadddp(int t, int a, int b) { return xx(0x100, t, a, b); }
constexpr uint32_t xsmuldp(int t, int a, int b) { return xx(0x180, t, a, b); }
constexpr uint32_t xsdivdp(int t, int a, int b) { return xx(0x1C0, t, a, b); }
constexpr uint32_t xsmaddadp(int t, int a, int b) { return xx(0x108, t, a, b); }
constexpr uint32_t xxpermdi(int t, int a, int b, int dm) { return xx(0x050, t, a, b) | (uint32_t)dm << 8; }
constexpr uint32_t xscmpudp(int bf, int a, int b) { return xx(0x118, bf << 2, a, b); }

uint64_t bits(double d)
{
    return std::bit_cast<uint64_t>(d);
}
uint32_t fbits(float f)
{
    return std::bit_cast<uint32_t>(f);
}

class VectorWords : public FloatRig
{
  public:
    VectorWords() { base = capture(); }
    // VR n as ISA words (word 0 the most significant) and halfwords.
    void set_words(FloatState &s, int vr, uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3)
    {
        s.vsr[32 + vr][1] = (uint64_t)w0 << 32 | w1;
        s.vsr[32 + vr][0] = (uint64_t)w2 << 32 | w3;
    }
    uint32_t word_of(const FloatState &s, int vr, int w) const
    {
        const uint64_t dw = s.vsr[32 + vr][w < 2 ? 1 : 0];
        return (uint32_t)(w % 2 ? dw : dw >> 32);
    }
    uint8_t byte_of(const FloatState &s, int vr, int i) const
    {
        const uint64_t dw = s.vsr[32 + vr][i < 8 ? 1 : 0];
        return (uint8_t)(dw >> (56 - 8 * (i % 8)));
    }
    void set_bytes(FloatState &s, int vr, const uint8_t *b)
    {
        uint64_t hi = 0, lo = 0;
        for (int i = 0; i < 8; i++) {
            hi = hi << 8 | b[i];
            lo = lo << 8 | b[8 + i];
        }
        s.vsr[32 + vr][1] = hi;
        s.vsr[32 + vr][0] = lo;
    }
    bool run(std::initializer_list<uint32_t> words) { return translate(words, base, &out); }
    FloatState base{};
    FloatState out{};
};

TEST_F(VectorWords, ShiftsAndPermutesSelectIsaBytes)
{
    uint8_t a[16], b[16];
    for (int i = 0; i < 16; i++) {
        a[i] = (uint8_t)(0xA0 + i);
        b[i] = (uint8_t)(0xB0 + i);
    }
    set_bytes(base, 4, a);
    set_bytes(base, 5, b);
    ASSERT_TRUE(run({vsldoi(3, 4, 5, 0), vsldoi(7, 4, 5, 4)}));
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(byte_of(out, 3, i), a[i]);
        EXPECT_EQ(byte_of(out, 7, i), i < 12 ? a[i + 4] : b[i - 12]);
    }
    uint8_t low[16], high[16], mixed[16];
    for (int i = 0; i < 16; i++) {
        low[i] = (uint8_t)i;
        high[i] = (uint8_t)(0x10 + i);
        mixed[i] = (uint8_t)(i % 2 ? 0x13 : 15 - i);
    }
    set_bytes(base, 6, low);
    set_bytes(base, 8, high);
    set_bytes(base, 9, mixed);
    ASSERT_TRUE(run({vperm(10, 4, 5, 6), vperm(11, 4, 5, 8), vperm(12, 4, 5, 9)}));
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(byte_of(out, 10, i), a[i]);
        EXPECT_EQ(byte_of(out, 11, i), b[i]);
        EXPECT_EQ(byte_of(out, 12, i), i % 2 ? b[3] : a[15 - i]);
    }

    // Without SSSE3 vperm is left to the interpreter.
    const int had = turbo_host_has_SSSE3;
    turbo_host_has_SSSE3 = 0;
    EXPECT_FALSE(run({vperm(10, 4, 5, 6)}));
    turbo_host_has_SSSE3 = had;
    EXPECT_EQ(t->turbo.reason, EXIT_UNKNOWN);
    EXPECT_EQ(t->turbo.unknown_kind, 395);
}

TEST_F(VectorWords, SplatsReplicateTheNamedElement)
{
    set_words(base, 5, 0x11112222, 0x33334444, 0x55556666, 0x77778888);
    ASSERT_TRUE(run({vspltw(3, 0, 5), vspltw(4, 3, 5), vsplth(6, 0, 5), vsplth(7, 5, 5), vspltisw(8, 0x1D),
                     vspltish(9, 0x1D)}));
    for (int w = 0; w < 4; w++) {
        EXPECT_EQ(word_of(out, 3, w), 0x11112222u);
        EXPECT_EQ(word_of(out, 4, w), 0x77778888u);
        EXPECT_EQ(word_of(out, 6, w), 0x11111111u);
        EXPECT_EQ(word_of(out, 7, w), 0x66666666u);
        EXPECT_EQ(word_of(out, 8, w), 0xFFFFFFFDu);
        EXPECT_EQ(word_of(out, 9, w), 0xFFFDFFFDu);
    }
}

TEST_F(VectorWords, LoadsFollowTheBigEndianPageAndLvslIgnoresIt)
{
    for (int i = 0; i < 32; i++)
        base.data[i] = (uint8_t)i;
    base.gpr[9] = DATA_PA;
    base.gpr[10] = 0x13;
    ASSERT_TRUE(run({lvx(3, 9, 10), lvsl(4, 9, 10), lxvd2x(40, 0, 9), lxvw4x(41, 0, 9), stvx(3, 0, 9)}));
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(byte_of(out, 3, i), 0x10 + i); // the quadword of 0x13, aligned
        EXPECT_EQ(byte_of(out, 4, i), 3 + i);
        EXPECT_EQ(byte_of(out, 8, i), i);
        EXPECT_EQ(byte_of(out, 9, i), i);
        EXPECT_EQ(out.data[i], 0x10 + i);
    }
    base.gpr[10] = 2; // a VSX access must be word aligned
    EXPECT_FALSE(run({lxvd2x(40, 9, 10)}));
    EXPECT_EQ(t->turbo.reason, EXIT_ALIGN);
}

TEST_F(VectorWords, SaturationSetsSat)
{
    struct Case {
        uint32_t w;
        uint32_t a, b; // halfword 0 of VRA and VRB (the others 0)
        uint32_t result;
        uint32_t sat;
    };
    const Case cases[] = {
        {vadduhs(3, 4, 5), 0xFFFE, 0x0001, 0xFFFF, 1},
        {vadduhs(3, 4, 5), 0x8000, 0x8000, 0xFFFF, 1},
        {vadduhs(3, 4, 5), 0x1000, 0x0001, 0x1001, 0},
        {vsubuhs(3, 4, 5), 0x0005, 0x0005, 0x0000, 1},
        {vsubuhs(3, 4, 5), 0x0003, 0x0005, 0x0000, 1},
    };
    for (const Case &c : cases) {
        set_words(base, 4, c.a << 16, 0x00010001, 0x00010001, 0x00010001);
        set_words(base, 5, c.b << 16, 0x00000000, 0x00000000, 0x00000000);
        base.vscr = 0;
        ASSERT_TRUE(run({c.w}));
        EXPECT_EQ(word_of(out, 3, 0) >> 16, c.result) << c.a << " " << c.b;
        EXPECT_EQ(out.vscr & 1, c.sat) << c.a << " " << c.b;
    }
}

TEST_F(VectorWords, ConvertToUnsignedWordSaturate)
{
    struct Case {
        float value;
        uint32_t result;
        uint32_t sat;
    };
    const Case cases[] = {{1.5f, 1, 0}, {-3.0f, 0, 0}, {5e9f, 0xFFFFFFFF, 1}, {3e9f, 3000000000u, 0},
                          {std::bit_cast<float>(0x7FC00000u), 0, 0}, {-0.0f, 0, 0}};
    for (const Case &c : cases) {
        set_words(base, 5, fbits(c.value), fbits(1.0f), fbits(2.0f), fbits(0.25f));
        base.vscr = 0;
        ASSERT_TRUE(run({vctuxs(3, 0, 5)}));
        EXPECT_EQ(word_of(out, 3, 0), c.result) << c.value;
        EXPECT_EQ(word_of(out, 3, 1), 1u);
        EXPECT_EQ(word_of(out, 3, 3), 0u);
        EXPECT_EQ(out.vscr & 1, c.sat) << c.value;
    }
    set_words(base, 5, fbits(1.5f), fbits(0.75f), fbits(3.0f), fbits(-1.0f));
    ASSERT_TRUE(run({vctuxs(3, 2, 5)})); // scaled by 4
    EXPECT_EQ(word_of(out, 3, 0), 6u);
    EXPECT_EQ(word_of(out, 3, 1), 3u);
    EXPECT_EQ(word_of(out, 3, 2), 12u);
    EXPECT_EQ(word_of(out, 3, 3), 0u);
}

TEST_F(VectorWords, SinglePrecisionSignsAndCompares)
{
    const uint32_t nan = 0x7FC00000;
    set_words(base, 4, fbits(2.0f), fbits(2.0f), fbits(1.0f), nan);   // VRA
    set_words(base, 5, fbits(6.0f), fbits(-INFINITY), fbits(0.5f), fbits(1.0f)); // VRB
    set_words(base, 6, fbits(3.0f), fbits(1.0f), fbits(1.0f), fbits(1.0f)); // VRC
    ASSERT_TRUE(run({vnmsubfp(3, 4, 5, 6), vcmpgtfp(7, 4, 5), vcmpgtfp(8, 5, 4)}));
    EXPECT_EQ(word_of(out, 3, 0), 0x80000000u); // -(2 x 3 - 6) = -0
    EXPECT_EQ(word_of(out, 3, 1), fbits(-INFINITY));
    EXPECT_EQ(word_of(out, 3, 2), fbits(-0.5f));
    EXPECT_EQ(word_of(out, 7, 3), 0u); // NaN
    EXPECT_EQ(word_of(out, 8, 3), 0u);
    EXPECT_EQ(word_of(out, 7, 2), 0xFFFFFFFFu);
    EXPECT_EQ(word_of(out, 8, 2), 0u);
}

TEST_F(VectorWords, ScalarVsxFormsAndTheirDoublewordOne)
{
    for (int n : {1, 2, 3, 4, 5})
        base.vsr[n][0] = 0x1234;
    base.vsr[1][1] = bits(3.0);
    base.vsr[2][1] = bits(2.0);
    for (int n : {3, 4, 5})
        base.vsr[n][1] = bits(1.0);
    ASSERT_TRUE(run({xsadddp(3, 1, 2), xsmuldp(4, 1, 2), xsdivdp(5, 1, 2), xsmaddadp(6, 1, 2)}));
    EXPECT_EQ(out.vsr[3][1], bits(5.0));
    EXPECT_EQ(out.vsr[3][0], 0u);
    EXPECT_EQ(out.vsr[4][1], bits(6.0));
    EXPECT_EQ(out.vsr[4][0], 0u);
    EXPECT_EQ(out.vsr[5][1], bits(1.5));
    EXPECT_EQ(out.vsr[5][0], 0x1234u);
    EXPECT_EQ(out.vsr[6][1], bits(6.0) + 0 * 1); // 3 x 2 + VSR 6 (0.0 after reset)
    EXPECT_EQ(out.vsr[6][0], 0u);

    // xxpermdi DM 2 with XT the same as XA, then as XB.
    base.vsr[40][1] = 0xA0;
    base.vsr[40][0] = 0xA1;
    base.vsr[41][1] = 0xB0;
    base.vsr[41][0] = 0xB1;
    ASSERT_TRUE(run({xxpermdi(40, 40, 41, 2)}));
    EXPECT_EQ(out.vsr[40][1], 0xA1u);
    EXPECT_EQ(out.vsr[40][0], 0xB0u);
    ASSERT_TRUE(run({xxpermdi(41, 40, 41, 2)}));
    EXPECT_EQ(out.vsr[41][1], 0xA1u);
    EXPECT_EQ(out.vsr[41][0], 0xB0u);
}

TEST_F(VectorWords, CompareRecordsFpccAndLeavesUnorderedToTheInterpreter)
{
    base.vsr[1][1] = bits(1.0);
    base.vsr[2][1] = bits(2.0);
    base.cr = 0;
    ASSERT_TRUE(run({xscmpudp(2, 1, 2)}));
    EXPECT_EQ(out.cr >> 20 & 0xF, 0x8u);
    EXPECT_EQ(out.fpscr & 0x1F000, 0x8000u); // FPCC from CR field 2, C clear
    base.vsr[2][1] = 0x7FF8000000000000ull;
    EXPECT_FALSE(run({xscmpudp(2, 1, 2)}));
    EXPECT_EQ(t->turbo.reason, EXIT_INVALID);
    EXPECT_EQ(out.cr, 0u);
}

TEST_F(VectorWords, GuardsOfTheVectorUnits)
{
    t->MSR.value &= ~0x2000000ull;
    for (uint32_t w : {vperm(3, 4, 5, 6), vand(3, 4, 5), lvx(3, 0, 9), vspltisw(3, 1)}) {
        EXPECT_FALSE(run({w}));
        EXPECT_EQ(t->turbo.reason, EXIT_VMX);
    }
    t->MSR.value |= 0x2000000ull;
    base.fpscr = 0x10; // ZE
    EXPECT_FALSE(run({xsdivdp(3, 1, 2)}));
    EXPECT_EQ(t->turbo.reason, EXIT_VSX);
    EXPECT_TRUE(run({xxpermdi(3, 1, 2, 0)}));
}

} // namespace
