// The trace-processing pipeline: synchronous processing with one stage, stage threads with more,
// draining at stop, and the end marker in a mailbox.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>

#include "trace/trace_line.h"

namespace
{

struct Item {
    int id;
    std::atomic<int> passes[4];
};

std::atomic<int> made, disposed;
std::mutex seen_lock;
std::set<int> stage_seen; // stage indexes the stage function ran with

void *make(void)
{
    Item *item = new Item{made++, {}};
    return item;
}

void dispose(void *p)
{
    disposed++;
    delete static_cast<Item *>(p);
}

void stage_fn(void *p, int32_t index)
{
    static_cast<Item *>(p)->passes[index]++;
    std::lock_guard<std::mutex> g(seen_lock);
    stage_seen.insert(index);
}

void reset(void)
{
    made = 0;
    disposed = 0;
    stage_seen.clear();
}

} // namespace

TEST(TraceLine, OneStageProcessesEveryPutAtOnce)
{
    reset();
    line_s *line = line_new(0, stage_fn, make, dispose); // a count below 1 is one stage
    ASSERT_EQ(line->count, 1);
    line_start(line);
    EXPECT_EQ(made, 1);
    Item *item = static_cast<Item *>(line_get(line, 0));
    EXPECT_EQ(item->passes[0], 1) << "the empty item was processed at start";
    line_put(line, 1, item);
    EXPECT_EQ(item->passes[0], 2) << "processed before the put returned";
    EXPECT_EQ(line_get(line, 0), item);
    line_put(line, 1, item);
    line_free(line);
    EXPECT_EQ(disposed, 1);
}

TEST(TraceLine, ThreeStagesRunOnThreadsAndStopDrainsEveryItem)
{
    reset();
    testing::internal::CaptureStdout();
    line_s *line = line_new(3, stage_fn, make, dispose);
    line_start(line);
    EXPECT_EQ(made, 3);
    // The producer fills one item while the others travel; each put passes an item through both
    // stage threads.
    for (int round = 0; round < 20; round++) {
        Item *item = static_cast<Item *>(line_get(line, 0));
        line_put(line, 1, item);
    }
    stage_s *stages = line->stages;
    line_free(line);
    (void)stages;
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(disposed, 3);
    EXPECT_EQ(stage_seen, (std::set<int>{1, 2}));
    EXPECT_NE(out.find("stage_child called for idx 1\n"), std::string::npos);
    EXPECT_NE(out.find("stage_child called for idx 2\n"), std::string::npos);
}

TEST(TraceLine, StopReturnsOnlyAfterInFlightItemsPassedEveryStage)
{
    reset();
    testing::internal::CaptureStdout();
    std::atomic<int> slow_passes{0};
    static std::atomic<int> *counter;
    counter = &slow_passes;
    auto slow = [](void *p, int32_t index) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        stage_fn(p, index);
        (*counter)++;
    };
    line_s *line = line_new(3, slow, make, dispose);
    line_start(line);
    line_free(line); // the three fresh items are still in flight
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(disposed, 3);
    EXPECT_EQ(slow_passes, 6) << "three items through two stages";
}

// An end marker waits for a full mailbox to be emptied; an item replaces an end marker.
TEST(TraceLine, EndMarkerWaitsForAFullMailboxAndAnItemReplacesIt)
{
    stage_s stage0{stage_fn, 0, {2}, {LINE_EMPTY}, nullptr};
    stage_s stage1{stage_fn, 0, {2}, {LINE_EMPTY}, &stage0};
    stage0.next = &stage1; // two stages, neither with a thread (index 0)
    Item item{1, {}};
    stage_put(&stage0, LINE_END);
    stage_put(&stage0, &item);
    EXPECT_EQ(stage0.mailbox.load(), &item) << "the item replaced the end marker";
    std::thread putter([&] { stage_put(&stage0, LINE_END); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(stage0.mailbox.load(), &item) << "the end marker waits";
    EXPECT_EQ(stage_get(&stage0), &item);
    putter.join();
    EXPECT_EQ(stage0.mailbox.load(), LINE_END);
    EXPECT_EQ(stage_get(&stage0), LINE_END);
    EXPECT_EQ(stage0.mailbox.load(), LINE_END) << "the end marker stays";
}
