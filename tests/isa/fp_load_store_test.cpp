// Floating-point loads and stores: the single-precision conversions, update forms, the facility
// order of loads and stores, byte order, stfiwx and the paired forms.
#include <cmath>
#include <cstring>

#include "exec_word.h"
#include "fp/format_convert.h"

namespace
{

constexpr uint64_t MSR_FP = 0x2000;
enum : uint32_t { LFS = 48, LFSU = 49, LFD = 50, LFDU = 51, STFS = 52, STFD = 54 };
enum : uint32_t { LFDUX = 631, LFDX = 599, STFIWX = 983, STFDPX = 919 };

uint32_t x_form(uint32_t xo, uint32_t rt, uint32_t ra, uint32_t rb)
{
    return XO_FORM(xo, rt, ra, rb);
}

uint64_t &fpr(ExecWord &ew, int n)
{
    return ew.t->VSR[n].value[1];
}

uint64_t bits(double d)
{
    uint64_t b;
    memcpy(&b, &d, sizeof b);
    return b;
}

class FpLoadStore : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ew.memory();
        ew.t->MSR.value |= MSR_FP;
    }
    ExecWord ew;
};

TEST(SingleFloat, LoadConversionIsExact)
{
    struct Case {
        uint32_t word;
        uint64_t image;
    } cases[] = {
        {0x3F800000, 0x3FF0000000000000}, // 1.0
        {0xC0490FDB, bits((double)-3.14159274101257324219)},
        {0x00000001, 0x36A0000000000000}, // the smallest denormal, normalised: 2^-149
        {0x80400000, bits(-std::ldexp(1.0, -127))},
        {0x7F800000, 0x7FF0000000000000}, // infinity
        {0x80000000, 0x8000000000000000}, // -0
        {0x7FA00001, 0x7FF4000020000000}, // a signalling NaN keeps its payload, unquieted
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(load_single_float(nullptr, c.word), c.image);
    }
}

TEST(SingleFloat, StoreConversionSelectsFieldsWithoutRounding)
{
    // A double in single range keeps its top 23 fraction bits whatever the mode; the single
    // denormal range is denormalised by truncation; NaN bits are placed back.
    const uint64_t just_above_one = bits(1.0 + std::ldexp(1.0, -24) + std::ldexp(1.0, -40));
    for (int mode = 0; mode < 4; mode++) EXPECT_EQ(ConvDPtoSP(nullptr, just_above_one, mode, 0), 0x3F800000u);
    EXPECT_EQ(ConvDPtoSP(nullptr, bits(-1.0 - std::ldexp(1.0, -30)), 3, 0), 0xBF800000u);
    EXPECT_EQ(ConvDPtoSP(nullptr, 0x7FF4000020000000, 0, 0), 0x7FA00001u);
    EXPECT_EQ(ConvDPtoSP(nullptr, bits(std::ldexp(1.75, -130)), 0, 0), 0x000E0000u);
}

TEST_F(FpLoadStore, LoadsConvertAndMarkTheRegister)
{
    ew.write(0x800, 4, 0x00000001);
    ew.write(0x808, 8, 0x400921FB54442D18);
    ew.gpr(4) = 0x800;
    EXPECT_EQ(ew.run(D_FORM(LFS, 1, 4, 0)), 1);
    EXPECT_EQ(fpr(ew, 1), 0x36A0000000000000u);
    EXPECT_EQ(ew.t->VSR[1].fpr_form, 3);
    EXPECT_EQ(ew.run(D_FORM(LFD, 2, 4, 8)), 1);
    EXPECT_EQ(fpr(ew, 2), 0x400921FB54442D18u);
    EXPECT_EQ(ew.t->VSR[2].fpr_form, 2);
    EXPECT_EQ(ew.t->PC.value, 0x1008u);

    ew.little_endian(); // the bytes of a little-endian access are reversed
    ew.gpr(5) = 8;
    EXPECT_EQ(ew.run(x_form(LFDX, 3, 4, 5)), 1);
    EXPECT_EQ(fpr(ew, 3), 0x182D4454FB210940u);
}

TEST_F(FpLoadStore, StoresWriteTheImageOrItsSingle)
{
    fpr(ew, 7) = bits(1.5);
    ew.gpr(4) = 0x900;
    EXPECT_EQ(ew.run(D_FORM(STFD, 7, 4, 0)), 1);
    EXPECT_EQ(ew.read(0x900, 8), bits(1.5));
    EXPECT_EQ(ew.run(D_FORM(STFS, 7, 4, 8)), 1);
    EXPECT_EQ(ew.read(0x908, 4), 0x3FC00000u);
    fpr(ew, 8) = 0x1122334455667788;
    ew.gpr(5) = 0x10;
    EXPECT_EQ(ew.run(x_form(STFIWX, 8, 4, 5)), 1);
    EXPECT_EQ(ew.read(0x910, 4), 0x55667788u);
    EXPECT_EQ(ew.read(0x914, 4), 0u);
    EXPECT_EQ(ew.t->PC.value, 0x100Cu);
}

TEST_F(FpLoadStore, UpdateFormsAndTheRaZeroOption)
{
    ew.write(0x800, 8, 0x4000000000000000);
    ew.gpr(4) = 0x7F8;
    EXPECT_EQ(ew.run(D_FORM(LFDU, 1, 4, 8)), 1);
    EXPECT_EQ(ew.gpr(4), 0x800u);
    EXPECT_EQ(fpr(ew, 1), 0x4000000000000000u);

    ew.gpr(0) = 0x123;
    ew.gpr(5) = 0x800;
    EXPECT_EQ(ew.run(x_form(LFDUX, 2, 0, 5)), 1); // loads and writes the EA into GPR0
    EXPECT_EQ(ew.gpr(0), 0x800u);
    EXPECT_EQ(fpr(ew, 2), 0x4000000000000000u);

    ew.option(PO_INVALID_LFDUX_WHEN_RA_IS_0);
    fpr(ew, 2) = 0;
    EXPECT_EQ(ew.run(x_form(LFDUX, 2, 0, 5)), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, 221); // illegal instruction
    EXPECT_EQ(fpr(ew, 2), 0u);
    EXPECT_EQ(ew.run(D_FORM(LFSU, 2, 0, 0)), 0);
}

TEST_F(FpLoadStore, FloatingPointUnavailable)
{
    ew.t->MSR.value &= ~MSR_FP;
    ew.gpr(4) = 0x900;
    fpr(ew, 1) = 0x77;
    EXPECT_EQ(ew.run(D_FORM(STFD, 1, 4, 0x10)), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 21);
    EXPECT_EQ(ew.iop->data.ea, 0x910u); // a store forms its address first
    EXPECT_EQ(ew.read(0x910, 8), 0u);

    EXPECT_EQ(ew.run(D_FORM(LFD, 1, 4, 0x10)), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 21);
    EXPECT_EQ(ew.raised()->next, nullptr);
    EXPECT_EQ(ew.iop->data.ea, 0u); // a load does not
    EXPECT_EQ(fpr(ew, 1), 0x77u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
}

TEST_F(FpLoadStore, PairedStoreEvenThenOdd)
{
    ew.option(PO_FP_LOAD_STORE_DOUBLE_PAIR_INSTRUCTIONS_SUPPORTED);
    fpr(ew, 2) = 0xAAAAAAAAAAAAAAAA;
    fpr(ew, 3) = 0xBBBBBBBBBBBBBBBB;
    ew.gpr(4) = 0xA00;
    ew.gpr(5) = 0;
    EXPECT_EQ(ew.run(x_form(STFDPX, 3, 4, 5)), 1); // an odd field names the same pair
    EXPECT_EQ(ew.read(0xA00, 8), 0xAAAAAAAAAAAAAAAAu);
    EXPECT_EQ(ew.read(0xA08, 8), 0xBBBBBBBBBBBBBBBBu);

    // A first store that fails leaves the second address alone. A hole is a machine check only on
    // a strict machine, and taken only with MSR[ME].
    ew.more_memory("beyond", 0x40008, 0x1000);
    ew.core.test_machine.machine.machine_options[MO_STRICT] = 1;
    ew.t->MSR.value |= MSR_ME;
    ew.gpr(4) = 0x40000;
    EXPECT_EQ(ew.run(x_form(STFDPX, 2, 4, 5)), 0);
    EXPECT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.read(0x40008, 8), 0u);

    ew.option(PO_POWERPC_V202, 0);
    EXPECT_EQ(ew.run(x_form(STFDPX, 2, 4, 5)), 0);
    ew.option(PO_FP_LOAD_STORE_DOUBLE_PAIR_INSTRUCTIONS_SUPPORTED, 0);
    EXPECT_EQ(ew.run(x_form(STFDPX, 2, 4, 5)), 0);
    EXPECT_EQ(ew.raised()->subtype, 221);
}

} // namespace
