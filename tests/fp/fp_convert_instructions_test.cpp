// The conversion, rounding, test and estimate instructions on an Ervik thread, and the
// single-precision estimates of the vector unit.
#include <cmath>

#include "fp/fp_emul.h"
#include "fp_machine.h"

namespace
{

// fctiw on Ervik: FCTIW_DOUBLES copies the word into the high word (the architecture leaves it
// undefined) and FCTID_SETS_FPRF_ZERO clears FPRF (the architecture leaves it undefined).
TEST(FPConvert, WordConversionHighWordAndFprfByProcessorOptions)
{
    struct Case {
        int rt0, rt1, doubles;
        uint64_t b;
        uint64_t result;
    } cases[] = {
        {0, 0, 1, bits_of(1.5), 0x0000000200000002ull},      // Ervik
        {0, 0, 0, bits_of(1.5), 0x0000000000000002ull},      // the 64-bit value as delivered
        {0, 0, 0, bits_of(-3.0), 0xFFFFFFFFFFFFFFFDull},
        {1, 0, 1, bits_of(-3.0), 0xFFF80000FFFFFFFDull},     // the first option set decides
        {0, 1, 1, bits_of(1.5), 0x7FF8000000000002ull},
        {0, 0, 1, bits_of(3e9), 0x7FFFFFFF7FFFFFFFull},      // saturated
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.result);
        FPMachine f;
        f.option(PO_FCTIW_SETS_RT0_31, c.rt0);
        f.option(PO_FCTIW_SETS_RT1_31, c.rt1);
        f.option(PO_FCTIW_DOUBLES, c.doubles);
        f.fpr(2) = c.b;
        f.fpscr() = 0x4000; // FPRF +normal
        ASSERT_EQ(f.run(X_FORM(63, XO_FCTIW, 3, 0, 2)), 1);
        EXPECT_EQ(f.fpr(3), c.result);
        EXPECT_EQ(f.fpscr() & 0x1F000u, 0u);
        EXPECT_EQ(f.marker(3), 1);
    }
}

TEST(FPConvert, SuppressedConversionKeepsFrtAndFprf)
{
    FPMachine f;
    f.fpr(2) = QNAN;
    f.fpr(3) = 0x55;
    f.fpscr() = 0x4080; // VE, FPRF +normal
    ASSERT_EQ(f.run(X_FORM(63, XO_FCTIW, 3, 0, 2)), 1);
    EXPECT_EQ(f.fpr(3), 0x55u);
    EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, 0xE0004180u); // FX FEX VX, FPRF kept, VXCVI
    f.fpscr() = 0;
    f.fpr(2) = bits_of(7.0);
    ASSERT_EQ(f.run(X_FORM(63, XO_FCTIWU, 3, 0, 2)), 1);
    EXPECT_EQ(f.fpr(3) & 0xFFFFFFFFu, 7u);
    EXPECT_EQ(f.marker(3), 2); // the unsigned forms mark double
}

TEST(FPConvert, RoundToIntegralIgnoresRnAndClearsFrFi)
{
    struct Case {
        double b;
        double frin, friz, frip, frim;
    } cases[] = {
        {2.5, 3, 2, 3, 2},
        {-2.5, -3, -2, -2, -3},
        {0.4999, 0, 0, 1, 0},
        {-0.75, -1, -0.0, -0.0, -1},
        {1e300, 1e300, 1e300, 1e300, 1e300},
    };
    const uint32_t xo[4] = {XO_FRIN, XO_FRIZ, XO_FRIP, XO_FRIM};
    FPMachine f;
    for (const Case &c : cases) {
        const double expected[4] = {c.frin, c.friz, c.frip, c.frim};
        for (int i = 0; i < 4; i++) {
            SCOPED_TRACE(testing::Message() << c.b << " " << i);
            f.fpscr() = 3; // toward -infinity: no influence
            f.fpr(2) = bits_of(c.b);
            ASSERT_EQ(f.run(X_FORM(63, xo[i], 3, 0, 2)), 1);
            EXPECT_EQ(f.fpr(3), bits_of(expected[i]));
            EXPECT_EQ(f.fpscr() & 0x60000u, 0u);
        }
    }
}

TEST(FPConvert, DivideAndSquareRootTests)
{
    struct Case {
        uint32_t xo;
        uint64_t a, b;
        uint32_t cr;
    } cases[] = {
        {XO_FTSQRT, 0, 1, 0xE},                           // a positive denormal
        {XO_FTSQRT, 0, bits_of(4.0), 0x8},
        {XO_FTSQRT, 0, bits_of(-4.0), 0xA},
        {XO_FTSQRT, 0, QNAN, 0xA},
        {XO_FTSQRT, 0, 0, 0xE},
        {XO_FTDIV, ONE, 0, 0xE},
        {XO_FTDIV, 0, ONE, 0x8},
        {XO_FTDIV, bits_of(0x1p1000), bits_of(0x1p-30), 0xA},
        {XO_FTDIV, PLUS_INF, ONE, 0xE},
        {XO_FTDIV, ONE, bits_of(0x1p1021), 0xA},
    };
    FPMachine f;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.b);
        f.fpr(1) = c.a;
        f.fpr(2) = c.b;
        f.fpscr() = 0x1234;
        ASSERT_EQ(f.run(X_FORM(63, c.xo, 3 << 2, 1, 2)), 1);
        EXPECT_EQ(f.cr_field(3), c.cr);
        EXPECT_EQ(f.fpscr(), 0x1234u);
    }
}

TEST(FPConvert, FromIntegerAndToSinglePrecision)
{
    FPMachine f;
    f.fpr(2) = (uint64_t)-3;
    ASSERT_EQ(f.run(X_FORM(63, XO_FCFID, 3, 0, 2)), 1);
    EXPECT_EQ(f.fpr(3), bits_of(-3.0));
    EXPECT_EQ(f.marker(3), 2);
    f.fpr(2) = (1ull << 53) + 1;
    ASSERT_EQ(f.run(X_FORM(59, XO_FCFID, 3, 0, 2)), 1); // fcfids
    EXPECT_EQ(f.fpr(3), bits_of(0x1p53));
    EXPECT_EQ(f.marker(3), 3);
    f.fpscr() = 0;
    f.fpr(2) = bits_of(1.0 / 3.0);
    ASSERT_EQ(f.run(X_FORM(63, XO_FRSP, 3, 0, 2)), 1);
    EXPECT_EQ(f.fpr(3), 0x3FD5555560000000ull);
    EXPECT_EQ(f.fpscr() & 0xFFFFFFFFu, 0x82064000u); // XX, FR, FI, +normal
}

// fexptes and floges compute in an FPSCR cache that is dropped: FPSCR keeps its value.
TEST(FPConvert, GraphicsEstimatesLeaveFpscrUnchanged)
{
    struct Case {
        uint32_t xo;
        double b;
        uint64_t result;
    } cases[] = {
        {XO_FEXPTES, 0.5, 0x3FF6A00000000000ull}, // single 0x3FB50000
        {XO_FEXPTES, 0.0, ONE},
        {XO_FEXPTES, -INFINITY, 0},
        {XO_FEXPTES, -128, 0},
        {XO_FEXPTES, 1.0, bits_of(2.0)},
        {XO_FEXPTES, -1.0, bits_of(0.5)},
        {XO_FEXPTES, -100, bits_of(0x1p-100)},
        {49, 0.0, 0xFFF0000000000000ull}, // floges: log2(+0) = -infinity
        {49, 8.0, bits_of(3.0)},
        {49, -2.0, 0x7FF8000000000000ull},
    };
    FPMachine f;
    f.option(PO_FP_EXPTES_SUPPORTED, true);
    f.option(PO_FP_LOGES_SUPPORTED, true);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.b);
        f.fpscr() = 0x4D1;
        f.fpr(2) = bits_of(c.b);
        ASSERT_EQ(f.run(X_FORM(63, c.xo, 3, 0, 2)), 1);
        EXPECT_EQ(f.fpr(3), c.result);
        EXPECT_EQ(f.fpscr(), 0x4D1u);
        EXPECT_EQ(f.marker(3), 3);
    }
}

TEST(FPConvert, VectorUnitEstimates)
{
    const struct {
        uint32_t in, reciprocal;
    } reciprocals[] = {
        {0x3F800000, 0x3F7FF800}, {0x40000000, 0x3EFFF800}, {0xBF800000, 0xBF7FF800},
        {0x00000001, 0x7F800000}, // the smallest denormal: +infinity
        {0x7E800000, 0x007FFC00}, // 2^126: a denormal result
    };
    for (const auto &c : reciprocals)
        EXPECT_EQ(one_over_x(c.in), c.reciprocal) << std::hex << c.in;
    const struct {
        uint32_t in, estimate;
    } roots[] = {
        {0x3F800000, 0x3F7FF400}, {0x40000000, 0x3F34FD00}, {0x7F800000, 0},
        {0xFF800000, 0x7FC00000}, {0x00000000, 0x7F800000}, {0x80000000, 0xFF800000},
        {0xC0800000, 0x7FC00000}, {0x7F800001, 0x7FC00001},
    };
    for (const auto &c : roots)
        EXPECT_EQ(one_over_sqrt_x(c.in), c.estimate) << std::hex << c.in;
}

// frsqrtes with GLENT_RECIP_SQRT_EST_SET_UX_OX (on for Ervik) adds OX and UX to its row's mask
// for every later execution.
TEST(FPConvert, ReciprocalSqrtSingleWidensItsRowMask)
{
    InstrInfo *row = Search_II_Table(instruction_info_table, "frsqrtes");
    ASSERT_NE(row, nullptr);
    const uint32_t saved = row->fpscr_mask;
    FPMachine f;
    f.fpr(2) = bits_of(4.0);
    ASSERT_EQ(f.run(A_FORM(59, XO_FRSQRTE, 3, 0, 2, 0)), 1);
    EXPECT_EQ(row->fpscr_mask, saved | 0x18000000u);
    EXPECT_EQ(f.marker(3), 3);
    row->fpscr_mask = saved;
}

} // namespace
