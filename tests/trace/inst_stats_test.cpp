// The instruction statistics profile: records made on demand, the reference ring, misses charged
// back to instructions, the thread check, ISTAT_List's buffer and PrintDelta.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/sink_capture.h"
#include "trace/inst_stats.h"

namespace
{

std::unique_ptr<InstProfile> fresh(void)
{
    return std::unique_ptr<InstProfile>(new InstProfile()); // zeroed; no machine: one thread
}

} // namespace

TEST(InstStats, FetchStartsAtOneAddressShareARecord)
{
    auto p = fresh();
    INST_PROF_inst_fetch_start(p.get(), 0, 0x1000);
    INST_PROF_inst_fetch_start(p.get(), 0, 0x1000);
    EXPECT_EQ(p->records, 1u);
    InstInfo_t *info = INST_PROF_inst(p.get(), 0, 77, 0x1000, 1, 5, 0, 123);
    EXPECT_EQ(p->records, 1u);
    EXPECT_EQ(info->counters[ISTAT_INST_COUNT], 1u);
    EXPECT_EQ(info->counters[ISTAT_BIT64_INST], 1u);
    EXPECT_EQ(info->function, 77u);
    EXPECT_EQ(info->pid, 5);
    EXPECT_EQ(info->created, 123u);
    EXPECT_EQ(p->totals[ISTAT_INST_COUNT], 1u);
}

// Appending moves first on whenever next reaches it: after 2048 appends the oldest is dropped, and
// the next append overwrites it.
TEST(InstStats, TheRingDropsTheOldestWhenItIsFull)
{
    auto p = fresh();
    for (int i = 0; i < DATA_REF_HISTORY; i++)
        INST_PROF_inst_ref(p.get(), 0, 0, 0, 0x10000 + 0x100 * (uint64_t)i, 8, 1);
    EXPECT_EQ(p->histories[0].next, 0);
    EXPECT_EQ(p->histories[0].first, 1);
    EXPECT_EQ(INST_PROF_inst_ref(p.get(), 0, 0, 0, 0x900000, 8, 1), 1);
    EXPECT_EQ(p->histories[0].first, 2);
    EXPECT_EQ(p->histories[0].refs[0].address, 0x900000u) << "the oldest was overwritten";
    EXPECT_EQ(INST_PROF_inst_ref_addr_resolved(p.get(), 0, 0x10104, 1), -1) << "no longer in the ring";
    EXPECT_EQ(INST_PROF_inst_ref_addr_resolved(p.get(), 0, 0x10204, 1), 2) << "the oldest left";
    EXPECT_EQ(INST_PROF_inst_ref_addr_resolved(p.get(), 0, 0x900004, 1), 0) << "the newest";
}

TEST(InstStats, MissesAreChargedBackToTheirInstruction)
{
    auto p = fresh();
    InstInfo_t *load = INST_PROF_inst(p.get(), 0, 0, 0x2000, 0, 1, 0, 0);
    INST_PROF_inst_ref(p.get(), 0, 0x2000, 0, 0x8010, 8, 4); // a sim-support reference
    INST_PROF_inst_ref_addr_resolved(p.get(), 0, 0x8010, 0x48010);
    EXPECT_EQ(INST_PROF_l1d_miss(p.get(), 0, 0, 0x8000, 0, 0, 128), load) << "same 128-byte line";
    EXPECT_EQ(load->counters[ISTAT_L1D_CACHE_MISS], 1u);
    EXPECT_EQ(load->counters[ISTAT_L1D_SIMSUPPORT_CACHE_MISS], 1u);
    EXPECT_EQ(load->flags & INSTINFO_DATA_CHARGED, INSTINFO_DATA_CHARGED);

    INST_PROF_l3_miss(p.get(), 0x48000); // the resolved value's 256-byte block
    EXPECT_EQ(load->counters[ISTAT_L3_DATA_CACHE_MISS], 1u);
    INST_PROF_l3_miss(p.get(), 0x990000); // in no history: the total only
    EXPECT_EQ(p->totals[ISTAT_L3_DATA_CACHE_MISS], 2u);
    EXPECT_EQ(load->counters[ISTAT_L3_DATA_CACHE_MISS], 1u);

    EXPECT_EQ(INST_PROF_tlb_miss(p.get(), 0, 0x8014, 0), load);
    EXPECT_EQ(load->counters[ISTAT_DTLB_MISS], 1u);
    EXPECT_EQ(p->totals[ISTAT_TLB_MISS], 1u);
}

TEST(InstStats, AThreadBeyondTheMachineIsRefused)
{
    auto p = fresh();
    SinkCapture sink;
    EXPECT_EQ(INST_PROF_inst(p.get(), 1, 0, 0x2000, 0, 1, 0, 0), nullptr);
    EXPECT_NE(sink.text().find("ISTAT_processor_id_check: procid=1 is greater than the maximum of 0"),
              std::string::npos);
    EXPECT_EQ(p->totals[ISTAT_INST_COUNT], 0u);
}

TEST(InstStats, ListNeedsRoomForEveryTextAndTheTerminator)
{
    uint64_t counters[ISTAT_COUNTERS];
    std::string want;
    for (int i = 0; i < ISTAT_COUNTERS; i++) {
        counters[i] = (uint64_t)i * 1000;
        want += std::string(InstStats_Names[i]) + " " + std::to_string(i * 1000) + " ";
    }
    std::string buffer(want.size() + 1, 'x');
    EXPECT_STREQ(ISTAT_List(counters, buffer.data(), buffer.size()), want.c_str());
    SinkCapture sink;
    EXPECT_EQ(ISTAT_List(counters, buffer.data(), buffer.size() - 1), nullptr);
    EXPECT_NE(sink.text().find("ISTAT_List stats buffer is too small"), std::string::npos);
}

TEST(InstStats, PrintDeltaCutsItsText)
{
    SinkCapture sink;
    PrintDelta("%s", std::string(300, 'a').c_str());
    EXPECT_EQ(sink.text(), "PrintDelta: " + std::string(255, 'a') + "\n");
}
