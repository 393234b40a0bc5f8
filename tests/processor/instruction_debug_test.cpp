// The debug line of an instruction: its text, the note printed once (filled from the last exit
// reason in the translated modes), the queued exceptions, the register dump, the header's count
// offset and thread name, and when CheckDebugInstruction prints at all.
#include <gtest/gtest.h>

#include <string>

#include "decode/decoder.h"
#include "decode/instr_info.h"
#include "processor/prints/instruction_prints.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/common.h"
#include "runtime/debug.h"
#include "support/sink_capture.h"
#include "support/test_machine.h"

namespace
{

constexpr int DEBUG_INSTRUCTIONS = 12, DEBUG_INSTRUCTIONS_ALSO = 14, DEBUG_REGISTERS = 15;

class InstructionDebug : public ::testing::Test
{
  protected:
    InstructionDebug()
    {
        core.num_threads = 1;
        thread.processor = &core;
        thread.machine = &tm.machine;
        thread.name = name;
        iop.thread = &thread;
        iop.word = 0x7C832214; // add r4,r3,r4
        iop.row = DecodeInstr_Ervik(instruction_info_table, iop.word);
        iop.fetch.ea = 0x10000100;
    }
    ~InstructionDebug() override
    {
        for (int c : {DEBUG_INSTRUCTIONS, DEBUG_INSTRUCTIONS_ALSO, DEBUG_REGISTERS})
            set_debug_flag(c, 0);
    }
    std::string check()
    {
        SinkCapture sink;
        CheckDebugInstruction(&iop);
        return sink.text();
    }

    TestMachine tm;
    ProcessorState core{};
    ThreadState thread{};
    IOPDesc iop{};
    char name[8] = "0:0:1";
};

TEST_F(InstructionDebug, LineNoteOnceAndExceptions)
{
    EXPECT_EQ(check(), ""); // no category on, interpreted mode
    set_debug_flag(DEBUG_INSTRUCTIONS_ALSO, 1);
    PowerPCException first{}, second{};
    first.type = 28;
    second.type = 5;
    first.next = &second;
    iop.exceptions = &first;
    const std::string one = Exception_Name(&first), two = Exception_Name(&second);
    ASSERT_NE(one, two);
    iop.xlate_message = "Illegal Instruction";
    EXPECT_EQ(check(), "DEBUG: INSTRUCTION: PC=0x0000000010000100: [0x7C832214]: add     r4,r3,r4 [Illegal "
                       "Instruction] <" +
                           one + ", " + two + ">\n");
    iop.exceptions = nullptr;
    // The note was cleared by the first print.
    EXPECT_EQ(check(), "DEBUG: INSTRUCTION: PC=0x0000000010000100: [0x7C832214]: add     r4,r3,r4\n");
}

TEST_F(InstructionDebug, TranslatedModesUseTheExitReasonAndTheTraceFlag)
{
    tm.machine.mode = MODE_TURBO;
    thread.turbo.reason = 7; // "fp"
    EXPECT_EQ(check(), "");  // trace flag off
    thread.turbo.instruction_debug = 1;
    const std::string line = check();
    EXPECT_NE(line.find("r4,r3,r4 [fp]\n"), std::string::npos) << line;
    // In an interpreted mode the flag alone prints nothing.
    tm.machine.mode = MODE_SIMPLE;
    EXPECT_EQ(check(), "");
}

TEST_F(InstructionDebug, HeaderCountOffsetAndThreadName)
{
    set_debug_flag(DEBUG_INSTRUCTIONS, 1);
    tm.machine.instruction_count = 1000;
    iop.counter = 7;
    SinkCapture sink;
    quarn_common.print_flags = PRINT_FLAG_INSTR_COUNT;
    CheckDebugInstruction(&iop);
    core.num_threads = 2;
    CheckDebugInstruction(&iop);
    const std::string text = sink.text();
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "DEBUG: (1007): INSTRUCTION: PC=0x0000000010000100: [0x7C832214]: add     r4,r3,r4");
    EXPECT_NE(text.find("\nDEBUG: (1007): 0:0:1: INSTRUCTION: PC="), std::string::npos) << text;
}

TEST_F(InstructionDebug, RegisterDump)
{
    set_debug_flag(DEBUG_INSTRUCTIONS, 1);
    set_debug_flag(DEBUG_REGISTERS, 1);
    thread.LR.value = 0x1234;
    thread.CR.value = 0x20000000;
    thread.GPR[1].value = 0xABCD;
    thread.GPR[31].value = 0x31;
    thread.VSR[30].value[0] = 0x3FF0000000000000;
    thread.VSR[30].value[1] = 0x5555;
    const std::string text = check();
    EXPECT_NE(
        text.find("\n  lr:0x0000000000001234 ctr:0x0000000000000000 cr:0x20000000 xer:0x0000000000000000\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("\n  msr:"), std::string::npos);
    EXPECT_NE(text.find("\n  fpscr:"), std::string::npos);
    EXPECT_NE(text.find("\n   r00:0x0000000000000000 r01:0x000000000000ABCD r02:0x0000000000000000 "
                        "r03:0x0000000000000000\n"),
              std::string::npos);
    EXPECT_NE(text.find(" r31:0x0000000000000031\n"), std::string::npos);
    EXPECT_NE(text.find(" f30:0x3FF0000000000000 f31:0x0000000000000000\n"), std::string::npos);
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    EXPECT_EQ(lines, 1 + 3 + 8 + 8);
}

} // namespace
