// Every entry point on seeded random encodings, weighted toward specials, non-canonical declets,
// extreme exponents and NaN payloads, in every rounding mode and with every enable mask: nothing
// ends the process, and every delivered decimal result comes back unchanged through unpack and
// pack (the library only produces canonical encodings).
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "dfp/decimal_pack.h"
#include "dfp/dfp_entry_points.h"

namespace
{

class Patterns
{
  public:
    explicit Patterns(uint64_t seed) : rng(seed) {}

    uint64_t bits() { return rng(); }
    int below(int n) { return (int)(rng() % (uint64_t)n); }

    // A declet: canonical, one of the 24 non-canonical ones, or any ten bits.
    uint64_t declet()
    {
        switch (below(4)) {
        case 0: { // non-canonical: v = 1, wx = 11, st = 11, pq != 00
            const uint64_t pq = 1 + (uint64_t)below(3);
            return (pq << 8) | ((uint64_t)below(2) << 7) | (3u << 5) | ((uint64_t)below(2) << 4) | 0xE |
                   (uint64_t)below(2);
        }
        case 1:
            return 0x3FF & bits();
        default:
            return BCD2DPD((uint32_t)((below(10) << 8) | (below(10) << 4) | below(10)));
        }
    }

    // The first (or only) word's sign, combination and exponent continuation.
    uint64_t head(int continuationBits)
    {
        const uint64_t sign = (uint64_t)below(2) << 63;
        const int continuationShift = 58 - continuationBits;
        const uint64_t continuationMask = (1ull << continuationBits) - 1;
        switch (below(6)) {
        case 0: // infinity
            return sign | (0x1Eull << 58) | ((bits() & continuationMask) << continuationShift);
        case 1: // NaN, quiet or signalling, with a payload
            return sign | (0x1Full << 58) | ((uint64_t)below(2) << 57) |
                   ((bits() & (continuationMask >> 1)) << continuationShift);
        case 2: // the smallest or largest exponents
        {
            const uint64_t top = below(2) ? 2 : 0;
            const uint64_t digit = (uint64_t)below(10);
            const uint64_t combination = digit < 8 ? (top << 3) | digit : 0x18 | (top << 1) | (digit & 1);
            const uint64_t continuation = top ? continuationMask - (uint64_t)below(3) : (uint64_t)below(3);
            return sign | (combination << 58) | (continuation << continuationShift);
        }
        default:
            return bits() & ~(((1ull << continuationShift) - 1)); // anything, the declets follow
        }
    }

    uint64_t d64()
    {
        uint64_t w = head(8);
        for (int d = 0; d < 5; d++)
            w |= declet() << (10 * d);
        return w;
    }

    void d128(uint64_t *w)
    {
        w[0] = head(12);
        w[1] = 0;
        for (int d = 0; d < 11; d++) {
            const int bit = 10 * d;
            const uint64_t v = declet();
            if (bit < 64) w[1] |= v << bit;
            if (bit + 10 > 64) w[0] |= bit >= 64 ? v << (bit - 64) : v >> (64 - bit);
        }
    }

    // A word for the integer, BCD and exponent operands.
    uint64_t word()
    {
        switch (below(4)) {
        case 0:
            return (uint64_t)(int64_t)(below(2000) - 1000);
        case 1:
            return below(2) ? 0x7FFFFFFFFFFFFFFF : 0x8000000000000000;
        default:
            return bits();
        }
    }

  private:
    std::mt19937_64 rng;
};

struct Call {
    const char *name;
    std::function<void(Patterns &, DFP_SystemEnvironment *, uint64_t *result)> run;
};

std::vector<Call> calls()
{
    using P = Patterns;
    using E = DFP_SystemEnvironment;
    auto q = [](P &p, uint64_t *w) { p.d128(w); };
    return {
        {"dadd", [](P &p, E *e, uint64_t *r) { dadd(p.d64(), p.d64(), r, e); }},
        {"daddq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t a[2], b[2];
             q(p, a);
             q(p, b);
             daddq(a, b, r, e);
         }},
        {"dsub", [](P &p, E *e, uint64_t *r) { dsub(p.d64(), p.d64(), r, e); }},
        {"dsubq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t a[2], b[2];
             q(p, a);
             q(p, b);
             dsubq(a, b, r, e);
         }},
        {"dmul", [](P &p, E *e, uint64_t *r) { dmul(p.d64(), p.d64(), r, e); }},
        {"dmulq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t a[2], b[2];
             q(p, a);
             q(p, b);
             dmulq(a, b, r, e);
         }},
        {"ddiv", [](P &p, E *e, uint64_t *r) { ddiv(p.d64(), p.d64(), r, e); }},
        {"ddivq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t a[2], b[2];
             q(p, a);
             q(p, b);
             ddivq(a, b, r, e);
         }},
        {"dcmpu", [](P &p, E *e, uint64_t *) { dcmpu(p.d64(), p.d64(), e); }},
        {"dcmpuq",
         [q](P &p, E *e, uint64_t *) {
             uint64_t a[2], b[2];
             q(p, a);
             q(p, b);
             dcmpuq(a, b, e);
         }},
        {"dcmpo", [](P &p, E *e, uint64_t *) { dcmpo(p.d64(), p.d64(), e); }},
        {"dcmpoq",
         [q](P &p, E *e, uint64_t *) {
             uint64_t a[2], b[2];
             q(p, a);
             q(p, b);
             dcmpoq(a, b, e);
         }},
        {"dtstdc", [](P &p, E *e, uint64_t *) { dtstdc(p.d64(), p.below(64), e); }},
        {"dtstdcq",
         [q](P &p, E *e, uint64_t *) {
             uint64_t a[2];
             q(p, a);
             dtstdcq(a, p.below(64), e);
         }},
        {"dtstdg", [](P &p, E *e, uint64_t *) { dtstdg(p.d64(), p.below(64), e); }},
        {"dtstdgq",
         [q](P &p, E *e, uint64_t *) {
             uint64_t a[2];
             q(p, a);
             dtstdgq(a, p.below(64), e);
         }},
        {"dtstex", [](P &p, E *e, uint64_t *) { dtstex(p.d64(), p.d64(), e); }},
        {"dtstexq",
         [q](P &p, E *e, uint64_t *) {
             uint64_t a[2], b[2];
             q(p, a);
             q(p, b);
             dtstexq(a, b, e);
         }},
        {"dtstsf", [](P &p, E *e, uint64_t *) { dtstsf(p.word(), p.d64(), e); }},
        {"dtstsfq",
         [q](P &p, E *e, uint64_t *) {
             uint64_t b[2];
             q(p, b);
             dtstsfq(p.word(), b, e);
         }},
        {"dqua", [](P &p, E *e, uint64_t *r) { dqua(p.d64(), p.d64(), p.below(4), r, e); }},
        {"dquaq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t a[2], b[2];
             q(p, a);
             q(p, b);
             dquaq(a, b, p.below(4), r, e);
         }},
        {"dquai", [](P &p, E *e, uint64_t *r) { dquai(p.below(32), p.d64(), p.below(4), r, e); }},
        {"dquaiq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t b[2];
             q(p, b);
             dquaiq(p.below(32), b, p.below(4), r, e);
         }},
        {"drrnd", [](P &p, E *e, uint64_t *r) { drrnd(p.word() & 0x3F, p.d64(), p.below(4), r, e); }},
        {"drrndq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t b[2];
             q(p, b);
             drrndq(p.word() & 0x3F, b, p.below(4), r, e);
         }},
        {"drintx", [](P &p, E *e, uint64_t *r) { drintx(p.d64(), p.below(2), p.below(4), r, e); }},
        {"drintxq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t b[2];
             q(p, b);
             drintxq(b, p.below(2), p.below(4), r, e);
         }},
        {"drintn", [](P &p, E *e, uint64_t *r) { drintn(p.d64(), p.below(2), p.below(4), r, e); }},
        {"drintnq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t b[2];
             q(p, b);
             drintnq(b, p.below(2), p.below(4), r, e);
         }},
        {"dctdp", [](P &p, E *e, uint64_t *r) { dctdp(p.d64() >> 32, r, e); }},
        {"dctqpq", [](P &p, E *e, uint64_t *r) { dctqpq(p.d64(), r, e); }},
        {"drsp", [](P &p, E *e, uint64_t *r) { drsp(p.d64(), r, e); }},
        {"drdpq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t b[2];
             q(p, b);
             drdpq(b, r, e);
         }},
        {"dcffix", [](P &p, E *e, uint64_t *r) { dcffix(p.word(), r, e); }},
        {"dcffixq", [](P &p, E *e, uint64_t *r) { dcffixq(p.word(), r, e); }},
        {"dctfix", [](P &p, E *e, uint64_t *r) { dctfix(p.d64(), r, e); }},
        {"dctfixq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t b[2];
             q(p, b);
             dctfixq(b, r, e);
         }},
        {"ddedpd", [](P &p, E *e, uint64_t *r) { ddedpd(p.below(4), p.d64(), r, e); }},
        {"ddedpdq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t b[2];
             q(p, b);
             ddedpdq(p.below(4), b, r, e);
         }},
        {"denbcd", [](P &p, E *e, uint64_t *r) { denbcd(p.below(2), p.word(), r, e); }},
        {"denbcdq",
         [](P &p, E *e, uint64_t *r) {
             uint64_t b[2] = {p.word(), p.word()};
             denbcdq(p.below(2), b, r, e);
         }},
        {"dxex", [](P &p, E *e, uint64_t *r) { dxex(p.d64(), r, e); }},
        {"dxexq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t b[2];
             q(p, b);
             dxexq(b, r, e);
         }},
        {"diex", [](P &p, E *e, uint64_t *r) { diex(p.word(), p.d64(), r, e); }},
        {"diexq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t b[2];
             q(p, b);
             diexq(p.word(), b, r, e);
         }},
        {"dscli", [](P &p, E *e, uint64_t *r) { dscli(p.below(64), p.d64(), r, e); }},
        {"dscliq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t a[2];
             q(p, a);
             dscliq(p.below(64), a, r, e);
         }},
        {"dscri", [](P &p, E *e, uint64_t *r) { dscri(p.below(64), p.d64(), r, e); }},
        {"dscriq",
         [q](P &p, E *e, uint64_t *r) {
             uint64_t a[2];
             q(p, a);
             dscriq(p.below(64), a, r, e);
         }},
    };
}

// The delivered result unpacked and packed again.
bool roundTrips(int32_t kind, const uint64_t *r)
{
    DecimalNumber n;
    uint64_t again[2] = {0, 0};
    switch (kind) {
    case 1:
        if (r[0] >> 32) return false; // a decimal32 has a zero high word
        DFP_Unpack_Single(r[0], 1, &n);
        DFP_Pack_Single(&n, 1, again);
        return again[0] == r[0];
    case 2:
        DFP_Unpack_Double(r[0], &n);
        DFP_Pack_Double(&n, again);
        return again[0] == r[0];
    case 3:
        DFP_Unpack_Quad(r, &n);
        DFP_Pack_Quad(&n, again);
        return again[0] == r[0] && again[1] == r[1];
    default:
        return true; // integers and BCD strings
    }
}

TEST(DfpRobustness, RandomEncodingsThroughEveryEntryPoint)
{
    Patterns p(20240611);
    const std::vector<Call> all = calls();
    ASSERT_EQ(all.size(), 50u);
    int delivered = 0;
    for (int i = 0; i < 4000; i++) {
        for (const Call &c : all) {
            DFP_SystemEnvironment env{};
            env.system = 1;
            DFP_UserDirectivesInit(&env);
            // DRN, the enables VE..XE and random status bits beside them.
            env.fpscr = ((uint64_t)p.below(8) << 32) | ((uint64_t)p.below(32) << 3) | (p.bits() & 0xFFF80700);
            uint64_t r[2] = {0, 0};
            c.run(p, &env, r);
            if (env.resultKind >= 1 && env.resultKind <= 3) delivered++;
            ASSERT_TRUE(roundTrips(env.resultKind, r))
                << c.name << " kind " << env.resultKind << std::hex << " " << r[0] << " " << r[1];
            ASSERT_EQ(env.fpscr & ~0x00000007FFFFFFFFull, 0u) << c.name;
        }
    }
    EXPECT_GT(delivered, 60000);
}

} // namespace
