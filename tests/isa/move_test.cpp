// Register moves: mfcr/mfocrf with the one-field options, mtcrf/mtocrf, the XER moves, mcrxr and
// mcrxrt, LR/CTR, mfmsr, mftb, the mtspr next-address rule, mfbhrbe's gates, mftgpr, and the
// MSR-commit routines.
#include "exec_word.h"
#include "decode/semantics.h"
#include "interrupts/exception_types.h"
#include "isa/register_moves.h"
#include "processor/spr/spr_table.h"
#include "runtime/plugin_events.h"

namespace
{

std::vector<std::pair<ThreadState *, uint32_t>> mode_changes;
int mode_change_listener(ThreadState *thread, uint32_t mode, uint64_t)
{
    mode_changes.push_back({thread, mode});
    return 0;
}

uint32_t mfcr(uint32_t rt)
{
    return 0x7C000026 | rt << 21;
}
uint32_t mfocrf(uint32_t rt, uint32_t fxm)
{
    return 0x7C100026 | rt << 21 | fxm << 12;
}
uint32_t mtcrf(uint32_t fxm, uint32_t rs)
{
    return 0x7C000120 | rs << 21 | fxm << 12;
}
uint32_t mtocrf(uint32_t fxm, uint32_t rs)
{
    return 0x7C100120 | rs << 21 | fxm << 12;
}
// The SPR-number field: the two 5-bit halves swapped.
uint32_t spr_field(uint32_t spr)
{
    return (spr & 0x1F) << 16 | (spr >> 5) << 11;
}
uint32_t mfspr_form(uint32_t base, uint32_t rt, uint32_t spr)
{
    return base | rt << 21 | spr_field(spr);
}
constexpr uint32_t MFXER = 0x7C0102A6, MTXER = 0x7C0103A6, MFLR = 0x7C0802A6, MTLR = 0x7C0803A6,
                   MFCTR = 0x7C0902A6, MTCTR = 0x7C0903A6, MFMSR = 0x7C0000A6, MFTB = 0x7C0002E6,
                   MTSPR = 0x7C0003A6, MFSPR = 0x7C0002A6, MCRXR = 0x7C000400, MCRXRT = 0x7C000440,
                   MFBHRBE = 0x7C00025C;

// ---- mfcr, mfocrf ----

TEST(MoveFromCr, OneFieldFormUnderTheOptions)
{
    constexpr uint32_t CR = 0x12345678;
    struct Case {
        const char *what;
        uint32_t word;
        std::vector<std::pair<uint32_t, uint32_t>> options; // beside the Ervik defaults
        uint64_t rt;
        uint32_t read_mask; // CR read-bits mask afterwards (0: not marked)
    } cases[] = {
        {"mfcr", mfcr(3), {}, CR, 0},
        {"ignored one-field form", mfocrf(3, 0x20), {{PO_OMFCR_IGNORE, 1}}, CR, 0},
        {"fields 2 and 5 hashed to 7, replicated",
         mfocrf(3, 0x24),
         {{PO_OMFCR_USES_HASHED_FIELD, 1},
          {PO_OMFCR_ALLOW_MULTIPLE_FIELDS, 1},
          {PO_OMFCR_REPLICATES_VALUE, 1},
          {PO_OMFCR_DEFINES_ALL_FIELDS, 1},
          {PO_OMFCR_DOUBLES_NIBBLE, 0}},
         0x88888888,
         0x00F00F00},
        {"hashed and replicated inside the mask, doubled up",
         mfocrf(3, 0x24),
         {{PO_OMFCR_USES_HASHED_FIELD, 1},
          {PO_OMFCR_ALLOW_MULTIPLE_FIELDS, 1},
          {PO_OMFCR_REPLICATES_VALUE, 1}},
         0x08808800,
         0x00F00F00},
        {"FXM 0 moves field 7", mfocrf(3, 0), {{PO_OMFCR_DOUBLES_NIBBLE, 0}}, 0x8, 0xF},
        {"FXM 0 moves field 7, doubled", mfocrf(3, 0), {}, 0x88, 0xF},
        {"FXM 0 without the option", mfocrf(3, 0), {{PO_OMFCR_CRM_EQ_0_MOVES_CR8, 0}}, 0, 0},
        {"field 2, doubled down", mfocrf(3, 0x20), {}, 0x00330000, 0x00F00000},
        {"field 5, doubled up", mfocrf(3, 0x04), {}, 0x00006600, 0x00000F00},
        {"fields 2 and 5: the first only",
         mfocrf(3, 0x24),
         {{PO_OMFCR_DOUBLES_NIBBLE, 0}},
         0x00300000,
         0x00F00000},
        {"first only, not marked without IGNORE_INVALID",
         mfocrf(3, 0x24),
         {{PO_OMFCR_DOUBLES_NIBBLE, 0}, {PO_OMFCR_IGNORE_INVALID, 0}},
         0x00300000,
         0},
        {"first only, index reused as 0",
         mfocrf(3, 0x24),
         {{PO_OMFCR_DOUBLES_NIBBLE, 0}, {PO_OMFCR_REUSES_CR0, 1}, {PO_OMFCR_REPLICATES_VALUE, 1}},
         0x00100000,
         0x00F00000},
        {"other bits from the old RT",
         mfocrf(3, 0x80),
         {{PO_OMFCR_DOUBLES_NIBBLE, 0}, {PO_OMFCR_BITS_ZERO, 0}},
         0xAAAAAAAA1AAAAAAA,
         0xF0000000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        for (auto [option, value] : c.options)
            ew.option(option, value);
        ew.cr() = CR;
        ew.gpr(3) = 0xAAAAAAAAAAAAAAAA;
        EXPECT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(ew.gpr(3), c.rt);
        EXPECT_EQ(ew.cr(), CR);
        EXPECT_EQ(ew.t->CR.bits_read.valid ? ew.t->CR.bits_read.mask : 0u, c.read_mask);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

TEST(MoveFromCr, OneFieldFormNeedsItsOption)
{
    ExecWord ew;
    ew.option(PO_MFOCRF_SUPPORTED, 0);
    ew.gpr(3) = 0x5A;
    EXPECT_EQ(ew.run(mfocrf(3, 0x20)), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, 221);
    EXPECT_EQ(ew.gpr(3), 0x5Au);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
}

// ---- mtcrf, mtocrf ----

TEST(MoveToCr, FieldsSelectedByFxm)
{
    struct Case {
        const char *what;
        uint32_t word;
        bool allow_multiple;
        uint32_t cr;
        uint32_t written_mask; // 0: not marked
    } cases[] = {
        {"all fields", mtcrf(0xFF, 4), false, 0x89ABCDEF, 0},
        {"fields 0 and 7", mtcrf(0x81, 4), false, 0x8234567F, 0xF000000F},
        {"no field", mtcrf(0x00, 4), false, 0x12345678, 0},
        {"mtocrf: the first field only", mtocrf(0x24, 4), false, 0x12A45678, 0x00F00000},
        {"mtocrf with several allowed", mtocrf(0x24, 4), true, 0x12A45D78, 0x00F00F00},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.option(PO_MTCRF_ALLOW_MULTIPLE_FIELDS, c.allow_multiple);
        ew.cr() = 0x12345678;
        ew.gpr(4) = 0xFFFFFFFF89ABCDEF;
        EXPECT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(ew.cr(), c.cr);
        EXPECT_EQ(ew.t->CR.bits_written.valid ? ew.t->CR.bits_written.mask : 0u, c.written_mask);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

TEST(MoveToCr, OneFieldFormNeedsItsOption)
{
    ExecWord ew;
    ew.option(PO_MTOCRF_SUPPORTED, 0);
    ew.cr() = 0x12345678;
    ew.gpr(4) = ~0ull;
    EXPECT_EQ(ew.run(mtocrf(0x80, 4)), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, 221);
    EXPECT_EQ(ew.cr(), 0x12345678u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
}

TEST(MoveToCr, InFlightFormDeliversEachField)
{
    ExecWord ew;
    ew.cr() = 0x12345678;
    IOPDesc *iop = ew.prepare(mtcrf(0x41, 4));
    iop->use_slots = 1;
    iop->defer_side_effects = 1;
    iop->operand_slot4[0] = 0xABCDEF01;
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(iop->result_cr.value[0], 0x0B000001u);
    EXPECT_EQ(ew.cr(), 0x12345678u);
}

// ---- XER ----

TEST(MoveXer, MfxerHidesTheTagFieldsOutsideTagsActiveMode)
{
    constexpr uint64_t XER = 0x0000ABCDFFFFFFFF;
    struct Case {
        const char *what;
        bool tags_active, sim_ctrl_bit6, even_if_not;
        uint64_t rt;
    } cases[] = {
        {"tags inactive", false, false, false, 0xE00FFFFF},
        {"SIM_CTRL bit 6", false, true, false, XER},
        {"tags active", true, false, false, XER},
        {"TGCC_EVEN_IF_NOT_TAGS_ACTIVE", false, false, true, XER},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        if (c.tags_active) ew.t->MSR.value |= MSR_TA;
        if (c.sim_ctrl_bit6) ew.t->SIM_CTRL.value = 0x40;
        ew.option(PO_TGCC_EVEN_IF_NOT_TAGS_ACTIVE, c.even_if_not);
        ew.xer() = XER;
        EXPECT_EQ(ew.run(MFXER | 3 << 21), 1);
        EXPECT_EQ(ew.gpr(3), c.rt);
        EXPECT_EQ(ew.xer(), XER);
    }
}

TEST(MoveXer, MtxerKeepsFxccUnlessTheRowSetsIt)
{
    for (bool fxcc_in_xer : {true, false}) {
        SCOPED_TRACE(fxcc_in_xer);
        ExecWord ew;
        ew.option(PO_FXCC_FIELD_IN_XER, fxcc_in_xer);
        ew.xer() = 0x05000000;
        ew.gpr(4) = 0xFFFFFFFFF0FFFFFF;
        EXPECT_EQ(ew.run(MTXER | 4 << 21), 1);
        EXPECT_EQ(ew.xer(), fxcc_in_xer ? 0xFFFFFFFFF0FFFFFFu : 0xFFFFFFFFF5FFFFFFu);
        EXPECT_EQ(ew.t->XER.bits_written.mask, ~0ull);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

TEST(MoveXer, McrxrMovesBits28To31IntoTheField)
{
    ExecWord ew;
    ew.option(PO_MCRXR_SUPPORTED);
    ew.xer() = 0xB0001234;
    ew.cr() = 0x12345678;
    EXPECT_EQ(ew.run(MCRXR | 1 << 23), 1);
    EXPECT_EQ(ew.cr(), 0x1B345678u);
    EXPECT_EQ(ew.xer(), 0x1234u);
    EXPECT_EQ(ew.t->XER.bits_read.mask, 0xF0000000u);
    EXPECT_EQ(ew.t->XER.bits_written.mask, 0xF0000000u);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0x0F000000u);

    // The Ervik type has no mcrxr.
    ExecWord refused;
    refused.xer() = 0xB0000000;
    EXPECT_EQ(refused.run(MCRXR | 1 << 23), 0);
    ASSERT_NE(refused.raised(), nullptr);
    EXPECT_EQ(refused.xer(), 0xB0000000u);
}

TEST(MoveXer, McrxrtMovesTheTagField)
{
    ExecWord ew;
    ew.xer() = 0x80800000 | 0x00500000; // bit 23 beside TGCC 5
    ew.cr() = 0xFFFFFFFF;
    IOPDesc *iop = ew.prepare(MCRXRT | 3 << 23);
    EXPECT_STREQ(ew.mnemonic(), "mcrxrt");
    EXPECT_EQ(core_mcrxrt(iop), 1);
    EXPECT_EQ(ew.cr(), 0xFFF5FFFFu);
    EXPECT_EQ(ew.t->XER.bits_read.mask, 0x700000u);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0x000F0000u);
}

// ---- LR, CTR, MSR ----

TEST(MoveSpecial, LinkAndCountRegisters)
{
    ExecWord ew;
    ew.gpr(4) = 0x1234;
    EXPECT_EQ(ew.run(MTLR | 4 << 21), 1);
    EXPECT_EQ(ew.t->LR.value, 0x1234u);
    EXPECT_EQ(ew.run(MFLR | 5 << 21), 1);
    EXPECT_EQ(ew.gpr(5), 0x1234u);
    ew.gpr(4) = 0x5678;
    EXPECT_EQ(ew.run(MTCTR | 4 << 21), 1);
    EXPECT_EQ(ew.t->CTR.value, 0x5678u);
    EXPECT_EQ(ew.run(MFCTR | 6 << 21), 1);
    EXPECT_EQ(ew.gpr(6), 0x5678u);
    EXPECT_EQ(ew.t->PC.value, 0x1010u);

    IOPDesc *iop = ew.prepare(MTLR | 4 << 21);
    iop->use_slots = 1;
    iop->defer_side_effects = 1;
    iop->operand_slot4[0] = 0x99;
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(iop->result_gpr2.value[0], 0x99u);
    EXPECT_EQ(ew.t->LR.value, 0x1234u);
}

TEST(MoveSpecial, MfmsrShowsTheSimulatorBitsAndIsPrivileged)
{
    ExecWord ew;
    ew.core.core->sim_msr_bit = 0x30000000;
    EXPECT_EQ(ew.run(MFMSR | 3 << 21), 1);
    EXPECT_EQ(ew.gpr(3), MSR_SF | MSR_HV | 0x30000000);

    ew.t->MSR.value |= MSR_PR;
    ew.gpr(3) = 0x5A;
    EXPECT_EQ(ew.run(MFMSR | 3 << 21), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 2);
    EXPECT_EQ(ew.raised()->subtype, 218);
    EXPECT_EQ(ew.raised()->srr1_set, 0x40000u);
    EXPECT_EQ(ew.gpr(3), 0x5Au);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
}

TEST(MoveSpecial, MftbReadsTheTimeBaseOnly)
{
    struct Case {
        uint32_t tbr;
        bool supported;
        int result;
        uint64_t rt;
    } cases[] = {
        {268, true, 1, 0x0000000123456789},
        {269, true, 1, 0x1},
        {284, true, 0, 0x5A},
        {268, false, 0, 0x5A},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.tbr);
        ExecWord ew;
        ew.option(PO_MFTB_SUPPORTED, c.supported);
        ew.core.core->tb_value = 0x0000000123456789;
        INIT_SPR_Table(ew.core.core, ew.core.test_machine.machine.property_list);
        ew.gpr(3) = 0x5A;
        EXPECT_EQ(ew.run(mfspr_form(MFTB, 3, c.tbr)), c.result);
        QUIT_SPR_Table(ew.core.core);
        EXPECT_EQ(ew.gpr(3), c.rt);
        EXPECT_EQ(ew.t->PC.value, c.result ? 0x1004u : 0x1000u);
        if (!c.result) {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->subtype, 221);
        }
    }
}

TEST(MoveSpecial, MtsprToTheProgramCounterLeavesTheNextAddressToTheWrite)
{
    struct Case {
        bool iar;
        uint32_t spr;
        uint64_t pc;
    } cases[] = {{true, 882, 0x1000}, {true, 9, 0x1004}, {false, 882, 0x1004}};
    for (const Case &c : cases) {
        ExecWord ew;
        ew.option(PO_IAR, c.iar);
        IOPDesc *iop = ew.prepare(mfspr_form(MTSPR, 4, c.spr));
        MTSPR_Advance_NIA(iop);
        EXPECT_EQ(ew.t->PC.value, c.pc) << c.iar << " " << c.spr;
    }
}

// The generic mfspr/mtspr rows move the value through the SPR table and advance like every move.
TEST(MoveSpecial, GenericSprMovesAdvance)
{
    ExecWord ew;
    INIT_SPR_Table(ew.core.core, ew.core.test_machine.machine.property_list);
    ew.gpr(4) = 0x1122334455667788;
    ASSERT_EQ(ew.run(mfspr_form(MTSPR, 4, 272)), 1); // SPRG0
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    ew.t->PC.value = 0x1000;
    ASSERT_EQ(ew.run(mfspr_form(MFSPR, 3, 272)), 1);
    EXPECT_EQ(ew.gpr(3), 0x1122334455667788u);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    QUIT_SPR_Table(ew.core.core);
}

// mfbhrbe: the compatibility gate, the hypervisor facility bit, then in problem state the
// branch-history-available bit of MMCR0.
TEST(MoveSpecial, MfbhrbeGates)
{
    struct Case {
        const char *what;
        uint64_t msr;
        uint64_t pcr, hfscr, mmcr0;
        int type, subtype; // 0: runs
    } cases[] = {
        {"hypervisor", MSR_SF | MSR_HV, 0, 0, 0, 0, 0},
        {"privileged without HFSCR", MSR_SF, 0, 0, 0, 44, 0},
        {"privileged with HFSCR", MSR_SF, 0, 0x10, 0, 0, 0},
        {"problem state, PCR 2.06", MSR_SF | MSR_PR, 0x4, 0x10, 0x200000, 28, 221},
        {"problem state without MMCR0 bit", MSR_SF | MSR_PR, 0, 0x10, 0, 43, 0},
        {"problem state", MSR_SF | MSR_PR, 0, 0x10, 0x200000, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.t->MSR.value = c.msr;
        ew.core.core->PCR.value = c.pcr;
        ew.t->HFSCR.value = c.hfscr;
        ew.t->MMCR0.value = c.mmcr0;
        ew.t->BHRBE[2].value = 0xABC;
        ew.gpr(3) = 0x5A;
        EXPECT_EQ(ew.run(MFBHRBE | 3 << 21 | 2 << 11), c.type ? 0 : 1);
        if (c.type) {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->type, c.type);
            if (c.subtype) {
                EXPECT_EQ(ew.raised()->subtype, c.subtype);
            }
            EXPECT_EQ(ew.gpr(3), 0x5Au);
        } else {
            EXPECT_EQ(ew.gpr(3), 0xABCu);
        }
    }
}

TEST(MoveSpecial, MftgprCopiesTheFprImage)
{
    ExecWord ew;
    ew.t->VSR[5].value[1] = 0x400921FB54442D18;
    IOPDesc *iop = ew.prepare(0x7C600000 | 5 << 11); // RT 3, FRB 5
    EXPECT_EQ(semantic_mftgpr(iop), 1);
    EXPECT_EQ(ew.gpr(3), 0x400921FB54442D18u);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);

    ew.option(PO_POWERPC_V202, 0);
    iop = ew.prepare(0x7C600000 | 5 << 11);
    ew.gpr(3) = 0;
    EXPECT_EQ(semantic_mftgpr(iop), 0);
    EXPECT_EQ(ew.gpr(3), 0u);
}

TEST(MoveSpecial, MffgprCopiesAGprIntoTheFpr)
{
    ExecWord ew;
    ew.gpr(4) = 0x400921FB54442D18;
    ew.t->VSR[6].value[0] = 0x77; // doubleword 1
    ew.t->MSR.value &= ~MSR_FP;   // no availability check
    IOPDesc *iop = ew.prepare(0x7CC00000 | 4 << 11); // FRT 6, RB 4
    EXPECT_EQ(semantic_mffgpr(iop), 1);
    EXPECT_EQ(ew.t->VSR[6].value[1], 0x400921FB54442D18u);
    EXPECT_EQ(ew.t->VSR[6].value[0], 0u);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);

    // In flight: the value goes to the result slot's high doubleword, not the register.
    iop = ew.prepare(0x7CC00000 | 4 << 11);
    iop->use_slots = 1;
    iop->operand_slot2[0] = 0x1234;
    EXPECT_EQ(core_mffgpr(iop), 1);
    EXPECT_EQ(iop->result_gpr2.value[0], 0x1234u);
    EXPECT_EQ(ew.t->VSR[6].value[1], 0x400921FB54442D18u);

    ew.option(PO_POWERPC_V202, 0);
    iop = ew.prepare(0x7CC00000 | 4 << 11);
    EXPECT_EQ(semantic_mffgpr(iop), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, EST_ILLEGAL_INSTRUCTION);
}

// ---- MSR commit ----

TEST(MsrCommit, WriteMsrAndNiaByRowAndMode)
{
    struct Case {
        const char *what;
        uint32_t word;
        bool tags_option;
        uint64_t msr;
        uint64_t nia_in, nia, cfar;
    } cases[] = {
        {"rfid to 64-bit", 0x4C000024, true, MSR_SF, 0x123456789ABC, 0x123456789ABC, 0x1000},
        {"rfid to 32-bit", 0x4C000024, true, 0, 0x123456789ABC, 0x56789ABC, 0x1000},
        {"tags active, big-endian", 0x4C000024, true, MSR_TA, 0x123456789ABC, 0x123456789ABC, 0x1000},
        {"tags active without the option", 0x4C000024, false, MSR_TA, 0x123456789ABC, 0x56789ABC, 0x1000},
        {"tags active, little-endian", 0x4C000024, true, MSR_TA | MSR_LE, 0x123456789ABC, 0x56789ABC, 0x1000},
        {"mtmsrd keeps CFAR", 0x7C000164, true, MSR_SF, 0x2000, 0x2000, 0x77},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        ew.option(PO_TAGS_ACTIVE, c.tags_option);
        ew.t->CFAR.value = 0x77;
        IOPDesc *iop = ew.prepare(c.word);
        Write_MSR_And_NIA(iop, c.msr, 0x1000, c.nia_in);
        EXPECT_EQ(ew.t->PC.value, c.nia);
        EXPECT_EQ(ew.t->MSR.value, c.msr);
        EXPECT_EQ(ew.t->CFAR.value, c.cfar);
    }
}

TEST(MsrCommit, PriorityModeEventAndGprWrite)
{
    ExecWord ew;
    IOPDesc *iop = ew.prepare(0x4C000024);
    ew.t->x_smt_enable = 1;
    ew.t->x_smt_priority = ew.t->x_smt_internal_priority = 5; // TSRL reads priority 5
    EXPECT_EQ(Read_TSRL_For_Instruction(iop), 0x0014000000000000u);
    EXPECT_EQ(Drop_Thread_Priority_To_Medium(iop), 0x0010000000000000u);
    EXPECT_EQ(ew.t->TSRL.value, 0x0010000000000000u);
    EXPECT_EQ(ew.t->x_smt_priority, 4);

    Signal_Core_Mode_Change(ew.t, MSR_HV, MSR_PR); // nobody listens: nothing to do
    ASSERT_TRUE(RegisterListener("Event_Core_Mode_Change", (void *)mode_change_listener, nullptr));
    mode_changes.clear();
    Signal_Core_Mode_Change(ew.t, MSR_HV, MSR_HV | MSR_PR);
    ASSERT_EQ(mode_changes.size(), 1u);
    EXPECT_EQ(mode_changes[0].first, ew.t);
    EXPECT_EQ(mode_changes[0].second, 0u);
    Signal_Core_Mode_Change(ew.t, MSR_HV, 0);
    ASSERT_EQ(mode_changes.size(), 2u);
    EXPECT_EQ(mode_changes[1].second, 1u);
    Signal_Core_Mode_Change(ew.t, MSR_SF, MSR_EE); // privileged to privileged: no event
    EXPECT_EQ(mode_changes.size(), 2u);
    EXPECT_EQ(UnRegisterListener("Event_Core_Mode_Change", (void *)mode_change_listener), 1);

    Write_GPR_For_Instruction(iop, 7, 0x77);
    EXPECT_EQ(ew.gpr(7), 0x77u);
    iop->use_slots = 1;
    Write_GPR_For_Instruction(iop, 7, 0x88);
    EXPECT_EQ(iop->result_gpr2.value[0], 0x88u);
    EXPECT_EQ(ew.gpr(7), 0x77u);
}

} // namespace
