// Named callback lists.
#include <gtest/gtest.h>

#include <string>

#include "runtime/callbacks.h"

namespace
{

void nothing(void) {}

std::string order(int index)
{
    std::string names;
    for (Callback_Function *entry = callBackFunctionLists[index].head; entry; entry = entry->next)
        names += entry->name;
    return names;
}

class CallbackTest : public ::testing::Test
{
  protected:
    // Named lists without the components' own entries.
    void SetUp() override
    {
        Callback_Lists_Init();
        Callback_Lists_Quit();
    }
    void TearDown() override { Callback_Lists_Quit(); }
};

TEST_F(CallbackTest, AscendingPriorityEqualOnesInRegistrationOrder)
{
    Callback_register_fix(5, "a", nothing, nullptr);
    Callback_register_fix(1, "b", nothing, nullptr);
    Callback_register_fix(5, "c", nothing, nullptr);
    Callback_register_fix(3, "d", nothing, nullptr);
    Callback_register_fix(-1, "z", nothing, nullptr); // unsigned: after every other priority
    Callback_register_fix(0, "y", nothing, nullptr);
    EXPECT_EQ(order(CALLBACK_FIX), "ybdacz");
}

TEST_F(CallbackTest, ListsAreNamedAndFoundIgnoringCase)
{
    const char *names[] = {nullptr,
                           "create_default_property_list",
                           "config_init",
                           "config_print",
                           "fix",
                           "quit_machine",
                           "stats_reset",
                           "stats_print",
                           "declare_time_domain",
                           "undeclare_time_domain",
                           "switch_mode",
                           "dump",
                           "thread_switch_state",
                           "periodic_stats_print",
                           "warning",
                           "fatal_error",
                           "internal_error",
                           "callthru",
                           "build_simcmd",
                           "build_public_simcmd",
                           "add_simcmd"};
    for (int i = 1; i < CALLBACK_LIST_COUNT; i++)
        EXPECT_STREQ(callBackFunctionLists[i].name, names[i]);
    EXPECT_EQ(Callback_Search_by_name("FIX"), &callBackFunctionLists[CALLBACK_FIX]);
    EXPECT_EQ(Callback_Search_by_name("Fatal_Error"), &callBackFunctionLists[CALLBACK_FATAL_ERROR]);
    EXPECT_EQ(Callback_Search_by_name("nosuch"), nullptr);
}

TEST_F(CallbackTest, ClearFunctionRemovesEveryEntryOfThatExactName)
{
    Callback_register_fix(1, "m", nothing, nullptr);
    Callback_register_fix(2, "m", nothing, nullptr);
    Callback_register_fix(3, "k", nothing, nullptr);
    Callback_register_stats_print(1, "x", nothing, nullptr);
    Callback_register_stats_print(2, "m", nothing, nullptr);
    Callback_register_stats_print(3, "M", nothing, nullptr);
    Callback_Clear_function("m");
    EXPECT_EQ(order(CALLBACK_FIX), "k");
    EXPECT_EQ(order(CALLBACK_STATS_PRINT), "xM");

    Callback_Clear("STATS_PRINT");
    EXPECT_EQ(order(CALLBACK_STATS_PRINT), "");
    EXPECT_EQ(order(CALLBACK_FIX), "k");
}

TEST_F(CallbackTest, QuitEmptiesEveryListAndTheyFillAgain)
{
    Callback_register_dump(
        1, "d", [](void *) {}, nullptr);
    Callback_Function *entry = Callback_register_build_simcmd(2, "cmd", nothing, "cache");
    ASSERT_NE(entry, nullptr);
    EXPECT_STREQ((const char *)entry->data, "cache");
    Callback_Lists_Quit();
    Callback_Lists_Quit(); // a second quit is harmless
    for (int i = 0; i < CALLBACK_LIST_COUNT; i++)
        EXPECT_EQ(callBackFunctionLists[i].head, nullptr);
    EXPECT_STREQ(callBackFunctionLists[CALLBACK_DUMP].name, "dump");
    Callback_register_dump(
        1, "again", [](void *) {}, nullptr);
    EXPECT_EQ(order(CALLBACK_DUMP), "again");
}

int message_calls = 0;
void self_removing(void *, const char *)
{
    message_calls++;
    Callback_Clear_function("self");
}

TEST_F(CallbackTest, MessageListRunsEveryEntryEvenWhenOneRemovesItself)
{
    message_calls = 0;
    Callback_register_at_warning(1, "self", self_removing, nullptr);
    Callback_register_at_warning(
        2, "other", [](void *, const char *) { message_calls += 10; }, nullptr);
    Callback_Run_Message_List(CALLBACK_WARNING, "text");
    EXPECT_EQ(message_calls, 11);
    EXPECT_EQ(order(CALLBACK_WARNING), "other");
}

} // namespace
