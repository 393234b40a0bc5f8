// The hardware-assisted dirty-address table on a chip of two processors with two threads each:
// stores recorded per line through the physical data path, entries written into the table in
// memory when another processor stores or another thread reads the line, the segment wrap and
// phase bit, configuration faults in HA_STAT_REG, the table walk; and the reference-history stamps
// and counters.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "../exec/run_machine.h"
#include "mmu/data_path_hooks.h"
#include "mmu/ha_dirty_table.h"
#include "mmu/ha_dirty_tracking.h"
#include "mmu/physical_access.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/regs/reg_accessors.h"
#include "processor/spr/scom_blocks.h"
#include "support/sink_capture.h"

namespace
{

constexpr uint64_t TABLE = 0x100000; // 32 segments of 32 KB
constexpr uint64_t ENABLE_CHIP_0 = 1ULL << 63;
constexpr uint64_t MSR_GUEST = 0x8000000000000000ULL; // SF; not hypervisor

class DirtyTable : public ::testing::Test
{
  protected:
    DirtyTable()
        : r([](BuiltMachine &b) {
              b.set("cpus", "2");
              b.set("processor/number_of_threads", "2");
          })
    {
    }
    void SetUp() override
    {
        ASSERT_TRUE(r.ok());
        core[0] = r.core;
        core[1] = GenericMachine__Processor(r.m.machine, 1);
        ASSERT_NE(core[1], nullptr);
        ASSERT_EQ(core[1]->mcm, core[0]->mcm);
        for (int c = 0; c < 2; c++) {
            core[c]->options[PO_GLENT_PMCC_GATED_ACCESSIBLITY] = 1;
            core[c]->HID5.value = 0x4000; // tracking on
            core[c]->LPIDR.value = 0x10 + (uint32_t)c;
            for (int t = 0; t < 2; t++)
                core[c]->threads[t].MSR.value = MSR_GUEST;
            configure(core[c], 0);
        }
    }
    void TearDown() override
    {
        MCM *chip = core[0]->mcm;
        while (chip->ha_dirty_table)
            ha_delete_entry(&chip->ha_dirty_table, chip->ha_dirty_table);
    }
    static void configure(ProcessorState *c, uint64_t size_code)
    {
        ex_scom_write(c, 0x818, TABLE << 12);
        ex_scom_write(c, 0x81C, ENABLE_CHIP_0 | size_code << 53);
    }
    ThreadState *thread(int c, int t) { return &core[c]->threads[t]; }
    uint32_t access(ThreadState *t, uint64_t pa, bool store, uint64_t value = 0)
    {
        IOPDesc iop;
        INITIAL_IOP(&iop, t);
        AXD axd = INITIAL_AXD;
        axd.ea = pa;
        axd.pa = pa;
        axd.size = 4;
        axd.wimg = AXD_WIMG_M;
        axd.kind = store ? AXD_KIND_STORE : AXD_KIND_LOAD;
        return store ? PA_Write_Memory_Effect(&iop, value, &axd, 1)
                     : PA_Read_Memory_Effect(&iop, &value, &axd, 1);
    }
    std::vector<uint64_t> entries() const
    {
        std::vector<uint64_t> words;
        for (ha_dirty_table_entry_s *e = core[0]->mcm->ha_dirty_table; e; e = e->next)
            words.push_back(e->word);
        return words;
    }
    uint64_t stat(int c) const { return core[c]->ex_scom_regs->regs[EX_SCOM_HA_STAT]; }
    uint64_t segment(int c) const { return core[c]->ex_scom_regs->regs[3] >> 59; }
    RunMachine r;
    ProcessorState *core[2] = {};
};

uint64_t line_word(uint64_t lpid, uint64_t pa)
{
    return lpid << 52 | (pa & HA_LINE_ADDRESS_MASK) | 8;
}

TEST_F(DirtyTable, StoresOfOneProcessorShareAnEntryAnotherProcessorTakesItOver)
{
    ASSERT_EQ(access(thread(0, 0), 0x2000, true, 1), 0u);
    ASSERT_EQ(access(thread(0, 1), 0x2040, true, 2), 0u); // same line, same processor
    ASSERT_EQ(access(thread(0, 0), 0x3000, true, 3), 0u);
    EXPECT_EQ(entries(), (std::vector<uint64_t>{line_word(0x10, 0x2000), line_word(0x10, 0x3000)}));
    EXPECT_EQ(r.read(TABLE, 8), 0u); // nothing written yet

    ASSERT_EQ(access(thread(1, 0), 0x2010, true, 4), 0u);
    EXPECT_EQ(r.read(TABLE, 8), line_word(0x10, 0x2000)); // the old entry went to the table first
    // (The table write itself is not recorded as a dirty line.)
    EXPECT_EQ(entries(), (std::vector<uint64_t>{line_word(0x11, 0x2000), line_word(0x10, 0x3000)}));
    EXPECT_EQ(core[0]->mcm->ha_dirty_table->thread, thread(1, 0));
    EXPECT_EQ(core[0]->ha_write_offset, 8u);
    EXPECT_EQ(r.read(0x2010, 4), 4u); // the store itself went on

    // Hypervisor stores are not tracked.
    thread(0, 0)->MSR.value |= 0x1000000000000000ULL;
    ASSERT_EQ(access(thread(0, 0), 0x5000, true, 5), 0u);
    EXPECT_EQ(entries().size(), 2u);
}

TEST_F(DirtyTable, ReadByAnotherThreadFlushesAndDeletes)
{
    ASSERT_EQ(access(thread(0, 0), 0x2000, true, 1), 0u);
    ASSERT_EQ(access(thread(0, 0), 0x2008, false), 0u); // the storing thread: nothing
    EXPECT_EQ(entries().size(), 1u);
    ASSERT_EQ(access(thread(0, 1), 0x2008, false), 0u); // its sibling: written out and dropped
    EXPECT_TRUE(entries().empty());
    EXPECT_EQ(r.read(TABLE, 8), line_word(0x10, 0x2000));
}

// Size code 0: a segment holds 4,096 entries; 32 segments wrap the segment register and toggle the
// phase bit that every later entry carries.
TEST_F(DirtyTable, SegmentsWrapAndThePhaseToggles)
{
    ha_dirty_table_entry_s entry{};
    entry.thread = thread(0, 0);
    entry.word = line_word(0x10, 0x2000);
    for (int n = 0; n < 4095; n++)
        ha_flush_entry(&entry, 0);
    EXPECT_EQ(core[0]->ha_write_offset, 0x7FF8u);
    EXPECT_EQ(segment(0), 0u);
    ha_flush_entry(&entry, 0);
    EXPECT_EQ(core[0]->ha_write_offset, 0u);
    EXPECT_EQ(segment(0), 1u);
    EXPECT_EQ(r.read(TABLE + 0x7FF8, 8), entry.word);
    for (int n = 0; n < 31 * 4096; n++)
        ha_flush_entry(&entry, 0);
    EXPECT_EQ(segment(0), 0u);
    EXPECT_EQ(core[0]->ha_phase, 0x10u);
    ha_flush_entry(&entry, 0);
    EXPECT_EQ(r.read(TABLE, 8), entry.word | 0x10);
    EXPECT_EQ(stat(0), 0u);
}

// With the fullness test, the segment reaching the limit the segment registers set raises the
// hypervisor maintenance interrupt.
TEST_F(DirtyTable, FullTableRaisesHmi)
{
    ex_scom_write(core[0], 0x81A, 1ULL << 59); // a = 1, c = 0: full once segment 1 is reached
    ha_dirty_table_entry_s entry{};
    entry.thread = thread(0, 0);
    entry.word = line_word(0x10, 0x2000);
    for (int n = 0; n < 4095; n++)
        ha_flush_entry(&entry, 1);
    EXPECT_EQ(thread(0, 0)->interrupt_queue.head, nullptr);
    ha_flush_entry(&entry, 1);
    PowerPCException *hmi = thread(0, 0)->interrupt_queue.head;
    ASSERT_NE(hmi, nullptr);
    EXPECT_STREQ(hmi->detail, "Hypervisor Maintenance");
}

TEST_F(DirtyTable, ConfigurationFaultsOnlySetStatus)
{
    const struct {
        uint64_t config;
        uint64_t base;
        uint64_t status;
        bool written;
    } cases[] = {
        {ENABLE_CHIP_0 | 5ULL << 53, TABLE, HA_STAT_ERROR, false}, // size code 5
        {ENABLE_CHIP_0 >> 1, TABLE, HA_STAT_NOT_ENABLED, false},   // only chip 1 enabled
        {ENABLE_CHIP_0 | 1ULL << 53, TABLE, HA_STAT_ERROR, true},  // 1 MB base, 64 KB segments: misaligned
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.status);
        core[0]->ex_scom_regs->regs[EX_SCOM_HA_STAT] = 0;
        core[0]->ha_write_offset = 0;
        ex_scom_write(core[0], 0x818, c.base << 12);
        ex_scom_write(core[0], 0x81C, c.config);
        r.write(c.base, 8, 0);
        ha_dirty_table_entry_s entry{};
        entry.thread = thread(0, 0);
        entry.word = line_word(0x10, 0x2000);
        ha_flush_entry(&entry, 0);
        EXPECT_EQ(stat(0), c.status);
        EXPECT_EQ(r.read(c.base, 8), c.written ? entry.word : 0u);
        EXPECT_EQ(entry.busy, 0);
    }
}

// The walk drains the processor's entries one per step, then writes the end marker naming the
// walking threads and their partition, sets the walk-complete bits and ends the request. Another
// processor's entries stay for its own walk.
TEST_F(DirtyTable, WalkDrainsTheProcessorsEntriesThenWritesTheMarker)
{
    ASSERT_EQ(access(thread(0, 0), 0x2000, true, 1), 0u);
    ASSERT_EQ(access(thread(0, 1), 0x3000, true, 2), 0u);
    ASSERT_EQ(access(thread(1, 0), 0x4000, true, 3), 0u);
    for (int t = 0; t < 2; t++)
        thread(0, t)->ha_flush_pending = 1;

    {
        SinkCapture sink; // a store while the walk is asked for is refused
        EXPECT_EQ(access(thread(0, 0), 0x6000, true, 4), 0u);
        EXPECT_NE(
            sink.text().find("FATAL ERROR: Table walk while HID5 has HA Enabled.  Not creating entry for "
                             "store to 0x0000000000006000"),
            std::string::npos);
        Start_The_Simulation();
    }
    IOPDesc iop;
    INITIAL_IOP(&iop, thread(0, 0));
    ha_walk(&iop);
    ha_walk(&iop);
    EXPECT_EQ(entries(), (std::vector<uint64_t>{line_word(0x11, 0x4000)}));
    EXPECT_EQ(stat(0), 0u);
    ha_walk(&iop);
    EXPECT_EQ(r.read(TABLE, 8), line_word(0x10, 0x2000));
    EXPECT_EQ(r.read(TABLE + 8, 8), line_word(0x10, 0x3000));
    EXPECT_EQ(r.read(TABLE + 16, 8), 0x10ULL << 52 | 0x8000 | 4);
    EXPECT_EQ(stat(0), HA_STAT_WALK_COMPLETE);
    EXPECT_EQ(thread(0, 0)->ha_flush_pending, 0);
    EXPECT_EQ(thread(0, 1)->ha_flush_pending, 0);
    EXPECT_EQ(entries(), (std::vector<uint64_t>{line_word(0x11, 0x4000)}));
}

// Reference history: the page-table entry's stamp and the page's counter.
class ReferenceHistory : public DirtyTable
{
  protected:
    static constexpr uint64_t PTE = 0x3000, PAGE = 0x5000, COUNTER = 0x400014;
    void SetUp() override
    {
        DirtyTable::SetUp();
        core[0]->options[PO_GLENT_EN_REF_ARRAY] = 1;
        core[0]->HID4.value = 0x8800000 | 1ULL << 24; // enabled, period shift 1
        uint64_t *hca = core[0]->mcm->hca_scom_regs->regs;
        hca[0] = hca[4] = 1;            // HCA_EN_BAR: enabled, small layout, S = 0
        hca[2] = hca[6] = 0x400000 | 1; // HCA_EN_REF_BAR: enabled, counters at 4 MB
        INITIAL_IOP(&iop, thread(0, 0));
    }
    uint64_t stamp()
    {
        const uint64_t tb = iGET_TB(&iop);
        return ((((tb >> 20) & 0xFFFFF) + ((PAGE >> 16) & 0xFF)) >> 8) & 0xFFF;
    }
    IOPDesc iop;
};

TEST_F(ReferenceHistory, StampsThePteAndAgesTheCounter)
{
    const uint64_t v = stamp();
    const uint64_t old = (v - 3) & 0xFFF;
    r.write(PTE, 8, old << 52 | 0x123456789ULL);
    r.write(PTE + 8, 8, 0x0200000000000000ULL);
    r.write(COUNTER, 4, 0xF0000000);
    EXPECT_EQ(Reference_History_Array(&iop, PTE, PAGE), 1);
    EXPECT_EQ(r.read(PTE, 8), v << 52 | 0x123456789ULL);
    EXPECT_EQ(r.read(COUNTER, 4), 0xF0000000u >> 3);

    // The stamp unchanged: nothing is touched.
    r.write(COUNTER, 4, 0xF0000000);
    EXPECT_EQ(Reference_History_Array(&iop, PTE, PAGE), 1);
    EXPECT_EQ(r.read(COUNTER, 4), 0xF0000000u);
    EXPECT_EQ(r.read(PTE, 8), v << 52 | 0x123456789ULL);
}

TEST_F(ReferenceHistory, OffUnlessEveryGateIsOpen)
{
    const uint64_t old = (stamp() - 3) & 0xFFF;
    const struct {
        const char *what;
        int option;
        uint64_t hid4;
        uint64_t pte1;
    } cases[] = {
        {"option off", 0, 0x8800000 | 1ULL << 24, 0x0200000000000000ULL},
        {"HID4 enable incomplete", 1, 0x0800000 | 1ULL << 24, 0x0200000000000000ULL},
        {"period shift 0", 1, 0x8800000, 0x0200000000000000ULL},
        {"PTE without bit 57", 1, 0x8800000 | 1ULL << 24, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        core[0]->options[PO_GLENT_EN_REF_ARRAY] = c.option;
        core[0]->HID4.value = c.hid4;
        r.write(PTE, 8, old << 52);
        r.write(PTE + 8, 8, c.pte1);
        EXPECT_EQ(Reference_History_Array(&iop, PTE, PAGE), 1);
        EXPECT_EQ(r.read(PTE, 8), old << 52);
    }
}

} // namespace
