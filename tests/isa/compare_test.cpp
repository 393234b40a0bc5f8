// Compares, the tagged compare, CR logical operations, mcrf and the one-bit internal operations.
#include "exec_word.h"
#include "decode/semantics.h"

namespace
{

uint32_t cmp_x(uint32_t xo, uint32_t bf, uint32_t l, uint32_t ra, uint32_t rb)
{
    return XO_FORM(xo, (bf << 2) | l, ra, rb);
}
uint32_t cmp_d(uint32_t opcode, uint32_t bf, uint32_t l, uint32_t ra, uint32_t immediate)
{
    return D_FORM(opcode, (bf << 2) | l, ra, immediate);
}
uint32_t xl(uint32_t xo, uint32_t bt, uint32_t ba, uint32_t bb)
{
    return (19u << 26) | (bt << 21) | (ba << 16) | (bb << 11) | (xo << 1);
}

TEST(Compare, WidthSignednessAndSo)
{
    struct Case {
        const char *what;
        uint32_t word;
        uint64_t ra, rb;
        bool so;
        uint32_t field;
    } cases[] = {
        {"cmpwi low word", cmp_d(11, 2, 0, 4, 5), 0xFFFFFFFF00000005, 0, false, CR_EQ},
        {"cmpdi full", cmp_d(11, 2, 1, 4, 5), 0xFFFFFFFF00000005, 0, false, CR_LT},
        {"cmpwi negative SI", cmp_d(11, 2, 0, 4, 0xFFFF), 0x00000000FFFFFFFF, 0, false, CR_EQ},
        {"cmplwi", cmp_d(10, 2, 0, 4, 1), 0x00000000FFFFFFFF, 0, false, CR_GT},
        {"cmpldi unsigned", cmp_d(10, 2, 1, 4, 1), 0x8000000000000000, 0, false, CR_GT},
        {"cmpl low words", cmp_x(32, 2, 0, 4, 5), 0x00000000FFFFFFFF, 0x0000000100000001, false, CR_GT},
        {"cmpd", cmp_x(0, 2, 1, 4, 5), 0x8000000000000000, 1, false, CR_LT},
        {"cmpw with SO", cmp_x(0, 2, 0, 4, 5), 3, 0xFFFFFFFF00000003, true, CR_EQ | CR_SO},
        {"cmpdi with SO", cmp_d(11, 2, 1, 4, 1), 2, 0, true, CR_GT | CR_SO},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.mode32(); // L decides the width, not the mode
        ew.gpr(4) = c.ra;
        ew.gpr(5) = c.rb;
        ew.xer() = c.so ? XER_SO : 0;
        ew.cr() = 0x12345678;
        EXPECT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(ew.cr(), (0x12345678u & ~0x00F00000u) | (c.field << 20));
        EXPECT_EQ(ew.t->CR.bits_written.mask, 0x00F00000u);
        EXPECT_EQ(ew.t->XER.bits_read.mask, XER_SO);
        EXPECT_EQ(ew.xer(), c.so ? XER_SO : 0); // FXCC untouched with tags inactive
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

TEST(Compare, FxccOnlyWithTagsOrAlwaysSet)
{
    struct Case {
        bool always, tags;
        uint64_t xer;
    } cases[] = {
        {false, false, XER_SO}, {true, false, XER_SO | 0x04000000}, {false, true, XER_SO | 0x04000000}};
    for (const Case &c : cases) {
        ExecWord ew;
        ew.option(PO_FXCC_ALWAYS_SET, c.always);
        if (c.tags) ew.t->MSR.value |= MSR_TA;
        ew.xer() = XER_SO;
        ew.gpr(4) = 9;
        EXPECT_EQ(ew.run(cmp_d(11, 0, 1, 4, 1)), 1);
        EXPECT_EQ(ew.cr() >> 28, CR_GT | CR_SO);
        EXPECT_EQ(ew.xer(), c.xer); // SO position of the field written 0
    }
}

TEST(Compare, TaggedCompare)
{
    struct Case {
        uint64_t ra, rb;
        uint32_t field;
    } cases[] = {
        {0x0001000000000005, 0x0002000000000005, CR_SO}, // different tags
        {0x0001000000000005, 0x0001000001000005, CR_SO}, // one tag, different objects
        {0x0001000000000005, 0x0001000000000006, CR_LT},
        {0x0000000000000005, 0x0000000001000005, CR_LT}, // untagged values compare in full
        {0x0001000000000007, 0x0001000000000006, CR_GT},
    };
    for (const Case &c : cases) {
        ExecWord ew;
        ew.t->MSR.value |= MSR_TA;
        ew.xer() = XER_SO; // not ORed in
        ew.gpr(4) = c.ra;
        ew.gpr(5) = c.rb;
        EXPECT_EQ(ew.run(cmp_x(64, 1, 1, 4, 5)), 1);
        EXPECT_STREQ(ew.mnemonic(), "cmpla");
        EXPECT_EQ((ew.cr() >> 24) & 0xF, c.field);
        EXPECT_EQ(ew.xer(), XER_SO | ((uint64_t)c.field << 24)); // all four bits into FXCC
        EXPECT_EQ(ew.t->XER.bits_read.valid, 0);
    }
    ExecWord untagged;
    EXPECT_EQ(untagged.run(cmp_x(64, 1, 1, 4, 5)), 0);
    ASSERT_NE(untagged.raised(), nullptr);
    EXPECT_EQ(untagged.raised()->subtype, 221);
}

TEST(Compare, ConditionRegisterLogicals)
{
    struct Op {
        uint32_t xo;
        int table[4]; // results for (A, B) = (0,0), (0,1), (1,0), (1,1)
    } ops[] = {
        {257, {0, 0, 0, 1}}, // crand
        {129, {0, 0, 1, 0}}, // crandc
        {289, {1, 0, 0, 1}}, // creqv
        {225, {1, 1, 1, 0}}, // crnand
        {33, {1, 0, 0, 0}},  // crnor
        {449, {0, 1, 1, 1}}, // cror
        {417, {1, 0, 1, 1}}, // crorc
        {193, {0, 1, 1, 0}}, // crxor
    };
    for (const Op &op : ops) {
        for (int ab = 0; ab < 4; ab++) {
            SCOPED_TRACE(::testing::Message() << op.xo << " " << ab);
            ExecWord ew;
            uint32_t a = ab >> 1, b = ab & 1;
            uint32_t before = 0x5A5A5A5A & ~((0x80000000u >> 5) | (0x80000000u >> 10) | (0x80000000u >> 20));
            before |= (a << (31 - 5)) | (b << (31 - 10));
            ew.cr() = before;
            EXPECT_EQ(ew.run(xl(op.xo, 20, 5, 10)), 1);
            EXPECT_EQ(ew.cr(), before | ((uint32_t)op.table[ab] << (31 - 20)));
            EXPECT_EQ(ew.t->CR.bits_written.mask, 0x80000000u >> 20);
        }
    }

    ExecWord ew;
    ew.cr() = 0x02000000; // bit 6
    ew.run(xl(193, 6, 6, 6));
    EXPECT_STREQ(ew.mnemonic(), "crxor");
    EXPECT_EQ(ew.cr(), 0u);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0x02000000u);
    ew.run(xl(289, 6, 6, 6));
    EXPECT_STREQ(ew.mnemonic(), "creqv");
    EXPECT_EQ(ew.cr(), 0x02000000u);
}

TEST(Compare, MoveCrField)
{
    ExecWord ew;
    ew.cr() = 0x1000000A;
    EXPECT_EQ(ew.run((19u << 26) | (0u << 23) | (7u << 18)), 1); // mcrf 0,7
    EXPECT_STREQ(ew.mnemonic(), "mcrf");
    EXPECT_EQ(ew.cr(), 0xA000000Au);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0xF0000000u);
}

TEST(Compare, InternalOneBitOperations)
{
    ExecWord ew;
    ew.cr() = 0x02000000;
    IOPDesc *iop = ew.prepare(6u << 21); // crins BT 6, in place: unchanged
    EXPECT_EQ(semantic_crins(iop), 1);
    EXPECT_EQ(ew.cr(), 0x02000000u);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0x02000000u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);

    iop = ew.prepare(6u << 21);
    iop->use_slots = 1;
    iop->cr_operand = 0x0E000000;
    iop->result_cr.value[0] = 0xF0000000;
    EXPECT_EQ(semantic_crins(iop), 1);
    EXPECT_EQ(iop->result_cr.value[0], 0xFE000000u); // BT's field rebuilt from the operand

    struct Case {
        uint32_t bc;
        uint64_t bit;
    } cases[] = {{2, 1}, {3, 0}, {6, 1}, {31, 1}};
    for (const Case &c : cases) {
        iop = ew.prepare(c.bc << 6);
        iop->use_slots = 1;
        iop->cr_operand = 0x22000001;
        iop->result_cr.pending = 1;
        EXPECT_EQ(semantic_isel_rslv(iop), 1);
        EXPECT_EQ(iop->result_cr.value[0], c.bit) << c.bc;
        EXPECT_EQ(iop->result_cr.pending, 0);
    }
}

} // namespace
