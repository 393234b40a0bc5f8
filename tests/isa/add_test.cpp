// Add, subtract and negate with their XER effects in 32- and 64-bit mode, the offset carry, the
// tags-active nibble carries, addg6s, max, and the in-flight (cycle-model) form.
#include "exec_word.h"
#include "isa/fixed_point_workers.h"

namespace
{

// XO-form words with RT 3, RA 4, RB 5 (OE adds 512 to the extended opcode).
constexpr uint32_t OE = 512;
uint32_t xo(uint32_t code, uint32_t rc = 0)
{
    return XO_FORM(code, 3, 4, 5, rc);
}
enum : uint32_t {
    ADD = 266,
    ADDC = 10,
    ADDE = 138,
    ADDME = 234,
    ADDZE = 202,
    SUBF = 40,
    SUBFC = 8,
    NEG = 104,
    SUBFZE = 200,
};

struct AddCase {
    const char *what;
    uint32_t word;
    bool mode64;
    bool tags;
    uint64_t ra, rb, xer_in;
    uint64_t rt, xer;
};

void run_cases(const AddCase *cases, size_t count, bool oc_behavior = true)
{
    for (size_t i = 0; i < count; i++) {
        const AddCase &c = cases[i];
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.option(PO_XER_OC_BEHAVIOR, oc_behavior);
        if (!c.mode64) ew.mode32();
        if (c.tags) ew.t->MSR.value |= MSR_TA;
        ew.gpr(0) = 0x0BAD;
        ew.gpr(4) = c.ra;
        ew.gpr(5) = c.rb;
        ew.xer() = c.xer_in;
        EXPECT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(ew.gpr(3), c.rt);
        EXPECT_EQ(ew.xer(), c.xer);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

TEST(Add, CarriesAndOverflowByMode)
{
    const AddCase cases[] = {
        {"addc 32", xo(ADDC), false, false, 0xFFFFFFFF, 1, 0, 0x100000000, XER_CA},
        {"addc 64", xo(ADDC), true, false, 0xFFFFFFFF, 1, 0, 0x100000000, 0},
        {"addo 32", xo(ADD + OE), false, false, 0x7FFFFFFF, 1, 0, 0x80000000, XER_SO | XER_OV},
        {"addo 64", xo(ADD + OE), true, false, 0x7FFFFFFF, 1, 0, 0x80000000, 0},
        {"addo clears OV keeps SO", xo(ADD + OE), true, false, 1, 1, XER_SO | XER_OV, 2, XER_SO},
        {"nego 64", xo(NEG + OE), true, false, 0x8000000000000000, 0, 0, 0x8000000000000000, XER_SO | XER_OV},
        {"nego 32", xo(NEG + OE), false, false, 0x80000000, 0, 0, 0xFFFFFFFF80000000, XER_SO | XER_OV},
        {"nego of 0", xo(NEG + OE), true, false, 0, 0, 0, 0, 0},
        {"nego 32 keeps the high word", xo(NEG + OE), false, false, 0x0000000180000000, 0, 0, 0xFFFFFFFE80000000,
         XER_SO | XER_OV},
        {"addo 32 into the sign", xo(ADD + OE), false, false, 0x40000000, 0x40000000, 0, 0x80000000,
         XER_SO | XER_OV},
        {"neg", xo(NEG), true, false, 5, 0, XER_CA, (uint64_t)-5, XER_CA},
        {"subf", xo(SUBF), true, false, 3, 10, 0, 7, 0},
        {"subfc equal", xo(SUBFC), true, false, 5, 5, 0, 0, XER_CA | XER_OC},
        {"subfc 1 from 0", xo(SUBFC), true, false, 1, 0, 0, ~0ull, 0},
        {"addme CA 0", xo(ADDME), true, false, 0, 0, 0, ~0ull, 0},
        {"addme CA 1", xo(ADDME), true, false, 0, 0, XER_CA, 0, XER_CA | XER_OC},
        {"addze CA 1", xo(ADDZE), true, false, 0xFFFFFFFFFFFFFFFF, 0, XER_CA, 0, XER_CA | XER_OC},
        {"adde 32", xo(ADDE), false, false, 0xFFFFFFFF, 0, XER_CA, 0x100000000, XER_CA},
        {"addeo. overflow", xo(ADDE + OE, 1), true, false, 0x7FFFFFFFFFFFFFFF, 0, XER_CA, 0x8000000000000000,
         XER_SO | XER_OV | XER_OC},
    };
    run_cases(cases, std::size(cases));
}

TEST(Add, OffsetCarryWidthFollowsRa)
{
    const AddCase cases[] = {
        {"48-bit offset", xo(ADDC), true, false, 0x0000FFFFFFFFFFFF, 1, 0, 0x0001000000000000, XER_OC},
        {"24-bit offset carries", xo(ADDC), true, false, 0x0001000000FFFFFF, 1, 0, 0x0001000001000000,
         XER_OC},
        {"24-bit offset no carry", xo(ADDC), true, false, 0x0001000000FFFFFE, 1, 0, 0x0001000000FFFFFF, 0},
        {"adde carries into bit 48", xo(ADDE), true, false, 0x0000FFFFFFFFFFFF, 0, XER_CA, 0x0001000000000000,
         XER_OC},
        {"adde at 2^48 takes the 24-bit sum", xo(ADDE), true, false, 0x0001000000FFFFFF, 0, XER_CA,
         0x0001000001000000, XER_OC},
    };
    run_cases(cases, std::size(cases));

    const AddCase without_oc[] = {
        {"OC stays clear", xo(ADDC), true, false, 0x0000FFFFFFFFFFFF, 1, 0, 0x0001000000000000, 0},
        {"OC stays set", xo(ADDC), true, false, 1, 1, XER_OC, 2, XER_OC},
        {"OC stays set, carry-in form", xo(ADDE), true, false, 1, 1, XER_OC, 2, XER_OC},
    };
    run_cases(without_oc, std::size(without_oc), false);
}

TEST(Add, TagsActiveNibbleCarriesAndCarryIn)
{
    const uint64_t nibble0 = 0x100000000ull | XER_ANY_NIBBLE_CARRY;
    const AddCase cases[] = {
        {"addc tags", xo(ADDC), true, true, 0x9, 0x7, 0, 0x10, nibble0},
        {"addc no tags", xo(ADDC), true, false, 0x9, 0x7, 0, 0x10, 0},
        {"addc tags clears old carries", xo(ADDC), true, true, 1, 1,
         XER_NIBBLE_CARRIES | XER_ANY_NIBBLE_CARRY, 2, 0},
        {"subfc tags", xo(SUBFC), true, true, 1, 1, 0, 0, XER_CA | XER_OC | 0x0000FFFF00800000ull},
        {"adde tags keeps OC", xo(ADDE), true, true, 1, 1, XER_OC, 2, XER_OC},
        {"adde no tags writes OC", xo(ADDE), true, false, 1, 1, XER_OC, 2, 0},
        {"add tags no carries", xo(ADD), true, true, 0x9, 0x7, 0, 0x10, 0},
    };
    run_cases(cases, std::size(cases));
}

TEST(Add, SubfzeRecordOfAllOnes)
{
    ExecWord ew;
    ew.gpr(4) = ~0ull;
    ew.xer() = XER_SO;
    EXPECT_EQ(ew.run(xo(SUBFZE, 1)), 1);
    EXPECT_EQ(ew.gpr(3), 0u);
    EXPECT_EQ(ew.xer() & XER_CA, 0u);
    EXPECT_EQ(ew.cr() >> 28, 0x2u | 0x1u); // EQ, and SO copied from XER
}

TEST(Add, ImmediateForms)
{
    struct Case {
        const char *what;
        uint32_t word;
        uint64_t rt;
        uint64_t xer;
    } cases[] = {
        {"addi RA 0", D_FORM(14, 3, 0, 0x8000), 0xFFFFFFFFFFFF8000, 0},
        {"addis RA 0", D_FORM(15, 3, 0, 0x8000), 0xFFFFFFFF80000000, 0},
        {"addi", D_FORM(14, 3, 4, 0xFFFF), 0x40 - 1, 0},
        {"addis", D_FORM(15, 3, 4, 1), 0x10040, 0},
        {"addic RA 0 adds GPR0", D_FORM(12, 3, 0, 5), 0x0BAD + 5, 0},
        {"addic carry", D_FORM(12, 3, 5, 1), 0, XER_CA | XER_OC},
        {"subfic", D_FORM(8, 3, 4, 0x100), 0x100 - 0x40, XER_CA | XER_OC},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.gpr(0) = 0x0BAD;
        ew.gpr(4) = 0x40;
        ew.gpr(5) = ~0ull;
        EXPECT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(ew.gpr(3), c.rt);
        EXPECT_EQ(ew.xer(), c.xer);
    }
}

TEST(Add, RecordFormsSeeTheSoTheySet)
{
    ExecWord ew;
    ew.mode32();
    ew.gpr(4) = 0x7FFFFFFF;
    ew.gpr(5) = 1;
    EXPECT_EQ(ew.run(xo(ADD + OE, 1)), 1); // addo.
    EXPECT_EQ(ew.cr() >> 28, CR_LT | CR_SO);
    EXPECT_EQ(ew.t->XER.bits_written.mask, XER_SO | XER_OV);

    ExecWord quiet;
    quiet.option(PO_XER_SET_OV_REPORTS_SO, 0);
    quiet.run(xo(ADD + OE)); // no overflow: only OV marked
    EXPECT_EQ(quiet.t->XER.bits_written.mask, XER_OV);
    quiet.run(xo(ADDE));
    EXPECT_EQ(quiet.t->XER.bits_read.mask, XER_CA); // OC is not read when it is written
    quiet.t->MSR.value |= MSR_TA;
    quiet.run(xo(ADDE)); // tags active: CA only, OC read to be kept
    EXPECT_EQ(quiet.t->XER.bits_read.mask, XER_CA | XER_OC);
}

TEST(Add, Addg6s)
{
    struct Case {
        uint64_t ra, rb, rt, xer;
    } cases[] = {
        {0, 0, 0x6666666666666666, 0},
        {~0ull, 1, 0, 0x0000FFFF00800000},
        {0x9, 0x7, 0x6666666666666660, 0x100800000},
    };
    for (const Case &c : cases) {
        ExecWord ew;
        ew.gpr(4) = c.ra;
        ew.gpr(5) = c.rb;
        ew.xer() = c.xer ? 0 : XER_NIBBLE_CARRIES | XER_ANY_NIBBLE_CARRY;
        EXPECT_EQ(ew.run(XO_FORM(74, 3, 4, 5)), 1);
        EXPECT_STREQ(ew.mnemonic(), "addg6s");
        EXPECT_EQ(ew.gpr(3), c.rt);
        EXPECT_EQ(ew.xer(), c.xer);
    }

    // Problem state under 2.05 compatibility: illegal, nothing written.
    ExecWord gated;
    gated.t->MSR.value = MSR_SF | MSR_PR;
    gated.core.core->PCR.value = 0x2;
    gated.gpr(3) = 0x33;
    EXPECT_EQ(gated.run(XO_FORM(74, 3, 4, 5)), 0);
    ASSERT_NE(gated.raised(), nullptr);
    EXPECT_EQ(gated.raised()->subtype, 221);
    EXPECT_EQ(gated.gpr(3), 0x33u);
    EXPECT_EQ(gated.t->PC.value, 0x1000u);
}

TEST(Add, Max)
{
    struct Case {
        uint64_t ra, rb, rt;
    } cases[] = {
        {0x00000000FFFFFFFF, 0, 0},
        {0x7FFFFFFF, 0xFFFFFFFF80000000, 0x7FFFFFFF},
        {0x1234567800000005, 0xFFFFFFFFFFFFFFF0, 5},
    };
    for (const Case &c : cases) {
        ExecWord ew;
        ew.gpr(4) = c.ra;
        ew.gpr(5) = c.rb;
        EXPECT_EQ(semantic_max(ew.prepare(XO_FORM(0, 3, 4, 5))), 1);
        EXPECT_EQ(ew.gpr(3), c.rt);
    }
    ExecWord ew;
    ew.option(PO_MAX_SUPPORTED, 0);
    EXPECT_EQ(semantic_max(ew.prepare(XO_FORM(0, 3, 4, 5))), 0);
    EXPECT_NE(ew.raised(), nullptr);
}

TEST(Add, InFlightFormUsesTheSlots)
{
    ExecWord ew;
    IOPDesc *iop = ew.prepare(xo(ADDC + OE)); // addco
    iop->use_slots = 1;
    iop->defer_side_effects = 1;
    iop->operand_slot1[0] = 0x7FFFFFFFFFFFFFFF;
    iop->operand_slot2[0] = 1;
    iop->time_stamp = 9;
    iop->result_gpr1.pending = 1;
    iop->result_xer.pending = 3;
    ew.gpr(4) = 100; // not read
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(iop->result_gpr1.value[0], 0x8000000000000000u);
    EXPECT_EQ(iop->result_gpr1.ready_time, 9u);
    EXPECT_EQ(iop->result_gpr1.pending, 0);
    EXPECT_EQ(ew.gpr(3), 0u);
    EXPECT_EQ(iop->result_xer.pending, 1); // released once for OV, once for CA/OC
    EXPECT_EQ(iop->result_xer.value[0], XER_OV | XER_OC);
    EXPECT_EQ(ew.xer(), XER_SO); // SO goes to the thread's XER
    EXPECT_EQ(iop->so_value, 1);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);

    // The record form takes SO from the operation's SO value.
    iop = ew.prepare(xo(ADD, 1));
    iop->use_slots = 1;
    iop->so_value = 1;
    iop->operand_slot1[0] = 1;
    iop->operand_slot2[0] = 1;
    ew.xer() = 0;
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(iop->result_cr.value[0] >> 28, CR_GT | CR_SO);
}

} // namespace

TEST(Add, OffsetCarryOfTheTaggedAddresses)
{
    // addic.: the 48-bit offset carry when RA's top 16 bits are zero, else the 24-bit one.
    struct Case {
        uint64_t ra;
        uint64_t xer;
    } cases[] = {
        {0x0000FFFFFFFFFFFF, XER_OC},
        {(1ull << 48) + (1ull << 24) - 1, XER_OC},
        {(1ull << 48) + 5, 0},
        {~0ull, XER_CA | XER_OC},
    };
    for (const Case &c : cases) {
        ExecWord ew;
        ew.gpr(4) = c.ra;
        EXPECT_EQ(ew.run(D_FORM(13, 3, 4, 1)), 1); // addic. r3,r4,1
        EXPECT_EQ(ew.gpr(3), c.ra + 1);
        EXPECT_EQ(ew.xer(), c.xer) << std::hex << c.ra;
    }
    // addze with tags active writes CA only and keeps OC.
    ExecWord ew;
    ew.t->MSR.value |= MSR_TA;
    ew.gpr(4) = 0x0000FFFFFFFFFFFF;
    ew.xer() = XER_CA | XER_OC;
    EXPECT_EQ(ew.run(xo(ADDZE)), 1);
    EXPECT_EQ(ew.gpr(3), 0x0001000000000000u);
    EXPECT_EQ(ew.xer(), XER_OC);
}
