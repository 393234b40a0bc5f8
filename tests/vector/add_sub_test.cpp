// VMX integer add and subtract: the edge cases of each form (element 0 of each case carries the
// interesting operands), saturation recorded once and only when an element clamps, VRT = VRA,
// the cycle-level core's pending flag, and a refused instruction.
#include "vec_fixture.h"

namespace vec_test
{
namespace
{

struct AddCase {
    const char *mnemonic;
    uint32_t a, b; // word element 0 of VA and VB (the rest zero)
    uint32_t t;    // word element 0 of VT
    bool saturates;
};

const AddCase kCases[] = {
    {"vaddubs", 0xFF800000, 0x01000000, 0xFF800000, true},  // FF + 01 clamps, 80 + 00 fits
    {"vaddubs", 0x80000000, 0x7F000000, 0xFF000000, false}, // 80 + 7F = FF exactly
    {"vsububs", 0x00050000, 0x01050000, 0x00000000, true},  // 00 - 01 clamps, 05 - 05 = 0
    {"vsububs", 0x05000000, 0x05000000, 0x00000000, false},
    {"vaddsbs", 0x7F800000, 0x01FF0000, 0x7F800000, true}, // 7F + 01, 80 + FF
    {"vaddsbs", 0x80000000, 0x00000000, 0x80000000, false},
    {"vsubsbs", 0x7F800000, 0xFF010000, 0x7F800000, true},
    {"vaddshs", 0x7FFF8000, 0x0001FFFF, 0x7FFF8000, true},
    {"vaddshs", 0x7FFE8001, 0x0001FFFF, 0x7FFF8000, false}, // the bounds themselves
    {"vsubshs", 0x80000000, 0x00018000, 0x80007FFF, true},
    {"vsubsws", 0x80000000, 0x00000001, 0x80000000, true},
    {"vsubsws", 0x00000000, 0x80000000, 0x7FFFFFFF, true},
    {"vaddsws", 0x7FFFFFFF, 0x00000001, 0x7FFFFFFF, true},
    {"vadduhs", 0xFFFF0001, 0x00020002, 0xFFFF0003, true},
    {"vsubuhs", 0x00010005, 0x00020005, 0x00000000, true},
    {"vadduws", 0xFFFFFFFF, 0x00000001, 0xFFFFFFFF, true},
    {"vsubuws", 0x00000004, 0x00000005, 0x00000000, true},
    {"vaddubm", 0xFF800000, 0x01800000, 0x00000000, false}, // wraps
    {"vsububm", 0x00000000, 0x01000000, 0xFF000000, false},
    {"vadduhm", 0xFFFF0000, 0x00010000, 0x00000000, false},
    {"vsubuhm", 0x00000000, 0x00010000, 0xFFFF0000, false},
    {"vadduwm", 0xFFFFFFFF, 0x00000001, 0x00000000, false},
    {"vsubuwm", 0x00000000, 0x00000001, 0xFFFFFFFF, false},
    {"vaddcuw", 0xFFFFFFFF, 0x00000001, 0x00000001, false},
    {"vaddcuw", 0xFFFFFFFF, 0x00000000, 0x00000000, false},
    {"vsubcuw", 0x00000005, 0x00000005, 0x00000001, false},
    {"vsubcuw", 0x00000004, 0x00000005, 0x00000000, false},
};

TEST_F(VecTest, AddSubtractTable)
{
    for (const AddCase &c : kCases) {
        for (uint32_t before : {0u, 1u}) { // SAT clear, then already set
            ew.t->VSCR.value = before;
            ew.t->VSCR_CHANGE.value = 0x10000;
            set_vr(1, words(c.a, 0, 0, 0));
            set_vr(2, words(c.b, 0, 0, 0));
            ASSERT_EQ(run(VX(c.mnemonic, 3, 1, 2)), 1) << c.mnemonic;
            // Words 1-3 of both operands are zero: vsubcuw gives 1 there (no borrow), the rest 0.
            const uint32_t rest = strcmp(c.mnemonic, "vsubcuw") == 0 ? 1 : 0;
            EXPECT_EQ(vr(3), words(c.t, rest, rest, rest)) << c.mnemonic << " " << std::hex << c.a;
            EXPECT_EQ(vscr(), c.saturates ? 1u : before) << c.mnemonic << " " << std::hex << c.a;
            EXPECT_EQ(vscr_change(), c.saturates ? 0x10001u : 0x10000u) << c.mnemonic;
        }
    }
}

TEST_F(VecTest, ObservableSaturatingAdd)
{
    // Bytes FF 80 05 7F and 01 FF 05 01: "0xFFFF0A80" with SAT, read back by mfvscr.
    set_vr(1, words(0xFF80057F, 0, 0, 0));
    set_vr(2, words(0x01FF0501, 0, 0, 0));
    ASSERT_EQ(run(0x10811200), 1); // vaddubs v4,v1,v2
    ASSERT_EQ(run(0x10A00604), 1); // mfvscr v5
    EXPECT_EQ(Vec_Word(vr(4), 0), 0xFFFF0A80u);
    EXPECT_EQ(vr(5), words(0, 0, 0, 1));
}

TEST_F(VecTest, TargetMayNameASource)
{
    set_vr(1, words(1, 2, 3, 4));
    set_vr(2, words(10, 20, 30, 40));
    ASSERT_EQ(run(VX("vadduwm", 1, 1, 2)), 1);
    EXPECT_EQ(vr(1), words(11, 22, 33, 44));
    ASSERT_EQ(run(VX("vsubuwm", 2, 1, 2)), 1);
    EXPECT_EQ(vr(2), words(1, 2, 3, 4));
}

TEST_F(VecTest, CycleModeLeavesSatPending)
{
    ew.t->VSCR.value = 0;
    ew.t->VSCR_CHANGE.value = 0;
    IOPDesc *iop = ew.prepare(VX("vaddubs", 3, 1, 2));
    iop->use_slots = 1;
    iop->operand_slot1[1] = 0xFF00000000000000;
    iop->operand_slot2[1] = 0x0100000000000000;
    ASSERT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(iop->sat_pending, 1);
    EXPECT_EQ(vscr(), 0u);
    EXPECT_EQ(vscr_change(), 1u);
    EXPECT_EQ(iop->result_gpr2.value[0], 0xFF00000000000000u);
}

TEST_F(VecTest, RefusedAddChangesNothing)
{
    msr() &= ~MSR_VMX;
    set_vr(1, words(0xFF000000, 0, 0, 0));
    set_vr(2, words(0x01000000, 0, 0, 0));
    set_vr(3, words(7, 7, 7, 7));
    ew.t->VSCR.value = 0;
    EXPECT_EQ(run(VX("vaddubs", 3, 1, 2)), 0);
    EXPECT_EQ(raised_type(), EXC_VMX_UNAVAILABLE);
    EXPECT_EQ(vr(3), words(7, 7, 7, 7));
    EXPECT_EQ(vscr(), 0u);
    EXPECT_EQ(pc(), 0x1000u);
}

} // namespace
} // namespace vec_test
