// The vector register layer: VSCR moves, the next-address advance, the side-effect-free run,
// the data-stream touches, 128-bit bit fields, CR field 6 and the cycle-level core's operand and
// result records.
#include "processor/regs/reg_triggers.h"
#include "decode/semantics.h"
#include "vec_fixture.h"
#include "vector/vscr.h"

namespace vec_test
{
namespace
{

TEST_F(VecTest, MtvscrKeepsNjAndSatOfWordThreeOnly)
{
    set_vr(2, Vec128{~0ull, ~0ull});
    ASSERT_EQ(run(VX("mtvscr", 0, 0, 2)), 1);
    EXPECT_EQ(vscr(), 0x00010001u);
    EXPECT_EQ(vscr_change(), 0x00010001u);
    EXPECT_EQ(pc(), 0x1004u);

    // Words 0-2 non-zero, word 3 zero: VSCR cleared.
    set_vr(2, words(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0));
    ASSERT_EQ(run(VX("mtvscr", 0, 0, 2)), 1);
    EXPECT_EQ(vscr(), 0u);
    EXPECT_EQ(vscr_change(), 0u);

    set_vr(2, words(0, 0, 0, 0x00010001));
    run(VX("mtvscr", 0, 0, 2));
    set_vr(5, Vec128{~0ull, ~0ull});
    ASSERT_EQ(run(VX("mfvscr", 5, 0, 0)), 1);
    EXPECT_EQ(vr(5), words(0, 0, 0, 0x00010001));
}

TEST_F(VecTest, AdvanceWrapsIn32BitMode)
{
    ew.mode32();
    pc() = 0xFFFFFFFC;
    ASSERT_EQ(run(VX("vaddubm", 1, 2, 3)), 1);
    EXPECT_EQ(pc(), 0u);
    EXPECT_EQ(ew.t->next_pc, 0u);
}

TEST_F(VecTest, WithoutSideEffectsOnlyTheMsrTriggersFire)
{
    TclRecorder tcl;
    gpr(4) = 0x100;
    Attach_Read_Trigger(&ew.t->GPR[4].trigger, "GPR4", "record");
    Attach_Read_Trigger(&ew.t->MSR.trigger, "MSR", "record");
    ew.memory();
    IOPDesc *iop = ew.prepare(VX("lvsl", 1, 0, 4));
    iop->defer_side_effects = 1;
    ASSERT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(pc(), 0x1000u);
    EXPECT_EQ(iop->deferred_triggers, DEFERRED_READ_TRIGGER);
    EXPECT_EQ(tcl.count("GPR4"), 0);
    EXPECT_GT(tcl.count("MSR"), 0);
    EXPECT_EQ(iop->operand_slot2[0], 0x100u); // the RB value is kept for the core
}

TEST_F(VecTest, DataStreamTouchesNeedNoFacility)
{
    problem_state();
    msr() &= ~MSR_VMX;
    for (const char *m : {"dss", "dssall", "dst", "dstt", "dstst", "dststt"}) {
        pc() = 0x2000;
        EXPECT_EQ(run(VX(m, 0, 1, 2)), 1) << m;
        EXPECT_EQ(raised(), nullptr) << m;
        EXPECT_EQ(pc(), 0x2004u) << m;
    }
}

TEST(VectorBits, GetAndSetFields)
{
    const Vec128 v{0x0123456789ABCDEF, 0xFEDCBA9876543210};
    EXPECT_EQ(VSU_Get_Bits128(v, 60, 67), 0x00u); // low nibble of high word 0, top nibble of low word 0
    EXPECT_EQ(VSU_Get_Bits128(Vec128{0xA000000000000000, 0x5}, 60, 67), 0x5Au);
    EXPECT_EQ(VSU_Get_Bits128(v, 0, 63), v.high);
    EXPECT_EQ(VSU_Get_Bits128(v, 64, 127), v.low);
    EXPECT_EQ(VSU_Get_Bits128(v, 32, 95), 0x7654321001234567u);
    EXPECT_EQ(VSU_Get_Bits128(v, 127, 127), 1u);
    EXPECT_EQ(VSU_Get_Bits128(v, 0, 3), 0xFu);

    Vec128 w{0, 0};
    VSU_Set_Bits128(&w, 32, 95, 0x1122334455667788);
    EXPECT_EQ(w.high, 0x0000000011223344u);
    EXPECT_EQ(w.low, 0x5566778800000000u);
    VSU_Set_Bits128(&w, 0, 63, ~0ull);
    EXPECT_EQ(w.high, ~0ull);
    EXPECT_EQ(w.low, 0x5566778800000000u);
    VSU_Set_Bits128(&w, 64, 127, 5);
    EXPECT_EQ(w.low, 5u);
    VSU_Set_Bits128(&w, 60, 67, 0xA5);
    EXPECT_EQ(w.high, 0xFFFFFFFFFFFFFFFAu);
    EXPECT_EQ(w.low, 0x5000000000000005u);
}

TEST_F(VecTest, CrSixInBothModes)
{
    IOPDesc *iop = ew.prepare(VX("vaddubm", 1, 2, 3));
    ew.t->CR.value = 0x12345678;
    ew.t->CR.bits_written.valid = 0;
    IOP_Set_CR6(iop, 0xA);
    EXPECT_EQ(ew.t->CR.value, 0x123456A8u);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0xF0u);

    iop = ew.prepare(VX("vaddubm", 1, 2, 3));
    iop->use_slots = 1;
    iop->time_stamp = 9;
    iop->result_cr.value[0] = 0xFFFFFFFF;
    ew.t->CR.bits_written.valid = 0;
    IOP_Set_CR6(iop, 0x2);
    EXPECT_EQ(iop->result_cr.value[0], 0xFFFFFF2Fu);
    EXPECT_EQ(iop->result_cr.ready_time, 9u);
    EXPECT_EQ(ew.t->CR.value, 0x123456A8u);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0xF0u);
}

TEST_F(VecTest, CycleModeReadsSlotsAndHandsTheResultOver)
{
    set_vr(1, Vec128{0, 0});
    IOPDesc *iop = ew.prepare(VX("vadduwm", 1, 2, 3));
    iop->use_slots = 1;
    iop->time_stamp = 42;
    iop->result_gpr2.pending = 1;
    const Vec128 a = words(1, 2, 3, 4), b = words(10, 20, 30, 40);
    iop->operand_slot1[0] = a.low;
    iop->operand_slot1[1] = a.high;
    iop->operand_slot2[0] = b.low;
    iop->operand_slot2[1] = b.high;
    ASSERT_EQ(iop->row->semantic(iop), 1);
    const Vec128 sum = words(11, 22, 33, 44);
    EXPECT_EQ(iop->result_gpr2.value[0], sum.high);
    EXPECT_EQ(iop->result_gpr2.value[1], sum.low);
    EXPECT_EQ(iop->result_gpr2.ready_time, 42u);
    EXPECT_EQ(iop->result_gpr2.pending, 0); // released
    EXPECT_EQ(vr(1), (Vec128{0, 0}));
}

} // namespace
} // namespace vec_test
