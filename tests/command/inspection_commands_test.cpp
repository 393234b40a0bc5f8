// Inspection commands of processors and threads: the process table, processor options, memory
// tags, effective-address map reset, translation caches, statistics and jobs.
#include <cstring>
#include <string>
#include <vector>

#include "command/processor_cmd_tables.h"
#include "command/processor_option_commands.h"
#include "command/core_commands.h"
#include "command/job_commands.h"
#include "command/statistics_commands.h"
#include "command/translation_cache_commands.h"
#include "command_fixture.h"
#include "core/cycle_core_stats.h"
#include "machine/hooks/command_hooks.h"
#include "guest/process_tree.h"
#include "kernel/job.h"
#include "kernel/tsim.h"
#include "processor/records/axd.h"
#include "processor/config/processor_options.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/spr/pmc_groups.h"
#include "processor/translation/erat.h"
#include "processor/translation/tlb.h"
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

class TranslationCacheCommandsTest : public InspectionCommandsTest
{
  protected:
    void SetUp() override
    {
        InspectionCommandsTest::SetUp();
        attach("fullset", build_ppc_setCmd_table(nullptr));
        attach("fulldisplay", build_ppc_displayCmd_table(nullptr));
    }
    std::string t0(const std::string &words) { return "alpha thread 0 " + words; }
};

TEST_F(TranslationCacheCommandsTest, SlbHalvesFollowTheirRules)
{
    EXPECT_EQ(ok(t0("fulldisplay slb valid")), " #        VSID              ESID         Ks Kp N  L  C  V  LP B\n");
    // The ESID half: V is bit 27, the word keeps bits 63..27, the decoded ESID bits 63..28.
    EXPECT_EQ(ok(t0("fullset slbe 0 0x000000001800FFFF")), "0x000000001800FFFF");
    EXPECT_EQ(thread0->slb[0].esid_base, 0x10000000u);
    EXPECT_EQ(ok(t0("fulldisplay slbe 0")), "0x0000000018000000");
    EXPECT_EQ(ok(t0("fulldisplay slbentry_verbose 0")).substr(0, 60),
              "0x0000000018000000 # esid=0x0000000010000000, V=1\n0x00000000");
    // The VSID half: fields from bits 11..2, both no-access bits kept, the low bits dropped.
    ProcessorState *core = thread0->processor;
    const uint64_t v = 0x4000000012345000ull | 0xFFF;
    EXPECT_EQ(ok(t0("fullset slbv 1 " + std::to_string(v))), std::to_string(v));
    const SLB &e = thread0->slb[1];
    EXPECT_EQ(e.noa[0], 1);
    EXPECT_EQ(e.noa[1], 1);
    EXPECT_EQ(e.ks + e.kp + e.n + e.l + e.c, 5);
    EXPECT_EQ(e.lp, 3);
    EXPECT_EQ(e.vsid, 0x4000000012345000ull & core->vsid_mask);
    EXPECT_EQ(e.segment_size, 1 & core->slbe_b_mask);
    EXPECT_EQ(e.SLBV.value, e.vsid | ((uint64_t)e.segment_size << 62) | 0xFFC);
    // slbentry clears the entry first, then writes both halves.
    EXPECT_EQ(ok(t0("fullset slbentry 1 0x8000000 0x400")), "");
    EXPECT_EQ(ok(t0("fulldisplay slbentry 1")), "0x0000000008000000 0x0000000000000400");
    EXPECT_EQ(e.noa[0] + e.noa[1] + e.ks, 0);
    EXPECT_EQ(e.kp, 1);
    std::string valid = ok(t0("fulldisplay slb valid"));
    EXPECT_NE(valid.find("\n 0 0x"), std::string::npos) << valid;
    EXPECT_NE(valid.find("\n 1 0x"), std::string::npos) << valid;
    EXPECT_EQ(valid.find("\n 2 0x"), std::string::npos) << valid;

    // Range and value errors change nothing.
    const std::string n = std::to_string(thread0->slb_entries);
    EXPECT_EQ(fails(t0("fulldisplay slb " + n)), "Error: (alpha thread 0 fulldisplay slb) : Invalid SLB number found:" + n);
    EXPECT_EQ(fails(t0("fulldisplay slbe -1")),
              "Error: (alpha thread 0 fulldisplay slbe) : Invalid slb index found: -1 (slb_index=-1)");
    EXPECT_EQ(fails(t0("fullset slbe 0 12z")), "set slbe: error reading value");
    EXPECT_EQ(fails(t0("fullset slbv 0 zz")), "set slbv: error reading value");
    EXPECT_EQ(fails(t0("fullset slbv " + n + " 1")),
              "Error: (alpha thread 0 fullset slbv) : Invalid slb index found: " + n + " (slb_index=" + n + ")");
    EXPECT_EQ(thread0->slb[0].SLBE.value, 0x18000000u);
}

TEST_F(TranslationCacheCommandsTest, TlbHalvesRewriteTheEntry)
{
    TLB *tlb = thread0->processor->tlb;
    ASSERT_NE(tlb, nullptr);
    // Upper with V and the large bit; lower with lpid 3 and bit 12: a large page.
    tlb->entries[5].pte_lower = 0x0300000000001000ull;
    EXPECT_EQ(ok(t0("fullset tlbv 5 0x0000000000012345")),
              "0x0000000000012345 for index 5, ea = 0x0000000001234000, L=1, lpid=3");
    const TLB_ENTRY_t &e = tlb->entries[5];
    EXPECT_EQ(e.valid, 1);
    EXPECT_EQ(e.lpidr, 3);
    EXPECT_EQ(e.seg_size, 28);
    char text[128];
    TLB_Entry_Format(text, sizeof text, &e);
    EXPECT_EQ(ok(t0("fulldisplay tlbentry 5")), text);
    EXPECT_EQ(ok(t0("fulldisplay tlbv 5")), "0x0000000000012345");
    // L shows bit 2 of the upper doubleword.
    EXPECT_EQ(ok(t0("fullset tlbr 5 0x10")), "0x0000000000000010 for index 5, ea = 0x0000000001234000, L=1, lpid=0");
    EXPECT_EQ(ok(t0("fulldisplay tlbr 5")), "0x0000000000000010");

    // The entry text reads back; a short text leaves the later fields as they were.
    EXPECT_EQ(ok(t0("fullset tlbentry 6 1,0x00000000000000AB,2,0x0000000000000001,0x0000000000000002,77")), "");
    EXPECT_EQ(ok(t0("fulldisplay tlbentry 6")), "1,0x00000000000000AB,2,0x0000000000000001,0x0000000000000002,77");
    EXPECT_EQ(ok(t0("fullset tlbentry 6 0,0x00000000000000CD")), "");
    EXPECT_EQ(ok(t0("fulldisplay tlbentry 6")), "0,0x00000000000000CD,2,0x0000000000000001,0x0000000000000002,77");
    EXPECT_EQ(ok(t0("fullset tlbinfo 0x00000010,1")), "");
    EXPECT_EQ(ok(t0("fulldisplay tlbinfo")), "0x00000010,1");

    // Listings: the valid form marks every line.
    std::string valid = ok(t0("fulldisplay tlb valid"));
    EXPECT_EQ(valid, "   #       PTE_upper          PTE_lower       lpid   \n"
                     "   5 V 0x0000000000012345 0x0000000000000010 0\n");
    EXPECT_EQ(ok(t0("fulldisplay tlb 6")), "   #       PTE_upper          PTE_lower       lpid   \n"
                                            "   6   0x0000000000000001 0x0000000000000002 2\n");
    const std::string n = std::to_string(tlb->num_entries);
    EXPECT_EQ(fails(t0("fulldisplay tlb " + n)), "Error: Invalid TLB number found:" + n);
    EXPECT_EQ(fails(t0("fulldisplay tlbv -1")), "Error: (alpha thread 0 fulldisplay tlbv) : Invalid tlb index found:-1");
    EXPECT_EQ(fails(t0("fullset tlbv 1 0x1g")), "set tlbv: error reading value");
    EXPECT_EQ(fails(t0("fullset tlbr " + n + " 1")),
              "Error: (alpha thread 0 fullset tlbr) : Invalid tlb index found:" + n);

    // The processor table's listing groups the valid entries by way.
    std::string listed = ok("alpha cpu 0 tlb display uTLB");
    EXPECT_EQ(listed.rfind("0:0_uTLB {0 {5 {valid 1 tag 0x", 0), 0u) << listed;
    EXPECT_NE(listed.find("pte {0 0x0000000000012345 1 0x0000000000000010} access "), std::string::npos) << listed;
    EXPECT_EQ(ok("alpha cpu 0 tlb display nomatch"), "");
}

TEST_F(TranslationCacheCommandsTest, EratEntriesAndRowCounts)
{
    ProcessorState *core = thread0->processor;
    ERAT_Struct *d = &core->derats[0];
    ASSERT_GE(d->ways, 2);
    EXPECT_EQ(ok(t0("fulldisplay deratc 1")), "0x00000000");
    EXPECT_EQ(ok(t0("fullset deratc 1 0x00000001")), "");
    // A value not starting with 0x and a digit leaves the count.
    EXPECT_EQ(ok(t0("fullset deratc 1 7")), "");
    EXPECT_EQ(ok(t0("fulldisplay deratc 1")), "0x00000001");
    const std::string entry = "0x0000000000003000,8,-1,1,0,0x0000000000005000,0x0000000000123000,2,-1,12,2,3,65535,-1,"
                              "99t,12,12,1,0";
    EXPECT_EQ(ok(t0("fullset derate 1 0 " + entry)), "");
    EXPECT_EQ(ok(t0("fulldisplay derate 1 0")), entry);
    EXPECT_EQ(d->entries[d->ways].axd.pa, 0x5000u);
    EXPECT_EQ(d->entries[d->ways].last_use, 99u);
    // A short text changes only the fields it holds.
    EXPECT_EQ(ok(t0("fullset derate 1 0 0x0000000000004000,4")), "");
    EXPECT_EQ(ok(t0("fulldisplay derate 1 0")), "0x0000000000004000,4" + entry.substr(20));
    EXPECT_EQ(ok("alpha cpu 0 erat display dERAT"),
              "0:0_dERAT.0 {1 {0 {thread 0 ea 0x0000000000004000 ra 0x0000000000005000 pte {0 0x0000000000000000 "
              "1 0x0000000000000000} access 99}}}");
    std::string both = ok("alpha cpu 0 erat display .");
    EXPECT_EQ(both.rfind("0:0_iERAT.0 {} 0:0_dERAT.0 {1 ", 0), 0u) << both;

    const std::string rows = std::to_string(d->rows), ways = std::to_string(d->ways);
    EXPECT_EQ(fails(t0("fulldisplay derate " + rows + " 0")),
              "Error: (alpha thread 0 fulldisplay derate): Invalid derat row:" + rows);
    EXPECT_EQ(fails(t0("fullset ierate 0 " + std::to_string(core->ierats[0].ways) + " 1")),
              "Error: (alpha thread 0 fullset ierate): Invalid ierat col:" + std::to_string(core->ierats[0].ways));
    EXPECT_EQ(fails(t0("fullset deratc -1 0x1")), "Error: (alpha thread 0 fullset deratc): Invalid derat row:-1");
    EXPECT_EQ(fails("alpha cpu 0 erat display ("), "couldn't compile regular expression pattern: parentheses () not balanced");
}

class StatisticsCommandsTest : public InspectionCommandsTest
{
  protected:
    void SetUp() override
    {
        InspectionCommandsTest::SetUp();
        attach("tstats", build_ThreadStatsCmd_table(nullptr));
        attach("mstats", build_MachineStatsCmd_table(nullptr));
    }
    void TearDown() override
    {
        // The list is process-wide: put back what a test changed.
        for (StatsListRow &row : StatsList)
            row.not_displayed = row.stat_id >= 29 && row.stat_id <= 42 ? 1 : row.stat_id == STATS_LIST_END;
        PMC_init_tables("zolt");
        InspectionCommandsTest::TearDown();
    }
    std::string t0(const std::string &words) { return "alpha thread 0 " + words; }
};

TEST_F(StatisticsCommandsTest, TheListShowsAndHidesStatistics)
{
    std::string list = ok(t0("mstats list"));
    size_t entries = 0, hidden = 0;
    for (size_t at = 0; (at = list.find('\n', at)) != std::string::npos; at++)
        entries++;
    for (size_t at = 0; (at = list.find("not displayed", at)) != std::string::npos; at++)
        hidden++;
    EXPECT_EQ(entries, 44u);
    EXPECT_EQ(hidden, 14u);
    EXPECT_EQ(list.rfind("\nClock -- displayed\nALU -- displayed", 0), 0u);
    EXPECT_NE(list.find("\nMEM_W -- not displayed\n"), std::string::npos);
    EXPECT_NE(list.find("\nVMX_FAKE_4DP_FMAS -- not displayed\nHTM -- displayed"), std::string::npos);
    EXPECT_EQ(ok(t0("tstats listconfig")).substr(0, 72),
              "Clock { label \"Clocks\" displayed 1 } \nALU { label \"ALUs\" displayed 1 } \n");

    EXPECT_NE(ok(t0("tstats display cpu")).find("\nALUs  Missing implementation"), std::string::npos);
    EXPECT_EQ(ok(t0("tstats remove ALU")), "ALU removed");
    EXPECT_EQ(ok(t0("tstats display CPU")).find("ALUs"), std::string::npos);
    EXPECT_EQ(ok(t0("tstats add ALU")), "ALU added");
    EXPECT_NE(ok(t0("tstats display cpu")).find("\nALUs  "), std::string::npos);
    EXPECT_EQ(ok(t0("tstats add alu")), "alu not an attribute");
    EXPECT_EQ(ok(t0("tstats add NULL")), "NULL not an attribute");
    // A statistic's own name shows nothing on a thread; an unknown word fails.
    EXPECT_EQ(ok(t0("tstats display ALU")), "");
    EXPECT_EQ(fails(t0("tstats display nothing")), "nothing not an attribute");
}

TEST_F(StatisticsCommandsTest, ChipStatisticsPrintTheirValues)
{
    machine->stats.l1d_misses = 5;
    machine->stats.l1d_hits = 15;
    machine->stats.l2_misses = 0;
    machine->stats.l2_hits = 9;
    EXPECT_EQ(ok(t0("mstats display cache")), "\nInst L1 Misses  0\nData L1 Misses  5\nL2 Misses  0"
                                               "\nInst L1 Miss Rate %  0.0000\nData L1 Miss Rate %  25.0000"
                                               "\nL2 Miss Rate %  0.0000\nTransactional Memory  Missing implementation");
    EXPECT_EQ(ok(t0("mstats display RT_DL1_M")), "25.0000");
    EXPECT_EQ(ok(t0("mstats display ALU")), "");
    EXPECT_EQ(ok(t0("mstats display Clock")).back(), 't');
    std::string tlb = ok(t0("tstats display tlb"));
    EXPECT_EQ(tlb.rfind("\nClocks  ", 0), 0u) << tlb;
    EXPECT_NE(tlb.find("\nData TLB Miss Rate %  Missing implementation"), std::string::npos) << tlb;
    EXPECT_EQ(fails(t0("mstats display x")), "x not an attribute");
}

TEST_F(StatisticsCommandsTest, CounterGroupsAreChecked)
{
    EXPECT_EQ(ok(t0("mstats pmc_base zolt")), "Starting using zolt PMCs");
    ASSERT_EQ(pmcGroupCount, 144);
    const std::string max = std::to_string(pmcGroupCount - 1), count = std::to_string(pmcGroupCount);
    EXPECT_EQ(fails(t0("mstats pmc_group " + count)), "Bad PMC group (" + count + ") > max_id (" + max + ")");
    EXPECT_EQ(fails(t0("mstats pmc_group -1")), "Bad PMC group (-1) > max_id (" + max + ")");
    EXPECT_EQ(ok(t0("mstats pmc_group 3")), "Enabling PMC group 3");
    if (thread0->pmc_info) {
        EXPECT_EQ(thread0->pmc_info->group, 3);
    }

    // dump_pmc_group: six counter indices, each followed by {name count}.
    Tcl_Obj *list = Tcl_NewStringObj(ok(t0("mstats dump_pmc_group 0")).c_str(), -1);
    Tcl_IncrRefCount(list);
    int length = 0;
    ASSERT_EQ(Tcl_ListObjLength(interp, list, &length), TCL_OK);
    EXPECT_EQ(length, 12);
    for (int i = 0; i < length; i += 2) {
        Tcl_Obj *index = nullptr, *pair = nullptr;
        Tcl_ListObjIndex(interp, list, i, &index);
        Tcl_ListObjIndex(interp, list, i + 1, &pair);
        EXPECT_EQ(std::string(Tcl_GetString(index)), std::to_string(i / 2));
        int pair_length = 0;
        Tcl_ListObjLength(interp, pair, &pair_length);
        EXPECT_EQ(pair_length, 2);
    }
    Tcl_DecrRefCount(list);
    EXPECT_EQ(fails(t0("mstats dump_pmc_group x")), "expected integer but got \"x\"Invalid group ID 'x'");

    const struct {
        std::string words;
        std::string message;
    } refused[] = {
        {"0 8", "Invalid counter ID 8 out of range [0..7]"},
        {"0 -1", "Invalid counter ID -1 out of range [0..7]"},
        {"0 y", "expected integer but got \"y\"Invalid counter ID 'y'"},
        {"z 0", "expected integer but got \"z\"Invalid group ID 'z'"},
        {"-2 0", "Bad PMC group (-2) > max_id (" + max + ")"},
        {count + " 0", "Bad PMC group (" + count + ") > max_id (" + max + ")"},
    };
    for (const auto &r : refused)
        EXPECT_EQ(fails(t0("mstats dump_pmc_counter ") + r.words), r.message) << r.words;
    // Counter 4 of every group counts event 15; counters 6 and 7 name no event.
    Tcl_Obj *pair = Tcl_NewStringObj(ok(t0("mstats dump_pmc_counter 143 4")).c_str(), -1);
    Tcl_IncrRefCount(pair);
    int pair_length = 0;
    Tcl_ListObjLength(interp, pair, &pair_length);
    EXPECT_EQ(pair_length, 2);
    Tcl_DecrRefCount(pair);
    EXPECT_EQ(ok(t0("mstats dump_pmc_counter 143 7")), "{} 0");
    EXPECT_EQ(ok(t0("mstats dump_pmc_counter 0 6")), "{} 0");

    // Counter lines: one header and six lines per thread.
    std::string lines = ok(t0("mstats read_pmc_group 56"));
    EXPECT_EQ(lines.rfind("::::::Process-0, Group-56::::::\nPMR0 = ", 0), 0u) << lines;
    EXPECT_NE(lines.find("\nPMR5 = "), std::string::npos);
    EXPECT_EQ(ok(t0("mstats read_pmc_event 15")).rfind("PMR0 =               0  ", 0), 0u);
    EXPECT_EQ(fails(t0("mstats read_pmc_event 99999")), "Bad PMC event (99999)");
    // Without tables no group is valid.
    EXPECT_EQ(ok(t0("mstats pmc_base prell")), "Starting using prell PMCs");
    EXPECT_EQ(fails(t0("mstats pmc_group 0")), "Bad PMC group (0) > max_id (-1)");
    EXPECT_EQ(fails(t0("mstats dump_pmc_counter 0 0")), "Bad PMC group (0) > max_id (-1)");
}

TEST_F(StatisticsCommandsTest, CounterLineNamesItsEvent)
{
    EXPECT_EQ(std::string(PMC_Format_Line(thread0, 3, 77)), "PMR3 =               0  Name for 77 not found\n");
}

} // namespace

namespace
{
class JobCommandsTest : public InspectionCommandsTest
{
  protected:
    void SetUp() override
    {
        InspectionCommandsTest::SetUp();
        attach("job", build_job_cmd_table(nullptr));
        attach("ereader", build_ereaderCmd_table(nullptr));
    }
};

TEST_F(JobCommandsTest, FreezeThawAndTheListForms)
{
    EXPECT_EQ(ok("alpha thread 0 job freeze 0:0:1"), "");
    std::string list = ok("alpha thread 0 job display listformat");
    EXPECT_NE(list.find("{{0:0:1} frozen showing}"), std::string::npos) << list;
    EXPECT_NE(list.find("{{0:0:2} thawed showing}"), std::string::npos) << list;
    std::string full = ok("alpha thread 0 job display");
    EXPECT_NE(full.find("\t\"0:0:1\" ("), std::string::npos);
    EXPECT_NE(full.find(") -> frozen\n\t\tproxy[0]: job_frozen \n"), std::string::npos) << full;
    EXPECT_NE(full.find(") -> active\n\t\tproxy[0]: on ready-queue for time 0t with priority="), std::string::npos);
    EXPECT_EQ(ok("alpha thread 0 job display active").find("\"0:0:1\""), std::string::npos);
    EXPECT_EQ(ok("alpha thread 0 job readyq").find("Job=\"0:0:1\""), std::string::npos);

    EXPECT_EQ(ok("alpha thread 0 job showdebug 0:0:1 0"), "");
    EXPECT_NE(ok("alpha thread 0 job display listformat").find("{{0:0:1} frozen blocking}"), std::string::npos);
    EXPECT_NE(ok("alpha thread 0 job display").find("-> frozen and blocking debug messages.\n\t\tproxy[0]: job_frozen \n"), std::string::npos);
    EXPECT_EQ(ok("alpha thread 0 job showdebug 0:0:1 1"), "");
    EXPECT_EQ(ok("alpha thread 0 job thaw 0:0:1"), "");
    EXPECT_NE(ok("alpha thread 0 job display listformat").find("{{0:0:1} thawed showing}"), std::string::npos);
    EXPECT_NE(ok("alpha thread 0 job readyq").find("\n\tJob=\"0:0:1\", priority="), std::string::npos);

    EXPECT_EQ(fails("alpha thread 0 job freeze nosuch"), "Job: 'nosuch' was not found.");
    EXPECT_EQ(fails("alpha thread 0 job showdebug nosuch 1"), "Job: 'nosuch' was not found.");
    // Inside a running job (a trigger procedure during a run) the queues are not touched.
    job_s *saved = tsim_active_job;
    tsim_active_job = machine->tsim->dynamic_head;
    EXPECT_EQ(fails("alpha thread 0 job freeze 0:0:1"),
              "The 'job freeze/thaw' commands can only be run from the tcl command prompt.");
    tsim_active_job = saved;
    EXPECT_NE(ok("alpha thread 0 job display listformat").find("{{0:0:1} thawed showing}"), std::string::npos);
}

TEST_F(JobCommandsTest, ReaderCommands)
{
    EXPECT_EQ(fails("alpha thread 0 ereader start"), "");
    EXPECT_NE(sink.text().find("usage: start program-name [options] ...\n"), std::string::npos);
    EXPECT_EQ(fails("alpha thread 0 ereader expect 2"), "emitter is not enabled in this simulator.  run emit version.");
    EXPECT_EQ(fails("alpha thread 0 ereader signal x"), "emitter is not enabled in this simulator.  run emit version.");
}

void no_work(void *) {}

// A kernel of its own with three jobs queued for one tick, priorities 5, 3 and 3.
class ReadyQueueTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        tsim = tsim_new("readyq");
        machine.tsim = tsim;
        const struct {
            const char *name;
            int priority;
        } jobs[] = {{"five", 5}, {"three", 3}, {"also three", 3}};
        for (const auto &j : jobs) {
            job_s *job = job_new(tsim, j.name, no_work, nullptr);
            ASSERT_NE(job, nullptr);
            job_set_priority(job, j.priority);
        }
    }
    void TearDown() override { tsim_free(tsim); }
    std::vector<std::string> order(std::vector<int> *positions = nullptr)
    {
        int count = 0;
        EXPECT_EQ(readyq_job_count(&machine, &count), 1);
        std::vector<char> names((size_t)count * READYQ_NAME_SLOT);
        std::vector<uint64_t> ticks(count);
        std::vector<int> places(count);
        EXPECT_EQ(readyq_job_positions(&machine, names.data(), ticks.data(), places.data()), count);
        std::vector<std::string> result;
        for (int i = 0; i < count; i++)
            result.push_back(&names[(size_t)i * READYQ_NAME_SLOT]);
        if (positions) *positions = places;
        return result;
    }
    tsim_s *tsim = nullptr;
    GenericMachine machine{};
};

TEST_F(ReadyQueueTest, RepositionGoesBehindEqualPriorities)
{
    std::vector<int> places;
    ASSERT_EQ(order(&places), (std::vector<std::string>{"five", "three", "also three"}));
    EXPECT_EQ(places, (std::vector<int>{0, 1, 2}));
    job_s *moved = find_job_in_RQ_by_name(&machine, "three");
    ASSERT_NE(moved, nullptr);
    EXPECT_STREQ(moved->name, "three");
    EXPECT_EQ(order(&places), (std::vector<std::string>{"five", "also three", "three"}));
    EXPECT_EQ(places[2], 2);
    EXPECT_EQ(find_job_in_RQ_by_name(&machine, "thre"), nullptr);
    EXPECT_EQ(readyq_job_reposition(&machine, "nothing", 9), 0);
    EXPECT_EQ(readyq_job_reposition(&machine, "five", 9), 1);
    job_s *five = find_job_in_RQ_by_name(&machine, "five");
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(five->reinitialize, 1);
    EXPECT_EQ(five->reinitialize_tick, 9u);
    EXPECT_EQ(moved->reinitialize, 0);

    // Without a kernel nothing is answered and the count stays.
    GenericMachine bare{};
    int count = 41;
    EXPECT_EQ(readyq_job_count(&bare, &count), 0);
    EXPECT_EQ(count, 41);
    EXPECT_EQ(find_job_in_RQ_by_name(&bare, "five"), nullptr);
}

TEST_F(ReadyQueueTest, LongNamesAreCutToTheirSlot)
{
    const std::string name(200, 'n');
    ASSERT_NE(job_new(tsim, name.c_str(), no_work, nullptr), nullptr);
    std::vector<std::string> names = order();
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names.back(), name.substr(0, READYQ_NAME_SLOT - 1));
}
TEST_F(InspectionCommandsTest, CycleCoreCommandsWithoutTheCoreModel)
{
    attach("core", CycleCore_build_cmd_table(nullptr));
    EXPECT_EQ(ok("alpha thread 0 core stats print"), "");
    EXPECT_EQ(ok("alpha thread 0 core stats nonsense"), "");
    EXPECT_EQ(ok("alpha thread 0 core dump 0"), ":::CCoreState DUMP DONE!:::");
    EXPECT_EQ(ok("alpha thread 0 core display setting"), "");
    // Without a core state the switch does nothing, whatever the word.
    EXPECT_EQ(ok("alpha thread 0 core set chicken_switch maybe"), "");
    CThreadState state{};
    thread0->cthread = &state;
    EXPECT_EQ(fails("alpha thread 0 core set chicken_switch maybe"),
              "Usage: alpha thread 0 core set chicken_switch {on|off}");
    EXPECT_EQ(ok("alpha thread 0 core set chicken_switch on"), "");
    EXPECT_EQ(state.flags, CTHREAD_CHICKEN_SWITCH);
    EXPECT_EQ(ok("alpha thread 0 core set chicken_switch off"), "");
    EXPECT_EQ(state.flags, 0);
    thread0->cthread = nullptr;

    // The bucket commands join a table's "stats" sub-table, and only that.
    auto host_table = [] {
        SimCmdTable *host = Init_SimCmdTable("host");
        connect_subtable(host, "stats", Init_SimCmdTable("stats"), 0, nullptr);
        CycleCore_add_simcmds(nullptr, host);
        return host;
    };
    SimCmdTable *plain = Init_SimCmdTable("plain");
    CycleCore_add_simcmds(nullptr, plain);
    EXPECT_EQ(Search_SimCmdTable(plain, "stats"), nullptr);
    Quit_SimCmdTable(plain);
    attach("host", host_table());
    connect_subtable(thread0->mcm->command_table, "host", host_table(), 0, nullptr);
    EXPECT_EQ(fails("alpha thread 0 host stats bucket_start b1"), "Couldn't find bucket: b1");
    EXPECT_EQ(ok("alpha thread 0 host stats bucket_create b1"), "");
    EXPECT_EQ(fails("alpha thread 0 host stats bucket_stop b1"), "Couldn't find bucket: b1");
    EXPECT_EQ(ok("alpha mcm 0 host stats bucket_create b1"), "Wrong selector level");
}

} // namespace
