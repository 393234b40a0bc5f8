// The architectural coverage record: operand fields by template token, the whole-form branch
// records, the no-field and invalid records, and the buffer bound.
#include <gtest/gtest.h>

#include <string>

#include "decode/decoder.h"
#include "exec/coverage_report.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "run_machine.h"

namespace
{

std::string record(uint32_t word, ThreadState *thread = nullptr, int size = 200)
{
    if (!DecodeInstr) SelectDecoder("Ervik");
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    iop.word = word;
    iop.row = nullptr;
    char text[200];
    PrintArchitecturalCoverage(text, size, &iop, 0);
    return text;
}

TEST(CoverageReport, FieldsByToken)
{
    const struct {
        uint32_t word;
        const char *text;
    } cases[] = {
        {0x7C642A14, "add, rt, 3\nadd, ra, 4\nadd, rb, 5\n"},
        {0x80610010, "lwz, rt, 3\nlwz, ra, 1\n"}, // no line for the displacement
        {0x3861F830, "addi, rt, 3\naddi, ra, 1\naddi, si, 976\n"},
        {0x5483103A, "rlwinm, ra, 3\nrlwinm, rs, 4\nrlwinm, sh, 2\nrlwinm, mb, 0\nrlwinm, me, 29\n"},
        {0x7D800008, "tw, to, 12\ntw, ra, 0\ntw, rb, 0\n"},
        {0xE861FFF8, "ld, rt, 3\nld, ds, 8\nld, ra, 1\n"},
        {0x60000000, "nop, NoFields, 0\n"},
        {0x7C0004AC, "sync, NoFields, 0\n"},
        {0x00000000, ""},
        {0x41820008, "b, cr, 0\nb, bo, 12\nb, bi, 2\nb, bd, 8\nb, aa, 0\nb, lk, 0\n"},
        {0x42800103, "bla, bo, 20\nbla, bi, 0\nbla, bd, 256\nbla, aa, 1\nbla, lk, 1\n"},
        {0x4BFFFFF1, "bl, NoFields, 0\n"},
        {0x4E800020, "bclr, bo, 20\nbclr, bi, 0\nbclr, bh, 0\n"},
        {0x4E800420, "bcctr, bo, 20\nbcctr, bi, 0\nbcctr, bh, 0\n"},
        {0x4D820421, "bcctrl, cr, 0\nbcctrl, bo, 12\nbcctrl, bi, 2\nbcctrl, bh, 0\n"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(record(c.word), c.text) << std::hex << c.word;
}

TEST(CoverageReport, BcctrThatCannotDecrementAndTheBound)
{
    RunMachine m;
    ASSERT_TRUE(m.ok());
    m.core->options[PO_BCCTR_CAN_DECREMENT_CTR] = 0;
    EXPECT_EQ(record(0x4E000420, m.t), "bcctr, NoFields, 0\n");
    m.core->options[PO_BCCTR_CAN_DECREMENT_CTR] = 1;
    EXPECT_EQ(record(0x4E000420, m.t), "bcctr, bo, 16\nbcctr, bi, 0\nbcctr, bh, 0\n");
    // The record never exceeds the buffer: 12 bytes hold 11 characters.
    EXPECT_EQ(record(0x7C642A14, nullptr, 12), "add, rt, 3\n");
}

} // namespace
