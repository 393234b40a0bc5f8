// Scalar floating-point words in translated code: the edge cases of the SSE and x87 sequences, the
// guards that send words to the interpreter, and a differential run against the interpreter over
// special and random operands in the four rounding modes, with the divergences translated code
// makes on purpose masked where they apply (and shown to go to the interpreter in bit-accurate
// mode).
#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "translator/float_rig.h"

namespace
{

using namespace fpw;

uint64_t bits(double d)
{
    return std::bit_cast<uint64_t>(d);
}
[[maybe_unused]] double dbl(uint64_t b)
{
    return std::bit_cast<double>(b);
}

constexpr uint64_t HOST_DEFAULT_NAN = 0xFFF8000000000000ull;
constexpr uint64_t QNAN = 0x7FF8000000000000ull;
[[maybe_unused]] constexpr uint64_t SIG_NAN = 0x7FF4000000000000ull;
constexpr uint64_t INF = 0x7FF0000000000000ull;
constexpr uint32_t FPRF = 0x1F000;

class FpWords : public FloatRig
{
  public:
    FpWords() { base = capture(); }
    // Runs the words from base with FPRs 1..4 set; true when translated code completed them.
    bool run(std::initializer_list<uint32_t> words, std::initializer_list<uint64_t> fprs, uint32_t rn = 0)
    {
        FloatState from = base;
        int n = 1;
        for (uint64_t v : fprs) {
            from.vsr[n][1] = v;
            from.vsr[n][0] = 0x5555AAAA5555AAAAull; // doubleword 1 garbage
            n++;
        }
        from.fpscr = (from.fpscr & ~3u) | rn;
        return translate(words, from, &out);
    }
    uint64_t f(int n) const { return out.vsr[n][1]; }
    uint32_t cr_field(int bf) const { return out.cr >> (28 - 4 * bf) & 0xF; }
    FloatState base{};
    FloatState out{};
};

TEST_F(FpWords, AdditionRoundsInTheGuestRoundingModeAndClearsDoublewordOne)
{
    const uint64_t tiny = bits(std::ldexp(1.0, -60));
    ASSERT_TRUE(run({fadd(3, 1, 2)}, {bits(1.0), tiny}, 2));
    EXPECT_EQ(f(3), bits(1.0) + 1);
    EXPECT_EQ(out.vsr[3][0], 0u);
    ASSERT_TRUE(run({fadd(3, 1, 2)}, {bits(1.0), tiny}, 0));
    EXPECT_EQ(f(3), bits(1.0));
    EXPECT_EQ(out.fpscr & FPRF, 0x4000u); // positive normal

    // fadds: one more rounding, to single, and widened back.
    const double a = 1.0, b = std::ldexp(1.0, -30) * 3;
    ASSERT_TRUE(run({fadds(3, 1, 2)}, {bits(a), bits(b)}, 0));
    EXPECT_EQ(f(3), bits((double)(float)(a + b)));
    EXPECT_EQ(out.vsr[3][0], 0u);
}

TEST_F(FpWords, InvalidOperationGivesTheHostDefaultNaNWithItsClass)
{
    ASSERT_TRUE(run({fsub(3, 1, 2)}, {INF, INF}));
    EXPECT_EQ(f(3), HOST_DEFAULT_NAN);
    EXPECT_EQ(out.fpscr & FPRF, 0x11000u);
}

TEST_F(FpWords, ResultClassComesFromTheLastRecordingWord)
{
    ASSERT_TRUE(run({fadd(5, 1, 2), fsub(6, 1, 2)}, {bits(1.0), bits(2.0)}));
    EXPECT_EQ(out.fpscr & FPRF, 0x8000u); // -1.0: negative normal
    ASSERT_TRUE(run({fsub(6, 1, 2), fadd(5, 1, 2), fmr(7, 6)}, {bits(1.0), bits(2.0)}));
    EXPECT_EQ(out.fpscr & FPRF, 0x4000u); // fmr records nothing
    EXPECT_EQ(f(7), bits(-1.0));
}

TEST_F(FpWords, UnorderedCompareSetsOneCrBitAndTheDifferenceClass)
{
    ASSERT_TRUE(run({fcmpu(3, 1, 2)}, {bits(1.0), QNAN}));
    EXPECT_EQ(cr_field(3), 0x1u);
    ASSERT_TRUE(run({fcmpu(3, 1, 2)}, {bits(1.0), bits(1.0)}));
    EXPECT_EQ(cr_field(3), 0x2u);
    EXPECT_EQ(out.fpscr & FPRF, 0x2000u); // +0
    ASSERT_TRUE(run({fcmpu(6, 1, 2)}, {bits(-4.0), bits(1.0)}));
    EXPECT_EQ(cr_field(6), 0x8u);
    ASSERT_TRUE(run({fcmpu(0, 1, 2)}, {bits(4.0), bits(1.0)}));
    EXPECT_EQ(cr_field(0), 0x4u);
}

TEST_F(FpWords, ConversionsSelectsAndSignOperations)
{
    struct Case {
        const char *what;
        uint32_t w;
        std::initializer_list<uint64_t> fprs;
        uint64_t f3;
    };
    const Case cases[] = {
        {"fctiwz -3.7", fctiwz(3, 1), {bits(-3.7)}, 0x00000000FFFFFFFDull},
        {"fctiwz 3e10", fctiwz(3, 1), {bits(3e10)}, 0x0000000080000000ull},
        {"fctidz NaN", fctidz(3, 1), {QNAN}, 0x8000000000000000ull},
        {"fctidz -2^40", fctidz(3, 1), {bits(-std::ldexp(1.0, 40))}, (uint64_t)-(int64_t)(1ll << 40)},
        {"fsel -0.0", fsel(3, 1, 2, 4), {bits(-0.0), bits(7.0), 0, bits(9.0)}, bits(9.0)},
        {"fsel NaN", fsel(3, 1, 2, 4), {QNAN, bits(7.0), 0, bits(9.0)}, bits(7.0)},
        {"fsel -1", fsel(3, 1, 2, 4), {bits(-1.0), bits(7.0), 0, bits(9.0)}, bits(7.0)},
        {"fnmsub exact", fnmsub(3, 1, 2, 4), {bits(2.0), bits(6.0), 0, bits(3.0)}, bits(0.0)},
        {"fneg SNaN", fneg(3, 1), {0x7FF0000000000001ull}, 0xFFF0000000000001ull},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(run({c.w}, c.fprs)) << c.what;
        EXPECT_EQ(f(3), c.f3) << c.what;
        EXPECT_EQ(out.vsr[3][0], 0u) << c.what;
    }
}

TEST_F(FpWords, MffsAppliesThePendingClassFirst)
{
    base.fpscr = 0x000000F0; // enables, which mffs shows as they are
    ASSERT_TRUE(run({fdiv(3, 1, 2), mffs(5)}, {bits(1.0), bits(-3.0)}));
    EXPECT_EQ(f(5), 0x80F0u); // negative normal, bits 0-31 zero
}

TEST_F(FpWords, GuardsSendWordsToTheInterpreter)
{
    r.m.machine->turbo_fmadd = 0;
    EXPECT_FALSE(run({fmadd(3, 1, 2, 4)}, {bits(1.0), bits(1.0), 0, bits(1.0)}));
    EXPECT_EQ(t->turbo.reason, EXIT_FP);
    r.m.machine->turbo_fmadd = 1;
    EXPECT_TRUE(run({fmadd(3, 1, 2, 4)}, {bits(1.0), bits(1.0), 0, bits(1.0)}));

    r.m.machine->bit_accurate = 1;
    EXPECT_FALSE(run({fadd(3, 1, 2)}, {bits(1.0), bits(1.0)}));
    EXPECT_EQ(t->turbo.reason, EXIT_FP);
    base.gpr[9] = DATA_PA;
    memcpy(base.data, "\x40\x00\x00\x00\x00\x00\x00\x00", 8);
    EXPECT_TRUE(run({fpw::lfd(3, 9, 0), fmr(4, 3)}, {}));
    EXPECT_EQ(f(4), bits(2.0));
    r.m.machine->bit_accurate = 0;

    // Without MSR[FP] the load leaves before its address is translated (0x900000 is unmapped).
    t->MSR.value &= ~0x2000ull;
    base.gpr[9] = 0x900000;
    EXPECT_FALSE(run({fpw::lfd(3, 9, 0)}, {}));
    EXPECT_EQ(t->turbo.reason, EXIT_FP);
}

TEST_F(FpWords, SinglePrecisionLoadAndStoreUseThePageByteOrder)
{
    base.gpr[9] = DATA_PA;
    const uint8_t one_and_a_half[4] = {0x3F, 0xC0, 0x00, 0x00};
    memcpy(base.data + 4, one_and_a_half, 4);
    ASSERT_TRUE(run({lfs(3, 9, 4), stfs(3, 9, 8)}, {}));
    EXPECT_EQ(f(3), bits(1.5));
    EXPECT_EQ(0, memcmp(out.data + 8, one_and_a_half, 4));
    EXPECT_FALSE(run({lfs(3, 9, 2)}, {})); // misaligned
    EXPECT_EQ(t->turbo.reason, EXIT_ALIGN);
}

} // namespace
