// After-instruction triggers ("BRANCH_SELF", "NOOP", "ATTN") and the instruction prints.
#include <cstring>

#include "exec_word.h"
#include "processor/hooks/sim_support_halt.h"
#include "processor/prints/instruction_prints.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

// ---- tests ----

namespace
{

class AfterInstruction : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        saved_stop = stop_simulation;
        stop_simulation = 0;
        for (const char *name : {"BRANCH_SELF", "NOOP", "ATTN"})
            Test_Assoc_Define(name, "record");
    }
    void TearDown() override
    {
        Test_Assoc_Clear();
        stop_simulation = saved_stop;
    }
    TclRecorder tcl;
    uint32_t saved_stop = 0;
};

uint32_t or_word(uint32_t rs, uint32_t ra, uint32_t rb)
{
    return XO_FORM(444, ra, rs, rb); // or RA,RS,RB: RS in bits 21-25, RA in 16-20
}

TEST_F(AfterInstruction, NoopAndBranchSelfFireOnlyForTheirForms)
{
    struct Case {
        uint32_t word;
        uint8_t flags;
        const char *fired;
    } cases[] = {
        {or_word(10, 10, 10), AFTER_NOOP, "{{ sim m mcm 0 cpu 0 thread 0 pc 0x0000000000000FFC reg 10 }}"},
        {or_word(31, 31, 31), AFTER_NOOP, "{{ sim m mcm 0 cpu 0 thread 0 pc 0x0000000000000FFC reg 31 }}"},
        {or_word(9, 9, 9), AFTER_NOOP, ""},
        {or_word(10, 10, 11), AFTER_NOOP, ""},
        {0x48000000, AFTER_BRANCH_SELF, "{{ sim m mcm 0 cpu 0 thread 0 pc 0x0000000000001000 }}"}, // b .
        {0x42800000, AFTER_BRANCH_SELF,
         "{{ sim m mcm 0 cpu 0 thread 0 pc 0x0000000000001000 }}"}, // bc 20,0,.
        {0x41820000, AFTER_BRANCH_SELF, ""},                        // beq .
        {0x48000000, 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.word);
        ExecWord ew;
        tcl.clear();
        IOPDesc *iop = ew.prepare(c.word);
        iop->deferred_triggers = c.flags;
        Handle_Trigger_After_Instruction(iop);
        EXPECT_EQ(tcl.fired(), c.fired);
        EXPECT_EQ(iop->deferred_triggers, 0);
    }
}

TEST_F(AfterInstruction, InFlightInstructionsReportTheirFetchAddress)
{
    ExecWord ew;
    IOPDesc *iop = ew.prepare(0x48000000);
    iop->use_slots = 1;
    iop->fetch.ea = 0x2000;
    iop->deferred_triggers = AFTER_BRANCH_SELF;
    Handle_Trigger_After_Instruction(iop);
    EXPECT_EQ(tcl.fired(), "{{ sim m mcm 0 cpu 0 thread 0 pc 0x0000000000002000 }}");
}

TEST_F(AfterInstruction, AttentionFiresWhenEnabledAndStopsOrStallsByOption)
{
    struct Case {
        bool enabled, stop, advance, stall, in_flight;
        const char *fired;
        uint32_t stop_word;
        bool stalled;
    } cases[] = {
        {false, true, false, false, false, "", STOP_ATTN, false},
        {true, false, false, false, false, "{{ sim m mcm 0 cpu 0 thread 0 pc 0x0000000000001000 }}", 0,
         false},
        {true, true, true, false, false, "{{ sim m mcm 0 cpu 0 thread 0 pc 0x0000000000000FFC }}", STOP_ATTN,
         false},
        {false, false, false, true, false, "", 0, false}, // the stall is for in-flight instructions
        {false, false, false, true, true, "", 0, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(::testing::Message() << c.enabled << c.stop << c.advance << c.stall << c.in_flight);
        ExecWord ew;
        tcl.clear();
        stop_simulation = 0;
        ew.option(PO_ATTN_STOP, c.stop);
        ew.option(PO_ATTN_ADVANCE_NIA, c.advance);
        ew.option(PO_ATTN_STALL, c.stall);
        ew.core.core->HID0.value = c.enabled ? 0x100000000ull : 0;
        IOPDesc *iop = ew.prepare(0x00000200); // attn
        iop->use_slots = c.in_flight;
        iop->fetch.ea = 0x1000;
        iop->deferred_triggers = AFTER_ATTN;
        Handle_Trigger_After_Instruction(iop);
        EXPECT_EQ(tcl.fired(), c.fired);
        EXPECT_EQ(stop_simulation, c.stop_word);
        EXPECT_EQ(ew.t->x_threadState == CPU_STALLED && ew.t->stall_reason == 9, c.stalled);
    }
}

TEST(InstructionPrints, NothingWithoutAnInstruction)
{
    SinkCapture sink;
    EXPECT_EQ(PrintInstruction(nullptr), 0);
    PrintInstructionAndDumpState(nullptr);
    TraceDebugHook(nullptr);
    EXPECT_EQ(sink.text(), "");
}

TEST(InstructionPrints, InstructionAndState)
{
    ExecWord ew;
    ew.t->LR.value = 0x1234;
    ew.t->CTR.value = 5;
    ew.t->CR.value = 0x20000000;
    ew.t->SRR0.value = 0x700;
    ew.t->SRR1.value = 0x9000000000001000ull;
    for (int n = 0; n < 32; n++)
        ew.gpr(n) = 0x100 + n;
    IOPDesc *iop = ew.prepare(0x7C632214); // add r3,r3,r4

    SinkCapture sink;
    TraceDebugHook(iop); // no instruction completed yet
    EXPECT_EQ(sink.text(), "");
    ew.t->Instruction_Number = 1;
    TraceDebugHook(iop);

    auto lines = sink.lines();
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0].rfind("0x0000000000001000 : ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1], "  lr:0x0000000000001234  ctr:0x0000000000000005  cr:0x20000000  =.......");
    EXPECT_EQ(lines[2].rfind("  msr:", 0), 0u) << lines[2];
    EXPECT_NE(lines[2].find(" srr0:0x0000000000000700 srr1:0x9000000000001000"), std::string::npos);
    EXPECT_EQ(lines[3].rfind("  tb:0x", 0), 0u) << lines[3];
    EXPECT_NE(lines[3].find("  dec:0x"), std::string::npos);
    EXPECT_EQ(lines[4].rfind("  fpscr:", 0), 0u) << lines[4];
    EXPECT_EQ(
        lines[5],
        "   r00:0x0000000000000100 r01:0x0000000000000101 r02:0x0000000000000102 r03:0x0000000000000103");
    EXPECT_EQ(
        lines[12],
        "   r28:0x000000000000011C r29:0x000000000000011D r30:0x000000000000011E r31:0x000000000000011F");
}

TEST(InstructionPrints, TheHeaderNamesTheThreadOfAMultiThreadedProcessor)
{
    ExecWord one;
    ExecWord two({}, 2);
    SinkCapture sink;
    EXPECT_GT(PrintInstruction(one.prepare(0x60000000)), 0);
    PrintInstruction(two.prepare(0x60000000));
    auto lines = sink.lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("0x0000000000001000 : ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("0:0:0: 0x0000000000001000 : ", 0), 0u) << lines[1];
}

} // namespace
