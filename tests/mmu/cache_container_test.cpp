// The cache-containment checker and the simple cache model.
#include <gtest/gtest.h>

#include <string>

#include "mmu/cache_container.h"
#include "mmu/simple_cache.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

namespace
{

TEST(CacheContainer, TypesByName)
{
    EXPECT_EQ(cc_getCacheTypeByName("DravoPlus_L2"), 0);
    EXPECT_EQ(cc_getCacheTypeByName("zindle_l3"), 2);
    EXPECT_EQ(cc_getCacheTypeByName("Zindle_L2"), 1);
    EXPECT_EQ(cc_getCacheTypeByName("other"), 1);
    EXPECT_STREQ(cc_getCacheNameByType(0), "Dravo+ L2");
    EXPECT_EQ(cc_CacheContainer_init("p0", 3), nullptr);
}

TEST(CacheContainer, NinthLineOfASetStopsTheRun)
{
    auto *c = (cc_CacheContainer_s *)cc_CacheContainer_init("p0", 0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->index_stride, 256u);
    SinkCapture sink;
    Start_The_Simulation();
    // Lines 0x8000 apart share bits 7-14: eight fit in the eight ways.
    for (uint64_t n = 0; n < 8; n++)
        cc_Container_Access(c, 0x100080 + n * 0x8000, 2);
    cc_Container_Access(c, 0x100080, 4); // the same line again: one entry, kinds 2 and 4
    EXPECT_EQ(c->entry[1], 0x100080u | 6u);
    EXPECT_EQ(sink.text().find("Code exceeds"), std::string::npos);
    cc_Container_Access(c, 0x100080 + 8 * 0x8000, 1);
    EXPECT_NE(sink.text().find("PA_Fetch_Memory: Code exceeds Dravo+ L2 cache limits at physical address: "
                               "0x0000000000140080 index=0x1"),
              std::string::npos)
        << sink.text();
    Start_The_Simulation();
    cc_CacheContainer_free(c);
}

TEST(SimpleCache, SetConflictsAndStatistics)
{
    EXPECT_EQ(simple_cache_init("bad", 1000, 2, 64, 0), nullptr);
    simple_cache_t *c = simple_cache_init("L1", 1024, 2, 64, 0);
    simple_cache_t *next = simple_cache_init("L2", 4096, 4, 64, 0);
    ASSERT_NE(c, nullptr);
    simple_cache_set_next_level(c, next);
    EXPECT_EQ(simple_cache_read(c, 0x0), 0);
    EXPECT_EQ(simple_cache_read(c, 0x200), 0);
    EXPECT_EQ(simple_cache_write(c, 0x400), 0); // evicts the line of 0x0
    EXPECT_EQ(simple_cache_read(c, 0x200), 1);
    EXPECT_EQ(simple_cache_read(c, 0x0), 0); // evicts the dirty 0x400: a cast-out to L2
    EXPECT_EQ(simple_cache_read(next, 0x400), 1);
    EXPECT_EQ(c->cast_outs, 1u);
    EXPECT_EQ(next->write_hits, 1u);
    SinkCapture sink;
    simple_cache_stats_print(c);
    EXPECT_EQ(sink.text(), "Simple Cache Statistics for L1\n"
                           "  Read Hits:                     1\n"
                           "  Read Misses:                   3\n"
                           "  Write Hits:                    0\n"
                           "  Write Misses:                  1\n"
                           "  Cast Outs:                     1\n");
    simple_cache_free(c);
    simple_cache_free(next);
    simple_cache_free(nullptr);
}

} // namespace
