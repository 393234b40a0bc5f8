// The vector-scalar scalar conversions between single and double precision and from 64-bit
// integers to single precision, their gates, and the single-precision minimum worker.
#include "interrupts/exception_types.h"
#include "vec_fixture.h"
#include "vector/vsx_sp_min.h"

namespace vec_test
{
namespace
{

constexpr uint64_t kFpscrXX = 0x02000000, kFpscrFI = 0x00020000;

class VsxConvert : public VecTest
{
  protected:
    // doubleword 0 of XT after the conversion of XB's doubleword 0 (doubleword 1 of XB all ones).
    Vec128 convert(const char *m, uint64_t dw0)
    {
        set_vsr(34, Vec128{~0ull, dw0});
        set_vsr(1, Vec128{~0ull, ~0ull});
        EXPECT_EQ(run(XX3(m, 1, 0, 34)), 1) << m;
        return vsr(1);
    }
    uint64_t &fpscr() { return ew.t->FPSCR.value; }
};

TEST_F(VsxConvert, SingleAndDoubleWithoutStatus)
{
    struct Case {
        const char *m;
        uint64_t in, out;
    } cases[] = {
        {"xscvspdpn", 0x3F800000FFFFFFFFull, 0x3FF0000000000000},  // 1.0f, word 1 ignored
        {"xscvspdpn", 0x0000000100000000ull, 0x36A0000000000000},  // 2^-149 becomes a normal double
        {"xscvspdpn", 0x7F80000100000000ull, 0x7FF0000020000000},  // a signalling NaN stays one
        {"xscvspdpn", 0xFF80000000000000ull, 0xFFF0000000000000},  // -infinity
        {"xscvdpspn", 0x3FF0000000000000ull, 0x3F8000003F800000},  // 1.0 in both words
        {"xscvdpspn", 0x3800000000000000ull, 0x0040000000400000},  // exponent 896: a denormal
        {"xscvdpspn", 0x7FF0000000000001ull, 0x7F8000007F800000},  // NaN bits below the field go
        {"xscvdpspn", 0x8000000000000001ull, 0x8000000080000000},  // too small: a signed zero
    };
    for (const Case &c : cases) {
        fpscr() = 0;
        EXPECT_EQ(convert(c.m, c.in), (Vec128{0, c.out})) << c.m << std::hex << " " << c.in;
        EXPECT_EQ(fpscr(), 0u) << c.m;
    }
}

TEST_F(VsxConvert, IntegersRoundToSinglePrecision)
{
    struct Case {
        const char *m;
        uint64_t rn, in, out;
        bool inexact;
    } cases[] = {
        {"xscvsxdsp", 0, (uint64_t)-3, 0xC008000000000000, false},
        {"xscvsxdsp", 0, 0x0000000001000001, 0x4170000000000000, true}, // 2^24 + 1, to nearest even
        {"xscvsxdsp", 2, 0x0000000001000001, 0x4170000020000000, true}, // toward +infinity
        {"xscvuxdsp", 0, ~0ull, 0x43F0000000000000, true},              // 2^64
        {"xscvuxdsp", 1, ~0ull, 0x43EFFFFFE0000000, true},              // toward zero
        {"xscvuxdsp", 0, 0, 0, false},
    };
    for (const Case &c : cases) {
        fpscr() = c.rn;
        EXPECT_EQ(convert(c.m, c.in), (Vec128{0, c.out})) << c.m << " " << c.in;
        EXPECT_EQ((fpscr() & kFpscrXX) != 0, c.inexact) << c.m << " " << c.in;
        EXPECT_EQ((fpscr() & kFpscrFI) != 0, c.inexact) << c.m << " " << c.in;
        EXPECT_EQ(fpscr() & 3, c.rn);
    }
}

TEST_F(VsxConvert, Gates)
{
    set_vsr(1, Vec128{5, 6});
    ew.option(PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED, 0);
    for (const char *m : {"xscvsxdsp", "xscvuxdsp"}) {
        EXPECT_EQ(run(XX3(m, 1, 0, 2)), 0) << m;
        ASSERT_NE(raised(), nullptr);
        EXPECT_EQ(raised()->subtype, EST_ILLEGAL_INSTRUCTION);
    }
    ew.option(PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED, 1);
    problem_state();
    pcr(0x4);
    for (const char *m : {"xscvspdpn", "xscvdpspn", "xscvsxdsp", "xscvuxdsp"}) {
        EXPECT_EQ(run(XX3(m, 1, 0, 2)), 0) << m;
        ASSERT_NE(raised(), nullptr);
        EXPECT_EQ(raised()->subtype, EST_ILLEGAL_INSTRUCTION);
    }
    pcr(0);
    msr() &= ~MSR_VSX;
    EXPECT_EQ(run(XX3("xscvdpspn", 1, 0, 2)), 0);
    EXPECT_EQ(raised_type(), EXC_VSX_UNAVAILABLE);
    EXPECT_EQ(vsr(1), (Vec128{5, 6}));
    EXPECT_EQ(pc(), 0x1000u);
}

TEST(VsxSpMin, NaNsZerosAndOrder)
{
    const uint32_t one = 0x3F800000, two = 0x40000000, qnan = 0x7FC00000, snan = 0x7F800001;
    struct Case {
        uint32_t a, b, out, flags;
    } cases[] = {
        {qnan, one, one, 0},          {one, qnan, one, 0},
        {qnan, 0x7FC00001, qnan, 0},  {snan, one, 0x7FC00001, 0x80},
        {one, snan, 0x7FC00001, 0x80}, {0x00000000, 0x80000000, 0x80000000, 0},
        {0x80000000, 0x00000000, 0x80000000, 0}, {one, two, one, 0},
        {0xBF800000, 0xC0000000, 0xC0000000, 0}, {0xC0000000, one, 0xC0000000, 0},
    };
    for (const Case &c : cases) {
        uint32_t out = 0;
        EXPECT_EQ(vmicro_sp_min(nullptr, &out, c.a, c.b), c.flags) << std::hex << c.a << " " << c.b;
        EXPECT_EQ(out, c.out) << std::hex << c.a << " " << c.b;
    }
}

} // namespace
} // namespace vec_test
