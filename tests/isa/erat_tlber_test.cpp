// ERAT insertion as the processor uses it (reuse of a thread's entry, the LRU eviction reported
// before the insertion, the keying granularity, an ERAT left without rows) and the TLBER read-out of
// a TLB entry.
#include "exec_word.h"
#include "mmu/erat.h"
#include "processor/records/axd.h"
#include "processor/records/processor_state.h"
#include "processor/spr/ex_spr.h"
#include "processor/translation/erat.h"
#include "processor/translation/tlb.h"

namespace
{

// An ERAT of 4 rows × 2 ways, 16 MB large pages, whose trigger procedure is "record".
struct SmallErat {
    SmallErat()
    {
        erat.entries = entries;
        erat.row_count = counts;
        erat.rows = 4;
        erat.ways = 2;
        erat.way_bits = 1;
        erat.row_bits = 2;
        erat.large_shift = 24;
        erat.small_shift = 12;
        erat.trigger = &trigger;
        snprintf(erat.name, sizeof erat.name, "test_dERAT.0");
    }
    // The row an address of the small granularity lands in.
    static int32_t row(uint64_t ea) { return (int32_t)(((ea >> 62) ^ (ea >> 12)) & 3); }
    ERAT_Entry entries[8] = {};
    int32_t counts[4] = {};
    char procedure[8] = "record";
    TLB_Trigger_Desc trigger{procedure, 1};
    ERAT_Struct erat = {};
};

AXD translation(uint64_t ea, uint64_t pa)
{
    AXD axd = {};
    axd.ea = ea;
    axd.pa = pa;
    axd.kind = AXD_KIND_STORE;
    return axd;
}

TEST(EratInsert, TheSameThreadAndPageReusesItsWay)
{
    ExecWord ew;
    TclRecorder tcl;
    SmallErat s;
    const uint64_t words[2] = {1, 2};
    const uint64_t ea = 0x10123;
    AXD a = translation(ea, 0x7123);
    ERAT_AddMapping(ew.t, &s.erat, &a, ea, 12, words);
    AXD b = translation(ea + 8, 0x7128);
    ERAT_AddMapping(ew.t, &s.erat, &b, ea + 8, 12, words);
    const int32_t row = SmallErat::row(ea);
    EXPECT_EQ(s.counts[row], 1);
    const ERAT_Entry &entry = s.entries[row * 2];
    EXPECT_EQ(entry.axd.ea, 0x10000u);
    EXPECT_EQ(entry.axd.pa, 0x7000u);
    EXPECT_EQ(entry.erat_shift, 12);
    EXPECT_EQ(entry.pte[1], 2u);
    const std::string fired = tcl.fired();
    EXPECT_NE(fired.find("op add func STORE ea 0x0000000000010000 pa 0x0000000000007000 index " +
                         std::to_string(row * 2) + " row " + std::to_string(row) + " count 1"),
              std::string::npos)
        << fired;
    EXPECT_EQ(fired.find("evict"), std::string::npos);
}

TEST(EratInsert, AFullRowEvictsTheLeastRecentlyUsedWayFirst)
{
    ExecWord ew;
    TclRecorder tcl;
    SmallErat s;
    // Three pages of one row (rows repeat every 4 pages).
    const uint64_t pages[] = {0x10000, 0x14000, 0x18000};
    const int32_t row = SmallErat::row(pages[0]);
    AXD first = translation(pages[0], 0x100000), second = translation(pages[1], 0x200000);
    ERAT_AddMapping(ew.t, &s.erat, &first, pages[0], 12, nullptr);
    ERAT_AddMapping(ew.t, &s.erat, &second, pages[1], 12, nullptr);
    s.entries[row * 2 + 0].last_use = 20; // way 1 is older
    s.entries[row * 2 + 1].last_use = 10;
    tcl.clear();
    AXD third = translation(pages[2], 0x300000);
    ERAT_AddMapping(ew.t, &s.erat, &third, pages[2], 12, nullptr);
    EXPECT_EQ(s.counts[row], 2);
    EXPECT_EQ(s.entries[row * 2 + 1].axd.ea, pages[2]);
    EXPECT_EQ(s.entries[row * 2 + 0].axd.ea, pages[0]);
    const std::string fired = tcl.fired();
    const size_t evict = fired.find("op evict func STORE ea 0x0000000000014000 pa 0x0000000000200000");
    const size_t add = fired.find("op add func STORE ea 0x0000000000018000");
    ASSERT_NE(evict, std::string::npos) << fired;
    ASSERT_NE(add, std::string::npos) << fired;
    EXPECT_LT(evict, add);
}

TEST(EratInsert, GranularityFollowsThePageShift)
{
    ExecWord ew;
    SmallErat s;
    const uint64_t ea = 0x12345678;
    AXD a = translation(ea, 0x9345678);
    ERAT_AddMapping(ew.t, &s.erat, &a, ea, 16, nullptr); // below the large-page shift
    ERAT_AddMapping(ew.t, &s.erat, &a, ea, 24, nullptr);
    int found_small = 0, found_large = 0;
    for (const ERAT_Entry &entry : s.entries) {
        if (entry.axd.ea == 0x12345000 && entry.erat_shift == 12) found_small++;
        if (entry.axd.ea == 0x12000000 && entry.erat_shift == 24 && entry.axd.pa == 0x9000000) found_large++;
    }
    EXPECT_EQ(found_small, 1);
    EXPECT_EQ(found_large, 1);
}

TEST(EratInsert, AnEratWithoutRowsTakesNothing)
{
    ExecWord ew;
    ERAT_Struct empty = {};
    AXD a = translation(0x1000, 0x2000);
    ERAT_AddMapping(ew.t, &empty, &a, 0x1000, 12, nullptr);
    EXPECT_EQ(empty.entries, nullptr);
    EXPECT_EQ(ERAT_FindMapping(ew.t, &empty, 0x1000, AXD_KIND_STORE), nullptr);
}

TEST(Tlber, ReadOutOfAnEntry)
{
    ExecWord ew;
    TLB_ENTRY_t entries[2] = {};
    TLB tlb = {};
    tlb.entries = entries;
    tlb.num_entries = 2;
    ew.core.core->tlb = &tlb;
    // Data word: page-size field 6..3 = 14, real page 0xABCDE, bits 63, 62, 11..9, 7, 2, 1..0.
    entries[1].pte_lower =
        1ull << 63 | 1ull << 62 | 0xABCDEull << 12 | 0x5ull << 9 | 1ull << 7 | 14ull << 3 | 1ull << 2 | 0x3;
    entries[1].pte_upper = 0x2ull << 62 | 1ull << 2; // segment size 0b10, bit 2
    const uint64_t v = xGUESS_TLBER(ew.t, 1);
    EXPECT_EQ((v >> 50) & 7, 0b010u);
    EXPECT_EQ((v >> 59) & 7, 5u);
    EXPECT_EQ((v >> 58) & 1, 1u);
    EXPECT_EQ((v >> 56) & 3, 3u);
    EXPECT_EQ((v >> 55) & 1, 1u);
    EXPECT_EQ((v >> 54) & 1, 1u);
    EXPECT_EQ((v >> 49) & 1, 1u);
    EXPECT_EQ((v >> 48) & 1, 1u);
    EXPECT_EQ((v >> 46) & 1, 1u);
    EXPECT_EQ(v & 0xFFFFFFFFFull, 0xABCDEu);
    // Data bits 6..3 other than 14 read their low three bits.
    entries[0].pte_lower = 0x5ull << 3;
    EXPECT_EQ((xGUESS_TLBER(ew.t, 0) >> 50) & 7, 5u);
    EXPECT_EQ(xGUESS_TLBER(ew.t, 2), 0u); // outside the TLB
    ew.core.core->tlb = nullptr;
}

} // namespace
