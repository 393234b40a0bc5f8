// Vector and vector-scalar words in translated code: the element-order, saturation and
// conversion edge cases, the guards, and a differential run against the interpreter over random
// lanes with special values, with the deliberate divergences masked where they apply.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
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
    // The update forms (which the interpreter does not decode) also write the EA into RA.
    base.gpr[10] = 0x10;
    ASSERT_TRUE(run({x31(0x6D8, 41, 9, 10), x31(0x7D8, 41, 9, 10)}));
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(byte_of(out, 9, i), 0x10 + i);
    EXPECT_EQ(out.gpr[9], DATA_PA + 0x20);
    EXPECT_EQ(0, memcmp(out.data + 0x20, out.data + 0x10, 16));
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
    base.msr &= ~0x2000000ull;
    for (uint32_t w : {vperm(3, 4, 5, 6), vand(3, 4, 5), lvx(3, 0, 9), vspltisw(3, 1)}) {
        EXPECT_FALSE(run({w}));
        EXPECT_EQ(t->turbo.reason, EXIT_VMX);
    }
    base.msr |= 0x2000000ull;
    base.fpscr = 0x10; // ZE
    EXPECT_FALSE(run({xsdivdp(3, 1, 2)}));
    EXPECT_EQ(t->turbo.reason, EXIT_VSX);
    EXPECT_TRUE(run({xxpermdi(3, 1, 2, 0)}));
}

// The differential run: each word with its target VSR and the divergences translated code makes
// on purpose (outside bit-accurate mode only).
enum Rule : unsigned {
    EXACT = 0,
    VMX_FP = 1,       // single lanes: rounding by FPSCR[RN], NJ ignored, host NaNs
    TWICE = 2,        // the product-sum rounded to double, then to single (or x87 64-bit): one ulp
    SAT_EXACT = 4,    // SAT also on exact 0xFFFF / 0 results
    CTUXS_SAT = 8,    // no SAT for negative and NaN elements
    VSX_FP = 16,      // host default NaN per doubleword, no FPSCR status or FPRF
    VSX_FUSED = 32,   // x87 double rounding and NaN choice per doubleword
    FPCC = 64,        // xscmpudp: FPCC through the pending field
    KEEP_DW1 = 128,   // doubleword 1, undefined in the architecture, is left as it was
};

struct VWord {
    const char *name;
    uint32_t w;
    int target; // VSR number
    unsigned rules;
};

const VWord vwords[] = {
    {"vand", vand(3, 4, 5), 35, EXACT},
    {"vxor", vx(0x4C4, 3, 4, 5), 35, EXACT},
    {"vsel", va(42, 3, 4, 5, 6), 35, EXACT},
    {"vperm", vperm(3, 4, 5, 6), 35, EXACT},
    {"vperm same", vperm(4, 4, 4, 4), 36, EXACT},
    {"vsldoi 3", vsldoi(3, 4, 5, 3), 35, EXACT},
    {"vspltw 1", vspltw(3, 1, 5), 35, EXACT},
    {"vsplth 5", vsplth(3, 5, 5), 35, EXACT},
    {"vspltisw", vspltisw(3, 0x0B), 35, EXACT},
    {"vspltish", vspltish(3, 0x13), 35, EXACT},
    {"vadduwm", vx(0x080, 3, 4, 5), 35, EXACT},
    {"vadduhs", vadduhs(3, 4, 5), 35, SAT_EXACT},
    {"vsubuhs", vsubuhs(3, 4, 5), 35, SAT_EXACT},
    {"vctuxs 0", vctuxs(3, 0, 5), 35, CTUXS_SAT},
    {"vctuxs 7", vctuxs(3, 7, 5), 35, CTUXS_SAT},
    {"vctuxs 31", vctuxs(3, 31, 5), 35, CTUXS_SAT},
    {"vmaxuh", vx(0x042, 3, 4, 5), 35, EXACT},
    {"vmaxsw", vx(0x182, 3, 4, 5), 35, EXACT},
    {"vmaxsw same", vx(0x182, 4, 4, 5), 36, EXACT},
    {"vsrw", vx(0x284, 3, 4, 5), 35, EXACT},
    {"vaddfp", vx(0x00A, 3, 4, 5), 35, VMX_FP},
    {"vmaddfp", va(46, 3, 4, 5, 6), 35, VMX_FP | TWICE},
    {"vnmsubfp", vnmsubfp(3, 4, 5, 6), 35, VMX_FP | TWICE},
    {"vcmpequw", vx(0x086, 3, 4, 5), 35, EXACT},
    {"vcmpgtfp", vcmpgtfp(3, 4, 5), 35, VMX_FP},
    {"lvx", lvx(3, 9, 10), 35, EXACT},
    {"lvsl", lvsl(3, 9, 10), 35, EXACT},
    {"stvx", stvx(4, 9, 10), 36, EXACT},
    {"lxsdx", x31(0x498, 35, 9, 10), 35, KEEP_DW1},
    {"lxvdsx", x31(0x298, 3, 9, 10), 3, EXACT},
    {"lxvd2x", lxvd2x(35, 9, 10), 35, EXACT},
    {"lxvw4x", lxvw4x(3, 9, 10), 3, EXACT},
    {"stxsdx", x31(0x598, 36, 9, 10), 36, EXACT},
    {"stxvd2x", x31(0x798, 4, 9, 10), 4, EXACT},
    {"stxvw4x", x31(0x718, 36, 9, 10), 36, EXACT},
    {"xsadddp", xsadddp(35, 4, 37), 35, VSX_FP},
    {"xvadddp", xx(0x300, 35, 4, 37), 35, VSX_FP},
    {"xssubdp", xx(0x140, 3, 36, 5), 3, VSX_FP},
    {"xvsubdp", xx(0x340, 3, 36, 5), 3, VSX_FP},
    {"xsmuldp", xsmuldp(35, 4, 37), 35, VSX_FP},
    {"xvmuldp", xx(0x380, 35, 4, 37), 35, VSX_FP},
    {"xsdivdp", xsdivdp(3, 4, 37), 3, VSX_FP | KEEP_DW1},
    {"xsmaddadp", xsmaddadp(35, 4, 37), 35, VSX_FUSED},
    {"xvmaddmdp", xx(0x348, 35, 4, 37), 35, VSX_FUSED},
    {"xsnmsubadp", xx(0x588, 3, 36, 5), 3, VSX_FUSED},
    {"xvnmaddadp", xx(0x708, 3, 36, 5), 3, VSX_FUSED},
    {"xvmsubmdp", xx(0x3C8, 35, 4, 37), 35, VSX_FUSED},
    {"xsabsdp", xx(0x564, 35, 0, 37), 35, EXACT},
    {"xvabsdp", xx(0x764, 35, 0, 35), 35, EXACT},
    {"xsnegdp", xx(0x5E4, 3, 0, 37), 3, EXACT},
    {"xvcpsgndp", xx(0x780, 35, 4, 35), 35, EXACT},
    {"xxpermdi 1", xxpermdi(35, 4, 37, 1), 35, EXACT},
    {"xxpermdi 3", xxpermdi(4, 4, 37, 3), 4, EXACT},
    {"xxsldwi 1", xx(0x010, 35, 4, 37) | 1u << 8, 35, EXACT},
    {"xxspltw 2", xx(0x290, 35, 2, 37), 35, EXACT},
    {"xxsel", xx4(35, 4, 37, 6), 35, EXACT},
    {"xscmpudp", xscmpudp(3, 4, 37), -1, FPCC},
};

const uint32_t special_words[] = {0, 0x80000000, 0x7F800000, 0xFF800000, 0x7FC00000, 0x7F800001, 1,
                                  0x007FFFFF, 0x00800000, 0x7F7FFFFF, 0x3F800000, 0xFFFF0000, 0x0000FFFF,
                                  0x4F800000, 0xCF000000, 0x3FC00000};
const uint64_t special_dws[] = {0, 0x8000000000000000ull, 0x7FF0000000000000ull, 0xFFF0000000000000ull,
                                0x7FF8000000000000ull, 0x7FF4000000000000ull, 1, 0x000FFFFFFFFFFFFFull,
                                0x0010000000000000ull, 0x7FEFFFFFFFFFFFFFull, 0x3FF0000000000000ull,
                                0xC004000000000000ull};

bool nan32(uint32_t v)
{
    return (v & 0x7FFFFFFF) > 0x7F800000;
}
bool nan64(uint64_t v)
{
    return (v & 0x7FFFFFFFFFFFFFFFull) > 0x7FF0000000000000ull;
}
uint64_t distance(uint64_t p, uint64_t q)
{
    return p > q ? p - q : q - p;
}

std::string hex(uint64_t v)
{
    char text[24];
    snprintf(text, sizeof text, "%016llx", (unsigned long long)v);
    return text;
}

class VectorDifferential : public VectorWords, public ::testing::WithParamInterface<int>
{
};

TEST_P(VectorDifferential, TranslatedWordsAgreeWithTheInterpreter)
{
    const int bit_accurate = GetParam();
    r.m.machine->bit_accurate = bit_accurate;
    std::mt19937_64 random(11);
    auto dw = [&]() -> uint64_t {
        switch (random() % 4) {
        case 0:
            return special_dws[random() % std::size(special_dws)];
        case 1:
            return (uint64_t)special_words[random() % std::size(special_words)] << 32 |
                   special_words[random() % std::size(special_words)];
        case 2:
            return bits(std::ldexp((double)(int64_t)random(), (int)(random() % 60) - 80));
        default:
            return random();
        }
    };
    FloatState from = base;
    int translated = 0;
    for (const VWord &word : vwords) {
        for (int i = 0; i < 80; i++) {
            for (int n = 0; n < 64; n++) {
                from.vsr[n][0] = dw();
                from.vsr[n][1] = dw();
            }
            for (uint8_t &b : from.data)
                b = (uint8_t)random();
            from.gpr[9] = DATA_PA;
            from.gpr[10] = random() % 3 == 0 ? random() % 48 : 4 * (random() % 12);
            const uint32_t rn = (uint32_t)(random() % 4);
            const uint32_t nj = random() % 2 ? 0x10000 : 0;
            from.fpscr = rn;
            from.vscr = nj;
            from.cr = (uint32_t)random();
            const FloatState want = interpret(word.w, from);
            FloatState got{};
            if (!translate(word.w, from, &got)) {
                // Left to the interpreter: the guards of bit-accurate mode, alignment, unordered.
                EXPECT_TRUE(t->turbo.reason == EXIT_FP || t->turbo.reason == EXIT_ALIGN ||
                            t->turbo.reason == EXIT_INVALID)
                    << word.name << " " << t->turbo.reason;
                continue;
            }
            translated++;
            const unsigned rules = bit_accurate ? 0 : word.rules;
            const std::string where = std::string(word.name) + " rn " + std::to_string(rn) + " nj " +
                                      std::to_string(nj != 0) + " sample " + std::to_string(i);
            for (int n = 0; n < 64; n++) {
                for (int d = 0; d < 2; d++) {
                    const uint64_t e = want.vsr[n][d], g = got.vsr[n][d];
                    if (e == g) continue;
                    bool masked = false;
                    if (n == word.target && (rules & VMX_FP)) {
                        masked = true;
                        for (int half = 0; half < 2; half++) {
                            const uint32_t el = (uint32_t)(e >> 32 * half), gl = (uint32_t)(g >> 32 * half);
                            const bool lane_ok = el == gl || rn != 0 || nj || (nan32(el) && nan32(gl)) ||
                                                 ((rules & TWICE) && (el >> 31) == (gl >> 31) &&
                                                  distance(el, gl) <= 1);
                            masked = masked && lane_ok;
                        }
                    }
                    if (n == word.target && (rules & VSX_FP))
                        masked = g == 0xFFF8000000000000ull && e == 0x7FF8000000000000ull;
                    if (n == word.target && (rules & VSX_FUSED))
                        masked = (nan64(e) && nan64(g)) || ((e >> 63) == (g >> 63) && distance(e, g) <= 1) ||
                                 ((e << 1) == 0 && (g << 1) == 0);
                    if (n == word.target && d == 0 && (word.rules & KEEP_DW1)) masked = g == from.vsr[n][0];
                    EXPECT_TRUE(masked) << where << " ea " << hex(from.gpr[10]) << " ra " << hex(want.gpr[9]) << "/" << hex(got.gpr[9]) << " VSR " << n << " dw" << (1 - d) << " want " << hex(e)
                                        << " got " << hex(g);
                }
            }
            EXPECT_EQ(0, memcmp(want.data, got.data, sizeof want.data)) << where;
            EXPECT_EQ(want.gpr[10], got.gpr[10]) << where;
            EXPECT_EQ(want.cr, got.cr) << where;
            if (want.vscr != got.vscr) {
                const bool sat_exact = (rules & SAT_EXACT) && got.vscr == (want.vscr | 1);
                const bool ctuxs = (rules & CTUXS_SAT) && want.vscr == (got.vscr | 1);
                EXPECT_TRUE(sat_exact || ctuxs) << where << " VSCR want " << want.vscr << " got " << got.vscr;
            }
            if (bit_accurate) {
                EXPECT_EQ(want.fpscr, got.fpscr) << where;
            } else if (rules & FPCC) {
                EXPECT_EQ(want.fpscr & 0xF000, got.fpscr & 0xF000) << where;
            } else if (!(rules & (VSX_FP | VSX_FUSED))) {
                EXPECT_EQ(want.fpscr, got.fpscr) << where;
            }
            if (::testing::Test::HasFailure()) return;
        }
    }
    EXPECT_GT(translated, 0);
}

INSTANTIATE_TEST_SUITE_P(BitAccurate, VectorDifferential, ::testing::Values(0, 1));

} // namespace
