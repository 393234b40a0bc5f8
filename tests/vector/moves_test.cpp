// Moves between GPRs and vector-scalar registers: values, the facility of each VSR half, the
// cleared doubleword 1, the level gate first, and the two reads of mtvsrwa.
#include "processor/regs/reg_triggers.h"
#include "vec_fixture.h"

namespace vec_test
{
namespace
{

TEST_F(VecTest, MovesToAndFromVsrs)
{
    struct Case {
        const char *mnemonic;
        uint32_t vsr;
        uint64_t gpr;
        uint64_t dw0;
    } to[] = {
        {"mtvsrwa", 3, 0x0000000080000001, 0xFFFFFFFF80000001},
        {"mtvsrwa", 35, 0x1234567870000001, 0x0000000070000001},
        {"mtvsrwz", 3, 0xFFFFFFFF80000001, 0x0000000080000001},
        {"mtvsrd", 63, 0x0123456789ABCDEF, 0x0123456789ABCDEF},
    };
    for (const Case &c : to) {
        set_vsr((int)c.vsr, Vec128{~0ull, ~0ull});
        gpr(7) = c.gpr;
        ASSERT_EQ(run(XX1(c.mnemonic, c.vsr, 7)), 1) << c.mnemonic;
        EXPECT_EQ(vsr((int)c.vsr), (Vec128{0, c.dw0})) << c.mnemonic; // doubleword 1 cleared
    }

    set_vsr(40, Vec128{0x5555555555555555, 0xAAAAAAAA12345678});
    ASSERT_EQ(run(XX1("mfvsrwz", 40, 9)), 1);
    EXPECT_EQ(gpr(9), 0x12345678u); // word 0 ignored
    ASSERT_EQ(run(XX1("mfvsrd", 40, 9)), 1);
    EXPECT_EQ(gpr(9), 0xAAAAAAAA12345678u);
}

TEST_F(VecTest, MtvsrwaReadsItsGprTwice)
{
    TclRecorder tcl;
    gpr(7) = 0x80000001;
    Attach_Read_Trigger(&ew.t->GPR[7].trigger, "GPR7", "record");
    ASSERT_EQ(run(XX1("mtvsrwa", 3, 7)), 1);
    EXPECT_EQ(tcl.count("GPR7"), 2);
}

TEST_F(VecTest, MoveFacilityFollowsTheVsrHalf)
{
    // VSR 32..63: the vector facility; MSR[FP] is not consulted.
    msr() = MSR_SF | MSR_HV | MSR_VMX;
    EXPECT_EQ(run(XX1("mtvsrd", 35, 7)), 1);
    EXPECT_EQ(run(XX1("mtvsrd", 3, 7)), 0);
    EXPECT_EQ(raised_type(), EXC_FP_UNAVAILABLE);

    // VSR 0..31: the floating-point facility; never VMX Unavailable.
    msr() = MSR_SF | MSR_HV | MSR_FP;
    EXPECT_EQ(run(XX1("mfvsrd", 3, 7)), 1);
    EXPECT_EQ(run(XX1("mfvsrd", 35, 7)), 0);
    EXPECT_EQ(raised_type(), EXC_VMX_UNAVAILABLE);
}

TEST_F(VecTest, MoveLevelGateComesFirst)
{
    problem_state();
    msr() &= ~(MSR_FP | MSR_VMX);
    pcr(4);
    gpr(9) = 5;
    EXPECT_EQ(run(XX1("mfvsrd", 3, 9)), 0);
    EXPECT_EQ(raised_type(), 28);
    EXPECT_EQ(gpr(9), 5u);
    pcr(0);
    EXPECT_EQ(run(XX1("mfvsrd", 3, 9)), 0);
    EXPECT_EQ(raised_type(), EXC_FP_UNAVAILABLE);

    // The PCR VSX-disable bit applies without PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS.
    msr() |= MSR_FP;
    pcr(0x4000000000000000);
    EXPECT_EQ(run(XX1("mtvsrd", 3, 9)), 1);
    ew.option(PO_PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS, 0);
    EXPECT_EQ(run(XX1("mtvsrd", 3, 9)), 0);
    EXPECT_EQ(raised_type(), 28);
}

} // namespace
} // namespace vec_test
