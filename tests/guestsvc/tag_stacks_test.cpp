// Tag stacks: the pool, pushes and pops, growth, names, and the guest's codes.
#include <string>

#include "guest/tag_stacks.h"
#include "guestsvc/guest_call.h"

namespace
{

class TagStacks : public ::testing::Test
{
  protected:
    void SetUp() override { TSPool_Delete(); }
    void TearDown() override { TSPool_Delete(); }
};

TEST_F(TagStacks, PushesAndPopsHandBackTheTagBelow)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    EXPECT_EQ(g.call(43, 0, 0), 1);
    EXPECT_EQ(g.result(), 0);
    EXPECT_STREQ(TStack_GetName(0), "<0>");
    for (const char *tag : {"A", "B", "C"}) {
        g.put_string(0x2000, tag);
        g.call(46, 0, 0x2000, 1);
        EXPECT_EQ(g.result(), 1);
    }
    g.call(59, 0);
    EXPECT_EQ(g.result(), 3);
    g.call(48, 0, 0x3000, 80);
    EXPECT_EQ(g.get_string(0x3000), "C");
    for (const char *expected : {"B", "A", ""}) {
        g.write(0x3000, 4, 0x58585800); // "XXX"
        g.call(47, 0, 0x3000, 80);
        EXPECT_EQ(g.result(), 1);
        EXPECT_EQ(g.get_string(0x3000), expected);
    }
    g.call(47, 0, 0x3000, 80);
    EXPECT_EQ(g.result(), 0);
    g.call(48, 0, 0x3000, 80);
    EXPECT_EQ(g.result(), 0);
    g.call(49);
    EXPECT_EQ(g.result(), 0);
}

TEST_F(TagStacks, SlotsAreReusedAndCodesWithoutAStackTouchNothing)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    g.put_string(0x2000, "first");
    g.call(43, 0x2000, 5);
    g.call(43, 0, 0);
    EXPECT_EQ(g.result(), 1);
    g.call(44, 0);
    EXPECT_EQ(g.result(), 1);
    g.call(49);
    EXPECT_EQ(g.result(), -1);
    g.call(43, 0x2000, 3); // the name is cut to its length
    EXPECT_EQ(g.result(), 0);
    EXPECT_STREQ(TStack_GetName(0), "fir");

    g.write(0x3000, 4, 0x58585800);
    for (uint64_t code : {44, 46, 47, 48, 59})
        for (uint64_t index : {5ull, ~0ull, 1ull << 40}) {
            g.call(code, index, 0x3000, 80);
            EXPECT_EQ(g.result(), 0) << code << " " << index;
        }
    EXPECT_EQ(g.read(0x3000, 4), 0x58585800u);
    g.call(45);
    EXPECT_EQ(TStack_pool, nullptr);
    g.call(47, 0, 0x3000, 80);
    EXPECT_EQ(g.result(), 0);
}

TEST_F(TagStacks, GrowthAndNamesCutTo79Characters)
{
    int32_t index = TSPool_NewStack(nullptr);
    TStack *stack = TSPool_Stack(index);
    ASSERT_NE(stack, nullptr);
    EXPECT_EQ(stack->slack, 10);
    for (int i = 1; i <= 10; i++) {
        TStack_Push(index, std::to_string(i).c_str());
        EXPECT_EQ(stack->slack, i < 10 ? 10 : 20) << i;
    }
    std::string long_text(100, 'x');
    TStack_Push(index, long_text.c_str());
    char out[TSTACK_TEXT];
    EXPECT_EQ(TStack_TOS(index, out), 1);
    EXPECT_EQ(std::string(out), std::string(79, 'x'));
    int32_t named = TSPool_NewStack(long_text.c_str());
    EXPECT_EQ(strlen(TStack_GetName(named)), 79u);
    // The pool grows by ten slots at a time.
    for (int i = 0; i < 10; i++)
        TSPool_NewStack(nullptr);
    EXPECT_EQ(TStack_pool->slack, 20);
    EXPECT_EQ(TStack_pool->search_range, 12);
}

} // namespace
