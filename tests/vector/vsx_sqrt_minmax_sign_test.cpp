// VSX square roots, estimates and software tests; minimum and maximum; sign operations. The
// special operands of the square root, what the scalar and vector forms record, the test
// workers' CR values, the xsrsqrtesp row widening, the NaN and zero rules of the selections, and
// the bit-only sign operations.
#include "decode/instr_info.h"
#include "vec_fixture.h"
#include "vector/vec_defs.h"
#include "vector/vsx_extended.h"
#include "vector/vsx_micro_helpers.h"

namespace vec_test
{
namespace
{

using namespace vec;

constexpr uint64_t ONE = 0x3FF0000000000000, QNAN = 0x7FF8000000000000, SNAN = 0x7FF0000000000001;
constexpr uint64_t INF = 0x7FF0000000000000, MINUS_INF = 0xFFF0000000000000, MINUS_ZERO = 0x8000000000000000;
const Vec128 KEEP{0xEEEE, 0xEEEE};

Vec128 dw(uint64_t dw0, uint64_t dw1 = 0)
{
    return Vec128{dw1, dw0};
}

class VsxSqrtMinMaxSign : public VecTest
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
    // A test instruction into CR field 5 (XA 33 for the divide tests, XB 34).
    int test(const char *mnemonic, Vec128 a, Vec128 b)
    {
        set_vsr(33, a);
        set_vsr(34, b);
        ew.t->CR.value = 0;
        const bool divide = strstr(mnemonic, "div") != nullptr;
        return run(encoding(mnemonic) | (5u << 23) | (divide ? (1u << 16) | 0x4 : 0) | (2u << 11) | 0x2);
    }
};

TEST_F(VsxSqrtMinMaxSign, SquareRootSpecialOperands)
{
    constexpr uint64_t INVALID = FPSCR_VXSQRT | FPSCR_VX | FPSCR_FX;
    struct Case {
        uint64_t b, result, exceptions; // of FX VX VXSNAN VXSQRT
    } cases[] = {
        {MINUS_ZERO, MINUS_ZERO, 0},
        {INF, INF, 0},
        {MINUS_INF, QNAN, INVALID},
        {0xBFF0000000000000, QNAN, INVALID},
        {0x8000000000000001, QNAN, INVALID}, // a negative denormal
        {SNAN | MINUS_ZERO, 0xFFF8000000000001, FPSCR_VXSNAN | FPSCR_VX | FPSCR_FX},
        {0xFFF8000000000005, 0xFFF8000000000005, 0},
        {0x4010000000000000, 0x4000000000000000, 0},
    };
    const uint64_t bits = FPSCR_FX | FPSCR_VX | FPSCR_VXSNAN | FPSCR_VXSQRT;
    for (const Case &c : cases) {
        fpscr() = 0;
        ASSERT_EQ(run2("xssqrtdp", dw(c.b, 9)), 1);
        EXPECT_EQ(vsr(35), dw(c.result, 0)) << std::hex << c.b;
        EXPECT_EQ(fpscr() & bits, c.exceptions) << std::hex << c.b;
        fpscr() = FPSCR_VE;
        ASSERT_EQ(run2("xssqrtdp", dw(c.b, 9)), 1);
        if (c.exceptions) {
            EXPECT_EQ(vsr(35), KEEP) << std::hex << c.b;
        }
    }
}

TEST_F(VsxSqrtMinMaxSign, ScalarAndVectorSquareRootStatus)
{
    // sqrt(2) is inexact and rounded up.
    fpscr() = 0;
    ASSERT_EQ(run2("xssqrtdp", dw(0x4000000000000000)), 1);
    EXPECT_EQ(vsr(35), dw(0x3FF6A09E667F3BCD, 0));
    EXPECT_EQ(fpscr(), FPSCR_FX | FPSCR_XX | FPSCR_FR | FPSCR_FI | 0x4000);
    fpscr() = 0x8000;
    ASSERT_EQ(run2("xvsqrtdp", dw(0x4000000000000000, 0x4000000000000000)), 1);
    EXPECT_EQ(vsr(35), dw(0x3FF6A09E667F3BCD, 0x3FF6A09E667F3BCD));
    EXPECT_EQ(fpscr(), FPSCR_FX | FPSCR_XX | 0x8000);

    // An inexact single under XE: no word is written.
    fpscr() = FPSCR_XE;
    ASSERT_EQ(run2("xvsqrtsp", words(0x40800000, 0x40000000, 0x3F800000, 0)), 1);
    EXPECT_EQ(vsr(35), KEEP);
    fpscr() = 0;
    ASSERT_EQ(run2("xvsqrtsp", words(0x40800000, 0x40000000, 0x3F800000, 0)), 1);
    EXPECT_EQ(vsr(35), words(0x40000000, 0x3FB504F3, 0x3F800000, 0));
}

TEST_F(VsxSqrtMinMaxSign, EstimatesStatus)
{
    // xsredp clears FR and FI whatever it computed; a zero operand under ZE writes nothing.
    fpscr() = FPSCR_FR | FPSCR_FI;
    ASSERT_EQ(run2("xsredp", dw(0x4008000000000000)), 1);
    EXPECT_NE(vsr(35), KEEP);
    EXPECT_EQ(fpscr() & (FPSCR_FR | FPSCR_FI), 0u);
    fpscr() = FPSCR_ZE;
    ASSERT_EQ(run2("xsredp", dw(0)), 1);
    EXPECT_EQ(vsr(35), KEEP);
    EXPECT_EQ(fpscr() & (FPSCR_ZX | FPSCR_FEX), FPSCR_ZX | FPSCR_FEX);
    fpscr() = 0;
    ASSERT_EQ(run2("xvresp", words(0, 0x80000000, 0x7F800000, 0xFF800000)), 1);
    EXPECT_EQ(vsr(35), words(0x7F800000, 0xFF800000, 0, 0x80000000));
    ASSERT_EQ(run2("xvrsqrtedp", dw(0xBFF0000000000000, 0x7FF0000000000000)), 1);
    EXPECT_EQ(vsr(35), dw(QNAN, 0));
    EXPECT_TRUE(fpscr() & FPSCR_VXSQRT);
}

TEST_F(VsxSqrtMinMaxSign, RsqrtespWidensItsRowOnceAvailable)
{
    InstrInfo *row = const_cast<InstrInfo *>(Search_II_Table(instruction_info_table, "xsrsqrtesp"));
    ASSERT_NE(row, nullptr);
    const uint32_t saved = row->fpscr_mask;
    row->fpscr_mask = 0x8507F200;
    ew.option(PO_GLENT_RECIP_SQRT_EST_SET_UX_OX);
    msr() &= ~vec::MSR_VSX;
    EXPECT_EQ(run2("xsrsqrtesp", dw(ONE)), 0);
    EXPECT_EQ(row->fpscr_mask, 0x8507F200u);
    msr() |= vec::MSR_VSX;
    for (int i = 0; i < 2; i++) {
        ASSERT_EQ(run2("xsrsqrtesp", dw(ONE)), 1);
        EXPECT_EQ(row->fpscr_mask, 0x9D07F200u);
    }
    ew.option(PO_GLENT_RECIP_SQRT_EST_SET_UX_OX, 0);
    row->fpscr_mask = 0x8507F200;
    ASSERT_EQ(run2("xsrsqrtesp", dw(ONE)), 1);
    EXPECT_EQ(row->fpscr_mask, 0x8507F200u);
    row->fpscr_mask = saved;
}

TEST_F(VsxSqrtMinMaxSign, SoftwareTests)
{
    const uint64_t preset = 0xFFF7F0FF & ~(uint64_t)FPSCR_FEX; // FPSCR is never changed
    struct Case {
        const char *mnemonic;
        Vec128 a, b;
        uint32_t field;
    } cases[] = {
        {"xstdivdp", dw(ONE), dw(ONE), 0x8},
        {"xstdivdp", dw(ONE), dw(0), 0xE},
        {"xstdivdp", dw(QNAN), dw(ONE), 0xA},
        {"xstdivdp", dw(ONE), dw(1), 0xE},                  // a denormal divisor
        {"xstdivdp", dw(0x0350000000000000), dw(ONE), 0xA}, // dividend exponent 53
        {"xstdivdp", dw(0x0360000000000000), dw(ONE), 0x8},
        {"xvtdivdp", dw(ONE, ONE), dw(ONE, 0x7FE0000000000000), 0xA},
        {"xvtdivsp", words(0x3F800000, 0x3F800000, 0, 0x3F800000),
         words(0x3F800000, 0x3F800000, 0x00800000, 0), 0xE},
        {"xstsqrtdp", dw(0), dw(0x4010000000000000), 0x8},
        {"xstsqrtdp", dw(0), dw(0xC010000000000000), 0xA},
        {"xstsqrtdp", dw(0), dw(0x0010000000000000), 0xA},
        {"xstsqrtdp", dw(0), dw(0x0360000000000000), 0x8},
        {"xstsqrtdp", dw(0), dw(0), 0xE},
        {"xvtsqrtsp", dw(0), words(0x3F800000, 0x3F800000, 1, 0x3F800000), 0xE},
    };
    for (const Case &c : cases) {
        fpscr() = preset;
        ASSERT_EQ(test(c.mnemonic, c.a, c.b), 1) << ew.mnemonic();
        EXPECT_EQ(cr_field(5), c.field) << c.mnemonic << " " << c.a << " " << c.b;
        EXPECT_EQ(ew.t->CR.value & ~0x00000F00u, 0u);
        EXPECT_EQ(fpscr(), preset) << c.mnemonic;
    }
    // The single workers' own limits.
    EXPECT_EQ(vmicro_sp_div_test(nullptr, 0, 0x00800000), 0xAu);
    EXPECT_EQ(vmicro_sp_sqrt_test(nullptr, 0x00000001), 0xEu);
    EXPECT_EQ(vmicro_dp_sqrt_test(nullptr, &MINUS_ZERO), 0xEu);
}

TEST_F(VsxSqrtMinMaxSign, MaximumAndMinimum)
{
    struct Case {
        const char *mnemonic;
        uint64_t a, b, result;
        bool vxsnan;
    } cases[] = {
        {"xsmaxdp", 0, MINUS_ZERO, 0, false},
        {"xsmaxdp", MINUS_ZERO, 0, 0, false},
        {"xsmindp", 0, MINUS_ZERO, MINUS_ZERO, false},
        {"xsmindp", MINUS_ZERO, 0, MINUS_ZERO, false},
        {"xsmaxdp", QNAN, ONE, ONE, false},
        {"xsmindp", ONE, QNAN, ONE, false},
        {"xsmaxdp", QNAN | 2, QNAN | 3, QNAN | 2, false},
        {"xsmaxdp", SNAN, ONE, QNAN | 1, true},
        {"xsmindp", ONE, SNAN, QNAN | 1, true},
        {"xsmaxdp", QNAN | 4, SNAN, QNAN | 4, true},
        {"xsmaxdp", MINUS_INF, 1, 1, false},
        {"xsmindp", MINUS_INF, 1, MINUS_INF, false},
        {"xsmindp", 0xBFF0000000000000, 0xC000000000000000, 0xC000000000000000, false},
    };
    for (const Case &c : cases) {
        fpscr() = FPSCR_FR | FPSCR_FI | 0x4000;
        ASSERT_EQ(run3(c.mnemonic, dw(c.a, 5), dw(c.b, 6)), 1);
        EXPECT_EQ(vsr(35), dw(c.result, 0)) << c.mnemonic << std::hex << " " << c.a << " " << c.b;
        EXPECT_EQ(fpscr(), FPSCR_FR | FPSCR_FI | 0x4000 | (c.vxsnan ? FPSCR_VXSNAN | FPSCR_VX | FPSCR_FX : 0))
            << c.mnemonic << std::hex << " " << c.a << " " << c.b;
    }

    // A signalling NaN in word 3 only: nothing written under VE, all four words without it.
    const Vec128 a = words(0x3F800000, 0x80000000, 0xFF800000, 0x7F800001),
                 b = words(0x40000000, 0, 1, 0x3F800000);
    fpscr() = FPSCR_VE;
    ASSERT_EQ(run3("xvmaxsp", a, b), 1);
    EXPECT_EQ(vsr(35), KEEP);
    fpscr() = 0;
    ASSERT_EQ(run3("xvmaxsp", a, b), 1);
    EXPECT_EQ(vsr(35), words(0x40000000, 0, 1, 0x7FC00001));
    ASSERT_EQ(run3("xvminsp", a, b), 1);
    EXPECT_EQ(vsr(35), words(0x3F800000, 0x80000000, 0xFF800000, 0x7FC00001));

    // The extended single forms: word 0, replicated.
    set_vsr(33, words(0x80000000, 1, 2, 3));
    set_vsr(34, words(0, 4, 5, 6));
    ew.prepare(XX3("xsmaxdp", 35, 33, 34));
    ASSERT_EQ(semantic_xsminsp(ew.iop), 1);
    EXPECT_EQ(vsr(35), words(0x80000000, 0x80000000, 0, 0));
    ew.prepare(XX3("xsmaxdp", 35, 33, 34));
    ASSERT_EQ(semantic_xsmaxsp(ew.iop), 1);
    EXPECT_EQ(vsr(35), words(0, 0, 0, 0));
}

TEST_F(VsxSqrtMinMaxSign, SignOperations)
{
    struct Case {
        const char *mnemonic;
        Vec128 a, b, result;
    } cases[] = {
        {"xsnegdp", dw(0), dw(0, 7), dw(MINUS_ZERO, 0)},
        {"xsnegdp", dw(0), dw(SNAN, 7), dw(SNAN | MINUS_ZERO, 0)},
        {"xsabsdp", dw(0), dw(MINUS_INF, 7), dw(INF, 0)},
        {"xsnabsdp", dw(0), dw(ONE, 7), dw(ONE | MINUS_ZERO, 0)},
        {"xscpsgndp", dw(MINUS_ZERO | QNAN, 1), dw(QNAN | 9, 7), dw(MINUS_ZERO | QNAN | 9, 0)},
        {"xvnegsp", dw(0), words(0x80000000, 0x7FC00000, 1, 0xFF800000),
         words(0, 0xFFC00000, 0x80000001, 0x7F800000)},
        {"xvabssp", dw(0), words(0x80000000, 0x7FC00000, 1, 0xFF800000), words(0, 0x7FC00000, 1, 0x7F800000)},
        {"xvnabsdp", dw(0), dw(ONE, MINUS_INF), dw(ONE | MINUS_ZERO, MINUS_INF)},
        {"xvcpsgndp", dw(MINUS_ZERO, 0), dw(ONE, 0xC000000000000000),
         dw(0xBFF0000000000000, 0x4000000000000000)},
        {"xvcpsgnsp", words(0x80000000, 0, 0x80000000, 0), words(1, 0x80000002, 3, 4),
         words(0x80000001, 2, 0x80000003, 4)},
    };
    for (const Case &c : cases) {
        fpscr() = 0x12345678 & ~(uint64_t)FPSCR_FEX;
        const uint64_t before = fpscr();
        ASSERT_EQ(run3(c.mnemonic, c.a, c.b), 1);
        EXPECT_EQ(vsr(35), c.result) << c.mnemonic;
        EXPECT_EQ(fpscr(), before) << c.mnemonic;
    }

    // XT = XB: computed from the old XB.
    set_vsr(34, dw(ONE, 5));
    ASSERT_EQ(run(XX3("xvnegdp", 34, 0, 34)), 1);
    EXPECT_EQ(vsr(34), dw(ONE | MINUS_ZERO, 5 | MINUS_ZERO));

    // The extended single forms, and their option.
    set_vsr(34, words(0x3F800000, 1, 2, 3));
    set_vsr(35, KEEP);
    ew.prepare(XX3("xsnegdp", 35, 0, 34));
    ASSERT_EQ(semantic_xsnegsp(ew.iop), 1);
    EXPECT_EQ(vsr(35), words(0xBF800000, 0xBF800000, 0, 0));
    set_vsr(33, words(0x80000000, 0, 0, 0));
    ew.prepare(XX3("xsnegdp", 35, 33, 34));
    ASSERT_EQ(semantic_xscpsgnsp(ew.iop), 1);
    EXPECT_EQ(vsr(35), words(0xBF800000, 0xBF800000, 0, 0));
    ew.option(PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED, 0);
    set_vsr(35, KEEP);
    ew.prepare(XX3("xsnegdp", 35, 0, 34));
    EXPECT_EQ(semantic_xsnegsp(ew.iop), 0);
    EXPECT_EQ(raised_type(), EXC_ILLEGAL);
    EXPECT_EQ(vsr(35), KEEP);

    // MSR[VSX] = 0: refused, nothing changed.
    msr() &= ~vec::MSR_VSX;
    const uint64_t pc_before = pc();
    EXPECT_EQ(run3("xsabsdp", dw(0), dw(MINUS_INF)), 0);
    EXPECT_EQ(raised_type(), vec::EXC_VSX_UNAVAILABLE);
    EXPECT_EQ(vsr(35), KEEP);
    EXPECT_EQ(pc(), pc_before);
}

TEST_F(VsxSqrtMinMaxSign, HelperEdges)
{
    // Ordered predicates answer 0 for NaNs; the CR6 summary needs both doublewords.
    EXPECT_EQ(xvcmpgedp_compare(QNAN, QNAN), 0);
    EXPECT_EQ(xvcmpgtsp_compare(0x7FC00000, 0xFF800000), 0);
    EXPECT_EQ(xvcmpgesp_compare(0x80000000, 0), 1);
    ew.prepare(XX3("xvcmpeqdp.", 35, 33, 34));
    ew.t->CR.value = 0xFFFFFFFF;
    IOP_Set_CR6_From_Vector_Compare(ew.iop, ~0ull, 0);
    EXPECT_EQ(ew.t->CR.value, 0xFFFFFF0Fu);
}

} // namespace
} // namespace vec_test
