// Logical, count and extend instructions: results and CR0 by mode, the gates, and the marker
// encodings (priority no-ops, "NOOP", the ori/and no-ops, the xori services).
#include "exec_word.h"
#include "decode/semantics.h"
#include "isa/hooks/smt_priority.h"
#include "isa/integer_workers.h"
#include "processor/hooks/pturbo_control.h"
#include "processor/hooks/sim_support_halt.h"
#include "processor/prints/instruction_prints.h"
#include "processor/records/generic_machine.h"
#include "translator/page_tables.h"

namespace
{

// X-form logical words: RS in bits 21-25, RA in 16-20, RB in 11-15.
uint32_t x(uint32_t xo, uint32_t rs, uint32_t ra, uint32_t rb, uint32_t rc = 0)
{
    return XO_FORM(xo, rs, ra, rb, rc);
}
enum : uint32_t {
    AND = 28,
    ANDC = 60,
    OR = 444,
    ORC = 412,
    XOR = 316,
    NOR = 124,
    NAND = 476,
    EQV = 284,
    CNTLZW = 26,
    CNTLZD = 58,
    EXTSB = 954,
    EXTSH = 922,
    EXTSW = 986,
    POPCNTB = 122,
    POPCNTW = 378,
    POPCNTD = 506,
    PRTYW = 154,
    PRTYD = 186,
    BPERM = 252,
    CMPB = 508,
};

struct ResultCase {
    const char *mnemonic;
    uint32_t word; // RS 4, RA 3, RB 5
    uint64_t rs, rb;
    uint64_t ra;
    int cr0_64, cr0_32; // expected CR0 in 64- and 32-bit mode; -1 for a form without CR0
};

TEST(Logical, ResultsAndCr0InBothModes)
{
    const uint64_t ones = ~0ull;
    const ResultCase cases[] = {
        {"and", x(AND, 4, 3, 5), 0xF0F0, 0xFF00, 0xF000, -1, -1},
        {"and.", x(AND, 4, 3, 5, 1), 0xFFFFFFFF0000FFFF, 0xFFFFFFFFFFFF0000, 0xFFFFFFFF00000000, CR_LT,
         CR_EQ},
        {"andc", x(ANDC, 4, 3, 5), 0xFF, 0x0F, 0xF0, -1, -1},
        {"or.", x(OR, 4, 3, 5, 1), 0x1, 0x80000000, 0x80000001, CR_GT, CR_LT},
        {"orc", x(ORC, 4, 3, 5), 0, ones, 0, -1, -1},
        {"xor", x(XOR, 4, 3, 5), 0xFF, 0x0F, 0xF0, -1, -1},
        {"nor.", x(NOR, 4, 3, 5, 1), 0, 0, ones, CR_LT, CR_LT},
        {"nand", x(NAND, 4, 3, 5), ones, ones, 0, -1, -1},
        {"eqv.", x(EQV, 4, 3, 5, 1), 0x5, 0x5, ones, CR_LT, CR_LT},
        {"andi.", D_FORM(28, 4, 3, 0x8001), ones, 0, 0x8001, CR_GT, CR_GT},
        {"andis.", D_FORM(29, 4, 3, 0x8001), ones, 0, 0x80010000, CR_GT, CR_LT},
        {"oris", D_FORM(25, 4, 3, 0x8000), 0x1234567800000000, 0, 0x1234567880000000, -1, -1},
        {"xoris", D_FORM(27, 4, 3, 0xFFFF), 0xAAAAAAAA00000000, 0, 0xAAAAAAAAFFFF0000, -1, -1},
        {"cntlzw", x(CNTLZW, 4, 3, 0), 0xFFFFFFFF00000000, 0, 32, -1, -1},
        {"cntlzw.", x(CNTLZW, 4, 3, 0, 1), 0x80000000, 0, 0, CR_EQ, CR_EQ},
        {"cntlzd", x(CNTLZD, 4, 3, 0), 0, 0, 64, -1, -1},
        {"cntlzd.", x(CNTLZD, 4, 3, 0, 1), 0x0000000100000000, 0, 31, CR_GT, CR_GT},
        {"extsb.", x(EXTSB, 4, 3, 0, 1), 0x180, 0, 0xFFFFFFFFFFFFFF80, CR_LT, CR_LT},
        {"extsh", x(EXTSH, 4, 3, 0), 0xFFFF7FFF, 0, 0x7FFF, -1, -1},
        {"extsw.", x(EXTSW, 4, 3, 0, 1), 0x0000000080000000, 0, 0xFFFFFFFF80000000, CR_LT, CR_LT},
        {"popcntb", x(POPCNTB, 4, 3, 0), ones, 0, 0x0808080808080808, -1, -1},
        {"popcntw", x(POPCNTW, 4, 3, 0), ones, 0, 0x0000002000000020, -1, -1},
        {"popcntd", x(POPCNTD, 4, 3, 0), ones, 0, 64, -1, -1},
        {"popcntw", x(POPCNTW, 4, 3, 0), 0x8000000100000003, 0, 0x0000000200000002, -1, -1},
        {"prtyw", x(PRTYW, 4, 3, 0), 0x0000000100000100, 0, 0x0000000100000001, -1, -1},
        {"prtyd", x(PRTYD, 4, 3, 0), 0x0101000000000000, 0, 0, -1, -1},
        {"prtyd", x(PRTYD, 4, 3, 0), 0x01FE000000000000, 0, 1, -1, -1},
        {"bperm", x(BPERM, 4, 3, 5), 0x3F, 1, 1, -1, -1},
        {"bperm", x(BPERM, 4, 3, 5), 0x0001024000FF3F00, 0xC000000000000001, 0xCB, -1, -1},
        {"cmpb", x(CMPB, 4, 3, 5), 0x1122334455667788, 0x1122334455667799, 0xFFFFFFFFFFFFFF00, -1, -1},
        {"cmpb", x(CMPB, 4, 3, 5), 0x1122334455667788, 0x1122334455667788, ones, -1, -1},
    };
    for (const ResultCase &c : cases) {
        for (bool mode64 : {true, false}) {
            SCOPED_TRACE(::testing::Message()
                         << c.mnemonic << (mode64 ? " 64" : " 32") << " rs " << std::hex << c.rs);
            ExecWord ew;
            if (!mode64) ew.mode32();
            ew.gpr(4) = c.rs;
            ew.gpr(5) = c.rb;
            ew.cr() = 0x0FFFFFFF;
            EXPECT_EQ(ew.run(c.word), 1);
            EXPECT_STREQ(ew.mnemonic(), c.mnemonic);
            EXPECT_EQ(ew.gpr(3), c.ra);
            int cr0 = mode64 ? c.cr0_64 : c.cr0_32;
            EXPECT_EQ(ew.cr() >> 28, cr0 < 0 ? 0u : (uint32_t)cr0);
            EXPECT_EQ(ew.cr() & 0x0FFFFFFF, 0x0FFFFFFFu);
            EXPECT_EQ(ew.t->PC.value, 0x1004u);
        }
    }
}

TEST(Logical, InternalAndFormsSetNoCr0AndDoNotAdvance)
{
    for (int id : {ROW_ANDI, ROW_ANDIS}) {
        ExecWord ew;
        IOPDesc *iop = ew.prepare(D_FORM(28, 4, 3, 0x00F0));
        iop->row = &instruction_info_table[id];
        ew.gpr(4) = 0x00F000F0;
        EXPECT_EQ(iop->row->semantic(iop), 1);
        EXPECT_EQ(ew.gpr(3), id == ROW_ANDI ? 0xF0u : 0x00F00000u);
        EXPECT_EQ(ew.cr(), 0u);
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
    }
}

TEST(Logical, HalfwordPopulationCount)
{
    ExecWord ew;
    ew.gpr(4) = 0xFFFF00010000FF00;
    IOPDesc *iop = ew.prepare(x(POPCNTB, 4, 3, 0));
    EXPECT_EQ(semantic_popcnth(iop), 1);
    EXPECT_EQ(ew.gpr(3), 0x0010000100000008u);
    ew.option(PO_POWERPC_V206, 0);
    iop = ew.prepare(x(POPCNTB, 4, 3, 0));
    EXPECT_EQ(semantic_popcnth(iop), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, 221);
}

// The gates: an option off gives the illegal-instruction interrupt, the 64-bit check in 32-bit
// mode the unimplemented-instruction interrupt, the PCR 2.05 gate in problem state illegal; the
// registers and the PC stay.
TEST(Logical, GatesRefuseInTheirOrder)
{
    struct Case {
        const char *what;
        uint32_t word;
        uint32_t option_off; // 0: none
        bool no64;           // NO_64BIT_OPS_IN_32BIT_MODE on, 32-bit mode
        bool pcr205;         // problem state with PCR 0x2
        int subtype;         // 0: runs
    } cases[] = {
        {"popcntd off first", x(POPCNTD, 4, 3, 0), PO_POPCNTD_SUPPORTED, true, true, 221},
        {"popcntd pcr before 64", x(POPCNTD, 4, 3, 0), 0, true, true, 221},
        {"popcntd 32-bit", x(POPCNTD, 4, 3, 0), 0, true, false, 220},
        {"popcntd v206", x(POPCNTD, 4, 3, 0), PO_POWERPC_V206, false, false, 221},
        {"popcntw off", x(POPCNTW, 4, 3, 0), PO_POPCNTW_SUPPORTED, false, false, 221},
        {"popcntw pcr", x(POPCNTW, 4, 3, 0), 0, false, true, 221},
        {"popcntb off", x(POPCNTB, 4, 3, 0), PO_POPCNTB_SUPPORTED, false, false, 221},
        {"popcntb pcr", x(POPCNTB, 4, 3, 0), 0, false, true, 0},
        {"bperm off", x(BPERM, 4, 3, 5), PO_BPERMD_SUPPORTED, false, false, 221},
        {"bperm pcr", x(BPERM, 4, 3, 5), 0, false, true, 221},
        {"cmpb v202", x(CMPB, 4, 3, 5), PO_POWERPC_V202, false, false, 221},
        {"prtyw v202", x(PRTYW, 4, 3, 0), PO_POWERPC_V202, false, false, 221},
        {"prtyd 32-bit", x(PRTYD, 4, 3, 0), 0, true, false, 220},
        {"cntlzd 32-bit", x(CNTLZD, 4, 3, 0), 0, true, false, 220},
        {"extsw. 32-bit", x(EXTSW, 4, 3, 0, 1), 0, true, false, 220},
        {"cntlzw 32-bit", x(CNTLZW, 4, 3, 0), 0, true, false, 0},
        {"extsw 64-bit option only", x(EXTSW, 4, 3, 0), 0, false, false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ExecWord ew;
        if (c.option_off) ew.option(c.option_off, 0);
        if (c.no64) {
            ew.option(PO_NO_64BIT_OPS_IN_32BIT_MODE);
            ew.mode32();
        }
        if (c.pcr205) {
            ew.t->MSR.value |= MSR_PR;
            ew.core.core->PCR.value = 0x2;
        }
        ew.gpr(3) = 0x5A5A;
        ew.gpr(4) = 0xFF;
        EXPECT_EQ(ew.run(c.word), c.subtype ? 0 : 1);
        if (c.subtype) {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->subtype, c.subtype);
            EXPECT_EQ(ew.gpr(3), 0x5A5Au);
            EXPECT_EQ(ew.t->PC.value, 0x1000u);
            EXPECT_EQ(ew.cr(), 0u);
        } else {
            EXPECT_EQ(ew.raised(), nullptr);
        }
    }
}

// ---- marker encodings ----

class Markers : public ::testing::Test
{
  protected:
    void SetUp() override { flushes_before = turbo_xlate_flushes; }
    void TearDown() override { Test_Assoc_Clear(); }
    int64_t flushes() const { return turbo_xlate_flushes - flushes_before; }
    TclRecorder tcl;
    int64_t flushes_before = 0;
};

TEST_F(Markers, PriorityNoOpSetsTheProgramPriority)
{
    // The core's own priority request (SMTA_Adjust_Priorities_for_NOP) is tested with the
    // execution engine.
    for (int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        ExecWord ew({}, threads);
        ew.t->TSRL.value = 0x0010000000000000; // priority 4
        EXPECT_EQ(ew.run(x(OR, 1, 1, 1)), 1);
        EXPECT_EQ(ew.t->TSRL.value >> 50 & 7, 2u);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

TEST_F(Markers, NoopTriggerMarksOnlyRegisters10To30WithATrigger)
{
    struct Case {
        uint32_t n;
        bool trigger;
        uint8_t flags;
    } cases[] = {{10, true, AFTER_NOOP}, {30, true, AFTER_NOOP}, {31, true, 0}, {9, true, 0}, {10, false, 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.n);
        Test_Assoc_Clear();
        if (c.trigger) Test_Assoc_Define("NOOP", "record");
        ExecWord ew;
        EXPECT_EQ(ew.run(x(OR, c.n, c.n, c.n)), 1);
        EXPECT_EQ(ew.iop->deferred_triggers, c.flags);
    }
    // "or." never marks.
    Test_Assoc_Define("NOOP", "record");
    ExecWord ew;
    EXPECT_EQ(ew.run(x(OR, 10, 10, 10, 1)), 1);
    EXPECT_EQ(ew.iop->deferred_triggers, 0);
}

TEST_F(Markers, KnownNoOpsTouchNoRegister)
{
    struct Case {
        const char *what;
        uint32_t word;
        uint32_t reg;                  // the register of the form
        uint32_t source;               // the register read (differs for "ori 3,4,0")
        std::vector<uint32_t> options; // KNOW_* options left on
        int reads, writes;
    } cases[] = {
        {"or 5,5,5 known", x(OR, 5, 5, 5), 5, 5, {PO_KNOW_OR_NOP}, 0, 0},
        {"or 5,5,5 unknown", x(OR, 5, 5, 5), 5, 5, {}, 2, 1},
        {"ori 3,3,0 zero only", D_FORM(24, 3, 3, 0), 3, 3, {PO_KNOW_ORI_ZERO_NOP}, 1, 1},
        {"ori 3,3,0 known", D_FORM(24, 3, 3, 0), 3, 3, {PO_KNOW_ORI_NOP}, 0, 0},
        {"nop zero only", 0x60000000, 0, 0, {PO_KNOW_ORI_ZERO_NOP}, 0, 0},
        {"nop unknown", 0x60000000, 0, 0, {}, 1, 1},
        {"ori 3,4,0", D_FORM(24, 4, 3, 0), 3, 4, {PO_KNOW_ORI_NOP, PO_KNOW_ORI_ZERO_NOP}, 1, 1},
        {"and 0,0,0 known", x(AND, 0, 0, 0), 0, 0, {PO_KNOW_AND_ZERO_NOP}, 0, 0},
        {"and 0,0,0 unknown", x(AND, 0, 0, 0), 0, 0, {}, 2, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        tcl.clear();
        ExecWord ew;
        for (uint32_t option : {PO_KNOW_OR_NOP, PO_KNOW_ORI_NOP, PO_KNOW_ORI_ZERO_NOP, PO_KNOW_AND_ZERO_NOP})
            ew.option(option, 0);
        for (uint32_t option : c.options)
            ew.option(option);
        std::string source = "GPR" + std::to_string(c.source), target = "GPR" + std::to_string(c.reg);
        Attach_Read_Trigger(&ew.t->GPR[c.source].trigger, source.c_str(), "record");
        // A match trigger: fires on every write of the value, changed or not.
        Attach_Write_Trigger(&ew.t->GPR[c.reg].trigger, target.c_str(), "record", 0, ~0ull, 0x77);
        ew.gpr(c.source) = 0x77;
        EXPECT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(tcl.count(source), c.source == c.reg ? c.reads + c.writes : c.reads);
        if (c.source != c.reg) {
            EXPECT_EQ(tcl.count(target), c.writes);
        }
        EXPECT_EQ(ew.gpr(c.reg), 0x77u);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

TEST_F(Markers, XoriServicesAndBitAccurateMode)
{
    ExecWord ew;
    GenericMachine *machine = ew.t->machine;
    machine->bit_accurate = 0;

    ew.gpr(1) = 0x1234;
    EXPECT_EQ(ew.run(D_FORM(26, 1, 1, 0)), 1); // xori 1,1,0
    EXPECT_EQ(ew.gpr(1), 0x1234u);
    EXPECT_EQ(machine->bit_accurate, 1);
    EXPECT_EQ(flushes(), 1);

    EXPECT_EQ(ew.run(D_FORM(26, 1, 1, 1)), 1); // xori 1,1,1: an ordinary xor
    EXPECT_EQ(ew.gpr(1), 0x1235u);
    EXPECT_EQ(machine->bit_accurate, 1);
    EXPECT_EQ(flushes(), 1);

    EXPECT_EQ(ew.run(D_FORM(26, 2, 2, 0)), 1); // xori 2,2,0
    EXPECT_EQ(machine->bit_accurate, 0);
    EXPECT_EQ(flushes(), 2);

    ew.gpr(0) = 0x99;
    ew.t->chunk_mode = 1; // the halt of a thread in chunk mode adds 0x40000000 ticks to its delay
    ew.t->chunk_delay = 0;
    EXPECT_EQ(ew.run(D_FORM(26, 0, 0, 0)), 1); // xori 0,0,0: the idle service
    EXPECT_EQ(ew.t->chunk_delay, 0x40000000u);
    EXPECT_EQ(ew.gpr(0), 0x99u);
    EXPECT_EQ(ew.run(D_FORM(26, 0, 3, 0)), 1); // xori 3,0,0: no service
    EXPECT_EQ(ew.t->chunk_delay, 0x40000000u);
    EXPECT_EQ(ew.t->PC.value, 0x1014u);
}

// The cycle-model form: RS from slot S, RB from slot B, the result to the first GPR result slot.
TEST(Logical, InFlightFormUsesTheSlots)
{
    ExecWord ew;
    IOPDesc *iop = ew.prepare(x(CMPB, 4, 3, 5));
    iop->use_slots = 1;
    iop->defer_side_effects = 1;
    iop->operand_slot4[0] = 0x00FF;
    iop->operand_slot2[0] = 0x01FF;
    ew.gpr(4) = ew.gpr(5) = 0x1234;
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(iop->result_gpr1.value[0], 0xFFFFFFFFFFFF00FFu);
    EXPECT_EQ(ew.gpr(3), 0u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
}

} // namespace
