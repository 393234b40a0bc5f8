// Object pools, rings, slot tables and the mailbox slot function.
#include <gtest/gtest.h>

#include <vector>

#include "kernel/mbox.h"
#include "runtime/alloc.h"
#include "runtime/fast_malloc.h"
#include "runtime/message.h"
#include "runtime/tables.h"
#include "runtime_test_util.h"

namespace
{

TEST(FastMalloc, StrideAndHeaderFollowThePoolKind)
{
    struct Case {
        bool link_list;
        int object_size;
        int header, stride;
    };
    const Case cases[] = {
        {false, 20, 8, 32}, {true, 20, 0, 24}, {false, 8, 8, 16},
        {false, 1, 8, 16},  {true, 1, 0, 8},   {true, 24, 0, 24},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.link_list ? "link list " : "header ") << c.object_size);
        FastMalloc *pool = c.link_list ? FastMalloc_LinkList_New("p", c.object_size, 4, 0)
                                       : FastMalloc_New("p", c.object_size, 4, 0);
        ASSERT_NE(pool, nullptr);
        EXPECT_EQ(pool->header, c.header);
        EXPECT_EQ(pool->stride, c.stride);
        EXPECT_EQ(pool->chunk_limit, 0x100000); // 0 means the largest limit
        // Objects of one chunk are stride apart and start header bytes into their element.
        auto *a = static_cast<char *>(FastMalloc_Get(pool));
        auto *b = static_cast<char *>(FastMalloc_Get(pool));
        EXPECT_EQ(b - a, c.stride);
        EXPECT_EQ(a - c.header, pool->chunks->memory);
        FastMalloc_Free(pool);
    }
}

TEST(FastMalloc, FifthTakeOfAFourElementPoolExpandsIt)
{
    FastMalloc *pool = FastMalloc_New("trans", 20, 4, 8);
    EXPECT_EQ(pool->chunk_count, 0);
    EXPECT_EQ(FastMalloc_Used(pool), 0);
    std::vector<void *> taken;
    for (int i = 0; i < 4; i++)
        taken.push_back(FastMalloc_Get(pool));
    EXPECT_EQ(pool->chunk_count, 1);
    taken.push_back(FastMalloc_Get(pool));
    EXPECT_EQ(pool->chunk_count, 2);
    EXPECT_EQ(FastMalloc_Used(pool), 5);
    SinkCapture out;
    FastMalloc_Usage(1, pool, "trans");
    EXPECT_EQ(out.text(), "  trans: totals=8, unused=3\n");
    FastMalloc_Free(pool);
}

TEST(FastMalloc, ChunkLimitOnlyWarnsSilentlyAndLifts)
{
    FastMalloc *pool = FastMalloc_LinkList_New("small", 16, 1, 1);
    SinkCapture out;
    void *first = FastMalloc_Get(pool);
    void *second = FastMalloc_Get(pool); // second chunk beyond the limit of 1
    void *third = FastMalloc_Get(pool);
    EXPECT_NE(first, second);
    EXPECT_NE(second, third);
    EXPECT_EQ(pool->chunk_count, 3);
    EXPECT_EQ(pool->chunk_limit, 0x100000);
    EXPECT_EQ(out.text(), "");
    FastMalloc_Free(pool);
}

TEST(FastMalloc, ReturnedElementsAreReusedOldestFirst)
{
    FastMalloc *pool = FastMalloc_New("order", 8, 4, 0);
    void *a = FastMalloc_Get(pool), *b = FastMalloc_Get(pool), *c = FastMalloc_Get(pool);
    void *d_expected = static_cast<char *>(c) + pool->stride; // still free
    FastMalloc_Put(pool, b);
    FastMalloc_Put(pool, a);
    EXPECT_EQ(FastMalloc_Get(pool), d_expected);
    EXPECT_EQ(FastMalloc_Get(pool), b);
    EXPECT_EQ(FastMalloc_Get(pool), a);
    // With the list otherwise empty, the one just returned comes back.
    FastMalloc_Put(pool, c);
    EXPECT_EQ(FastMalloc_Get(pool), c);
    EXPECT_EQ(FastMalloc_Used(pool), 4);
    FastMalloc_Free(pool);
}

TEST(FastMalloc, LinkWordIsClearedForObjectsInUse)
{
    for (bool link_list : {false, true}) {
        SCOPED_TRACE(link_list);
        FastMalloc *pool = link_list ? FastMalloc_LinkList_New("l", 16, 3, 0) : FastMalloc_New("h", 16, 3, 0);
        auto *object = static_cast<void **>(FastMalloc_Get(pool));
        void **link = reinterpret_cast<void **>(reinterpret_cast<char *>(object) - pool->header);
        EXPECT_EQ(*link, nullptr);
        EXPECT_EQ(pool->free_head, reinterpret_cast<char *>(link) + pool->stride);
        FastMalloc_Free(pool);
    }
}

struct Visits {
    std::vector<void *> init, exit, dump;
};
void on_init(void *data, void *object)
{
    static_cast<Visits *>(data)->init.push_back(object);
}
void on_exit(void *data, void *object)
{
    static_cast<Visits *>(data)->exit.push_back(object);
}
void on_dump(void *data, void *object)
{
    static_cast<Visits *>(data)->dump.push_back(object);
}

TEST(FastMalloc, InitDumpAndExitFunctionsSeeTheRightObjects)
{
    Visits visits;
    FastMalloc *pool = FastMalloc_New("v", 12, 2, 0);
    FastMalloc_Set_Init_Func(pool, on_init, &visits);
    FastMalloc_Set_Exit_Func(pool, on_exit, &visits);
    void *a = FastMalloc_Get(pool);
    void *b = FastMalloc_Get(pool);
    void *c = FastMalloc_Get(pool); // second chunk
    FastMalloc_Put(pool, b);
    void *d = static_cast<char *>(c) + pool->stride;
    EXPECT_EQ(visits.init, (std::vector<void *>{a, b, c, d})); // each chunk in address order
    FastMalloc_Dump(pool, on_dump, &visits);
    EXPECT_EQ(visits.dump, (std::vector<void *>{c, a})); // in use, newest chunk first
    FastMalloc_Clean(pool);
    EXPECT_EQ(visits.exit, (std::vector<void *>{c, d, a, b})); // every object, in use or not
    EXPECT_EQ(pool->chunks, nullptr);
    EXPECT_EQ(pool->name, nullptr);
    QUARN_FREE(pool);
}

TEST(FastMallocDeathTest, NonPositiveSizesAreFatal)
{
    struct Case {
        int object_size, chunk_size;
        const char *message;
    };
    const Case cases[] = {
        {20, 0, "FastMalloc\\(bad\\): chunk_size=0, elem_size=20"},
        {0, 4, "FastMalloc\\(bad\\): chunk_size=4, elem_size=0"},
        {70000, 4, "FastMalloc\\(bad\\): chunk_size=4, elem_size=70000"}, // beyond a 16-bit stride
    };
    for (const Case &c : cases)
        EXPECT_DEATH(
            {
                Quarn_Output_File = stderr;
                FastMalloc_New("bad", c.object_size, c.chunk_size, 0);
            },
            c.message);
}

// ---------------------------------------------------------------------------------------------
// Rings and tables

TEST(Tables, SlotTableHandsOutIndexZeroFirst)
{
    Table table;
    Table_Init(&table, 3);
    EXPECT_EQ(table.capacity, 3);
    EXPECT_EQ(table.used, 0);
    EXPECT_EQ(std::vector<uint16_t>(table.free_index, table.free_index + 3),
              (std::vector<uint16_t>{2, 1, 0}));
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(table.slots[i], nullptr);
    EXPECT_EQ(table.free_index[table.capacity - 1 - table.used], 0);
    Table_Clean(&table);
    EXPECT_EQ(table.slots, nullptr);
}

TEST(Tables, RingsStartEmpty)
{
    FifoQ *ring = Fifo_New(4);
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(ring->capacity, 4);
    EXPECT_EQ(ring->head + ring->tail + ring->count, 0);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(ring->items[i], nullptr);
    Fifo_Free(ring);
    FifoQ *empty = Fifo_New(0);
    EXPECT_EQ(empty->items, nullptr);
    Fifo_Free(empty);
    TFifoQ *timed = TFifo_New(2);
    EXPECT_EQ(timed->items[1].tick, 0u);
    TFifo_Free(timed);
}

TEST(Tables, MailboxSlotOfTheNthItem)
{
    mbox_s mailbox = {};
    mailbox.capacity = 8;
    mailbox.get_index = 6;
    mailbox.count = 3;
    const std::pair<int, int> cases[] = {{0, 6}, {1, 7}, {2, 0}, {3, -1}, {-1, -1}};
    for (auto [n, slot] : cases)
        EXPECT_EQ(Mbox_index(&mailbox, n), slot) << n;
}

} // namespace
