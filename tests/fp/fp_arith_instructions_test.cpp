// The arithmetic instructions on an Ervik thread: NaN propagation of subtract and the fused
// multiply-adds, the negation after rounding, square root's special values, the compares, the
// FPSCR status of a zero divide with its enabled-exception interrupt, record forms and the
// single-precision operand rules.
#include <cmath>

#include "fp_machine.h"

namespace
{

constexpr uint64_t SIGNALLING = 0x7FF4000000000001ull;

TEST(FPArith, SubtractPassesFrbNaNWithItsSignAndNegatesInfinity)
{
    FPMachine f;
    f.fpr(1) = ONE;
    f.fpr(2) = 0xFFF8000000000123ull; // a negative quiet NaN
    ASSERT_EQ(f.run(A_FORM(63, XO_FSUB, 3, 1, 2, 0)), 1);
    EXPECT_EQ(f.fpr(3), 0xFFF8000000000123ull);
    EXPECT_EQ(f.fpscr() & 0xFFFFF000u, 0x00011000u); // FPRF quiet NaN, no exception

    f.fpr(2) = PLUS_INF;
    ASSERT_EQ(f.run(A_FORM(63, XO_FSUB, 3, 1, 2, 0)), 1);
    EXPECT_EQ(f.fpr(3), 0xFFF0000000000000ull);
    EXPECT_EQ(f.t->PC.value, 0x1008u);
}

TEST(FPArith, FusedMultiplyAddNaNOperands)
{
    struct Case {
        uint32_t xo;
        uint64_t a, c, b, result, fpscr_bits;
    } cases[] = {
        // infinity x 0 with a quiet NaN addend: the addend, and the invalid multiplication reported
        {XO_FMADD, PLUS_INF, 0, QNAN | 5, QNAN | 5, 0x20100000},
        // a quiet NaN FRA wins over a signalling NaN FRB, whose mark gives VXSNAN
        {XO_FMADD, QNAN | 7, ONE, SIGNALLING, QNAN | 7, 0x21000000},
        // a NaN result is never negated
        {XO_FNMADD, QNAN | 9, ONE, ONE, QNAN | 9, 0},
        {XO_FNMSUB, ONE, ONE, 0xFFF8000000000009ull, 0xFFF8000000000009ull, 0},
        // 1 x 1 + 1 negated
        {XO_FNMADD, ONE, ONE, ONE, bits_of(-2.0), 0},
        {XO_FNMSUB, ONE, bits_of(3.0), ONE, bits_of(-2.0), 0},
        {XO_FMSUB, bits_of(2.0), bits_of(3.0), ONE, bits_of(5.0), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.xo);
        FPMachine f;
        f.fpr(1) = c.a;
        f.fpr(2) = c.b;
        f.fpr(4) = c.c;
        ASSERT_EQ(f.run(A_FORM(63, c.xo, 3, 1, 2, 4)), 1);
        EXPECT_EQ(f.fpr(3), c.result);
        EXPECT_EQ(f.fpscr() & 0x3FF80700u, c.fpscr_bits); // VX and the exception bits but FX
    }
}

// -(a x c + b) is rounded first and negated after: in round toward +infinity a negative exact sum
// rounds up in magnitude-down direction and keeps that magnitude when negated.
TEST(FPArith, NegativeMultiplyAddRoundsBeforeNegating)
{
    FPMachine f;
    f.fpscr() = 2; // toward +infinity
    f.fpr(1) = bits_of(-2.5);
    f.fpr(4) = bits_of(0.1);
    f.fpr(2) = bits_of(1e-300);
    ASSERT_EQ(f.run(A_FORM(63, XO_FMADD, 3, 1, 2, 4)), 1);
    ASSERT_EQ(f.run(A_FORM(63, XO_FNMADD, 5, 1, 2, 4)), 1);
    EXPECT_EQ(f.fpr(3), 0xBFD0000000000000ull);
    EXPECT_EQ(f.fpr(5), f.fpr(3) ^ MINUS_ZERO);
    EXPECT_EQ((f.fpscr() >> 12) & 0x1F, 0x04u); // FPRF of the negated result: +normal
}

TEST(FPArith, SquareRootSpecialValues)
{
    struct Case {
        uint64_t b;
        uint64_t fpscr_in;
        uint64_t result;
        uint64_t fpscr_out;
    } cases[] = {
        {MINUS_ZERO, 0, MINUS_ZERO, 0x00012000},                // -0, FPRF -zero
        {bits_of(-1.0), 0, QNAN, 0xA0011200},                   // FX VX, FPRF QNaN, VXSQRT
        {bits_of(-1.0), 0x00004080, 0x1234, 0xE0004280},        // VE: FEX, FRT and FPRF kept
        {PLUS_INF, 0, PLUS_INF, 0x00005000},
        {SIGNALLING, 0, 0x7FFC000000000001ull, 0xA1011000},           // quieted, VXSNAN
        {bits_of(4.0), 0, bits_of(2.0), 0x00004000},
        {bits_of(2.0), 0, 0x3FF6A09E667F3BCDull, 0x82064000},  // inexact, rounded up
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.b);
        FPMachine f;
        f.fpr(2) = c.b;
        f.fpr(3) = 0x1234;
        f.fpscr() = c.fpscr_in;
        ASSERT_EQ(f.run(A_FORM(63, XO_FSQRT, 3, 0, 2, 0)), 1);
        EXPECT_EQ(f.fpr(3), c.result);
        EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, c.fpscr_out);
    }
}

TEST(FPArith, CompareOrderedAndUnordered)
{
    struct Case {
        uint32_t xo;
        uint64_t a, b;
        uint64_t fpscr_in;
        uint32_t cr;
        uint64_t fpscr_out;
    } cases[] = {
        {XO_FCMPO, QNAN, ONE, 0, 0x1, 0xA0081000},      // unordered, VXVC
        {XO_FCMPU, QNAN, ONE, 0, 0x1, 0x00001000},      // unordered, no exception
        {XO_FCMPU, SIGNALLING, ONE, 0, 0x1, 0xA1001000},      // VXSNAN
        {XO_FCMPO, SIGNALLING, ONE, 0, 0x1, 0xA1081000},      // VXSNAN and VXVC
        {XO_FCMPO, SIGNALLING, ONE, 0x80, 0x1, 0xE1001080},   // with VE: VXSNAN alone, FEX
        {XO_FCMPU, MINUS_ZERO, 0, 0, 0x2, 0x00002000},  // -0 equals +0
        {XO_FCMPU, ONE, bits_of(2.0), 0, 0x8, 0x00008000},
        {XO_FCMPO, PLUS_INF, ONE, 0, 0x4, 0x00004000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.a);
        FPMachine f;
        f.fpr(1) = c.a;
        f.fpr(2) = c.b;
        f.fpscr() = c.fpscr_in;
        ASSERT_EQ(f.run(X_FORM(63, c.xo, 6 << 2, 1, 2)), 1); // BF 6
        EXPECT_EQ(f.cr_field(6), c.cr);
        EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, c.fpscr_out);
        EXPECT_EQ(f.t->CR.value & ~0xF0u, 0u);
    }
}

// fdiv by zero: ZX and FX, +infinity; with ZE the result is suppressed and FEX raises the
// floating-point interrupt when MSR[FE0] or MSR[FE1] is set.
TEST(FPArith, ZeroDivideAndItsEnabledException)
{
    FPMachine f;
    f.fpr(1) = ONE;
    f.fpr(2) = 0;
    ASSERT_EQ(f.run(A_FORM(63, XO_FDIV, 3, 1, 2, 0)), 1);
    EXPECT_EQ(f.fpr(3), PLUS_INF);
    EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, 0x84005000u);
    EXPECT_EQ(f.t->FPSCR_CHANGE.value & 0xFFFFFFFFu, 0x84000000u);

    f.fpscr() = 0x10; // ZE; FE0 and FE1 clear: no interrupt
    f.fpr(3) = 7;
    ASSERT_EQ(f.run(A_FORM(63, XO_FDIV, 3, 1, 2, 0)), 1);
    EXPECT_EQ(f.fpr(3), 7u);
    EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, 0xC4000010u);
    EXPECT_EQ(f.raised(), -1);

    f.fpscr() = 0x10;
    f.t->MSR.value |= 0x800; // FE0
    const uint64_t pc = f.t->PC.value;
    EXPECT_EQ(f.run(A_FORM(63, XO_FDIV, 3, 1, 2, 0)), 0);
    ASSERT_EQ(f.raised(), EXC_FLOATING_POINT);
    EXPECT_EQ(f.iop->exceptions->srr1_set & 0x1F0000u, 0x100000u);
    EXPECT_EQ(f.t->PC.value, pc);
    EXPECT_EQ(f.t->FPSCR_CHANGE.value & 0xFFFFFFFFu, 0xC4000000u);
}

TEST(FPArith, RecordFormsCopyFpscrIntoCr1)
{
    FPMachine f;
    f.fpr(1) = PLUS_INF;
    f.fpr(2) = PLUS_INF;
    ASSERT_EQ(f.run(A_FORM(63, XO_FSUB, 3, 1, 2, 0, 1)), 1); // fsub. inf - inf: FX, VX
    EXPECT_EQ(f.cr_field(1), 0xAu);
    EXPECT_EQ(f.marker(3), 2);

    // An enabled invalid operation: CR1 shows FEX too, then the interrupt ends the instruction.
    f.fpscr() = 0x80;
    f.t->MSR.value |= 0x100; // FE1
    f.fpr(3) = 5;
    f.fpr(2) = 0xFFF0000000000000ull;
    EXPECT_EQ(f.run(A_FORM(63, XO_FADD, 3, 1, 2, 0, 1)), 0);
    EXPECT_EQ(f.cr_field(1), 0xEu);
    EXPECT_EQ(f.fpr(3), 5u);
    EXPECT_EQ(f.raised(), EXC_FLOATING_POINT);
}

// Single precision: rounding to single, the marker, and the operand rules when double inputs are
// not accepted (SP_OPS_CAN_HANDLE_DP_INPUTS off; validity by the exact round trip).
TEST(FPArith, SinglePrecisionResultsAndOperandRules)
{
    {
        FPMachine f;
        f.fpr(1) = ONE;
        f.fpr(2) = bits_of(3.0);
        ASSERT_EQ(f.run(A_FORM(59, XO_FDIV, 3, 1, 2, 0)), 1);
        EXPECT_EQ(f.fpr(3), bits_of((double)(1.0f / 3.0f)));
        EXPECT_EQ(f.marker(3), 3);
        // Ervik accepts any double as a single-precision operand.
        f.fpr(1) = bits_of(1e300);
        ASSERT_EQ(f.run(A_FORM(59, XO_FADD, 3, 1, 2, 0)), 1);
        EXPECT_EQ(f.fpr(3), PLUS_INF);
    }

    struct Case {
        bool default_nan;
        uint64_t a;
        uint64_t result;
    } cases[] = {
        {true, bits_of(1e300), QNAN},                          // the default NaN
        {false, bits_of(1e300), 0x1234},                       // nothing written
        {true, 0x7FF800000000FFFFull, 0x7FF8000000000000ull},  // FRA's NaN as a single NaN
        {false, 0x7FF800000000FFFFull, 0x1234},
        {true, 0x7FF000000000FFFFull, 0x7FF8000000000000ull},  // a signalling one quieted
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.a);
        FPMachine g;
        g.option(PO_SP_OPS_CAN_HANDLE_DP_INPUTS, false);
        g.option(PO_SP_OPS_WITH_DP_EXPO_OUT_OF_RANGE_RETURN_DEFAULT_NAN, c.default_nan);
        g.fpr(1) = c.a;
        g.fpr(2) = ONE;
        g.fpr(3) = 0x1234;
        ASSERT_EQ(g.run(A_FORM(59, XO_FADD, 3, 1, 2, 0)), 1);
        EXPECT_EQ(g.fpr(3), c.result);
    }
}

} // namespace
