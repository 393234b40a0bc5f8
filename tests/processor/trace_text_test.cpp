// Texts of the instruction trace: immediates, branch mnemonics and coverage lines, row masks,
// scaled rates, the exerciser trace line with its operand fields, and the translation-debug
// summary.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "interrupts/exception_names.h"
#include "decode/decoder.h"
#include "decode/instr_info.h"
#include "decode/operand_fields.h"
#include "processor/records/generic_machine.h"
#include "mmu/xlate_debug.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/prints/trace_text.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "support/sink_capture.h"

namespace
{

// An instruction record for a word, decoded with the default table.
struct Instruction {
    explicit Instruction(uint32_t word)
    {
        iop.word = word;
        iop.row = DecodeInstr_Ervik(instruction_info_table, word);
    }
    IOPDesc iop{};
};

uint32_t bclr(uint32_t bo, uint32_t bi, uint32_t lk = 0)
{
    return 0x4C000020 | bo << 21 | bi << 16 | lk;
}

TEST(TraceText, Immediates)
{
    char buffer[40];
    EXPECT_STREQ(Format_Signed_Hex_Immediate(buffer, sizeof buffer, -16), "$-0x10");
    EXPECT_STREQ(Format_Signed_Hex_Immediate(buffer, sizeof buffer, 0), "$+0x0");
    EXPECT_STREQ(Format_Signed_Hex_Immediate(buffer, sizeof buffer, 0x7FFF), "$+0x7FFF");
    EXPECT_STREQ(Format_Signed_Hex_Immediate(buffer, sizeof buffer, INT64_MIN), "$-0x8000000000000000");
    struct {
        int32_t value;
        const char *text;
    } cases[] = {{35, "0x23"}, {40, "40"},    {25, "25"},     {-35, "-35"}, {30, "30"},
                 {31, "0x1F"}, {255, "0xFF"}, {1000, "1000"}, {0, "0"},     {INT32_MIN, "-2147483648"}};
    for (auto &c : cases)
        EXPECT_STREQ(Format_Immediate(buffer, sizeof buffer, c.value), c.text) << c.value;
    char small[3];
    EXPECT_STREQ(Format_Immediate(small, sizeof small, 1000), "10"); // cut, terminated
}

TEST(TraceText, BranchMnemonicsByBoAndBi)
{
    struct {
        uint32_t word;
        const char *suffix;
        const char *text;
    } cases[] = {
        {bclr(12, 2), "lr", "beqlr   cr0  (bclr 0xC,0x2,0x0)"}, // branch if true, no decrement
        {bclr(12, 2, 1), "lr", "beqlrl  cr0  (bclrl 0xC,0x2,0x0)"},
        {bclr(4, 5), "lr", "blelr   cr1  (bclr 0x4,0x5,0x0)"}, // branch if false
        {bclr(20, 0), "lr", "blr     (bclr 0x14,0x0,0x0)"},    // always
        {bclr(16, 0), "lr", "bdnzlr  (bclr 0x10,0x0,0x0)"},    // decrement, ignore the condition
        {bclr(18, 0), "lr", "bdzlr   (bclr 0x12,0x0,0x0)"},
        {bclr(10, 6), "lr", "bdztlreq cr1  (bclr 0xA,0x6,0x0)"}, // decrement and condition
        {bclr(0, 31), "lr", "bdnzflrns cr7  (bclr 0x0,0x1F,0x0)"},
    };
    for (auto &c : cases) {
        Instruction i(c.word);
        char buffer[64];
        EXPECT_STREQ(Format_Branch_Mnemonic(buffer, sizeof buffer, &i.iop, c.suffix), c.text)
            << std::hex << c.word;
    }
    // A record without row names no instruction; the operand text is cut at 24 characters.
    IOPDesc bare{};
    bare.word = bclr(12, 2);
    char buffer[64];
    EXPECT_STREQ(Format_Branch_Mnemonic(buffer, sizeof buffer, &bare, "lr"),
                 "beqlr   cr0  (no instruction 0xC,0x2,0)");
    bare.word = bclr(16, 31) | 3 << 11;
    EXPECT_STREQ(Format_Branch_Mnemonic(buffer, sizeof buffer, &bare, ""),
                 "bdnz    (no instruction 0x10,0x1F)");
}

TEST(TraceText, BranchCoverageFields)
{
    char buffer[256];
    Instruction taken(bclr(12, 10, 1));
    EXPECT_STREQ(Format_Branch_Coverage_Fields(buffer, sizeof buffer, &taken.iop, "lr"),
                 "bclrl, cr, 2\nbclrl, bo, 12\nbclrl, bi, 10\nbclrl, bh, 0\n");
    Instruction always(bclr(20, 0) | 1 << 11);
    EXPECT_STREQ(Format_Branch_Coverage_Fields(buffer, sizeof buffer, &always.iop, "lr"),
                 "bclr, bo, 20\nbclr, bi, 0\nbclr, bh, 1\n");
}

TEST(TraceText, RowMasksAndScaledRates)
{
    struct {
        uint32_t attributes;
        const char *constrain, *serialize;
    } cases[] = {{0x30, "FL", "xx"}, {0x10, "Fx", "xx"}, {0x20, "xL", "xx"}, {0x07, "xx", "SI"},
                 {0x06, "xx", "SD"}, {0x04, "xx", "SE"}, {0x200, "xx", "xx"}};
    for (auto &c : cases) {
        InstrInfo row{};
        row.attributes = c.attributes;
        EXPECT_STREQ(Constrain_Mask2String(&row), c.constrain) << c.attributes;
        EXPECT_STREQ(Serialize_Mask2String(&row), c.serialize) << c.attributes;
    }
    EXPECT_STREQ(Constrain_Mask2String(nullptr), "xx");
    EXPECT_STREQ(Serialize_Mask2String(nullptr), "xx");

    SinkCapture sink;
    Print_Scaled_Value("Inst/Sec", 2.5e9);
    Print_Scaled_Value("Inst/Sec", 3.25e6);
    Print_Scaled_Value("Inst/Sec", 1500);
    Print_Scaled_Value("Inst/Sec", 999);
    EXPECT_EQ(sink.text(),
              "     2.5 Giga-Inst/Sec     3.2 Mega-Inst/Sec     1.5 Kilo-Inst/Sec   999.0 Inst/Sec");
}

// Field printers for the trace test: "rt=", "ra=" and "rb=" of an X-form word.
void print_rt(uint32_t word)
{
    SIM_PRINT("rt=%u", (word >> 21) & 0x1F);
}
void print_ra(uint32_t word)
{
    SIM_PRINT("ra=%u", (word >> 16) & 0x1F);
}
void print_rb(uint32_t word)
{
    SIM_PRINT("rb=%u", (word >> 11) & 0x1F);
}

TEST(TraceText, ExerciserTraceLine)
{
    ProcessorState core{};
    core.core_id = 2;
    ThreadState thread{};
    thread.processor = &core;
    thread.thread_id_in_core = 1;
    Instruction add(0x7C832214); // add r4,r3,r4
    add.iop.thread = &thread;
    add.iop.fetch.ea = 0x10000100;
    add.iop.fetch.pa = 0x2100;

    // Fields of the row's operand class that have a printer; an id without printer is skipped.
    const uint32_t fields[] = {1, 2, 7, 3, 0};
    const uint32_t klass = add.iop.row->operand_class;
    nif_printer saved[4] = {nif_table[1], nif_table[2], nif_table[3], nif_table[7]};
    const uint32_t *saved_list = iparameter_table[klass];
    nif_table[1] = print_rt;
    nif_table[2] = print_ra;
    nif_table[3] = print_rb;
    nif_table[7] = nullptr;
    iparameter_table[klass] = fields;

    PowerPCException raised{};
    raised.type = 28;
    raised.subtype = 221;
    raised.detail = "why";
    PowerPCException second{};
    second.type = 28;
    raised.next = &second;
    add.iop.exceptions = &raised;
    std::string name_one = Exception_Name(&raised), name_two = Exception_Name(&second);
    {
        SinkCapture sink;
        Print_Spindrel_Trace(&add.iop);
        EXPECT_EQ(sink.text(),
                  " 2, 1, 0x0000000010000100, 0x0000000000002100, 0x7C832214, add rt=4 ra=3 rb=4, "
                  "Exception: (" +
                      name_one + ", " + est_string(221) + ", why), Exception: (" + name_two + ", , )\n");
    }
    nif_table[1] = saved[0];
    nif_table[2] = saved[1];
    nif_table[3] = saved[2];
    nif_table[7] = saved[3];
    iparameter_table[klass] = saved_list;

    IOPDesc bare{};
    bare.thread = &thread;
    bare.word = 0xFFFFFFFF;
    SinkCapture sink;
    Print_Spindrel_Trace(&bare);
    EXPECT_EQ(sink.text(), " 2, 1, 0x0000000000000000, 0x0000000000000000, 0xFFFFFFFF, no instruction\n");
}

TEST(TraceText, SquashArgVJoinsTheWordsAfterTheFirst)
{
    char command[] = "cmd", a[] = "a", b[] = "b";
    char *words[] = {command, a, nullptr, b};
    EXPECT_STREQ(SquashArgV(1, words), "");
    EXPECT_STREQ(SquashArgV(0, words), "");
    EXPECT_STREQ(SquashArgV(4, words), "a//b");
    std::string long_word(1500, 'w');
    char *many[] = {command, long_word.data(), a};
    EXPECT_EQ(std::string(SquashArgV(3, many)), long_word.substr(0, 1023));
}

TEST(TraceText, TraceModeSetsDebugFlag14)
{
    GenericMachine machine{};
    Set_Spindrel_Trace_Mode(&machine, 3);
    EXPECT_EQ(machine.exerciser_trace_mode, 3);
    EXPECT_EQ(get_debug_flag(14), 1);
    Set_Spindrel_Trace_Mode(&machine, 0);
    EXPECT_EQ(machine.exerciser_trace_mode, 0);
    EXPECT_EQ(get_debug_flag(14), 0);
}

TEST(TraceText, TranslationDebugTextsNeedTheirCategories)
{
    ThreadState thread{};
    static Xlate_Debug record;
    Xlate_Debug_Reset(&record);
    thread.xlate_debug = &record;
    AXD access{};
    access.ea = 0x100;
    access.page_shift = 12;
    set_debug_flag(27, 0);
    set_debug_flag(28, 0);
    {
        SinkCapture sink;
        Xlate_Debug_Printf(&thread, XLAT_DEBUG_START, &access, "lost %d", 1);
        EXPECT_EQ(sink.text(), "");
    }
    EXPECT_STREQ(record.texts[0].text, "");
    EXPECT_EQ(record.texts[0].ea, -1);

    set_debug_flag(27, 1);
    {
        SinkCapture sink; // the immediate lines
        Xlate_Debug_Printf(&thread, XLAT_DEBUG_START, &access, "ea=0x%X", 0x100u);
        Xlate_Debug_Printf(&thread, XLAT_DEBUG_INFO, nullptr, nullptr); // an empty message
    }
    EXPECT_STREQ(record.texts[0].text, "\n*Instruction_Fetch_Translation: ea=0x100");
    strcpy(record.texts[2].text, "third");
    {
        SinkCapture sink;
        Print_Xlate_Debug_Summary(&thread); // category 28 off
        EXPECT_EQ(sink.text(), "");
    }
    set_debug_flag(28, 1);
    {
        SinkCapture sink;
        Print_Xlate_Debug_Summary(&thread);
        EXPECT_EQ(sink.text(), "\nEXXLATE Summary: \n*Instruction_Fetch_Translation: ea=0x100\n\n\nEXXLATE "
                               "Summary: third\n\n");
    }
    set_debug_flag(27, 0);
    set_debug_flag(28, 0);
}

} // namespace
