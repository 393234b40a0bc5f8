// Result delivery: overflow and underflow with their enables, zero divide, invalid operations,
// negation, the processor options that change FR and FPRF, and the single-precision delivery in
// double format.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "fp/fp160_arith.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "fp/fpscr_status.h"
#include "fp_thread.h"
#include "support/sink_capture.h"

namespace
{

// 2^n as an FP160 value (beyond any storage format when needed).
FP160 power_of_two(int n, int sign = 0)
{
    FP160 v;
    FP160_Init(&v, "test");
    v.sign = sign;
    v.exponent = FP160_BIAS + (uint32_t)n;
    v.sig_hi = FP160_INTEGER_BIT;
    v.src_format = FP_FORMAT_DP;
    return v;
}
FP160 dp(uint64_t bits)
{
    FP160 v;
    FP160_ConvertFromDP(&v, &bits, "test");
    return v;
}
FP160 from_double(double d)
{
    uint64_t bits;
    memcpy(&bits, &d, sizeof bits);
    return dp(bits);
}
uint64_t bits_of(double d)
{
    uint64_t b;
    memcpy(&b, &d, sizeof b);
    return b;
}

constexpr uint64_t FPRF_FIELD = 0x1F000;
constexpr uint64_t STATUS = FPSCR_EXCEPTION_BITS | FPSCR_FX | FPSCR_FEX | FPSCR_VX | FPSCR_FR | FPSCR_FI;

TEST(Delivery, OverflowWithOEClear)
{
    struct Case {
        const char *row;
        int mode;
        bool sets_fr, clear_fr_cond;
        uint64_t out;
        bool fr;
    } cases[] = {
        {"fadd", 0, false, false, 0x7FF0000000000000ull, false},
        {"fadd", 0, true, false, 0x7FF0000000000000ull, true},
        {"fadd", 1, true, true, 0x7FEFFFFFFFFFFFFFull, true},
        {"fdiv", 1, true, true, 0x7FEFFFFFFFFFFFFFull, false}, // largest finite on a divide row
        {"fdiv", 0, true, true, 0x7FF0000000000000ull, true},  // infinity: FR still set
        {"fadd", 2, false, false, 0x7FF0000000000000ull, false},
        {"fadd", 3, false, false, 0x7FEFFFFFFFFFFFFFull, false},
    };
    for (const Case &c : cases) {
        FPThread fp;
        fp.option(PO_FP_OVERFLOW_OE_OFF_SETS_FR, c.sets_fr);
        fp.option(PO_FP_OVF_OE0_CLEAR_FR_COND, c.clear_fr_cond);
        IOPDesc *iop = fp.iop(c.row);
        FP160 v = power_of_two(1024);
        uint64_t out;
        EXPECT_EQ(FP_Convert_ExceptionHandler64(iop, &v, &out, 0, c.mode), 1);
        EXPECT_EQ(out, c.out) << c.row << " mode " << c.mode;
        const uint64_t expected = FPSCR_OX | FPSCR_XX | FPSCR_FX | FPSCR_FI | (c.fr ? (uint64_t)FPSCR_FR : 0);
        EXPECT_EQ(fp.fpscr() & STATUS, expected) << c.row << " mode " << c.mode;
        EXPECT_EQ(fp.fpscr() & FPRF_FIELD, (c.out == 0x7FF0000000000000ull ? 0x5ull : 0x4ull) << 12);
    }
    // Negative values take the other side's choice in the directed modes.
    FPThread fp;
    FP160 v = power_of_two(1024, 1);
    uint64_t out;
    FP_Convert_ExceptionHandler64(fp.iop("fadd"), &v, &out, 0, 2);
    EXPECT_EQ(out, 0xFFEFFFFFFFFFFFFFull);
    // A single-precision source saturates to the single-precision maximum.
    FP160 s = power_of_two(1024);
    s.src_format = FP_FORMAT_SP;
    FP_Convert_ExceptionHandler64(fp.iop("fadd"), &s, &out, 0, 1);
    EXPECT_EQ(out, (1150ull << 52) | 0xFFFFFE0000000ull);
}

TEST(Delivery, OverflowWithOESetScalesTheExponent)
{
    FPThread fp;
    fp.fpscr() = FPSCR_OE;
    IOPDesc *iop = fp.iop("fmul");
    FP160 v = power_of_two(1024);
    uint64_t out;
    EXPECT_EQ(FP_Convert_ExceptionHandler64(iop, &v, &out, 0, 0), 1);
    EXPECT_EQ(out, bits_of(std::ldexp(1.0, -512)));
    EXPECT_EQ(fp.fpscr() & STATUS, (uint64_t)(FPSCR_OX | FPSCR_FX | FPSCR_FEX));
    // Inexact before scaling stays inexact after it.
    FP160 w = power_of_two(1100);
    w.sig_hi |= 1ull << 5;
    FP_Convert_ExceptionHandler64(fp.iop("fmul"), &w, &out, 0, 1);
    EXPECT_EQ(out, bits_of(std::ldexp(1.0, 1100 - 1536)));
    EXPECT_TRUE(fp.fpscr() & FPSCR_FI);
}

TEST(Delivery, Underflow)
{
    struct Case {
        int exponent;
        bool ue;
        int mode;
        uint64_t out;
        uint64_t status;
    } cases[] = {
        {-1080, false, 0, 0, FPSCR_UX | FPSCR_XX | FPSCR_FX | FPSCR_FI},
        {-1080, false, 2, 1, FPSCR_UX | FPSCR_XX | FPSCR_FX | FPSCR_FI | FPSCR_FR},
        {-1074, false, 0, 1, 0},
        {-1023, false, 0, 0x0008000000000000ull, 0},
        {-1080, true, 0, bits_of(std::ldexp(1.0, 456)), FPSCR_UX | FPSCR_FX | FPSCR_FEX},
    };
    for (const Case &c : cases) {
        FPThread fp;
        fp.fpscr() = c.ue ? (uint64_t)FPSCR_UE : 0;
        FP160 v = power_of_two(c.exponent);
        uint64_t out;
        EXPECT_EQ(FP_Convert_ExceptionHandler64(fp.iop("fmul"), &v, &out, 0, c.mode), 1);
        EXPECT_EQ(out, c.out) << c.exponent << " mode " << c.mode;
        EXPECT_EQ(fp.fpscr() & STATUS, c.status) << c.exponent << " mode " << c.mode;
    }
    // The non-IEEE mode squashes an underflow to zero.
    FPThread fp({PO_SUPPORT_NON_IEEE_MODE, PO_NI_SQUASH_UNDERFLOW});
    fp.fpscr() = FPSCR_NI;
    FP160 v = power_of_two(-1050, 1);
    uint64_t out;
    FP_Convert_ExceptionHandler64(fp.iop("fmul"), &v, &out, 0, 0);
    EXPECT_EQ(out, 0x8000000000000000ull);
    EXPECT_EQ(fp.fpscr() & STATUS, (uint64_t)(FPSCR_UX | FPSCR_XX | FPSCR_FX | FPSCR_FI));
}

TEST(Delivery, ZeroDivide)
{
    for (bool ze : {true, false}) {
        FPThread fp;
        fp.fpscr() = (ze ? (uint64_t)FPSCR_ZE : 0) | 0x14000; // FPRF from an earlier instruction
        FP160 a = from_double(1.0), b = from_double(0.0);
        FP160_Divide(&a, &b);
        uint64_t out = 77;
        const int delivered = FP_Convert_ExceptionHandler64(fp.iop("fdiv"), &a, &out, 0, 0);
        EXPECT_TRUE(fp.fpscr() & FPSCR_ZX);
        if (ze) {
            EXPECT_EQ(delivered, 0);
            EXPECT_EQ(fp.fpscr() & FPRF_FIELD, 0x14000u);
            EXPECT_TRUE(fp.fpscr() & FPSCR_FEX);
        } else {
            EXPECT_EQ(delivered, 1);
            EXPECT_EQ(out, 0x7FF0000000000000ull);
            EXPECT_EQ(fp.fpscr() & FPRF_FIELD, 0x5000u);
        }
    }
}

TEST(Delivery, InvalidOperations)
{
    struct Case {
        double a, b;
        bool multiply;
        uint64_t bit;
    } cases[] = {
        {INFINITY, -INFINITY, false, FPSCR_VXISI},
        {0.0, INFINITY, true, FPSCR_VXIMZ},
    };
    for (const Case &c : cases) {
        for (bool ve : {false, true}) {
            FPThread fp;
            fp.fpscr() = ve ? (uint64_t)FPSCR_VE : 0;
            FP160 a = from_double(c.a), b = from_double(c.b);
            if (c.multiply)
                FP160_Multiply(&a, &b);
            else
                FP160_Add(&a, &b, 0);
            uint64_t out = 5;
            const int delivered = FP_Convert_ExceptionHandler64(fp.iop("fmadd"), &a, &out, 1, 0);
            EXPECT_EQ(delivered, ve ? 0 : 1);
            EXPECT_EQ(fp.fpscr() & (c.bit | FPSCR_VX), c.bit | FPSCR_VX);
            if (!ve) {
                EXPECT_EQ(out, 0x7FF8000000000000ull); // sign clear, not negated
                EXPECT_EQ(fp.fpscr() & FPRF_FIELD, 0x11000u);
            }
        }
    }
    // A signalling NaN operand: VXSNAN; with VE nothing is delivered.
    FPThread fp;
    fp.fpscr() = FPSCR_VE;
    FP160 a = dp(0x7FF0000000000001ull), b = from_double(1.0);
    FP160_Add(&a, &b, 0);
    uint64_t out = 5;
    EXPECT_EQ(FP_Convert_ExceptionHandler64(fp.iop("fadd"), &a, &out, 0, 0), 0);
    EXPECT_TRUE(fp.fpscr() & FPSCR_VXSNAN);
    EXPECT_EQ(fp.fpscr() & FPRF_FIELD, 0u);
}

TEST(Delivery, Negation)
{
    // An exact zero sum keeps its sign except in mode 3; a zero product is always negated; a NaN
    // never is.
    for (int mode = 0; mode <= 3; mode++) {
        FPThread fp;
        FP160 x = from_double(2.0), y = from_double(-2.0);
        FP160_Add(&x, &y, mode);
        uint64_t out;
        FP_Convert_ExceptionHandler64(fp.iop("fnmadd"), &x, &out, 1, mode);
        EXPECT_EQ(out, 0u) << mode; // +0 kept in modes 0..2; the -0 of mode 3 negated
        FP160 p = from_double(0.0), q = from_double(3.0);
        FP160_Multiply(&p, &q);
        FP_Convert_ExceptionHandler64(fp.iop("fnmadd"), &p, &out, 1, mode);
        EXPECT_EQ(out, 0x8000000000000000ull) << mode;
    }
    FPThread fp;
    FP160 n = dp(0x7FF8000000000001ull), one = from_double(1.0);
    FP160_Add(&n, &one, 0);
    uint64_t out;
    FP_Convert_ExceptionHandler64(fp.iop("fnmadd"), &n, &out, 1, 0);
    EXPECT_EQ(out, 0x7FF8000000000001ull);
    FP160 v = from_double(1.5);
    FP_Convert_ExceptionHandler64(fp.iop("fnmadd"), &v, &out, 1, 0);
    EXPECT_EQ(out, bits_of(-1.5));
    EXPECT_EQ(fp.fpscr() & FPRF_FIELD, 0x8000u);
}

TEST(Delivery, UnknownRoundingModeOnOverflow)
{
    SinkCapture sink;
    FPThread fp;
    FP160 v = power_of_two(1024);
    uint64_t out;
    EXPECT_EQ(FP_Convert_ExceptionHandler64(fp.iop("fadd"), &v, &out, 0, 6), 0);
    EXPECT_NE(sink.text().find("ERROR: FP_Convert_ExceptionHandler(): Unknown rounding mode"),
              std::string::npos);
}

TEST(Delivery, SinglePrecisionInDoubleFormat)
{
    struct Case {
        const char *what;
        FP160 value;
        uint64_t enables;
        int mode;
        uint64_t out;
        uint64_t status;
        uint64_t fprf;
    } cases[] = {
        {"exact", from_double(1.5), 0, 0, bits_of(1.5), 0, 0x4},
        {"rounded", from_double(1.0 + std::ldexp(1.0, -24) + std::ldexp(1.0, -40)), 0, 0,
         bits_of(1.0 + std::ldexp(1.0, -23)), FPSCR_XX | FPSCR_FX | FPSCR_FI | FPSCR_FR, 0x4},
        {"overflow", power_of_two(200), 0, 0, 0x7FF0000000000000ull,
         FPSCR_OX | FPSCR_XX | FPSCR_FX | FPSCR_FI, 0x5},
        {"overflow toward zero", power_of_two(200), 0, 1, bits_of(3.4028234663852886e38),
         FPSCR_OX | FPSCR_XX | FPSCR_FX | FPSCR_FI, 0x4},
        {"overflow enabled", power_of_two(200), FPSCR_OE, 0, bits_of(256.0), FPSCR_OX | FPSCR_FX | FPSCR_FEX,
         0x4},
        {"underflow exact", power_of_two(-140), 0, 0, bits_of(std::ldexp(1.0, -140)), 0, 0x14},
        {"underflow rounded", from_double(std::ldexp(1.5, -149)), 0, 0, bits_of(std::ldexp(1.0, -148)),
         FPSCR_UX | FPSCR_XX | FPSCR_FX | FPSCR_FI | FPSCR_FR, 0x14},
        {"underflow below", power_of_two(-160), 0, 2, bits_of(std::ldexp(1.0, -149)),
         FPSCR_UX | FPSCR_XX | FPSCR_FX | FPSCR_FI | FPSCR_FR, 0x14},
        {"underflow enabled", power_of_two(-140), FPSCR_UE, 0, bits_of(std::ldexp(1.0, 52)),
         FPSCR_UX | FPSCR_FX | FPSCR_FEX, 0x4},
    };
    for (Case &c : cases) {
        FPThread fp;
        fp.fpscr() = c.enables;
        uint64_t out;
        EXPECT_EQ(FP160_Convert_to_32_as_DW(fp.iop("fadds"), &c.value, &out, 0, c.mode), 1) << c.what;
        EXPECT_EQ(out, c.out) << c.what;
        EXPECT_EQ(fp.fpscr() & STATUS, c.status) << c.what;
        EXPECT_EQ(fp.fpscr() & FPRF_FIELD, c.fprf << 12) << c.what;
    }
}

TEST(Delivery, EnabledSingleResultsForcedIntoDoubleFormat)
{
    // fadds (single-precision result row): the adjusted exponent is kept as the double exponent
    // field and 0x200 marked; FPRF by the result's sign with SET_FPRF_NEGATIVE_FOR_OVER_OR_UNDER_FLOW.
    FPThread fp({PO_SET_FPRF_NEGATIVE_FOR_OVER_OR_UNDER_FLOW});
    fp.fpscr() = FPSCR_OE;
    FP160 v = power_of_two(200, 1);
    v.sig_hi |= 1ull << 38; // a fraction bit beyond single precision
    uint64_t out;
    EXPECT_EQ(FP160_Convert_to_32_as_DW(fp.iop("fadds"), &v, &out, 0, 1), 1);
    EXPECT_EQ(out, 0xC070000000000000ull);
    EXPECT_TRUE(v.exceptions & FP160_EXC_FINAL_EXP);
    EXPECT_EQ(fp.fpscr() & FPRF_FIELD, 0x8000u);
    EXPECT_TRUE(fp.fpscr() & FPSCR_FI);

    // frsp carries no single-result flag: the value goes through the double conversion.
    FPThread other;
    other.fpscr() = FPSCR_OE;
    FP160 w = power_of_two(200);
    FP160_Convert_to_32_as_DW(other.iop("frsp"), &w, &out, 0, 0);
    EXPECT_EQ(out, bits_of(256.0));
    EXPECT_EQ(w.exceptions & FP160_EXC_FINAL_EXP, 0u);

    // The forcing itself: the exponent field wraps to 11 bits.
    FP160 x = power_of_two(1200);
    x.sig_hi |= 1ull << 39;
    EXPECT_EQ(EnabledOverflowUnderflowDPforcedToSPresult(other.iop("fadds"), &x),
              ((uint64_t)((1200 + 1023) & 0x7FF) << 52) | (1ull << 29));
    EXPECT_EQ(x.exponent, FP160_BIAS + ((1200 + 1023) & 0x7FF));
    FP160 y = power_of_two(3);
    FP_Store(&y, 1, 0);
    EXPECT_EQ(y.exponent, FP160_BIAS + 3 + 1536);
    FP_Store(&y, 1, 1);
    EXPECT_EQ(y.exponent, FP160_BIAS + 3 + 1536);
}

TEST(Delivery, HalfAndQuadMembers)
{
    FPThread fp;
    FP160 h = power_of_two(16);
    uint16_t half;
    EXPECT_EQ(FP_Convert_ExceptionHandler16(fp.iop("fadd"), &h, &half, 0, 1), 1);
    EXPECT_EQ(half, 0x7BFFu);
    EXPECT_TRUE(fp.fpscr() & FPSCR_OX);
    FPThread fq;
    fq.fpscr() = FPSCR_UE;
    FP160 q = power_of_two(-16400);
    uint64_t quad[2];
    EXPECT_EQ(FP_Convert_ExceptionHandler128(fq.iop("fadd"), &q, quad, 1, 0), 1);
    EXPECT_EQ(quad[1], 0x8000000000000000ull | ((uint64_t)(16383 - 16400 + 0x6000) << 48));
    EXPECT_EQ(quad[0], 0u);
    EXPECT_TRUE(fq.fpscr() & FPSCR_UX);
}

} // namespace
