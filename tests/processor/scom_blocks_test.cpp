#include <gtest/gtest.h>

#include <vector>

#include "mmu/ha_dirty_table.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/spr/scom_blocks.h"
#include "runtime/alloc.h"

namespace
{

class ExScom : public ::testing::Test
{
  protected:
    void SetUp() override { make_core(2); }
    void make_core(uint32_t threads)
    {
        thread_records.assign(threads, ThreadState{});
        core.num_threads = threads;
        core.threads = thread_records.data();
        core.ex_scom_regs = &block;
        ex_scom_init(&core);
    }
    uint64_t reg(int n) const { return block.regs[n]; }

    ProcessorState core{};
    ex_scom_registers_s block{};
    std::vector<ThreadState> thread_records;
};

TEST_F(ExScom, WritesKeepTheMaskedBits)
{
    const struct {
        uint64_t address;
        int reg;
        uint64_t stored; // after writing all ones
    } cases[] = {
        {0x80A, 18, 0xFFFFE00000000000}, {0x814, 19, 0x7BBFFFF800000000},  {0x818, 0, 0x3FFFFFFF00000000},
        {0x819, 1, 0xFF80000000000000},  {0x81A, 2, 0xF800000000000000},   {0x81C, 4, 0xFFE0000000000000},
        {0x81D, 5, 0x3FFFFFF000000000},  {0x822, 10, 0x3FFFFFF000000000},  {0x823, 11, 0xFFF7000000000000},
        {0x828, 16, 0xFFF7000000000000}, {0x280F, 20, 0xF8007FF800000000},
    };
    for (const auto &c : cases) {
        ASSERT_EQ(ex_scom_write(&core, c.address, ~0ULL), 1) << std::hex << c.address;
        EXPECT_EQ(reg(c.reg), c.stored) << std::hex << c.address;
        uint64_t value = 0;
        ASSERT_EQ(ex_scom_read(&core, c.address, &value), 1);
        EXPECT_EQ(value, c.stored) << std::hex << c.address;
    }
    uint64_t value = 0;
    EXPECT_EQ(ex_scom_write(&core, 0x829, 1), 0);
    EXPECT_EQ(ex_scom_read(&core, 0x833, &value), 0);
    EXPECT_EQ(ex_scom_write(nullptr, 0x80A, 1), 0);
    EXPECT_EQ(ex_scom_read(nullptr, 0x80A, &value), 0);
    // The HA dirty-table base as the storage path reads it.
    ex_scom_write(&core, 0x818, 0x0000123400000000);
    EXPECT_EQ(ha_dirty_addr_table_bar(&core), 0x0000123400000000u >> 12);
}

TEST_F(ExScom, Register3MirrorsRegister17)
{
    EXPECT_EQ(ex_scom_write(&core, 0x832, ~0ULL), 1);
    uint64_t value = 0;
    ASSERT_EQ(ex_scom_read(&core, 0x81B, &value), 1);
    EXPECT_EQ(value, 0xFFFF800000000000u);
    // Writing 0x81B itself succeeds and changes nothing.
    EXPECT_EQ(ex_scom_write(&core, 0x81B, 0x1234000000000000), 1);
    ex_scom_read(&core, 0x81B, &value);
    EXPECT_EQ(value, 0xFFFF800000000000u);
}

TEST_F(ExScom, FlushRequestsSetThreadFlagsThenTheOverrunBit)
{
    const uint64_t request = 0x8000000000000000ULL | 0x0400000000000000ULL; // go + threads 0 and 1
    ASSERT_EQ(ex_scom_write(&core, 0x2810, request), 1);
    EXPECT_EQ(thread_records[0].ha_flush_pending, 1);
    EXPECT_EQ(thread_records[1].ha_flush_pending, 1);
    EXPECT_EQ(reg(EX_SCOM_HA_STAT) & 0x0800000000000000ULL, 0u);
    ex_scom_write(&core, 0x2810, request);
    EXPECT_EQ(reg(EX_SCOM_HA_STAT) & 0x0800000000000000ULL, 0x0800000000000000u);

    // Threads 2 and 3 answer to bit 57; without the go bit nothing happens.
    make_core(4);
    ex_scom_write(&core, 0x2810, 0x0200000000000000ULL);
    EXPECT_EQ(thread_records[2].ha_flush_pending, 0);
    ex_scom_write(&core, 0x2810, 0x8200000000000000ULL);
    EXPECT_EQ(thread_records[0].ha_flush_pending, 0);
    EXPECT_EQ(thread_records[2].ha_flush_pending, 1);
    EXPECT_EQ(thread_records[3].ha_flush_pending, 1);
}

TEST_F(ExScom, StatusWritesClearAndReplaceBits)
{
    block.regs[EX_SCOM_HA_STAT] = 0xC000000000000001ULL;
    // Clearing bit 62 (set) and bit 61 (clear: warned, stays clear); bits 57-59 replaced.
    ASSERT_EQ(ex_scom_write(&core, 0x2811, 0x6000000000000000ULL | 0x0A00000000000000ULL), 1);
    EXPECT_EQ(reg(EX_SCOM_HA_STAT), 0x8A00000000000001u);
    ex_scom_write(&core, 0x2811, 0);
    EXPECT_EQ(reg(EX_SCOM_HA_STAT), 0x8000000000000001u);
}

TEST(HcaScom, ChannelsMasksAndEnableCheck)
{
    hca_scom_registers_s *block = hca_scom_init(nullptr);
    ASSERT_NE(block, nullptr);
    const struct {
        uint32_t channel;
        uint64_t stored;
    } cases[] = {{10, 0x3FFFF7F800003}, {11, 0xFFFFF80001}, {14, 0xFFFFFC0001}, {19, 0x3FFFF80000001},
                 {74, 0x3FFFF7F800003}, {75, 0xFFFFF80001}, {78, 0xFFFFFC0001}, {83, 0x3FFFF80000001}};
    for (const auto &c : cases) {
        ASSERT_EQ(hca_scom_write(block, c.channel, ~0ULL), 1) << c.channel;
        uint64_t value = 0;
        ASSERT_EQ(hca_scom_read(block, c.channel, &value), 1);
        EXPECT_EQ(value, c.stored) << c.channel;
    }
    // The enable mask is checked (0x05 is warned about) but stored either way.
    EXPECT_EQ(hca_scom_write(block, 10, 0x0FULL << 23), 1);
    EXPECT_EQ(block->regs[0], 0x0FULL << 23);
    EXPECT_EQ(hca_scom_write(block, 10, 0x05ULL << 23), 1);
    EXPECT_EQ(block->regs[0], 0x05ULL << 23);
    uint64_t value = 0;
    EXPECT_EQ(hca_scom_write(block, 12, 1), 0);
    EXPECT_EQ(hca_scom_read(block, 12, &value), 0);
    EXPECT_EQ(hca_scom_read(nullptr, 10, &value), 0);
    QUARN_FREE(block);
}

TEST(HaDirtyTable, FindCheckAndDelete)
{
    MCM chip{};
    auto add = [&](uint64_t word, int flag) {
        ha_dirty_table_entry_s *entry = QUARN_ZALLOC(1, ha_dirty_table_entry_s);
        entry->word = word;
        entry->busy = flag;
        entry->next = chip.ha_dirty_table;
        chip.ha_dirty_table = entry;
        return entry;
    };
    ha_dirty_table_entry_s *a = add(0x1000 | 0x7, 1); // low bits outside the line address
    ha_dirty_table_entry_s *b = add(0x2080, 0);
    EXPECT_EQ(ha_find_entry(chip.ha_dirty_table, 0x1000), a);
    EXPECT_EQ(ha_find_entry(chip.ha_dirty_table, 0x1040), a); // same 128-byte line
    EXPECT_EQ(ha_find_entry(chip.ha_dirty_table, 0x1080), nullptr);
    ThreadState thread{};
    thread.mcm = &chip;
    ha_dirty_table_entry_s *found = nullptr;
    EXPECT_EQ(ha_flush_check(&thread, 0x1010, &found), 1);
    EXPECT_EQ(found, a);
    EXPECT_EQ(ha_flush_check(&thread, 0x2080, &found), 0); // entry without its flag
    EXPECT_EQ(found, b);
    EXPECT_EQ(ha_flush_check(&thread, 0x9000, &found), 0);
    EXPECT_EQ(found, nullptr);

    ha_dirty_table_entry_s stranger{};
    ha_delete_entry(&chip.ha_dirty_table, &stranger); // not on the list: nothing
    ha_delete_entry(&chip.ha_dirty_table, b);
    EXPECT_EQ(chip.ha_dirty_table, a);
    ha_delete_entry(&chip.ha_dirty_table, a);
    EXPECT_EQ(chip.ha_dirty_table, nullptr);
}

} // namespace
