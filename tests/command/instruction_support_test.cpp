// Instruction support routines: thousands separators, the icswx gate, page zeroing by effective
// address and the SPR field of the disassembler.
#include <cstring>
#include <string>

#include "command/instruction_support.h"
#include "command_fixture.h"
#include "isa/hooks/coprocessor.h"
#include "memory/memory_map.h"
#include "processor/hooks/disassembler.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/spr/spr_table.h"
#include "runtime/punctuate.h"

// The request entry, seen from the gate: counts the requests that reach it and answers busy.
static int g_requests_seen = 0;
int Signal_Coprocessor(IOPDesc *, CRB *)
{
    g_requests_seen++;
    return 1;
}

namespace
{

TEST(PunctuateLargeInteger, GroupsDigitsByThreeFromTheRight)
{
    const struct {
        int64_t value;
        const char *text;
    } cases[] = {
        {0, "0"},
        {123, "123"},
        {1000, "1,000"},
        {999999, "999,999"},
        {100000, "100,000"},
        {1234567, "1,234,567"},
        {-123456, "-123,456"},
        {-1234, "-1,234"},
        {INT64_MAX, "9,223,372,036,854,775,807"},
        {INT64_MIN, "-9,223,372,036,854,775,808"},
    };
    for (const auto &c : cases) {
        char buffer[PUNCTUATE_BUFFER_SIZE + 8];
        memset(buffer, 'Z', sizeof buffer);
        EXPECT_STREQ(PunctuateLargeInteger(buffer, c.value), c.text);
        // The widest value fills the 27-byte bound exactly and writes nothing beyond it.
        EXPECT_EQ(buffer[PUNCTUATE_BUFFER_SIZE], 'Z') << c.text;
    }
    char buffer[PUNCTUATE_BUFFER_SIZE];
    EXPECT_EQ(strlen(PunctuateLargeInteger(buffer, INT64_MIN)) + 1, (size_t)PUNCTUATE_BUFFER_SIZE);
}

class InstructionSupportTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
        machine = Find_Machine_By_Name("alpha");
        thread = GenericMachine__Thread(machine, 0);
        ASSERT_NE(thread, nullptr);
        INITIAL_IOP(&iop, thread);
    }
    GenericMachine *machine = nullptr;
    ThreadState *thread = nullptr;
    IOPDesc iop;
};

TEST_F(InstructionSupportTest, IcswxGateInTestMode)
{
    thread->processor->options[PO_WOLK_ICSWX_MODE] = 1;
    const struct {
        uint16_t ccw;
        uint8_t flags;
        int answer;
    } cases[] = {
        {0x0000, 0x00, 0}, {0x4000, 0x40, 1}, {0x0000, 0x80, 2}, {0x4000, 0xC0, 1}, // groups 0, 1
        {0x8000, 0x20, 2}, {0x8000, 0x28, 0}, {0x8000, 0x08, 1}, {0x8000, 0x00, 0}, // group 2
        {0xC000, 0x16, 3}, {0xC000, 0x00, 1}, {0xC000, 0x02, 2}, {0xC000, 0x04, 0}, // group 3
        {0xC000, 0x14, 2}, {0xC000, 0x06, 1},
    };
    thread->SIM_CTRL.value = 0;
    for (const auto &c : cases) {
        CRB request{};
        request.ccw = c.ccw;
        request.msb = c.flags;
        EXPECT_EQ(signal_cop(&iop, &request), c.answer) << std::hex << c.ccw << " " << (int)c.flags;
    }
    // SIM_CTRL bit 38 refuses every request.
    thread->SIM_CTRL.value = 0x4000000000ull;
    CRB accepted{};
    accepted.ccw = 0x8000;
    accepted.msb = 0x28;
    EXPECT_EQ(signal_cop(&iop, &accepted), 2);
}

TEST_F(InstructionSupportTest, IcswxGateWantsTheHypervisor)
{
    thread->processor->options[PO_ICSWX_REQUIRES_HYPERVISOR_MODE] = 1;
    const struct {
        uint64_t msr;
        int answer;
    } cases[] = {
        {MSR_HV, 1},          // reaches the request entry
        {MSR_HV | MSR_PR, 2}, // problem state
        {0, 2},               // no hypervisor state
    };
    for (const auto &c : cases) {
        thread->MSR.value = c.msr;
        CRB request{};
        int before = g_requests_seen;
        EXPECT_EQ(signal_cop(&iop, &request), c.answer) << std::hex << c.msr;
        EXPECT_EQ(g_requests_seen - before, c.answer == 1 ? 1 : 0);
    }
}

TEST_F(InstructionSupportTest, ZeroPagesAreZeroedAndCounted)
{
    thread->MSR.value &= ~(uint64_t)0x30; // real mode for fetch and data
    uint8_t *first = Resolve_Mapped_Memory(thread->memory_client, 0x10000);
    ASSERT_NE(first, nullptr);
    memset(first, 0xEE, 3 * 4096 + 1);
    uint32_t before = total_pages_cleared;
    EXPECT_EQ(EA_zero_page_exception(thread, 0x10000, 3, 0), 3u);
    EXPECT_EQ(total_pages_cleared, before + 3);
    for (int i = 0; i < 3 * 4096; i++)
        ASSERT_EQ(first[i], 0) << i;
    EXPECT_EQ(first[3 * 4096], 0xEE);

    EXPECT_EQ(EA_zero_page_exception(thread, 0x10000, 0, 0), 0u);
    EXPECT_EQ(total_pages_cleared, before + 3);
}

TEST_F(InstructionSupportTest, ZeroPagesThatDoNotTranslateLeaveTheCounter)
{
    // Data translation on with no page table: nothing translates.
    thread->MSR.value |= 0x10;
    uint8_t *page = Resolve_Mapped_Memory(thread->memory_client, 0x20000);
    ASSERT_NE(page, nullptr);
    page[0] = 0x55;
    uint32_t before = total_pages_cleared;
    EXPECT_EQ(EA_zero_page_exception(thread, 0x20000, 3, 0), 0u);
    EXPECT_EQ(total_pages_cleared, before);
    EXPECT_EQ(page[0], 0x55);
}

TEST_F(InstructionSupportTest, SprFieldNamesOrNumbers)
{
    char text[32];
    disassemble_spr_field(text, sizeof text, nullptr);
    EXPECT_STREQ(text, "spr-1");

    const char *lr = Find_SPR_Name(thread->processor, 8);
    ASSERT_NE(lr, nullptr);
    iop.word = 0x7C0002A6 | (8u << 16);
    disassemble_spr_field(text, sizeof text, &iop);
    EXPECT_STREQ(text, lr);
    // The name is cut to the buffer.
    char small[2];
    disassemble_spr_field(small, sizeof small, &iop);
    EXPECT_EQ(small[0], lr[0]);
    EXPECT_EQ(small[1], '\0');

    // The second half of the split field holds the high five bits.
    int32_t unnamed = 0x3E1;
    ASSERT_EQ(Find_SPR_Name(thread->processor, unnamed), nullptr);
    iop.word = 0x7C0002A6 | (1u << 16) | (0x1Fu << 11);
    disassemble_spr_field(text, sizeof text, &iop);
    EXPECT_STREQ(text, "spr993");
    // Without a thread the number is printed.
    iop.word = 0x7C0002A6 | (8u << 16);
    iop.thread = nullptr;
    disassemble_spr_field(text, sizeof text, &iop);
    EXPECT_STREQ(text, "spr8");
}

} // namespace
