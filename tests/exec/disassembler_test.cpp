// The instruction disassembler: templates, substitutions, whole-form branch printers, bounds, and
// the embedding interface's disassembly of a bare word.
#include <gtest/gtest.h>

#include <string>

#include "decode/decoder.h"
#include "decode/instr_info.h"
#include "exec/disassembler.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "run_machine.h"
#include "support/sink_capture.h"

namespace
{

std::string listing(uint32_t word, int wide = 0, ThreadState *thread = nullptr)
{
    if (!DecodeInstr) SelectDecoder("Ervik");
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    iop.word = word;
    iop.row = nullptr;
    char text[400];
    disassemble(text, sizeof text, &iop, wide);
    return text;
}

struct Case {
    uint32_t word;
    int wide;
    const char *text;
};

TEST(Disassembler, TemplatesAndSubstitutions)
{
    const Case cases[] = {
        {0x60000000, 0, "nop"},
        {0x38600005, 0, "li      r3,5"}, // addi with RA 0
        {0x38610005, 0, "addi    r3,r1,5"},
        {0x7C832378, 0, "mr      r3,r4"}, // or r3,r4,r4
        {0x7C832379, 0, "mr.     r3,r4"},
        {0x7C832B78, 0, "or      r3,r4,r5"},
        {0x7C642A14, 0, "add     r3,r4,r5"},
        {0x7FE00008, 0, "tw      [always],r0,r0"},
        {0x7C000008, 0, "tw      [never],r0,r0"},
        {0x7D800008, 0, "tw      >=,r0,r0"},
        {0x7CA00008, 0, "tw      =u>,r0,r0"},
        {0x38610007, 0, "addi    r3,r1,7"},
        {0x3861001E, 0, "addi    r3,r1,30"},
        {0x38610028, 0, "addi    r3,r1,40"},
        {0x3861FFFB, 0, "addi    r3,r1,-5"},
        {0x3861001F, 0, "addi    r3,r1,0x1F"},
        {0x80610010, 0, "lwz     r3,16(r1)"},
        {0xE8610038, 0, "ld      r3,0x38(r1)"},
        {0x5483103A, 0, "rlwinm  r3,r4,2,0,29 (0xFFFFFFFC)"},
        {0x78830020, 0, "rldicl  r3,r4,0,32,63 (0x00000000FFFFFFFF)"},
        {0x7C0004AC, 0, "sync"},
        {0x00000000, 0, "INVALID"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(listing(c.word, c.wide), c.text) << std::hex << c.word;
}

TEST(Disassembler, BranchForms)
{
    const Case cases[] = {
        {0x41820008, 0, "beq     cr0,$+0x8  (bc 0xC,0x2,0x8,0,0)"},
        {0x4098FFF8, 0, "bge     cr6,$-0x8  (bc 0x4,0x18,0xFFF8,0,0)"},
        {0x4098FFF9, 0, "bgel    cr6,$-0x8  (bc 0x4,0x18,0xFFF8,0,1)"},
        {0x43FFFFF8, 0, "b       $-0x8  (bc 0x1F,0x1F,0xFFF8,0,0)"},
        {0x4240FFF8, 0, "bdz     $-0x8  (bc 0x12,0x0,0xFFF8,0,0)"},
        {0x42800102, 0, "ba      0x00000100  (bc 0x14,0x0,0x100,1,0)"},
        {0x42800102, 1, "ba      0x0000000000000100  (bc 0x14,0x0,0x100,1,0)"},
        {0x42000010, 0, "bdnz    $+0x10  (bc 0x10,0x0,0x10,0,0)"},
        {0x41420011, 0, "bdztl   eq,cr0,$+0x10  (bc 0xA,0x2,0x10,0,1)"},
        {0x48000102, 0, "ba      0x00000100"},
        {0x4BFFFFF1, 0, "bl      $-0x10"},
        {0x48000020, 0, "b       $+0x20"},
        {0x4E800420, 0, "bctr  (bcctr 0x14,0x0,0x0)"},
        {0x4D820421, 0, "beqctrl cr0  (bcctr 0xC,0x2,0x0)"},
        {0x4E000420, 0, "bdctr (bcctr 0x10,0x0,0x0)"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(listing(c.word, c.wide), c.text) << std::hex << c.word;
}

TEST(Disassembler, OutputIsCutToTheBuffer)
{
    if (!DecodeInstr) SelectDecoder("Ervik");
    IOPDesc iop;
    INITIAL_IOP(&iop, nullptr);
    iop.word = 0x7C642A14;
    char text[8] = "xxxxxxx";
    disassemble(text, 5, &iop, 0);
    EXPECT_STREQ(text, "add ");
    EXPECT_EQ(text[5], 'x');
}

TEST(Disassembler, ThreadOptionsAndSprNames)
{
    RunMachine m;
    ASSERT_TRUE(m.ok());
    m.core->options[PO_BCCTR_CAN_DECREMENT_CTR] = 0;
    EXPECT_EQ(listing(0x4E000420, 0, m.t), "INVALID bcctr (cannot decrement ctr) (0x4E000420)");
    m.core->options[PO_BCCTR_CAN_DECREMENT_CTR] = 1;
    EXPECT_EQ(listing(0x4E000420, 0, m.t), "bdctr (bcctr 0x10,0x0,0x0)");
    EXPECT_EQ(listing(0x7C7042A6, 0, m.t), "mfspr   r3,SPRG0");

    // The bare-word interface reverses the host's byte order and lists 64-bit targets.
    char text[250];
    EXPECT_EQ(LIBSIM__ThreadDisassemble(m.t, nullptr, __builtin_bswap32(0x38600005u), text), text);
    EXPECT_STREQ(text, "li      r3,5");
    LIBSIM__ThreadDisassemble(m.t, nullptr, __builtin_bswap32(0x42800102u), text);
    EXPECT_STREQ(text, "ba      0x0000000000000100  (bc 0x14,0x0,0x100,1,0)");
}

TEST(Disassembler, NullThreadIsAnError)
{
    SinkCapture sink;
    char text[250];
    EXPECT_EQ(LIBSIM__ThreadDisassemble(nullptr, nullptr, 0x60000000, text), nullptr);
    EXPECT_NE(sink.text().find("LIBSIM__ThreadDisassemble: called with NULL thread pointer"),
              std::string::npos);
}

} // namespace
