// The two-key hash table.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "runtime/hash2.h"
#include "support/sink_capture.h"

namespace
{

struct Record {
    HASH2_Entry header;
    int payload;
};

class Hash2Test : public ::testing::Test
{
  protected:
    void SetUp() override { HASH2_InitTable(table.get()); }
    // Records whose keys all land in bucket 0x1400: key0 bits 18 and up do not reach the hash.
    void add_colliding(int n)
    {
        for (int i = 0; i < n; i++)
            add(0x1000 | (uint64_t(i) << 20), 0, i);
    }
    Record *add(uint64_t key0, uint64_t key1, int payload)
    {
        records.push_back(std::make_unique<Record>());
        Record *r = records.back().get();
        r->header.key0 = key0;
        r->header.key1 = key1;
        r->payload = payload;
        HASH2_AddEntry(table.get(), &r->header);
        return r;
    }
    std::unique_ptr<HASH2_Table> table = std::make_unique<HASH2_Table>();
    std::vector<std::unique_ptr<Record>> records;
};

TEST_F(Hash2Test, KeysLandInTheirBucketsAndTheNewerDuplicateIsFoundFirst)
{
    EXPECT_EQ(HASH2_vHash(0x1000, 0), 0x1400u);
    EXPECT_EQ(HASH2_vHash(0x1000, 8), 0x1401u);
    Record *a = add(0x1000, 0, 1);
    Record *b = add(0x1000, 8, 2);
    EXPECT_EQ(table->buckets[0x1400], &a->header);
    EXPECT_EQ(table->buckets[0x1401], &b->header);
    EXPECT_EQ(HASH2_GetByValue(table.get(), 0x1000, 8), &b->header);
    EXPECT_EQ(HASH2_GetByValue(table.get(), 0x1000, 9), nullptr); // same bucket, other key
    Record *newer = add(0x1000, 0, 3);
    EXPECT_EQ(HASH2_GetByValue(table.get(), 0x1000, 0), &newer->header);
    EXPECT_EQ(table->first, &a->header); // insertion order
    EXPECT_EQ(table->last, &newer->header);
}

TEST_F(Hash2Test, OnlyCrowdedBucketsMoveAFoundEntryToTheFront)
{
    for (int size : {5, 6}) {
        SCOPED_TRACE(size);
        HASH2_InitTable(table.get());
        records.clear();
        add_colliding(size);
        ASSERT_EQ(table->bucket_sizes[0x1400], (uint32_t)size);
        HASH2_Entry *oldest = &records[0]->header;
        EXPECT_EQ(HASH2_GetByValue(table.get(), oldest->key0, 0), oldest);
        if (size == 6) {
            EXPECT_EQ(table->buckets[0x1400], oldest);
            // The chain is intact: every entry is still found.
            for (auto &r : records)
                EXPECT_EQ(HASH2_GetByValue(table.get(), r->header.key0, 0), &r->header);
        } else {
            EXPECT_EQ(table->buckets[0x1400], &records[4]->header);
        }
    }
}

TEST_F(Hash2Test, RemovalsUnlinkFromBucketAndOrderedList)
{
    Record *only = add(0x40, 0, 1);
    EXPECT_EQ(HASH2_RemoveEntry(table.get(), 0x40, 0), &only->header);
    EXPECT_EQ(table->first, nullptr);
    EXPECT_EQ(table->last, nullptr);
    EXPECT_EQ(HASH2_RemoveEntry(table.get(), 0x40, 0), nullptr);

    add_colliding(3);
    HASH2_Entry *second = &records[2]->header, *third = &records[3]->header;
    EXPECT_EQ(HASH2_RemoveEntryByAddr(table.get(), third), third);
    EXPECT_EQ(table->last, second);
    EXPECT_EQ(second->next, nullptr);
    EXPECT_EQ(table->bucket_sizes[0x1400], 2u);
    EXPECT_EQ(HASH2_GetByValue(table.get(), third->key0, 0), nullptr);
    EXPECT_EQ(HASH2_RemoveEntryByAddr(table.get(), third), nullptr); // no longer there
    EXPECT_EQ(HASH2_RemoveEntry(table.get(), records[1]->header.key0, 0), &records[1]->header); // the first
    EXPECT_EQ(table->first, second);
    EXPECT_EQ(second->previous, nullptr);
}

TEST_F(Hash2Test, StatisticsCountEveryInsertionAndListBucketRuns)
{
    for (int i = 0; i < 5; i++)
        add(4, uint64_t(i) << 19, i); // bucket 5: (4 ^ 1), key1 >> 3 beyond 16 bits
    HASH2_RemoveEntry(table.get(), 4, 0);
    HASH2_RemoveEntry(table.get(), 4, uint64_t(1) << 19);
    SinkCapture sink;
    HASH2_PrintTableStats(table.get());
    EXPECT_EQ(sink.text(), "Entries Added     : 5\n"
                           "Value Buckets:\n"
                           "0 - 5 were 0\n"
                           "(5) 3\n"
                           "6 - 65536 were 0\n");
}

TEST_F(Hash2Test, SortValuesOrdersByTheChosenKeyAndCountsHowInsertionsStarted)
{
    // key0 4, 8, 12, 16 land in buckets 5, 10, 15, 20: visited in that order.
    const uint64_t key0s[] = {4, 8, 12, 16}, key1s[] = {5, 1, 7, 3};
    for (int i = 0; i < 4; i++)
        add(key0s[i], key1s[i], i);
    SinkCapture sink;
    HASH2_SortValues(table.get(), 1);
    EXPECT_EQ(sink.text(), "HASH2_SortValues results stick_at_front=2, start_at_last=1, start_at_front=1\n");
    std::vector<uint64_t> sorted;
    for (HASH2_Entry *e = table->sorted_first; e; e = e->sorted_next)
        sorted.push_back(e->key1);
    EXPECT_EQ(sorted, (std::vector<uint64_t>{1, 3, 5, 7}));
    EXPECT_EQ(table->sorted_last->key1, 7u);
    HASH2_SortValues(table.get(), 0);
    sorted.clear();
    for (HASH2_Entry *e = table->sorted_first; e; e = e->sorted_next)
        sorted.push_back(e->key0);
    EXPECT_EQ(sorted, (std::vector<uint64_t>{4, 8, 12, 16}));
}

} // namespace
