// Inspection commands of processors and threads: the process table, processor options, memory
// tags, effective-address map reset, translation caches, statistics and jobs.
#include <cstring>
#include <string>
#include <vector>

#include "command/processor_cmd_tables.h"
#include "command/processor_option_commands.h"
#include "command_fixture.h"
#include "guest/process_tree.h"
#include "processor/records/axd.h"
#include "processor/config/processor_options.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "translator/current_emat.h"
#include "translator/emat.h"

namespace
{

class InspectionCommandsTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
        machine = Find_Machine_By_Name("alpha");
        thread0 = GenericMachine__Thread(machine, 0);
        ASSERT_NE(thread0, nullptr);
    }
    // Attaches an unattached table under a word of thread 0's table.
    void attach(const char *word, SimCmdTable *table)
    {
        connect_subtable(thread0->command_table, word, table, 0, nullptr);
    }
    GenericMachine *machine = nullptr;
    ThreadState *thread0 = nullptr;
};

TEST_F(InspectionCommandsTest, ProcessSwitchAndCurrent)
{
    EXPECT_EQ(ok("alpha thread 0 process switch 12"), "");
    EXPECT_EQ(ok("alpha thread 0 process current"), "12");
    // Above 0x7fff no slot changes; a word that is not a number fails silently.
    EXPECT_EQ(ok("alpha thread 0 process switch 40000"), "");
    EXPECT_EQ(ok("alpha thread 0 process current"), "12");
    EXPECT_EQ(fails("alpha thread 0 process switch abc"), "");
    EXPECT_EQ(ok("alpha thread 0 process switch 0x7fff"), "");
    EXPECT_EQ(ok("alpha thread 0 process current"), "32767");
}

TEST_F(InspectionCommandsTest, ProcessorOptionLinesArePaddedToFortyCharacters)
{
    attach("options", build_ProcessorOptionsCmd_table(nullptr));
    ProcessorState *core = thread0->processor;
    core->options[PO_SET_DEAR_BY_2ND_PAGE_ON_PAGE_CROSS] = 1;
    // 34 characters of name: TRUE ends at column 40, no padding.
    EXPECT_EQ(ok("alpha thread 0 options display set_dear_by_2nd_page_on_page_cross"),
              "SET_DEAR_BY_2ND_PAGE_ON_PAGE_CROSS: TRUE  (SET_DEAR_BY_2ND_PAGE_ON_PAGE_CROSS)\n");
    core->options[PO_ICSWX_SUPPORTED] = 0;
    EXPECT_EQ(ok("alpha thread 0 options display ICSWX_SUPPORTED"),
              "ICSWX_SUPPORTED: FALSE" + std::string(18, ' ') + "  (ICSWX_SUPPORTED)\n");
    // Longer than the column: nothing added.
    core->options[PO_CHECK_RESERVATION_BEFORE_TRANSLATION] = 0;
    EXPECT_EQ(ok("alpha thread 0 options display CHECK_RESERVATION_BEFORE_TRANSLATION"),
              "CHECK_RESERVATION_BEFORE_TRANSLATION: FALSE  (CHECK_RESERVATION_BEFORE_TRANSLATION)\n");

    // A part of a name lists every option containing it, in index order.
    std::string tlb = ok("alpha thread 0 options display TlB");
    EXPECT_NE(tlb.find("TLBIA_SUPPORTED: "), std::string::npos);
    EXPECT_NE(tlb.find("PERFECT_TLB_LRU: "), std::string::npos);
    for (size_t start = 0, end; (end = tlb.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string name = tlb.substr(start, tlb.find(':', start) - start);
        for (char &c : name)
            c = (char)toupper((unsigned char)c);
        EXPECT_NE(name.find("TLB"), std::string::npos) << name;
    }
    EXPECT_EQ(ok("alpha thread 0 options display no_such_option_text"), "");

    // set: a valid boolean is stored; the line is printed either way; an unknown name fails.
    EXPECT_EQ(ok("alpha thread 0 options set icswx_supported yes").substr(0, 21), "ICSWX_SUPPORTED: TRUE");
    EXPECT_EQ(core->options[PO_ICSWX_SUPPORTED], 1u);
    EXPECT_EQ(ok("alpha thread 0 options set icswx_supported maybe").substr(0, 21), "ICSWX_SUPPORTED: TRUE");
    EXPECT_EQ(ok("alpha thread 0 options set icswx_supported off").substr(0, 22), "ICSWX_SUPPORTED: FALSE");
    EXPECT_EQ(core->options[PO_ICSWX_SUPPORTED], 0u);
    EXPECT_EQ(fails("alpha thread 0 options set icswx on"), "");

    // list: one line per named option.
    std::string all = ok("alpha thread 0 options list");
    size_t lines = 0;
    for (char c : all)
        lines += c == '\n';
    size_t named = 0;
    for (const ProcessorOption *option = PO_list; option->index != PO_COUNT; option++)
        named += option->name != nullptr;
    EXPECT_EQ(lines, named);
}

TEST_F(InspectionCommandsTest, TagsAreKeptPerGranule)
{
    attach("tag", build_tagCmd_table(nullptr));
    EXPECT_EQ(ok("alpha thread 0 tag display 0x1000"), "0");
    EXPECT_EQ(ok("alpha thread 0 tag set 0x1008 1"), "1");
    EXPECT_EQ(ok("alpha thread 0 tag display 0x1000"), "1");
    EXPECT_EQ(ok("alpha thread 0 tag display 0x1010"), "0");
    EXPECT_EQ(fails("alpha thread 0 tag display 0x10g"),
              "Error reading address got 0x0000000000000010 from 0x10g\n    usage: tag display [address]");
    EXPECT_EQ(fails("alpha thread 0 tag set x 1"),
              "Error reading address got 0x0000000000000000 from x\n    usage: tag set [address] [value]");
    EXPECT_EQ(fails("alpha thread 0 tag set 0x1000 1z"),
              "Error reading value got 1 from 1z\n  usage: tag set [address] [value]");
    EXPECT_EQ(ok("alpha thread 0 tag display 0x1000"), "1");
    EXPECT_EQ(ok("alpha thread 0 tag set 0x1000 0"), "0");
    EXPECT_EQ(ok("alpha thread 0 tag display 0x100f"), "0");
}

TEST_F(InspectionCommandsTest, EmatResetDropsTheThreadsMaps)
{
    attach("fullset", build_ppc_setCmd_table(nullptr));
    emat_s *map = GET_CURRENT_EMAT(thread0, thread0->MSR.value, 0);
    ASSERT_NE(map, nullptr);
    // A translated page installed as the translator's slow path does.
    const uint64_t ea = 0x0000010000000000ull;
    AXD axd = INITIAL_AXD;
    axd.kind = AXD_KIND_LOAD;
    axd.xlate_mode = 2;
    axd.ea = axd.xlate_ea = ea;
    axd.pa = 0x20000;
    axd.vsid = 0x123ull << 12;
    emat_add(map, thread0, &axd);
    ASSERT_NE(emat_get_segment(map, ea), nullptr);
    // Only the five letters of "reset" count.
    EXPECT_EQ(ok("alpha thread 0 fullset emat res"), "");
    EXPECT_NE(emat_get_segment(map, ea), nullptr);
    EXPECT_EQ(ok("alpha thread 0 fullset emat RESETTING"), "");
    EXPECT_EQ(emat_get_segment(map, ea), nullptr);
}

} // namespace
