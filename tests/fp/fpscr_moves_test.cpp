// The FPSCR move instructions (mtfsb0, mtfsb1, mtfsf, mtfsfi, mcrfs, mffs) and the floating-point
// moves, sign operations and select.
#include "fp_machine.h"

namespace
{

TEST(FPSCRMoves, SetAndClearOneBit)
{
    struct Case {
        uint32_t xo, bt, rc;
        uint64_t before, after, change;
        uint32_t cr1;
    } cases[] = {
        {XO_MTFSB1, 3, 0, 0, 0x90000000, 0x90000000, 0},          // OX: OX and FX
        {XO_MTFSB1, 3, 0, 0x10000000, 0x10000000, 0x90000000, 0}, // OX already set: FX kept
        {XO_MTFSB1, 1, 1, 0x10000000, 0x10000000, 0, 0x1},        // FEX cannot be set; CR1 still
        {XO_MTFSB0, 2, 1, 0xA0200000, 0xA0200000, 0, 0xA},        // nor VX cleared
        {XO_MTFSB0, 10, 0, 0xA0200000, 0x80000000, 0, 0},         // VXZDZ cleared: VX follows
        {XO_MTFSB1, 30, 0, 0, 0x2, 0, 0},                         // a rounding-mode bit
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bt);
        FPMachine f;
        f.fpscr() = c.before;
        ASSERT_EQ(f.run(X_FORM(63, c.xo, c.bt, 0, 0, c.rc)), 1);
        EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, c.after);
        EXPECT_EQ(f.t->FPSCR_CHANGE.value & 0xFFFFFFFFu, c.change);
        EXPECT_EQ(f.cr_field(1), c.cr1);
        EXPECT_EQ(f.iop->fpscr_moved, c.bt != 1 && c.bt != 2);
    }
}

TEST(FPSCRMoves, SettingAnEnabledExceptionBitInterrupts)
{
    FPMachine f;
    f.fpscr() = 0x10; // ZE
    f.t->MSR.value |= 0x800;
    EXPECT_EQ(f.run(X_FORM(63, XO_MTFSB1, 5, 0, 0)), 0); // ZX
    EXPECT_EQ(f.raised(), EXC_FLOATING_POINT);
    EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, 0xC4000010u);
}

TEST(FPSCRMoves, FieldMovesFromAnFprAndAnImmediate)
{
    FPMachine f;
    f.fpscr() = 0x00001000;
    f.fpr(2) = 0xFFFFFFFFFFFFFFFFull;
    ASSERT_EQ(f.run(MTFSF(0x01, 2)), 1); // field 7: XE, NI, RN
    EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, 0x0000100Fu);
    // VXSNAN (field 1) and VE (field 6): VX and FEX follow, FX keeps its value, FPSCR_CHANGE
    // reads every raised bit with FX.
    f.fpscr() = 0;
    f.fpr(2) = 0x01000080;
    ASSERT_EQ(f.run(MTFSF(0x42, 2)), 1);
    EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, 0x61000080u);
    EXPECT_EQ(f.t->FPSCR_CHANGE.value & 0xFFFFFFFFu, 0xE1000000u);
    // L = 1 copies all 64 bits (as far as they are implemented).
    f.fpr(2) = 0x0000000300000003ull;
    ASSERT_EQ(f.run(MTFSF(0, 2, 1)), 1);
    EXPECT_EQ(f.fpscr(), 0x0000000300000003ull);

    f.fpscr() = 0x80000002;
    ASSERT_EQ(f.run(X_FORM(63, XO_MTFSFI, 7 << 2, 0, 1 << 1, 1)), 1); // BF 7, U 1, record
    EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, 0x80000001u);
    EXPECT_EQ(f.cr_field(1), 0x8u);
}

TEST(FPSCRMoves, CopyAFieldToCrAndClearItsExceptions)
{
    struct Case {
        uint32_t bfa;
        uint64_t before, after;
        uint32_t copied;
    } cases[] = {
        {0, 0xF1000080, 0x61000080, 0xF}, // FX, FEX, VX, OX copied; FX and OX cleared
        {4, 0x0001F0F0, 0x0001F0F0, 0xF},  // FPRF's low nibble: nothing cleared
        {5, 0xA0000700, 0x80000000, 0x7}, // VXSOFT, VXSQRT, VXCVI: VX follows
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bfa);
        FPMachine f;
        f.fpscr() = c.before;
        ASSERT_EQ(f.run(X_FORM(63, XO_MCRFS, 6 << 2, c.bfa << 2, 0)), 1);
        EXPECT_EQ(f.cr_field(6), c.copied);
        EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, c.after);
    }
}

TEST(FPSCRMoves, MoveFromFpscr)
{
    FPMachine f;
    f.fpscr() = 0xA0011203;
    f.t->CR.value = 0x12345678;
    ASSERT_EQ(f.run(X_FORM(63, XO_MFFS, 3, 0, 0)), 1);
    EXPECT_EQ(f.fpr(3), 0xA0011203u);
    EXPECT_EQ(f.t->CR.value, 0x12345678u);
    ASSERT_EQ(f.run(X_FORM(63, XO_MFFS, 4, 0, 0, 1)), 1);
    EXPECT_EQ(f.t->CR.value, 0x1A345678u);
}

TEST(FPMoves, SignOperationsWorkOnThePattern)
{
    struct Case {
        uint32_t xo;
        uint64_t a, b, result;
    } cases[] = {
        {XO_FNEG, 0, 0, MINUS_ZERO},
        {XO_FNEG, 0, QNAN | 3, 0xFFF8000000000003ull},
        {XO_FABS, 0, 0xFFF4000000000001ull, 0x7FF4000000000001ull}, // stays signalling
        {XO_FNABS, 0, ONE, bits_of(-1.0)},
        {XO_FMR, 0, 0x7FF4000000000001ull, 0x7FF4000000000001ull},
        {XO_FCPSGN, bits_of(-1.0), bits_of(2.0), bits_of(-2.0)},
    };
    FPMachine f;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.xo);
        f.fpr(1) = c.a;
        f.fpr(2) = c.b;
        f.t->VSR[2].fpr_form = 3;
        f.fpscr() = 0x90000000;
        ASSERT_EQ(f.run(X_FORM(63, c.xo, 3, 1, 2, 1)), 1);
        EXPECT_EQ(f.fpr(3), c.result);
        EXPECT_EQ(f.fpscr(), 0x90000000u);
        EXPECT_EQ(f.cr_field(1), 0x9u);
        EXPECT_EQ(f.marker(3), 3);
    }
}

TEST(FPMoves, SelectByTheSignOfFra)
{
    struct Case {
        uint64_t a;
        bool takes_c;
    } cases[] = {
        {MINUS_ZERO, true}, {0, true},      {QNAN, false}, {0xFFF0000000000000ull, false},
        {PLUS_INF, true},   {bits_of(-1e-300), false},
    };
    FPMachine f;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.a);
        f.fpr(1) = c.a;
        f.fpr(2) = 0xB;
        f.fpr(4) = 0xC;
        f.t->FPR_INVALID_MAP.value = ~(1ull << (63 - 4)); // FRC dirty, FRB clean
        f.t->VSR[2].fpr_form = 2;
        f.t->VSR[4].fpr_form = 3;
        ASSERT_EQ(f.run(A_FORM(63, XO_FSEL, 3, 1, 2, 4)), 1);
        EXPECT_EQ(f.fpr(3), c.takes_c ? 0xCu : 0xBu);
        EXPECT_EQ(f.dirty(3), c.takes_c);
        EXPECT_EQ(f.marker(3), c.takes_c ? 3 : 2);
    }
}

} // namespace
