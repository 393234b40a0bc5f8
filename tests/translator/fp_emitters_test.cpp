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
    base.msr &= ~0x2000ull;
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

// The differential run. Each word has its divergence rules: what translated code may do
// differently from the interpreter outside bit-accurate mode.
enum Rule : unsigned {
    EXACT = 0,
    NO_FPRF = 1,          // records no class (the interpreter's FPRF is not compared)
    DEFAULT_NAN = 2,      // invalid operations give the host default NaN
    TRUNCATE = 4,         // NaN and out-of-range values give the host's integer indefinite
    DOUBLE_ROUNDING = 8,  // rounded twice (x87 fused families, single kinds): one ulp apart
    X87_NAN = 16,         // the x87 unit picks which NaN operand comes through, and negates it
    REVERSE = 32,         // fnmsub as the reverse difference: the sign of a zero differs
    CORRECT_RECIP = 64,   // fre: the correctly rounded reciprocal
    DIFF_CLASS = 128,     // fcmpu: FPRF is the class of FRA - FRB
    ZERO_HIGH_WORD = 256, // fctiwz: bits 0-31, undefined in the architecture, are 0
};

struct Word {
    const char *name;
    uint32_t w;
    unsigned rules;
    int single;
};

const Word words[] = {
    {"fadd", fadd(5, 1, 2), DEFAULT_NAN, 0},
    {"fadds", fadds(5, 1, 2), DEFAULT_NAN | DOUBLE_ROUNDING, 1},
    {"fsub", fsub(5, 1, 2), DEFAULT_NAN, 0},
    {"fsubs", a(59, 20, 5, 1, 2, 0), DEFAULT_NAN | DOUBLE_ROUNDING, 1},
    {"fmul", fmul(5, 1, 3), DEFAULT_NAN, 0},
    {"fmuls", a(59, 25, 5, 1, 0, 3), DEFAULT_NAN | DOUBLE_ROUNDING, 1},
    {"fdiv", fdiv(5, 1, 2), DEFAULT_NAN, 0},
    {"fsqrt", a(63, 22, 5, 0, 2, 0), DEFAULT_NAN, 0},
    {"fre", a(63, 24, 5, 0, 2, 0), CORRECT_RECIP, 0},
    {"frsp", x(12, 5, 0, 2), DEFAULT_NAN, 1},
    {"fcfid", x(846, 5, 0, 2), 0, 0},
    {"fctiwz", fctiwz(5, 2), NO_FPRF | TRUNCATE | ZERO_HIGH_WORD, 0},
    {"fctidz", fctidz(5, 2), NO_FPRF | TRUNCATE, 0},
    {"fmadd", fmadd(5, 1, 2, 3), DEFAULT_NAN | DOUBLE_ROUNDING | X87_NAN, 0},
    {"fmadds", a(59, 29, 5, 1, 2, 3), DEFAULT_NAN | DOUBLE_ROUNDING | X87_NAN, 1},
    {"fmsub", a(63, 28, 5, 1, 2, 3), DEFAULT_NAN | DOUBLE_ROUNDING | X87_NAN, 0},
    {"fnmadd", a(63, 31, 5, 1, 2, 3), DEFAULT_NAN | DOUBLE_ROUNDING | X87_NAN, 0},
    {"fnmsubs", a(59, 30, 5, 1, 2, 3), DEFAULT_NAN | DOUBLE_ROUNDING | X87_NAN | REVERSE, 1},
    {"fnmsub", fnmsub(5, 1, 2, 3), DEFAULT_NAN | DOUBLE_ROUNDING | X87_NAN | REVERSE, 0},
    {"fcmpu", fcmpu(5, 1, 2), DIFF_CLASS, 0},
    {"fsel", fsel(5, 1, 2, 3), NO_FPRF, 0},
    {"fabs", x(264, 5, 0, 2), NO_FPRF, 0},
    {"fnabs", x(136, 5, 0, 2), NO_FPRF, 0},
    {"fneg", fneg(5, 2), NO_FPRF, 0},
    {"fmr", fmr(5, 2), NO_FPRF, 0},
};

const uint64_t specials[] = {0, 0x8000000000000000ull, INF, INF | 1ull << 63, QNAN, SIG_NAN, 1,
                             0x000FFFFFFFFFFFFFull, 0x0010000000000000ull, 0x7FEFFFFFFFFFFFFFull,
                             bits(1.0), bits(-1.0), bits(3e10), bits(-2.5)};

bool is_nan(uint64_t v)
{
    return (v & 0x7FFFFFFFFFFFFFFFull) > INF;
}

// Ulp distance of two doubles of one sign (as singles for the single kinds).
uint64_t ulps(uint64_t p, uint64_t q, int single)
{
    if (single) {
        p = std::bit_cast<uint32_t>((float)dbl(p));
        q = std::bit_cast<uint32_t>((float)dbl(q));
    }
    return p > q ? p - q : q - p;
}

std::string hex(uint64_t v)
{
    char text[24];
    snprintf(text, sizeof text, "%016llx", (unsigned long long)v);
    return text;
}

// The host's result of an SSE operation in rounding mode rn, for the oracles of fre and fcmpu.
__attribute__((noinline)) double host_in_mode(int rn, double (*op)(double, double), double p, double q)
{
    static const int modes[] = {FE_TONEAREST, FE_TOWARDZERO, FE_UPWARD, FE_DOWNWARD};
    const int saved = fegetround();
    fesetround(modes[rn]);
    volatile double vp = p, vq = q;
    volatile double r = op(vp, vq);
    fesetround(saved);
    return r;
}

class FpDifferential : public FloatRig, public ::testing::WithParamInterface<int>
{
};

// Every word from special and random operands in every rounding mode: translated code agrees with
// the interpreter on FPR bits, doubleword 1, the CR and FPRF, except for the listed divergences,
// which exist only outside bit-accurate mode.
TEST_P(FpDifferential, TranslatedWordsAgreeWithTheInterpreter)
{
    const int bit_accurate = GetParam();
    r.m.machine->bit_accurate = bit_accurate;
    std::mt19937_64 random(7);
    auto operand = [&]() -> uint64_t {
        switch (random() % 4) {
        case 0:
            return specials[random() % std::size(specials)];
        case 1:
            return bits((double)std::bit_cast<float>((uint32_t)random())); // a single
        case 2:
            return bits(std::ldexp((double)(int64_t)random(), (int)(random() % 80) - 100));
        default:
            return random();
        }
    };
    FloatState from = capture();
    int compared = 0, translated = 0;
    for (const Word &word : words) {
        for (int rn = 0; rn < 4; rn++) {
            for (int i = 0; i < 60; i++) {
                for (int n = 1; n <= 3; n++) {
                    from.vsr[n][1] = operand();
                    from.vsr[n][0] = random();
                }
                from.vsr[5][0] = random();
                from.fpscr = rn | (uint32_t)(random() % 0x20) << 12; // a previous FPRF
                from.cr = (uint32_t)random();
                const FloatState want = interpret(word.w, from);
                FloatState got{};
                const bool done = translate(word.w, from, &got);
                compared++;
                if (!done) {
                    ASSERT_EQ(t->turbo.reason, EXIT_FP) << word.name;
                    continue;
                }
                translated++;
                const uint64_t a = from.vsr[1][1], b = from.vsr[2][1], c = from.vsr[3][1];
                const uint64_t e = want.vsr[5][1], g = got.vsr[5][1];
                const std::string where = std::string(word.name) + " rn " + std::to_string(rn) + " a " +
                                          hex(a) + " b " + hex(b) + " c " + hex(c) + " want " + hex(e) +
                                          " got " + hex(g);
                const unsigned rules = bit_accurate ? 0 : word.rules;
                bool value_masked = false;
                if (e != g) {
                    const bool default_nan = (rules & DEFAULT_NAN) && g == HOST_DEFAULT_NAN && e == QNAN;
                    const bool truncated =
                        (rules & TRUNCATE) && (g == 0x80000000ull || g == 0x8000000000000000ull);
                    const bool twice = (rules & DOUBLE_ROUNDING) && !is_nan(e) && (e >> 63) == (g >> 63) &&
                                       ulps(e, g, word.single) <= 1;
                    const bool x87_nan = (rules & X87_NAN) && is_nan(e) && is_nan(g);
                    const bool reverse = (rules & REVERSE) && (e << 1) == 0 && (g << 1) == 0;
                    const bool recip =
                        (rules & CORRECT_RECIP) &&
                        g == bits(host_in_mode(rn, [](double, double q) { return 1.0 / q; },
                                               0, dbl(b)));
                    const bool high_word =
                        (rules & ZERO_HIGH_WORD) && g >> 32 == 0 && (uint32_t)g == (uint32_t)e;
                    value_masked = high_word || default_nan || truncated || twice || x87_nan || reverse || recip;
                    EXPECT_TRUE(value_masked) << where;
                }
                EXPECT_EQ(want.vsr[5][0], got.vsr[5][0]) << where << " (doubleword 1)";
                EXPECT_EQ(want.cr, got.cr) << where;
                if ((rules & DIFF_CLASS) != 0) {
                    const double d =
                        host_in_mode(rn, [](double p, double q) { return p - q; }, dbl(a), dbl(b));
                    EXPECT_EQ(got.fpscr & FPRF, (micro_DBL_FPRF(bits(d), 3) & 0x1F) << 12) << where;
                } else if (!(rules & NO_FPRF) && !value_masked) {
                    // The pending record classifies in double format: a single-precision
                    // denormal result reads as a normal one.
                    const double m = std::fabs(dbl(g));
                    const bool single_denormal = word.single && !bit_accurate && m != 0 && m < 0x1p-126 &&
                                                 (got.fpscr & FPRF) == ((want.fpscr & FPRF) & ~0x10000u);
                    if (!single_denormal) {
                        EXPECT_EQ(want.fpscr & FPRF, got.fpscr & FPRF) << where;
                    }
                }
                EXPECT_EQ(want.fpscr & 3, got.fpscr & 3) << where;
                if (bit_accurate) {
                    EXPECT_EQ(want.fpscr, got.fpscr) << where;
                }
                if (::testing::Test::HasFailure()) return;
            }
        }
    }
    // Outside bit-accurate mode every word is translated; inside it only the bit moves are.
    EXPECT_EQ(translated, bit_accurate ? 4 * 60 : compared);
}

INSTANTIATE_TEST_SUITE_P(BitAccurate, FpDifferential, ::testing::Values(0, 1));

} // namespace
