// VSX compares (the NaN and VE matrix of the scalar compares, suppression and CR6 of the vector
// compares) and rounding to integral (modes, FR and FI, suppression, the single forms, xsrsp's
// compatibility gate).
#include "vec_fixture.h"
#include "vector/vec_defs.h"
#include "vector/vsx_extended.h"

namespace vec_test
{
namespace
{

using namespace vec;

constexpr uint64_t ONE = 0x3FF0000000000000, QNAN = 0x7FF8000000000000, SNAN = 0x7FF0000000000001;
const Vec128 KEEP{0xEEEE, 0xEEEE};

Vec128 dw(uint64_t dw0, uint64_t dw1 = 0)
{
    return Vec128{dw1, dw0};
}

class VsxCompareRound : public VecTest
{
  protected:
    uint64_t &fpscr() { return ew.t->FPSCR.value; }
    uint32_t cr_field(int n) { return (ew.t->CR.value >> (28 - 4 * n)) & 0xF; }
    int run3(const char *mnemonic, Vec128 a, Vec128 b)
    {
        set_vsr(33, a);
        set_vsr(34, b);
        set_vsr(35, KEEP);
        return run(XX3(mnemonic, 35, 33, 34));
    }
    int run2(const char *mnemonic, Vec128 b)
    {
        set_vsr(34, b);
        set_vsr(35, KEEP);
        return run(XX3(mnemonic, 35, 0, 34));
    }
    // Scalar compare into CR field 3.
    int compare(const char *mnemonic, uint64_t a, uint64_t b)
    {
        set_vsr(33, dw(a));
        set_vsr(34, dw(b));
        ew.t->CR.value = 0;
        return run(encoding(mnemonic) | (3u << 23) | (1u << 16) | (2u << 11) | 0x6);
    }
};

TEST_F(VsxCompareRound, ScalarCompareNaNMatrix)
{
    struct Case {
        const char *mnemonic;
        uint64_t a, b, ve;
        uint32_t field;
        uint64_t exceptions; // VXSNAN and VXVC after
    } cases[] = {
        {"xscmpudp", 0, 0x8000000000000000, 0, 2, 0},
        {"xscmpudp", 0xFFF0000000000000, 0x7FF0000000000000, 0, 8, 0},
        {"xscmpudp", QNAN, ONE, 0, 1, 0},
        {"xscmpudp", ONE, SNAN, 0, 1, FPSCR_VXSNAN},
        {"xscmpodp", QNAN, ONE, 0, 1, FPSCR_VXVC},
        {"xscmpodp", ONE, QNAN, FPSCR_VE, 1, FPSCR_VXVC},
        {"xscmpodp", SNAN, ONE, 0, 1, FPSCR_VXSNAN | FPSCR_VXVC},
        {"xscmpodp", SNAN, ONE, FPSCR_VE, 1, FPSCR_VXSNAN},
        {"xscmpodp", 0x4000000000000000, ONE, 0, 4, 0},
    };
    for (const Case &c : cases) {
        fpscr() = c.ve | 0xF000;
        ASSERT_EQ(compare(c.mnemonic, c.a, c.b), 1);
        EXPECT_EQ(cr_field(3), c.field) << c.mnemonic << std::hex << " " << c.a << " " << c.b;
        EXPECT_EQ((fpscr() >> 12) & 0xF, c.field) << c.mnemonic; // FPCC, written in every case
        EXPECT_EQ(fpscr() & (FPSCR_VXSNAN | FPSCR_VXVC), c.exceptions)
            << c.mnemonic << std::hex << " " << c.a;
    }
}

TEST_F(VsxCompareRound, ExtendedSingleCompares)
{
    ew.option(PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED, 0);
    set_vsr(33, words(0x3F800000, 0, 0, 0));
    set_vsr(34, words(0x7FC00000, 0, 0, 0));
    ew.prepare(encoding("xscmpodp") | (3u << 23) | (1u << 16) | (2u << 11) | 0x6);
    EXPECT_EQ(semantic_xscmposp(ew.iop), 0);
    EXPECT_EQ(raised_type(), EXC_ILLEGAL);
    ew.option(PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED, 1);
    ew.prepare(encoding("xscmpodp") | (3u << 23) | (1u << 16) | (2u << 11) | 0x6);
    EXPECT_EQ(semantic_xscmposp(ew.iop), 1);
    EXPECT_EQ(cr_field(3), 1u);
    EXPECT_TRUE(fpscr() & FPSCR_VXVC);
    set_vsr(34, words(0x3F000000, 0, 0, 0));
    ew.prepare(encoding("xscmpudp") | (3u << 23) | (1u << 16) | (2u << 11) | 0x6);
    EXPECT_EQ(semantic_xscmpusp(ew.iop), 1);
    EXPECT_EQ(cr_field(3), 4u);
}

TEST_F(VsxCompareRound, VectorComparesSuppressionAndCr6)
{
    // Equality: a quiet NaN is false and raises nothing.
    ASSERT_EQ(run3("xvcmpeqdp.", dw(QNAN, ONE), dw(QNAN, ONE)), 1);
    EXPECT_EQ(vsr(35), dw(0, ~0ull));
    EXPECT_EQ(cr_field(6), 0u);
    EXPECT_EQ(fpscr(), 0u);

    // A signalling NaN under VE: the target kept, CR6 from the computed result.
    fpscr() = FPSCR_VE;
    ASSERT_EQ(run3("xvcmpeqsp.", words(0x7F800001, 0, 0, 0), words(0x7F800001, 0, 0, 0)), 1);
    EXPECT_EQ(vsr(35), KEEP);
    EXPECT_EQ(cr_field(6), 0u); // words (0, 1, 1, 1): mixed
    EXPECT_EQ(fpscr() & (FPSCR_VXSNAN | FPSCR_VXVC | FPSCR_FEX), FPSCR_VXSNAN | FPSCR_FEX);

    // Ordered: a quiet NaN is invalid; under VE the target is kept, without it the word is 0.
    const Vec128 a = words(0x7FC00000, 0x3F800000, 0x3F800000, 0x40000000),
                 b = words(0x3F800000, 0x3F800000, 0x3F800000, 0xBF800000);
    fpscr() = FPSCR_VE;
    ASSERT_EQ(run3("xvcmpgtsp", a, b), 1);
    EXPECT_EQ(vsr(35), KEEP);
    EXPECT_TRUE(fpscr() & FPSCR_VXVC);
    fpscr() = 0;
    ASSERT_EQ(run3("xvcmpgtsp.", a, b), 1);
    EXPECT_EQ(vsr(35), words(0, 0, 0, 0xFFFFFFFF));
    EXPECT_EQ(fpscr(), FPSCR_FX | FPSCR_VX | FPSCR_VXVC);

    // Infinities and signed zeros; all true and all false.
    const Vec128 x = dw(0x7FF0000000000000, 0), y = dw(0x7FF0000000000000, 0x8000000000000000);
    ASSERT_EQ(run3("xvcmpgedp.", x, y), 1);
    EXPECT_EQ(vsr(35), dw(~0ull, ~0ull));
    EXPECT_EQ(cr_field(6), 8u);
    ASSERT_EQ(run3("xvcmpgtdp.", x, y), 1);
    EXPECT_EQ(vsr(35), dw(0, 0));
    EXPECT_EQ(cr_field(6), 2u);
    // The plain form leaves CR6 alone.
    ew.t->CR.value = 0;
    ASSERT_EQ(run3("xvcmpgedp", x, y), 1);
    EXPECT_EQ(cr_field(6), 0u);
}

TEST_F(VsxCompareRound, RoundToIntegralModes)
{
    struct Case {
        const char *mnemonic;
        uint64_t rn, b, result, status; // status: FR, FI, XX, FPRF after
    } cases[] = {
        {"xsrdpi", 0, 0x4004000000000000, 0x4008000000000000, 0x4000}, // 2.5 -> 3, ties away
        {"xsrdpi", 0, 0xC004000000000000, 0xC008000000000000, 0x8000}, // -2.5 -> -3
        {"xsrdpic", 0, 0x4004000000000000, 0x4000000000000000, FPSCR_FI | FPSCR_XX | 0x4000},
        {"xsrdpic", 0, 0xC004000000000000, 0xC000000000000000, FPSCR_FI | FPSCR_XX | 0x8000},
        {"xsrdpiz", 0, 0xBFE6666666666666, 0x8000000000000000, 0x12000}, // -0.7 -> -0
        {"xsrdpip", 0, 0xBFE6666666666666, 0x8000000000000000, 0x12000},
        {"xsrdpim", 0, 0x3FC999999999999A, 0, 0x2000},                 // 0.2 -> +0
        {"xsrdpi", 0, 0x3FF8000000000000, 0x4000000000000000, 0x4000}, // 1.5: FR, FI stay 0
        {"xsrdpic", 0, 0x3FF8000000000000, 0x4000000000000000, FPSCR_FR | FPSCR_FI | FPSCR_XX | 0x4000},
        {"xsrdpic", 3, 0x3FF8000000000000, 0x3FF0000000000000, FPSCR_FI | FPSCR_XX | 0x4000},
        {"xsrdpi", 0, 0x7FF0000000000000, 0x7FF0000000000000, 0x5000},
        {"xsrdpic", 0, 0x4330000000000001, 0x4330000000000001, 0x4000}, // 2^52 + 1: exact
    };
    for (const Case &c : cases) {
        fpscr() = c.rn;
        ASSERT_EQ(run2(c.mnemonic, dw(c.b, 7)), 1);
        EXPECT_EQ(vsr(35), dw(c.result, 0)) << c.mnemonic << std::hex << " " << c.b;
        EXPECT_EQ(fpscr() & (FPSCR_FR | FPSCR_FI | FPSCR_XX | FPSCR_FPRF), c.status)
            << c.mnemonic << std::hex << " " << c.b;
    }
}

TEST_F(VsxCompareRound, RoundingSuppression)
{
    // A signalling NaN: the quiet NaN, or nothing under VE.
    ASSERT_EQ(run2("xsrdpi", dw(SNAN)), 1);
    EXPECT_EQ(vsr(35), dw(0x7FF8000000000001, 0));
    EXPECT_TRUE(fpscr() & FPSCR_VXSNAN);
    fpscr() = FPSCR_VE;
    ASSERT_EQ(run2("xsrdpi", dw(SNAN)), 1);
    EXPECT_EQ(vsr(35), KEEP);

    // An inexact element under XE: the vector "c" form writes nothing, the scalar one writes.
    fpscr() = FPSCR_XE;
    ASSERT_EQ(run2("xvrdpic", dw(0x3FF8000000000000, ONE)), 1);
    EXPECT_EQ(vsr(35), KEEP);
    fpscr() = FPSCR_XE;
    ASSERT_EQ(run2("xsrdpic", dw(0x3FF8000000000000)), 1);
    EXPECT_EQ(vsr(35), dw(0x4000000000000000, 0));
    // The vector forms leave FR, FI and FPRF alone.
    fpscr() = 0x4000;
    ASSERT_EQ(run2("xvrspic", words(0x3FC00000, 0, 0, 0)), 1);
    EXPECT_EQ(vsr(35), words(0x40000000, 0, 0, 0));
    EXPECT_EQ(fpscr(), 0x4000 | FPSCR_XX | FPSCR_FX);
}

TEST_F(VsxCompareRound, ScalarSingleRoundingAndXsrspGate)
{
    typedef int (*Routine)(IOPDesc *);
    struct {
        Routine routine;
        uint32_t result;
    } forms[] = {{semantic_xsrspi, 0x40400000},
                 {semantic_xsrspiz, 0x40000000},
                 {semantic_xsrspip, 0x40400000},
                 {semantic_xsrspim, 0x40000000},
                 {semantic_xsrspic, 0x40000000}}; // of 2.5 (RN 0: ties to even)
    for (auto f : forms) {
        set_vsr(34, words(0x40200000, 0, 5, 6));
        set_vsr(35, KEEP);
        fpscr() = 0;
        ew.prepare(XX3("xsrdpi", 35, 0, 34));
        ASSERT_EQ(f.routine(ew.iop), 1);
        EXPECT_EQ(vsr(35), words(f.result, f.result, 0, 0));
    }
    ew.option(PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED, 0);
    ew.prepare(XX3("xsrdpi", 35, 0, 34));
    EXPECT_EQ(semantic_xsrspiz(ew.iop), 0);
    EXPECT_EQ(raised_type(), EXC_ILLEGAL);

    // xsrsp in problem state with PCR 0x4: illegal, before MSR[VSX] is looked at.
    problem_state();
    msr() &= ~vec::MSR_VSX;
    pcr(PCR_V206);
    EXPECT_EQ(run2("xsrsp", dw(ONE)), 0);
    EXPECT_EQ(raised_type(), EXC_ILLEGAL);
    pcr(0);
    EXPECT_EQ(run2("xsrsp", dw(ONE)), 0);
    EXPECT_EQ(raised_type(), vec::EXC_VSX_UNAVAILABLE);
    EXPECT_EQ(vsr(35), KEEP);
}

} // namespace
} // namespace vec_test
