// The VSX element workers: NaN precedence and quieting, the invalid operations, signed zeros,
// exact denormal operands, the single and double-format single forms, disabled overflow, fusion
// and the negated multiply-add forms; the FPSCR bits they record in the instruction's cache.
#include "fp/fpscr.h"
#include "vec_fixture.h"
#include "vector/vec_defs.h"
#include "vector/vsx_arith_micro.h"
#include "vector/vsx_madd_micro.h"

namespace vec_test
{
namespace
{

using namespace vec;

constexpr uint64_t ONE = 0x3FF0000000000000, MINUS_ONE = 0xBFF0000000000000, TWO = 0x4000000000000000,
                   THREE = 0x4008000000000000, SIX = 0x4018000000000000;
constexpr uint64_t INF = 0x7FF0000000000000, MINUS_INF = 0xFFF0000000000000, DEFAULT_NAN = 0x7FF8000000000000;
constexpr uint64_t SNAN = 0x7FF0000000000001, MINUS_QNAN5 = 0xFFF8000000000005;
constexpr uint64_t PLUS_ZERO = 0, MINUS_ZERO = 0x8000000000000000;

class VsxMicro : public VecTest
{
  protected:
    // An instruction record of the row with its FPSCR cache open on the given FPSCR.
    IOPDesc *open(const char *mnemonic, uint64_t fpscr = 0)
    {
        ew.t->FPSCR.value = fpscr;
        IOPDesc *iop = ew.prepare(encoding(mnemonic));
        IOP_Cache_FPSCR(iop);
        return iop;
    }
    static uint64_t cached(const IOPDesc *iop) { return iop->fpscr_cache; }
};

TEST_F(VsxMicro, NaNOperandsOfAddAndSubtract)
{
    uint64_t out;
    IOPDesc *iop = open("xsadddp");
    uint32_t flags = vmicro_dp_add(iop, &out, &MINUS_QNAN5, &SNAN, 0);
    EXPECT_EQ(out, MINUS_QNAN5); // A's NaN, though B signals
    EXPECT_EQ(flags & (FP_SNAN_OPERAND | FP_QNAN_OPERAND), FP_SNAN_OPERAND);
    EXPECT_TRUE(cached(iop) & FPSCR_VXSNAN);

    iop = open("xsadddp");
    flags = vmicro_dp_add(iop, &out, &ONE, &SNAN, 0);
    EXPECT_EQ(out, 0x7FF8000000000001u); // B quieted, payload kept
    EXPECT_TRUE(flags & FP_SNAN_OPERAND);

    const uint64_t qnan7 = 0x7FF8000000000007;
    iop = open("xssubdp");
    flags = vmicro_dp_sub(iop, &out, &ONE, &qnan7, 0);
    EXPECT_EQ(out, qnan7); // the subtraction does not flip a NaN
    EXPECT_EQ(flags & (FP_SNAN_OPERAND | FP_QNAN_OPERAND), FP_QNAN_OPERAND);
    EXPECT_FALSE(cached(iop) & (FPSCR_VX | FPSCR_FX));

    uint32_t word;
    iop = open("xvaddsp");
    flags = vmicro_sp_add(iop, &word, 0x7F800001, 0x3F800000, 0);
    EXPECT_EQ(word, 0x7FC00001u);
    EXPECT_TRUE(flags & FP_SNAN_OPERAND);
}

TEST_F(VsxMicro, InvalidOperationsAndZeroDivide)
{
    typedef uint32_t (*Worker)(IOPDesc *, uint64_t *, const uint64_t *, const uint64_t *, int);
    struct Case {
        const char *mnemonic;
        Worker worker;
        uint64_t a, b, expected;
        uint32_t flag;
        uint64_t fpscr_bit;
    } cases[] = {
        {"xsadddp", vmicro_dp_add, INF, MINUS_INF, DEFAULT_NAN, FP_INVALID, FPSCR_VXISI},
        {"xssubdp", vmicro_dp_sub, INF, INF, DEFAULT_NAN, FP_INVALID, FPSCR_VXISI},
        {"xsmuldp", vmicro_dp_mul, PLUS_ZERO, INF, DEFAULT_NAN, FP_INVALID, FPSCR_VXIMZ},
        {"xsdivdp", vmicro_dp_div, PLUS_ZERO, MINUS_ZERO, DEFAULT_NAN, FP_INVALID, FPSCR_VXZDZ},
        {"xsdivdp", vmicro_dp_div, MINUS_INF, INF, DEFAULT_NAN, FP_INVALID, FPSCR_VXIDI},
        {"xsdivdp", vmicro_dp_div, ONE, PLUS_ZERO, INF, FP_ZERO_DIVIDE, FPSCR_ZX},
        {"xsdivdp", vmicro_dp_div, MINUS_ONE, PLUS_ZERO, MINUS_INF, FP_ZERO_DIVIDE, FPSCR_ZX},
    };
    for (const Case &c : cases) {
        IOPDesc *iop = open(c.mnemonic);
        uint64_t out;
        const uint32_t flags = c.worker(iop, &out, &c.a, &c.b, 0);
        EXPECT_EQ(out, c.expected) << c.mnemonic << std::hex << " " << c.a;
        EXPECT_TRUE(flags & c.flag) << c.mnemonic;
        EXPECT_TRUE(cached(iop) & c.fpscr_bit) << c.mnemonic;
        EXPECT_FALSE(cached(iop) & (FPSCR_FR | FPSCR_FI)) << c.mnemonic;
    }
}

TEST_F(VsxMicro, SignedZeroSumsAndExactDenormals)
{
    for (int mode = 0; mode < 4; mode++) {
        uint64_t out;
        vmicro_dp_add(open("xsadddp"), &out, &ONE, &MINUS_ONE, mode);
        EXPECT_EQ(out, mode == 3 ? MINUS_ZERO : PLUS_ZERO) << mode;
        vmicro_dp_add(open("xsadddp"), &out, &MINUS_ZERO, &MINUS_ZERO, mode);
        EXPECT_EQ(out, MINUS_ZERO) << mode;
    }
    const uint64_t smallest = 1, two52 = 0x4330000000000000;
    uint64_t out;
    IOPDesc *iop = open("xsmuldp");
    const uint32_t flags = vmicro_dp_mul(iop, &out, &smallest, &two52, 0);
    EXPECT_EQ(out, 0x0010000000000000u); // 2^-1074 × 2^52 = 2^-1022 exactly
    EXPECT_FALSE(flags & FP_INEXACT);
    EXPECT_FALSE(cached(iop) & (FPSCR_XX | FPSCR_UX));
}

TEST_F(VsxMicro, DoubleFormatSingleRoundsOnce)
{
    // 1 + 2^-24 + 2^-40 plus -2^-40: the exact sum is a tie, rounded to even (1.0); operands rounded
    // to single first would have given 1 + 2^-23.
    const uint64_t a = 0x3FF0000010001000, b = 0xBD70000000000000;
    uint64_t out;
    IOPDesc *iop = open("xsaddsp");
    uint32_t flags = vmicro_sp_add_dp(iop, &out, a, b, 0);
    EXPECT_EQ(out, ONE);
    EXPECT_TRUE(flags & FP_INEXACT);
    EXPECT_EQ(cached(iop) & (FPSCR_XX | FPSCR_FI | FPSCR_FPRF), FPSCR_XX | FPSCR_FI | 0x4000u);

    // A double quiet NaN keeps its sign and top 23 fraction bits.
    flags = vmicro_sp_add_dp(open("xsaddsp"), &out, 0xFFF8000020000001, ONE, 0);
    EXPECT_EQ(out, 0xFFF8000020000000u);
    EXPECT_TRUE(flags & FP_QNAN_OPERAND);
}

TEST_F(VsxMicro, DisabledOverflowFollowsTheMode)
{
    const uint64_t big = 0x7FE0000000000000; // 2^1023
    struct Case {
        int mode;
        uint64_t a;
        uint64_t expected;
    } cases[] = {
        {0, big, INF},
        {1, big, 0x7FEFFFFFFFFFFFFF},
        {2, big, INF},
        {3, big, 0x7FEFFFFFFFFFFFFF},
        {2, big | MINUS_ZERO, 0xFFEFFFFFFFFFFFFF},
        {3, big | MINUS_ZERO, MINUS_INF},
    };
    for (const Case &c : cases) {
        IOPDesc *iop = open("xsmuldp");
        uint64_t out;
        const uint32_t flags = vmicro_dp_mul(iop, &out, &c.a, &TWO, c.mode);
        EXPECT_EQ(out, c.expected) << c.mode;
        EXPECT_EQ(flags & (FP_OVERFLOW | FP_INEXACT), FP_OVERFLOW | FP_INEXACT) << c.mode;
        EXPECT_EQ(cached(iop) & (FPSCR_OX | FPSCR_XX), FPSCR_OX | FPSCR_XX) << c.mode;
    }
}

TEST_F(VsxMicro, FusedMultiplyAddRoundsOnce)
{
    // (1 + 2^-27)^2 - (1 + 2^-26) = 2^-54 exactly.
    const uint64_t a = 0x3FF0000002000000, b = 0xBFF0000004000000;
    uint64_t out;
    IOPDesc *iop = open("xsmaddadp");
    vmicro_dp_madd(iop, &out, &a, &a, &b, 0);
    EXPECT_EQ(out, 0x3C90000000000000u);
    EXPECT_FALSE(cached(iop) & FPSCR_FI);

    // (1 + 2^-12)^2 - (1 + 2^-11) = 2^-24 in single precision.
    uint32_t word;
    vmicro_sp_madd(open("xvmaddasp"), &word, 0x3F800800, 0x3F800800, 0xBF801000, 0);
    EXPECT_EQ(word, 0x33800000u);

    // Exact cancellation: +0 except toward minus infinity; the negated form the opposite.
    const uint64_t minus_six = SIX | MINUS_ZERO;
    for (int mode = 0; mode < 4; mode++) {
        vmicro_dp_madd(open("xsmaddadp"), &out, &TWO, &THREE, &minus_six, mode);
        EXPECT_EQ(out, mode == 3 ? MINUS_ZERO : PLUS_ZERO) << mode;
        vmicro_dp_nmadd(open("xsnmaddadp"), &out, &TWO, &THREE, &minus_six, mode);
        EXPECT_EQ(out, mode == 3 ? PLUS_ZERO : MINUS_ZERO) << mode;
    }
}

TEST_F(VsxMicro, MultiplyAddNaNsAndInvalidOperations)
{
    const uint64_t qnan_a = 0x7FF8000000000011, qnan_b = 0xFFF8000000000022, qnan_c = 0x7FF8000000000033;
    struct Case {
        const char *what;
        uint32_t (*worker)(IOPDesc *, uint64_t *, const uint64_t *, const uint64_t *, const uint64_t *, int);
        uint64_t a, c, b, expected;
        uint32_t flags;     // among SNaN, QNaN and invalid
        uint64_t fpscr_set; // among VXSNAN, VXIMZ and VXISI
    } cases[] = {
        {"A first, SNaN anywhere", vmicro_dp_madd, qnan_a, qnan_c, SNAN, qnan_a, FP_SNAN_OPERAND,
         FPSCR_VXSNAN},
        {"B before C", vmicro_dp_madd, ONE, qnan_c, qnan_b, qnan_b, FP_QNAN_OPERAND, 0},
        {"NaN addend and 0 x inf", vmicro_dp_madd, INF, PLUS_ZERO, qnan_b, qnan_b,
         FP_QNAN_OPERAND | FP_INVALID, FPSCR_VXIMZ},
        {"0 x inf", vmicro_dp_madd, INF, MINUS_ZERO, ONE, DEFAULT_NAN, FP_QNAN_OPERAND | FP_INVALID,
         FPSCR_VXIMZ},
        {"0 x inf negated", vmicro_dp_nmadd, INF, MINUS_ZERO, ONE, DEFAULT_NAN, FP_QNAN_OPERAND | FP_INVALID,
         FPSCR_VXIMZ},
        {"inf - inf", vmicro_dp_madd, INF, ONE, MINUS_INF, DEFAULT_NAN, FP_INVALID, FPSCR_VXISI},
        {"inf - inf (msub)", vmicro_dp_msub, INF, ONE, INF, DEFAULT_NAN, FP_INVALID, FPSCR_VXISI},
        {"msub keeps a NaN addend's sign", vmicro_dp_msub, ONE, ONE, qnan_b, qnan_b, FP_QNAN_OPERAND, 0},
    };
    for (const Case &c : cases) {
        IOPDesc *iop = open("xsmaddadp");
        uint64_t out;
        const uint32_t flags = c.worker(iop, &out, &c.a, &c.c, &c.b, 0);
        EXPECT_EQ(out, c.expected) << c.what;
        EXPECT_EQ(flags & (FP_SNAN_OPERAND | FP_QNAN_OPERAND | FP_INVALID), c.flags) << c.what;
        EXPECT_EQ(cached(iop) & (FPSCR_VXSNAN | FPSCR_VXIMZ | FPSCR_VXISI), c.fpscr_set) << c.what;
    }
}

TEST_F(VsxMicro, NegatedFormsAfterRounding)
{
    // Overflow rounded to +inf in mode 0, then negated.
    const uint64_t big = 0x7FE0000000000000;
    uint64_t out;
    vmicro_dp_nmadd(open("xsnmaddadp"), &out, &big, &TWO, &ONE, 0);
    EXPECT_EQ(out, MINUS_INF);

    // A signalling NaN with fraction bits 50 and 0: quieted, only the top 23 fraction bits kept.
    IOPDesc *iop = open("xsmaddasp");
    vmicro_sp_madd_dp(iop, &out, 0x7FF4000000000001, ONE, ONE, 0);
    EXPECT_EQ(out, 0x7FFC000000000000u);
    EXPECT_TRUE(cached(iop) & FPSCR_VXSNAN);

    // 2^100 × 2^100 overflows single precision though a double holds it.
    const uint64_t two100 = 0x4630000000000000;
    iop = open("xsmaddasp");
    vmicro_sp_madd_dp(iop, &out, two100, two100, PLUS_ZERO, 0);
    EXPECT_EQ(out, INF);
    EXPECT_TRUE(cached(iop) & FPSCR_OX);

    // VE = 1 and a signalling NaN: the negated single form leaves out alone.
    uint32_t word = 0x12345678;
    const uint32_t flags = vmicro_sp_nmadd(open("xvnmaddasp", FPSCR_VE), &word, 0x7F800001, 0x3F800000, 0, 0);
    EXPECT_EQ(word, 0x12345678u);
    EXPECT_TRUE(flags & FP_SNAN_OPERAND);
}

TEST_F(VsxMicro, NonIeeeSquashOfTheNegatedSingleResult)
{
    ew.option(PO_SUPPORT_NON_IEEE_MODE);
    ew.option(PO_NI_SQUASH_DENORM_OUTPUT);
    const uint64_t tiny = 0x3730000000000000; // 2^-140, a single-precision denormal
    uint64_t out;
    vmicro_sp_nmadd_dp(open("xsnmaddasp", FPSCR_NI), &out, tiny, ONE, PLUS_ZERO, 0);
    EXPECT_EQ(out, MINUS_ZERO);
    vmicro_sp_madd_dp(open("xsmaddasp", FPSCR_NI), &out, tiny, ONE, PLUS_ZERO, 0);
    EXPECT_EQ(out, tiny);
    ew.option(PO_NI_SQUASH_DENORM_OUTPUT, 0);
    vmicro_sp_nmadd_dp(open("xsnmaddasp", FPSCR_NI), &out, tiny, ONE, PLUS_ZERO, 0);
    EXPECT_EQ(out, tiny | MINUS_ZERO);
}

} // namespace
} // namespace vec_test
