// The FPR invalid map and the soft-patch predicates: which writes leave a register dirty, and
// when an instruction with a dirty operand takes the assist (the compare and divide-test rules
// without SUPPORTS_GLENT_FP_SOFTPATCH, the exemptions, the store rule).
#include <cmath>

#include "fp/fpr_invalid_map.h"
#include "fp_machine.h"
#include "memory/memory_map.h"

namespace
{

constexpr uint64_t TWO_TO_MINUS_130 = 0x37D0000000000000ull; // a single-precision denormal

TEST(FPRInvalidMap, SinglePrecisionDenormalResultsMarkTheTargetDirty)
{
    FPMachine f;
    f.fpr(1) = TWO_TO_MINUS_130;
    f.fpr(2) = 0;
    ASSERT_EQ(f.run(A_FORM(59, XO_FADD, 3, 1, 2, 0)), 1); // fadds
    EXPECT_EQ(f.fpr(3), TWO_TO_MINUS_130);
    EXPECT_TRUE(f.dirty(3));
    ASSERT_EQ(f.run(A_FORM(63, XO_FADD, 3, 1, 2, 0)), 1); // fadd: a double result
    EXPECT_FALSE(f.dirty(3));

    // The rule itself: a single-precision row, biased exponent 874..896, not zero, and a load row
    // or UE clear.
    const struct {
        const char *row;
        uint64_t value;
        uint64_t fpscr;
        bool dirty;
    } cases[] = {
        {"fadds", TWO_TO_MINUS_130, 0, true},
        {"fadds", TWO_TO_MINUS_130, 0x20, false},         // UE set
        {"lfs", TWO_TO_MINUS_130, 0x20, true},            // a load: whatever UE says
        {"fadds", MINUS_ZERO, 0, false},
        {"fadds", 0, 0, false},
        {"fadds", 873ull << 52, 0, false},
        {"fadds", 897ull << 52, 0, false},
        {"fadds", (874ull << 52) | 1, 0, true},
        {"fadd", TWO_TO_MINUS_130, 0, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.row << " " << std::hex << c.value);
        f.t->FPR_INVALID_MAP.value = ~0ull;
        f.fpscr() = c.fpscr;
        IOPDesc *iop = f.prepare(0);
        iop->row = Search_II_Table(instruction_info_table, c.row);
        Update_FPR_Invalid_Map(iop, 7, c.value);
        EXPECT_EQ(f.dirty(7), c.dirty);
        Update_FPR_Invalid_Map(iop, 64, c.value); // beyond the map: ignored
        EXPECT_EQ(f.t->FPR_INVALID_MAP.value | (1ull << 56), ~0ull);
    }
}

TEST(FPRInvalidMap, LoadingASingleDenormalMarksDirty)
{
    FPMachine f;
    uint64_t value = 0;
    ASSERT_EQ(Write_Mapped_Memory_Reg(f.t->memory_client, 0x2000, 4, 0x00000001, 0), 1);
    (void)value;
    f.t->GPR[4].value = 0x2000;
    f.fpscr() = 0x20; // UE
    ASSERT_EQ(f.run((48u << 26) | (5u << 21) | (4u << 16)), 1); // lfs f5,0(r4)
    EXPECT_EQ(f.fpr(5), 0x36A0000000000000ull);
    EXPECT_TRUE(f.dirty(5));
}

TEST(FPRInvalidMap, ExemptionsByRowClass)
{
    FPMachine f;
    f.t->FPR_INVALID_MAP.value = ~(1ull << (63 - 2));
    f.option(PO_DISABLE_FP_SOFTPATCH_SCALARS, true);
    f.fpr(2) = 5;
    EXPECT_EQ(f.run(X_FORM(63, XO_FCFID, 3, 0, 2)), 1); // no assist
    EXPECT_EQ(f.fpr(3), bits_of(5.0));
    IOPDesc *load = f.prepare(0);
    load->row = Search_II_Table(instruction_info_table, "lfs");
    EXPECT_EQ(Check_Dirty_FPR_Invalid_Map(load, 1, 2u), 1); // loads follow DISABLE_FP_SOFTPATCH_LOADS
    f.option(PO_DISABLE_FP_SOFTPATCH_LOADS, true);
    EXPECT_EQ(Check_Dirty_FPR_Invalid_Map(load, 1, 2u), 0);
    EXPECT_EQ(Check_Dirty_FPR_Invalid_Map(load, 0), 0);
}

// Without SUPPORTS_GLENT_FP_SOFTPATCH, fcmpu takes the assist only when exactly one operand is
// dirty, both have the same sign and the clean one is a normal below the single-precision range.
TEST(FPRInvalidMap, ComparePartialSupportRule)
{
    struct Case {
        uint64_t b;
        bool b_dirty;
        bool assist;
    } cases[] = {
        {bits_of(0x1p-200), false, true},
        {bits_of(-0x1p-200), false, false}, // the signs differ
        {ONE, false, false},
        {bits_of(0x1p-200), true, false},   // both dirty
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.b);
        FPMachine f;
        f.option(PO_SUPPORTS_GLENT_FP_SOFTPATCH, false);
        f.fpr(1) = TWO_TO_MINUS_130;
        f.fpr(2) = c.b;
        f.t->FPR_INVALID_MAP.value = ~((1ull << (63 - 1)) | (c.b_dirty ? 1ull << (63 - 2) : 0));
        EXPECT_EQ(f.run(X_FORM(63, XO_FCMPU, 0, 1, 2)), c.assist ? 0 : 1);
        EXPECT_EQ(f.raised(), c.assist ? EXC_DENORM_SOFTPATCH : -1);
    }
    FPMachine g; // with the option: the plain test of both registers
    g.fpr(1) = TWO_TO_MINUS_130;
    g.fpr(2) = ONE;
    g.t->FPR_INVALID_MAP.value = ~(1ull << (63 - 1));
    EXPECT_EQ(g.run(X_FORM(63, XO_FCMPU, 0, 1, 2)), 0);
    EXPECT_EQ(g.raised(), EXC_DENORM_SOFTPATCH);
}

TEST(FPRInvalidMap, DivideTestDravoRule)
{
    struct Case {
        double b;
        bool assist;
    } cases[] = {{0x1p880, true}, {0x1p800, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.b);
        FPMachine f;
        f.option(PO_SUPPORTS_GLENT_FP_SOFTPATCH, false);
        f.fpr(1) = TWO_TO_MINUS_130;
        f.fpr(2) = bits_of(c.b);
        f.t->FPR_INVALID_MAP.value = ~(1ull << (63 - 1)); // FRA dirty
        EXPECT_EQ(f.run(X_FORM(63, XO_FTDIV, 0, 1, 2)), c.assist ? 0 : 1);
        EXPECT_EQ(f.raised(), c.assist ? EXC_DENORM_SOFTPATCH : -1);
    }
    EXPECT_EQ(DirtyAndExponentInRange(0, 1, 1900ull << 52, 0), 1);
    EXPECT_EQ(DirtyAndExponentInRange(0, 1, 1896ull << 52, 0), 0);
}

// A dirty FRS of a store whose access crosses a page takes the assist whatever DAWRX0 holds; an
// aligned store never does; inside a page the crossing of an 8-byte block counts only while
// DAWRX0 watches such writes.
TEST(FPRInvalidMap, StoreRule)
{
    FPMachine f;
    f.t->FPR_INVALID_MAP.value = ~(1ull << (63 - 3));
    IOPDesc *iop = f.prepare((54u << 26) | (3u << 21)); // stfd f3,0(r0)
    const struct {
        uint64_t ea, dawrx;
        int assist;
    } cases[] = {
        {0x1FFC, 0, 1},    // crosses the page
        {0x1000, 0x47, 0}, // aligned
        {0x1004, 0, 0},    // crosses 8 bytes, DAWRX0 watches nothing
        {0x1004, 0x44, 1}, // watches writes in hypervisor state
        {0x1004, 0x42, 0}, // watches writes in privileged state only
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.ea);
        iop->data.ea = c.ea;
        f.t->DAWRX0.value = c.dawrx;
        EXPECT_EQ(spatchin__FRS(iop), c.assist);
    }
    f.option(PO_FP_UNALIGNED_STORE_TAKES_SOFTPATCH, false);
    iop->data.ea = 0x1FFC;
    EXPECT_EQ(spatchin__FRS(iop), 0);
}

// subfeo and addmeo: OV and CA from the operation's width, the offset carry from bit 24 or 48.
TEST(ExtendedFixedPoint, AddToMinusOneAndSubtractFromExtended)
{
    struct Case {
        bool subtract, mode64;
        uint64_t ra, rb, ca;
        uint64_t rt;
        bool ov, carry, oc;
    } cases[] = {
        {false, false, 0x80000000, 0, 0, 0x7FFFFFFF, true, true, true},
        {false, true, 0, 0, 0, ~0ull, false, false, false},
        {false, true, 0, 0, 1, 0, false, true, true},
        {true, true, ~0ull, 0x7FFFFFFFFFFFFFFF, 1, 0x8000000000000000, true, false, true},
        {true, true, 0, 0x7FFFFFFFFFFFFFFF, 1, 0x7FFFFFFFFFFFFFFF, false, true, true},
        {false, true, 0x0001000001000000, 0, 0, 0x0001000000FFFFFF, false, true, false}, // bit 24
        {false, true, 0x0000000001000000, 0, 0, 0x0000000000FFFFFF, false, true, true},  // bit 48
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.ra);
        FPMachine f;
        f.t->MSR.value = c.mode64 ? MSR_SF | MSR_HV : MSR_HV;
        f.t->GPR[4].value = c.ra;
        f.t->GPR[5].value = c.rb;
        f.t->XER.value = c.ca ? 0x20000000 : 0;
        const uint32_t word = c.subtract ? (31u << 26) | (3u << 21) | (4u << 16) | (5u << 11) | (648u << 1)
                                         : (31u << 26) | (3u << 21) | (4u << 16) | (746u << 1);
        ASSERT_EQ(f.run(word), 1);
        EXPECT_EQ(f.t->GPR[3].value, c.rt);
        EXPECT_EQ((f.t->XER.value & 0x40000000) != 0, c.ov);
        EXPECT_EQ((f.t->XER.value & 0x80000000) != 0, c.ov); // SO with OV
        EXPECT_EQ((f.t->XER.value & 0x20000000) != 0, c.carry);
        EXPECT_EQ((f.t->XER.value & 0x10000000) != 0, c.oc);
    }
}

} // namespace
