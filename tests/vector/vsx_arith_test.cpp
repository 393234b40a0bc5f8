// VSX add, subtract, multiply, divide and multiply-add instructions: results and FPSCR against
// the reference values of tests/guest/vsx_arith.expected (FR left out), the rows' FPSCR update
// masks, suppression by the enables in the scalar and vector forms, the fields vector rows keep,
// the gates of the 2.07 scalar single forms, the enabled-exception interrupt, overlapping
// registers, and the cycle-level core's path.
#include <sstream>
#include <string>

#include "decode/instr_info.h"
#include "vec_fixture.h"
#include "vector/vec_defs.h"

namespace vec_test
{
namespace
{

constexpr uint64_t FR = 0x40000;

// Doubleword 0 first.
struct Pair {
    uint64_t dw0, dw1;
};

struct Reference {
    const char *mnemonic;
    uint64_t fpscr;
    Pair a, b, t, result;
    uint64_t fpscr_after; // without FR
};

const Reference kReference[] = {
    {"xsadddp",
     0,
     {0x3FF0000000000000, 0},
     {0x7FF0000000000001, 0},
     {0, 0},
     {0x7FF8000000000001, 0x0000000000000000},
     0xA1011000},
    {"xsadddp",
     0,
     {0xFFF8000000000005, 0},
     {0x7FF0000000000001, 0},
     {0, 0},
     {0xFFF8000000000005, 0x0000000000000000},
     0xA1011000},
    {"xsadddp",
     0,
     {0x3FB999999999999A, 0},
     {0x3FC999999999999A, 0},
     {0, 0},
     {0x3FD3333333333334, 0x0000000000000000},
     0x82024000},
    {"xsmuldp",
     0,
     {0x7E37E43C8800759C, 0},
     {0x4202A05F20000000, 0},
     {0, 0},
     {0x7FF0000000000000, 0x0000000000000000},
     0x92025000},
    {"xsmuldp",
     0,
     {0, 0},
     {0x7FF0000000000000, 0},
     {0, 0},
     {0x7FF8000000000000, 0x0000000000000000},
     0xA0111000},
    {"xsdivdp",
     0,
     {0x3FF0000000000000, 0},
     {0, 0},
     {0, 0},
     {0x7FF0000000000000, 0x0000000000000000},
     0x84005000},
    {"xsdivdp", 0, {0, 0}, {0, 0}, {0, 0}, {0x7FF8000000000000, 0x0000000000000000}, 0xA0211000},
    {"xsdivdp",
     0,
     {0xBFF0000000000000, 0},
     {0, 0},
     {0, 0},
     {0xFFF0000000000000, 0x0000000000000000},
     0x84009000},
    {"xssubdp",
     3,
     {0x3FF0000000000000, 0},
     {0x3FF0000000000000, 0},
     {0, 0},
     {0x8000000000000000, 0x0000000000000000},
     0x00012003},
    {"xssubdp",
     0,
     {0x3FF0000000000000, 0},
     {0x3FF0000000000000, 0},
     {0, 0},
     {0x0000000000000000, 0x0000000000000000},
     0x00002000},
    {"xsaddsp",
     0,
     {0x3FF0000000000000, 0},
     {0x3E112E0BE826D695, 0},
     {0, 0},
     {0x3FF0000000000000, 0x0000000000000000},
     0x82024000},
    {"xsmulsp",
     0,
     {0x4008000000000000, 0},
     {0x3FD5555555555555, 0},
     {0, 0},
     {0x3FF0000000000000, 0x0000000000000000},
     0x82024000},
    {"xsdivsp",
     0,
     {0x3FF0000000000000, 0},
     {0x4008000000000000, 0},
     {0, 0},
     {0x3FD5555560000000, 0x0000000000000000},
     0x82024000},
    {"xssubsp",
     0,
     {0x48078287F49C4A1D, 0},
     {0xC8078287F49C4A1D, 0},
     {0, 0},
     {0x7FF0000000000000, 0x0000000000000000},
     0x92025000},
    {"xvdivdp",
     0,
     {0x3FF0000000000000, 0x4008000000000000},
     {0x4008000000000000, 0x4008000000000000},
     {0, 0},
     {0x3FD5555555555555, 0x3FF0000000000000},
     0x82000000},
    {"xvadddp",
     0,
     {0x3FF0000000000000, 0x7FF0000000000000},
     {0x3FF0000000000000, 0xFFF0000000000000},
     {0, 0},
     {0x4000000000000000, 0x7FF8000000000000},
     0xA0800000},
    {"xvmuldp",
     0,
     {0x3FF8000000000000, 0xC000000000000000},
     {0x4010000000000000, 0x3FD0000000000000},
     {0, 0},
     {0x4018000000000000, 0xBFE0000000000000},
     0x00000000},
    {"xvsubdp",
     0,
     {0x7FE1CCF385EBC8A0, 0x7FF0000000000001},
     {0xFFE1CCF385EBC8A0, 0x3FF0000000000000},
     {0, 0},
     {0x7FF0000000000000, 0x7FF8000000000001},
     0xB3000000},
    {"xvaddsp",
     0,
     {0x3F80000040000000, 0x7F7FFFFF00000001},
     {0x3F8000003F800000, 0x7F7FFFFF00000001},
     {0, 0},
     {0x4000000040400000, 0x7F80000000000002},
     0x92000000},
    {"xvdivsp",
     0,
     {0x3F8000003F800000, 0x3F8000003F800000},
     {0x4040000040400000, 0x0000000040400000},
     {0, 0},
     {0x3EAAAAAB3EAAAAAB, 0x7F8000003EAAAAAB},
     0x86000000},
    {"xvmulsp",
     0,
     {0x7F80000000000000, 0x3F8000007FA00000},
     {0x000000003F800000, 0x4000000040000000},
     {0, 0},
     {0x7FC0000000000000, 0x400000007FE00000},
     0xA1100000},
    {"xsmaddadp",
     0,
     {0x4000000000000000, 0},
     {0x4008000000000000, 0},
     {0x4024000000000000, 0},
     {0x4030000000000000, 0x0000000000000000},
     0x00004000},
    {"xsmaddmdp",
     0,
     {0x4000000000000000, 0},
     {0x4008000000000000, 0},
     {0x4024000000000000, 0},
     {0x4037000000000000, 0x0000000000000000},
     0x00004000},
    {"xsmsubadp",
     0,
     {0x4000000000000000, 0},
     {0x4008000000000000, 0},
     {0x4024000000000000, 0},
     {0xC010000000000000, 0x0000000000000000},
     0x00008000},
    {"xsmsubmdp",
     0,
     {0x4000000000000000, 0},
     {0x4008000000000000, 0},
     {0x4024000000000000, 0},
     {0x4031000000000000, 0x0000000000000000},
     0x00004000},
    {"xsnmaddadp",
     0,
     {0x4000000000000000, 0},
     {0x4008000000000000, 0},
     {0x4024000000000000, 0},
     {0xC030000000000000, 0x0000000000000000},
     0x00008000},
    {"xsnmaddmdp",
     0,
     {0x4000000000000000, 0},
     {0x4008000000000000, 0},
     {0x4024000000000000, 0},
     {0xC037000000000000, 0x0000000000000000},
     0x00008000},
    {"xsnmsubadp",
     0,
     {0x4000000000000000, 0},
     {0x4008000000000000, 0},
     {0x4024000000000000, 0},
     {0x4010000000000000, 0x0000000000000000},
     0x00004000},
    {"xsnmsubmdp",
     0,
     {0x4000000000000000, 0},
     {0x4008000000000000, 0},
     {0x4024000000000000, 0},
     {0xC031000000000000, 0x0000000000000000},
     0x00008000},
    {"xsmaddadp",
     0,
     {0x3FF0000008000000, 0},
     {0x3FF0000008000000, 0},
     {0xBFF0000010000000, 0},
     {0x3CD0000000000000, 0x0000000000000000},
     0x00004000},
    {"xsmaddadp",
     0,
     {0x7FF0000000000000, 0},
     {0, 0},
     {0x7FF8000000000003, 0},
     {0x7FF8000000000003, 0x0000000000000000},
     0xA0111000},
    {"xsmaddasp",
     0,
     {0x4415AF1D78B58C40, 0},
     {0x4415AF1D78B58C40, 0},
     {0x3FF0000000000000, 0},
     {0x7FF0000000000000, 0x0000000000000000},
     0x92025000},
    {"xsnmsubasp",
     0,
     {0x4000000000000000, 0},
     {0x4008000000000000, 0},
     {0x4024000000000000, 0},
     {0x4010000000000000, 0x0000000000000000},
     0x00004000},
    {"xvmaddadp",
     0,
     {0x4000000000000000, 0x7FF0000000000001},
     {0x4008000000000000, 0x3FF0000000000000},
     {0x4024000000000000, 0x3FF0000000000000},
     {0x4030000000000000, 0x7FF8000000000001},
     0xA1000000},
    {"xvnmsubmdp",
     0,
     {0x4000000000000000, 0x3FF0000000000000},
     {0x4008000000000000, 0x3FF0000000000000},
     {0x4024000000000000, 0x3FF0000000000000},
     {0xC031000000000000, 0x8000000000000000},
     0x00000000},
    {"xvmaddasp",
     0,
     {0x3F8008003F800000, 0x7F7FFFFF40000000},
     {0x3F8008003F800000, 0x7F7FFFFF40000000},
     {0xBF801000BF800000, 0x0000000040400000},
     {0x3380000000000000, 0x7F80000040E00000},
     0x92000000},
    {"xvnmaddmsp",
     0,
     {0x4000000040000000, 0x4000000040000000},
     {0x4040000040400000, 0x4040000040400000},
     {0x4120000041200000, 0x4120000041200000},
     {0xC1B80000C1B80000, 0xC1B80000C1B80000},
     0x00000000},
};

class VsxArith : public VecTest
{
  protected:
    void set(int n, Pair p) { set_vsr(n, Vec128{p.dw1, p.dw0}); }
    Pair get(int n) { return Pair{vsr(n).high, vsr(n).low}; }
    uint64_t &fpscr() { return ew.t->FPSCR.value; }
    // XT = 35, XA = 33, XB = 34.
    int run3(const char *mnemonic) { return run(XX3(mnemonic, 35, 33, 34)); }
    void operands(Pair a, Pair b, Pair t)
    {
        set(33, a);
        set(34, b);
        set(35, t);
    }
};

TEST_F(VsxArith, ReferenceValues)
{
    for (const Reference &r : kReference) {
        operands(r.a, r.b, r.t);
        fpscr() = r.fpscr;
        ASSERT_EQ(run3(r.mnemonic), 1) << r.mnemonic;
        EXPECT_EQ(get(35).dw0, r.result.dw0) << r.mnemonic << std::hex << " " << r.a.dw0;
        EXPECT_EQ(get(35).dw1, r.result.dw1) << r.mnemonic << std::hex << " " << r.a.dw0;
        EXPECT_EQ(fpscr() & ~FR, r.fpscr_after) << r.mnemonic << std::hex << " " << r.a.dw0;
    }
}

TEST_F(VsxArith, RowUpdateMasks)
{
    struct Mask {
        const char *names;
        uint32_t mask;
    } masks[] = {
        {"xsadddp xssubdp xsaddsp xssubsp", 0x9B87F000},
        {"xsmuldp xsmulsp", 0x9B17F000},
        {"xsdivdp xsdivsp", 0x9F67F000},
        {"xvadddp xvsubdp xvaddsp xvsubsp", 0x9B800000},
        {"xvmuldp xvmulsp", 0x9B100000},
        {"xvdivdp xvdivsp", 0x9F600000},
        {"xsmaddadp xsmaddmdp xsmsubadp xsmsubmdp xsnmaddadp xsnmaddmdp xsnmsubadp xsnmsubmdp xsmaddasp "
         "xsmaddmsp xsmsubasp xsmsubmsp xsnmaddasp xsnmaddmsp xsnmsubasp xsnmsubmsp",
         0x9B97F000},
        {"xvmaddadp xvmaddmdp xvmsubadp xvmsubmdp xvnmaddadp xvnmaddmdp xvnmsubadp xvnmsubmdp xvmaddasp "
         "xvmaddmsp xvmsubasp xvmsubmsp xvnmaddasp xvnmaddmsp xvnmsubasp xvnmsubmsp",
         0x9B900000},
    };
    int rows = 0;
    for (const Mask &m : masks) {
        std::istringstream names(m.names);
        for (std::string name; names >> name; rows++) {
            const InstrInfo *row = Search_II_Table(instruction_info_table, name.c_str());
            ASSERT_NE(row, nullptr) << name;
            EXPECT_EQ(row->fpscr_mask, m.mask) << name;
        }
    }
    EXPECT_EQ(rows, 48);
}

TEST_F(VsxArith, EnabledOverflowScalarWritesVectorDoesNot)
{
    const Pair big{0x7FE0000000000000, 0x7FE0000000000000}; // 2^1023
    operands(big, big, Pair{1, 2});
    fpscr() = FPSCR_OE;
    ASSERT_EQ(run3("xsadddp"), 1);
    EXPECT_EQ(get(35).dw0, 0x1FF0000000000000u); // 2^1024 with the exponent lowered by 1536
    EXPECT_EQ(get(35).dw1, 0u);
    EXPECT_EQ(fpscr() & (FPSCR_OX | FPSCR_FX | FPSCR_FEX), FPSCR_OX | FPSCR_FX | FPSCR_FEX);

    operands(Pair{0x3FF0000000000000, big.dw1}, Pair{0x3FF0000000000000, big.dw1}, Pair{1, 2});
    fpscr() = FPSCR_OE;
    ASSERT_EQ(run3("xvadddp"), 1);
    EXPECT_EQ(get(35).dw0, 1u); // nothing written
    EXPECT_EQ(get(35).dw1, 2u);
    EXPECT_TRUE(fpscr() & FPSCR_OX);
}

TEST_F(VsxArith, SignallingNaNUnderVe)
{
    const Pair snan{0x7FF0000000000001, 0}, one{0x3FF0000000000000, 0};
    operands(one, snan, Pair{5, 6});
    fpscr() = FPSCR_VE | 0x8000; // FPRF: FL
    ASSERT_EQ(run3("xsadddp"), 1);
    EXPECT_EQ(get(35).dw0, 5u);
    EXPECT_EQ(get(35).dw1, 6u);
    EXPECT_EQ(fpscr(), FPSCR_FX | FPSCR_FEX | FPSCR_VX | FPSCR_VXSNAN | FPSCR_VE | 0x8000);

    fpscr() = 0;
    ASSERT_EQ(run3("xsadddp"), 1);
    EXPECT_EQ(get(35).dw0, 0x7FF8000000000001u);
    EXPECT_EQ(fpscr() & FPSCR_FPRF, 0x11000u); // quiet NaN
}

TEST_F(VsxArith, ZeroDivideUnderZe)
{
    operands(Pair{0x3FF0000000000000, 0}, Pair{0, 0}, Pair{5, 6});
    fpscr() = FPSCR_ZE | FPSCR_FR | FPSCR_FI;
    ASSERT_EQ(run3("xsdivdp"), 1);
    EXPECT_EQ(get(35).dw0, 5u);
    EXPECT_EQ(fpscr() & (FPSCR_ZX | FPSCR_FX | FPSCR_FEX | FPSCR_FR | FPSCR_FI),
              FPSCR_ZX | FPSCR_FX | FPSCR_FEX);

    // The vector single form: a zero divisor in word 2 only.
    const Pair ones{0x3F8000003F800000, 0x3F8000003F800000}, divisors{0x4040000040400000, 0x0000000040400000};
    operands(ones, divisors, Pair{5, 6});
    fpscr() = FPSCR_ZE;
    ASSERT_EQ(run3("xvdivsp"), 1);
    EXPECT_EQ(get(35).dw0, 5u);
    EXPECT_EQ(get(35).dw1, 6u);
    fpscr() = 0;
    ASSERT_EQ(run3("xvdivsp"), 1);
    EXPECT_EQ(get(35).dw0, 0x3EAAAAAB3EAAAAABu);
    EXPECT_EQ(get(35).dw1, 0x7F8000003EAAAAABu);
}

TEST_F(VsxArith, VectorRowsKeepFrFiFprf)
{
    const Pair third{0x3FD5555555555555, 0x3FD5555555555555};
    operands(third, third, Pair{0, 0});
    fpscr() = FPSCR_FR | FPSCR_FI | 0x12000; // FPRF -0
    ASSERT_EQ(run3("xvmuldp"), 1);
    EXPECT_EQ(fpscr(), FPSCR_FX | FPSCR_XX | FPSCR_FR | FPSCR_FI | 0x12000);
    operands(third, third, Pair{0, 0});
    fpscr() = 0;
    ASSERT_EQ(run3("xvnmsubadp"), 1);
    EXPECT_EQ(fpscr(), FPSCR_FX | FPSCR_XX);
}

TEST_F(VsxArith, ScalarSingleGates)
{
    operands(Pair{0x3FF0000000000000, 0}, Pair{0x3FF0000000000000, 0}, Pair{5, 6});
    problem_state();
    msr() &= ~MSR_VSX;
    pcr(4);
    for (const char *m : {"xsmulsp", "xsmaddasp"}) {
        EXPECT_EQ(run3(m), 0) << m;
        EXPECT_EQ(raised_type(), 28) << m;
    }
    pcr(0);
    EXPECT_EQ(run3("xsmaddasp"), 0);
    EXPECT_EQ(raised_type(), EXC_VSX_UNAVAILABLE);
    EXPECT_EQ(get(35).dw0, 5u);

    msr() = MSR_SF | MSR_HV | MSR_VSX;
    ew.option(PO_EXTENDED_VSX_INSTRUCTIONS_SUPPORTED, 0);
    EXPECT_EQ(run3("xsmaddasp"), 0);
    EXPECT_EQ(raised_type(), 28);
    EXPECT_EQ(get(35).dw0, 5u);
    EXPECT_EQ(pc(), 0x1000u);
}

TEST_F(VsxArith, EnabledExceptionInterruptAndStillAdvances)
{
    operands(Pair{0x3FF0000000000000, 0}, Pair{0, 0}, Pair{5, 6});
    msr() |= vec::MSR_FE0;
    fpscr() = FPSCR_ZE;
    ASSERT_EQ(run3("xsdivdp"), 1);
    EXPECT_EQ(raised_type(), EXC_FLOATING_POINT);
    EXPECT_EQ(pc(), 0x1004u);
    EXPECT_TRUE(fpscr() & FPSCR_FEX);
}

TEST_F(VsxArith, OverlappingRegistersAndTypeRoles)
{
    set_vsr(7, Vec128{0, 0x4008000000000000}); // 3.0
    ASSERT_EQ(run(XX3("xsadddp", 7, 7, 7)), 1);
    EXPECT_EQ(vsr(7).high, 0x4018000000000000u); // 6.0
    set_vsr(7, Vec128{9, 0x4008000000000000});
    ASSERT_EQ(run(XX3("xsmaddadp", 7, 7, 7)), 1);
    EXPECT_EQ(vsr(7).high, 0x4028000000000000u); // 3 × 3 + 3 = 12
    EXPECT_EQ(vsr(7).low, 0u);

    // -(XA × XB − XT) with XA × XB − XT positive: FPRF negative normal.
    operands(Pair{0x4000000000000000, 0}, Pair{0x4024000000000000, 0}, Pair{0x4008000000000000, 0});
    fpscr() = 0;
    ASSERT_EQ(run3("xsnmsubadp"), 1);
    EXPECT_EQ(get(35).dw0, 0xC031000000000000u); // -17
    EXPECT_EQ(fpscr() & FPSCR_FPRF, 0x8000u);
}

TEST_F(VsxArith, MultiplyAddSuppression)
{
    const Pair two{0x4000000000000000, 0x4000000000000000}, three{0x4008000000000000, 0x4008000000000000};
    const Pair snan_dw1{0x4000000000000000, 0x7FF0000000000001}, old{5, 6};

    // A signalling NaN in doubleword 1: written with VE = 0, nothing with VE = 1.
    operands(snan_dw1, three, Pair{0x4024000000000000, 0x3FF0000000000000});
    fpscr() = 0;
    ASSERT_EQ(run3("xvmaddadp"), 1);
    EXPECT_EQ(get(35).dw0, 0x4030000000000000u);
    EXPECT_EQ(get(35).dw1, 0x7FF8000000000001u);
    const Pair addend{0x4024000000000000, 0x3FF0000000000000};
    operands(snan_dw1, three, addend);
    fpscr() = FPSCR_VE;
    ASSERT_EQ(run3("xvmaddadp"), 1);
    EXPECT_EQ(get(35).dw0, addend.dw0);
    EXPECT_EQ(get(35).dw1, addend.dw1);
    EXPECT_EQ(fpscr(), FPSCR_FX | FPSCR_FEX | FPSCR_VX | FPSCR_VXSNAN | FPSCR_VE);
    // The scalar form keeps both doublewords too.
    operands(Pair{0x7FF0000000000001, 0}, three, old);
    ASSERT_EQ(run3("xsmaddadp"), 1);
    EXPECT_EQ(get(35).dw0, 5u);
    EXPECT_EQ(get(35).dw1, 6u);

    // Overflow with OE = 1: the vector form writes nothing, the scalar form the adjusted result.
    const Pair huge{0x7F7FFFFF7F7FFFFF, 0x7F7FFFFF3F800000};
    operands(huge, Pair{0x3F8000003F800000, 0x400000003F800000}, Pair{0, 0x0000000000000000});
    fpscr() = FPSCR_OE;
    set_vsr(35, Vec128{6, 5});
    ASSERT_EQ(run3("xvmaddasp"), 1);
    EXPECT_EQ(get(35).dw0, 5u);
    EXPECT_TRUE(fpscr() & FPSCR_OX);
    operands(Pair{0x7FE0000000000000, 0}, two, Pair{0, 0});
    fpscr() = FPSCR_OE;
    ASSERT_EQ(run3("xsmaddadp"), 1);
    EXPECT_EQ(get(35).dw0, 0x1FF0000000000000u);

    // Inexact with XE = 1: the vector form keeps XT, the scalar form writes.
    const Pair third{0x3FD5555555555555, 0x3FD5555555555555};
    operands(third, three, old);
    fpscr() = FPSCR_XE;
    ASSERT_EQ(run3("xvmaddadp"), 1);
    EXPECT_EQ(get(35).dw0, 5u);
    ASSERT_EQ(run3("xsmaddadp"), 1);
    EXPECT_NE(get(35).dw0, 5u);
    EXPECT_EQ(get(35).dw1, 0u);
}

TEST_F(VsxArith, CycleModeUsesSlotsAndTheResultRecord)
{
    set_vsr(35, Vec128{7, 7});
    IOPDesc *iop = ew.prepare(XX3("xvadddp", 35, 33, 34));
    iop->use_slots = 1;
    iop->fpscr_slot = 0;
    iop->result_gpr2.pending = 1;
    iop->operand_slot1[1] = 0x3FF0000000000000; // XA dw0 1.0
    iop->operand_slot1[0] = 0x4000000000000000; // XA dw1 2.0
    iop->operand_slot2[1] = 0x3FF0000000000000;
    iop->operand_slot2[0] = 0x4000000000000000;
    ASSERT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(iop->result_gpr2.value[0], 0x4000000000000000u);
    EXPECT_EQ(iop->result_gpr2.value[1], 0x4010000000000000u);
    EXPECT_EQ(iop->result_gpr2.pending, 0);
    EXPECT_EQ(vsr(35), (Vec128{7, 7}));
}

} // namespace
} // namespace vec_test
