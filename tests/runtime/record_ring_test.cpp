// The record ring buffer and the bitmaps.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "runtime/bitmap.h"
#include "runtime/record_ring.h"

namespace
{

struct CbufDeleter {
    void operator()(cbuf *buffer) const { cbuf_free(buffer); }
};
using Ring = std::unique_ptr<cbuf, CbufDeleter>;

// Writes one 8-byte record holding the number.
int write_number(cbuf *buffer, uint64_t number, int type = 1)
{
    return cbuf_write(buffer, &number, sizeof number, type);
}

// Reads one record and returns its number (the word after the header).
uint64_t read_number(cbuf *buffer)
{
    uint8_t record[24] = {};
    EXPECT_EQ(cbuf_read(buffer, record, sizeof record), CBUF_OK);
    uint64_t number;
    memcpy(&number, record + CBUF_HEADER_LENGTH, sizeof number);
    return number;
}

TEST(RecordRing, WriterDropsTheOldestRecordsUnlessAReaderIsActive)
{
    Ring ring(cbuf_new("TAGLONG", 32, 64));
    ASSERT_TRUE(ring);
    EXPECT_STREQ(ring->tag, "TAGL");
    EXPECT_EQ(write_number(ring.get(), 1), CBUF_OK);
    EXPECT_EQ(write_number(ring.get(), 2), CBUF_OK);
    EXPECT_EQ(write_number(ring.get(), 3), CBUF_OK); // no room: record 1 goes
    EXPECT_EQ(ring->record_count, 2);
    EXPECT_EQ(read_number(ring.get()), 2u);
    EXPECT_EQ(read_number(ring.get()), 3u);
    EXPECT_TRUE(cbuf_is_empty(ring.get()));

    Ring held(cbuf_new("HELD", 32, 64));
    cbuf_set_reader_active(held.get(), 1);
    EXPECT_EQ(write_number(held.get(), 1), CBUF_OK);
    EXPECT_EQ(write_number(held.get(), 2), CBUF_OK);
    EXPECT_EQ(write_number(held.get(), 3), CBUF_FULL);
    EXPECT_EQ(held->record_count, 2);
    EXPECT_EQ(read_number(held.get()), 1u);
    EXPECT_EQ(write_number(held.get(), 3), CBUF_OK); // the read made room
    EXPECT_EQ(read_number(held.get()), 2u);
    EXPECT_EQ(read_number(held.get()), 3u);
}

TEST(RecordRing, ReadingCopiesTheHeaderAndCutsToTheDestination)
{
    Ring ring(cbuf_new("abc", 32, 64));
    uint8_t byte = 0;
    EXPECT_EQ(cbuf_read(ring.get(), &byte, 1), CBUF_EMPTY);
    EXPECT_EQ(write_number(ring.get(), 0x1122334455667788ULL, 0x5A), CBUF_OK);
    uint8_t header[8];
    EXPECT_EQ(cbuf_read(ring.get(), header, sizeof header), CBUF_TRUNCATED);
    EXPECT_EQ(memcmp(header, "abc\0\0", 5), 0);
    EXPECT_EQ(header[5], 0x5A);
    uint16_t length;
    memcpy(&length, header + 6, 2);
    EXPECT_EQ(length, 24);
    EXPECT_TRUE(cbuf_is_empty(ring.get())); // the cut record was dropped
}

TEST(RecordRing, LengthsTheBufferCannotTakeAreRefused)
{
    Ring ring(cbuf_new("LEN", 32, 64));
    uint8_t data[64] = {};
    for (int length : {7, -8, 24, 20})
        EXPECT_EQ(cbuf_write(ring.get(), data, length, 0), CBUF_ERROR) << length;
    EXPECT_EQ(cbuf_write(ring.get(), data, 16, 0), CBUF_OK); // exactly the maximum record
    EXPECT_EQ(cbuf_write(ring.get(), data, 0, 0), CBUF_OK);  // a header alone
    Ring small(cbuf_new("SML", 64, 32));                     // records could never fit
    EXPECT_EQ(cbuf_write(small.get(), data, 8, 0), CBUF_ERROR);
    EXPECT_EQ(cbuf_write(nullptr, data, 8, 0), CBUF_ERROR);
    EXPECT_EQ(cbuf_read(nullptr, data, 8), CBUF_ERROR);
    EXPECT_TRUE(cbuf_is_empty(nullptr));
}

TEST(RecordRing, RecordsOfMixedLengthsStayInOrderAndInsideTheBufferAcrossManyWraps)
{
    // A size that is no multiple of any record length, so records end at ever other places.
    Ring ring(cbuf_new("WRAP", 48, 200));
    ASSERT_EQ(ring->size, 200u);
    cbuf_set_reader_active(ring.get(), 1);
    std::vector<uint64_t> expected;
    uint64_t next = 0;
    for (int round = 0; round < 500; round++) {
        int words = 1 + round % 4; // 8 to 32 data bytes
        uint64_t data[4];
        for (int w = 0; w < words; w++)
            data[w] = next * 10 + w;
        bool fits = cbuf_can_hold(ring.get(), words * 8 + CBUF_HEADER_LENGTH);
        int result = cbuf_write(ring.get(), data, words * 8, words);
        ASSERT_EQ(result, fits ? CBUF_OK : CBUF_FULL) << round;
        if (result == CBUF_OK) expected.push_back(next++);
        if (round % 3 == 2 || result == CBUF_FULL) {
            while (!cbuf_is_empty(ring.get()) && !expected.empty()) {
                uint8_t record[48];
                ASSERT_EQ(cbuf_read(ring.get(), record, sizeof record), CBUF_OK);
                uint64_t first;
                memcpy(&first, record + CBUF_HEADER_LENGTH, 8);
                ASSERT_EQ(first, expected.front() * 10);
                expected.erase(expected.begin());
                ASSERT_LE(ring->read + 48, ring->end); // room for the longest record
                ASSERT_LE(ring->write + 48, ring->end);
            }
        }
    }
    EXPECT_GT(next, 200u);
}

TEST(Bitmap, RangesSetCheckAndCountChanges)
{
    uint64_t *map = bm_alloc(64);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(bm_ffs(map, 64), 0);
    EXPECT_EQ(bm_range_set(map, 3, 38, 1), 38);
    EXPECT_EQ(bm_range_set(map, 3, 38, 1), 0);
    EXPECT_EQ(map[0], 0xFFFFFFF8u); // 32 bits per word, low halves only
    EXPECT_EQ(map[1], 0x1FFu);
    EXPECT_EQ(bm_ffs(map, 64), 4);
    EXPECT_EQ(bm_range_check(map, 3, 38, 1), 0);
    EXPECT_NE(bm_range_check(map, 2, 38, 1), 0); // bit 2 differs
    EXPECT_EQ(bm_range_set(map, 10, 3, 0), 3);
    EXPECT_EQ(bm_range_check(map, 3, 38, 1), 8); // bit 10 is the first that differs
    EXPECT_EQ(bm_range_check(map, 10, 3, 0), 0);
    bm_free(map);

    uint64_t *sparse = bm_alloc(40);
    bm_range_set(sparse, 45, 1, 1); // beyond the 40 bits of the map, inside its second word
    EXPECT_EQ(bm_ffs(sparse, 40), 0);
    EXPECT_EQ(bm_ffs(sparse, 46), 46);
    bm_free(sparse);
}

TEST(Bitmap, FindHonoursValueAlignmentAndOffset)
{
    uint64_t *map = bm_alloc(64);
    bm_range_set(map, 0, 5, 1);  // bits 0-4 set
    bm_range_set(map, 20, 8, 1); // bits 20-27 set
    struct Case {
        int value;
        int64_t count;
        int alignment_log2;
        int64_t offset, found;
    } cases[] = {
        {0, 4, 0, 0, 5},   // first clear run of 4
        {0, 4, 3, 0, 8},   // aligned to 8
        {0, 4, 3, 2, 6},   // p + 2 a multiple of 8
        {1, 8, 2, 0, 20},  // the run at 20
        {1, 8, 3, 0, -1},  // no set run of 8 starts at a multiple of 8
        {1, 4, 3, 0, 0},   // bits 0-3
        {0, 36, 2, 0, 28}, // bits 28-63: the whole rest of the map
        {0, 37, 0, 0, -1}, // past the map
        {1, 0, 0, 0, -1},  // a count of 0 finds nothing
    };
    for (const Case &c : cases)
        EXPECT_EQ(bm_range_find(map, 64, c.value, c.count, c.alignment_log2, c.offset), c.found)
            << c.value << " x" << c.count << " align " << c.alignment_log2 << " offset " << c.offset;
    // The search covers the map rounded up to whole 32-bit groups.
    EXPECT_EQ(bm_range_find(map, 40, 0, 36, 0, 0), 28);
    bm_free(map);
}

} // namespace
