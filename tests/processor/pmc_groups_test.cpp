// Performance-monitor groups: the per-thread record, table selection and group lookup.
#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "processor/records/processor_type.h"
#include "processor/spr/pmc_groups.h"
#include "register_fixture.h"
#include "support/sink_capture.h"

namespace
{

class PmcGroups : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fixture.build();
        fixture.core->processor_type = PROCESSOR_TYPE_ERVIK;
        PMC_start(thread());
    }
    void TearDown() override
    {
        PMC_stop(thread());
        EXPECT_EQ(thread()->pmc_info, nullptr);
        PMC_init_tables("zolt");
    }
    ThreadState *thread() { return fixture.thread(0); }
    TestCore fixture{1};
};

TEST_F(PmcGroups, StartMakesTheRecord)
{
    PMCInfo *info = thread()->pmc_info;
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->thread, thread());
    EXPECT_EQ(info->group, 56);
    EXPECT_EQ(info->delta, 100);
    for (int n = 0; n < PMC_COUNTERS; n++) {
        EXPECT_EQ(info->counters[n].owner, info);
        EXPECT_EQ(info->counters[n].baseline, 0u);
        EXPECT_EQ(info->counters[n].overflow_point, 0x100000000ull);
        EXPECT_EQ(info->counters[n].watcher, nullptr);
        EXPECT_EQ(info->counters[n].index, n);
    }
    EXPECT_EQ(pmcGroupCount, 144);
}

TEST_F(PmcGroups, BuiltInTables)
{
    ASSERT_EQ(pmcGroupCount, 144);
    struct {
        int32_t group;
        uint64_t mmcr0, mmcr1, mmcra;
    } telling[] = {{0, 0, 0x0A02121E, 0},
                   {3, 0, 0x015B000180848C4Cull, 1},
                   {56, 0, 0x000200032E2E2E2Eull, 0},
                   {143, 0, 0x00B00000101E2020ull, 0}};
    for (const auto &row : telling) {
        const PMC_GroupMap &map = pmcGroupMap[row.group];
        EXPECT_EQ(map.group_id, row.group);
        EXPECT_EQ(map.mmcr0, row.mmcr0);
        EXPECT_EQ(map.mmcr1, row.mmcr1);
        EXPECT_EQ(map.mmcra, row.mmcra);
    }
    // Ids in table order; every pattern selectable and distinct; counters 5 and 6 count
    // instructions (15) and cycles (3).
    std::set<std::tuple<uint64_t, uint64_t, uint64_t>> patterns;
    for (int32_t g = 0; g < pmcGroupCount; g++) {
        const PMC_GroupMap &map = pmcGroupMap[g];
        EXPECT_EQ(map.group_id, g);
        EXPECT_EQ(map.mmcr0 & ~PMC_MMCR0_SELECT_MASK, 0u) << g;
        EXPECT_EQ(map.mmcra & ~PMC_MMCRA_SELECT_MASK, 0u) << g;
        patterns.insert({map.mmcr0, map.mmcr1, map.mmcra});
        EXPECT_EQ(pmcGroups[g * 6 + 4], 15) << g;
        EXPECT_EQ(pmcGroups[g * 6 + 5], 3) << g;
    }
    EXPECT_EQ(patterns.size(), 144u);
    const int32_t group56[6] = {225, 224, 227, 226, 15, 3};
    for (int n = 0; n < 6; n++)
        EXPECT_EQ(pmcGroups[56 * 6 + n], group56[n]);
}

TEST_F(PmcGroups, GroupLookup)
{
    SinkCapture capture;
    thread()->MMCR1.value = 0x0A02121E;
    thread()->MMCR0.value = ~0x1F3Eull; // bits outside the select mask do not count
    thread()->MMCRA.value = ~0xFFB001ull;
    PMC_set_group_id(thread());
    EXPECT_EQ(thread()->pmc_info->group, 0);
    EXPECT_EQ(capture.text(), ":::::Setting PMC-group to 0:::::\n");

    thread()->MMCR1.value = 0x015B000180848C4Cull;
    thread()->MMCRA.value = 1;
    thread()->MMCR0.value = 0;
    PMC_set_group_id(thread());
    EXPECT_EQ(thread()->pmc_info->group, 3);

    // A select bit that no row has: no match, nothing changes or prints.
    thread()->MMCR0.value = 0x2;
    PMC_set_group_id(thread());
    EXPECT_EQ(thread()->pmc_info->group, 3);
    thread()->MMCR0.value = 0;
    thread()->MMCR1.value = 0x1234;
    PMC_set_group_id(thread());
    EXPECT_EQ(thread()->pmc_info->group, 3);
    EXPECT_EQ(capture.lines().size(), 2u);
}

TEST_F(PmcGroups, TableSelection)
{
    PMC_init_tables("PRELL");
    EXPECT_EQ(pmcGroupCount, 0);
    EXPECT_EQ(pmcGroups, nullptr);
    thread()->MMCR1.value = 0x0A02121E;
    PMC_set_group_id(thread());
    EXPECT_EQ(thread()->pmc_info->group, 56);
    PMC_init_tables("other"); // unknown: the selection stays
    EXPECT_EQ(pmcGroupCount, 0);
    PMC_init_tables("Bosk");
    EXPECT_EQ(pmcGroupCount, 144);
    PMC_init_tables("tarvis");
    EXPECT_EQ(pmcGroupCount, 0);
}

TEST(PmcGroupsDeathTest, StartNeedsTheKnownProcessorType)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto start = [] {
        Quarn_Output_File = stderr;
        ProcessorState core{};
        core.processor_type = 0;
        core.type_name = const_cast<char *>("other");
        ThreadState thread{};
        thread.processor = &core;
        PMC_start(&thread);
    };
    EXPECT_DEATH(start(), "PMC_start does not know how to define tables for other");
}

} // namespace
