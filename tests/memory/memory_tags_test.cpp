#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "memory/memory_tags.h"
#include "processor/records/thread_state.h"
#include "support/test_machine.h"

namespace
{

class MemoryTags : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        Default_Init_Memory_Tag_Structures(&m.machine);
        thread.machine = &m.machine;
    }

    std::vector<tag_region *> regions()
    {
        std::vector<tag_region *> out;
        collect(m.machine.tag_regions, out);
        return out;
    }
    static void collect(tag_region *node, std::vector<tag_region *> &out)
    {
        if (!node) return;
        collect(node->left, out);
        out.push_back(node);
        collect(node->right, out);
    }

    TestMachine m{"tags"};
    ThreadState thread{};
};

TEST_F(MemoryTags, WriteSetsTheWholeGranule)
{
    Define_Memory_Tag_Bit_Array(&m.machine, 0, 0xFFFF);
    PA_Write_Memory_Tag(&thread, 0x1008, 1, 1);
    for (uint64_t a = 0x1000; a <= 0x100F; a++)
        EXPECT_EQ(PA_Read_Memory_Tag(&thread, a, 0), 1) << std::hex << a;
    EXPECT_EQ(PA_Read_Memory_Tag(&thread, 0x1010, 0), 0);
    EXPECT_EQ(PA_Read_Memory_Tag_Raw(&thread, 0xFFF), 0);
    // A write covers every granule it touches, up to address + length rounded up.
    PA_Write_Memory_Tag(&thread, 0x200C, 8, 1);
    EXPECT_EQ(PA_Read_Memory_Tag(&thread, 0x2000, 1), 1);
    EXPECT_EQ(PA_Read_Memory_Tag(&thread, 0x2010, 1), 1);
    EXPECT_EQ(PA_Read_Memory_Tag(&thread, 0x2020, 1), 0);
    // Only the tag's low byte counts: 0x100 clears.
    PA_Write_Memory_Tag(&thread, 0x1000, 16, 0x100);
    EXPECT_EQ(PA_Read_Memory_Tag(&thread, 0x1000, 0), 0);
    // The resolved byte of a page holds its first eight granules.
    uint8_t *byte = PA_Resolve_Memory_Tag(&thread, 0x2345);
    ASSERT_NE(byte, nullptr);
    EXPECT_EQ(*byte, 0x03);
}

TEST_F(MemoryTags, LargeRangesAreSplitAtFourGigabytes)
{
    Define_Memory_Tag_Bit_Array(&m.machine, 0, 10ULL * 1024 * 1024 * 1024 - 1);
    auto r = regions();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0]->start, 0u);
    EXPECT_EQ(r[0]->end, 0xFFFFFFFFu);
    EXPECT_EQ(r[1]->start, 0x100000000u);
    EXPECT_EQ(r[1]->end, 0x1FFFFFFFFu);
    EXPECT_EQ(r[2]->start, 0x200000000u);
    EXPECT_EQ(r[2]->end, 0x27FFFFFFFu);
    for (tag_region *region : r)
        EXPECT_EQ(region->bits, nullptr); // bit arrays are made on first need
}

TEST_F(MemoryTags, OverlappingDefinitionsAreRefused)
{
    Define_Memory_Tag_Bit_Array(&m.machine, 0x1000, 0x1FFF);
    Define_Memory_Tag_Bit_Array(&m.machine, 0x1000, 0x1FFF);
    Define_Memory_Tag_Bit_Array(&m.machine, 0x1FF0, 0x2FFF);
    auto r = regions();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0]->start, 0x1000u);
    EXPECT_EQ(r[0]->end, 0x1FFFu);
    // Ends are widened to whole granules, an aligned inclusive end keeping its granule.
    Define_Memory_Tag_Bit_Array(&m.machine, 0x3008, 0x3010);
    r = regions();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1]->start, 0x3000u);
    EXPECT_EQ(r[1]->end, 0x301Fu);
}

TEST_F(MemoryTags, MissingRegionsWithoutOnDemandLoseTags)
{
    m.machine.on_demand_tag_arrays = 0;
    m.machine.machine_options[MO_MEMORY_OVERFLOW] = 0;
    PA_Write_Memory_Tag(&thread, 0x5000, 1, 1);
    EXPECT_EQ(PA_Read_Memory_Tag(&thread, 0x5000, 0), 0);
    PA_Write_Memory_Tag(&thread, 0x5000, 1, 0);
    EXPECT_TRUE(regions().empty());
    EXPECT_EQ(PA_Resolve_Memory_Tag(&thread, 0x5000), nullptr);
}

TEST_F(MemoryTags, OnDemandRegionsFollowTheOverflowOption)
{
    // With the overflow option: a 4 KB region around the address.
    m.machine.machine_options[MO_MEMORY_OVERFLOW] = 1;
    PA_Write_Memory_Tag(&thread, 0x123456789, 1, 1);
    auto r = regions();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0]->start, 0x123456000u);
    EXPECT_EQ(r[0]->end, 0x123456FFFu);
    EXPECT_EQ(PA_Read_Memory_Tag(&thread, 0x123456780, 0), 1);
    // Without it, and on demand: the surrounding 4 GB.
    m.machine.machine_options[MO_MEMORY_OVERFLOW] = 0;
    PA_Write_Memory_Tag(&thread, 0x500000010, 1, 1);
    r = regions();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1]->start, 0x500000000u);
    EXPECT_EQ(r[1]->end, 0x5FFFFFFFFu);
    EXPECT_EQ(PA_Read_Memory_Tag(&thread, 0x500000010, 0), 1);
    // A 4 GB region that would overlap an existing one cannot be made: the tag is lost.
    PA_Write_Memory_Tag(&thread, 0x100000000, 1, 1);
    EXPECT_EQ(regions().size(), 2u);
    EXPECT_EQ(PA_Read_Memory_Tag(&thread, 0x100000000, 0), 0);
}

int replaced_reads = 0;
int replaced_read(ThreadState *, uint64_t address, void *data)
{
    replaced_reads += *static_cast<int *>(data);
    return address == 0x40 ? 1 : 0;
}

TEST_F(MemoryTags, ReplacedFunctionsGetTheirData)
{
    static int step = 5;
    replaced_reads = 0;
    Register_Memory_Tag_Functions(&m.machine, replaced_read, nullptr, nullptr, &step);
    EXPECT_EQ(PA_Read_Memory_Tag(&thread, 0x40, 0), 1);
    EXPECT_EQ(PA_Read_Memory_Tag(&thread, 0x50, 0), 0);
    EXPECT_EQ(replaced_reads, 10);
    PA_Write_Memory_Tag(&thread, 0x40, 1, 1); // no write function: nothing happens
    EXPECT_EQ(PA_Resolve_Memory_Tag(&thread, 0x40), nullptr);
}

// Heights as recorded must be the real ones, and no side may outgrow the rule.
int check_heights(const tag_region *node)
{
    if (!node) return 0;
    int left = check_heights(node->left);
    int right = check_heights(node->right);
    EXPECT_EQ(node->left_height, left);
    EXPECT_EQ(node->right_height, right);
    if (const tag_region *c = node->right) {
        EXPECT_LE(c->right_height, node->left_height + c->left_height + 1);
    }
    if (const tag_region *l = node->left) {
        EXPECT_LE(l->left_height, node->right_height + l->right_height + 1);
    }
    return 1 + std::max(left, right);
}

TEST_F(MemoryTags, AscendingInsertionKeepsTheTreeBalanced)
{
    for (uint64_t i = 0; i < 200; i++)
        Define_Memory_Tag_Bit_Array(&m.machine, i * 0x1000, i * 0x1000 + 0xFFF);
    auto r = regions();
    ASSERT_EQ(r.size(), 200u);
    for (size_t i = 0; i < r.size(); i++)
        EXPECT_EQ(r[i]->start, i * 0x1000); // in order: a search tree
    int height = check_heights(m.machine.tag_regions);
    EXPECT_LE(height, 20); // far from the 200 of a list
    for (uint64_t i = 0; i < 200; i += 37)
        EXPECT_EQ(Tag_Region_Search(m.machine.tag_regions, i * 0x1000 + 0x800), r[i]);
}

} // namespace
