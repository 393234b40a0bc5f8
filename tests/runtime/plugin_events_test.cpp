// Plug-in events: registration order, results, sums, unknown names, unregistering, the table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/fast_malloc.h"
#include "runtime/plugin_events.h"
#include "support/sink_capture.h"

namespace
{

std::vector<std::string> order;

int commit_first(IOPDesc *)
{
    order.push_back("first");
    return 11;
}
int commit_second(IOPDesc *iop)
{
    order.push_back("second");
    return iop ? 22 : -1;
}
int clear_one(ThreadState *, uint64_t, uint64_t, uint32_t)
{
    return 1;
}
int clear_two(ThreadState *, uint64_t first, uint64_t last, uint32_t count)
{
    return first == 0x1000 && last == 0x2000 && count == 64 ? 2 : 100;
}

TEST(PluginEvents, ListenersRunInRegistrationOrderAndTheLastResultIsReturned)
{
    IOPDesc *iop = reinterpret_cast<IOPDesc *>(&order);
    EXPECT_EQ(Event_Instruction_Commit(iop), 0); // nobody listens
    EXPECT_FALSE(AnyoneListening("Event_Instruction_Commit"));
    int owner = 0;
    Listener *first = RegisterListener("Event_Instruction_Commit", (void *)commit_first, &owner);
    Listener *second = RegisterListener("Event_Instruction_Commit", (void *)commit_second, nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(first->owner, &owner);
    EXPECT_TRUE(AnyoneListening("Event_Instruction_Commit"));

    order.clear();
    EXPECT_EQ(Event_Instruction_Commit(iop), 22);
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));

    // Removing the first keeps the second; removing one that is not there reports 0.
    EXPECT_EQ(UnRegisterListener("Event_Instruction_Commit", (void *)commit_first), 1);
    EXPECT_EQ(UnRegisterListener("Event_Instruction_Commit", (void *)commit_first), 0);
    order.clear();
    EXPECT_EQ(Event_Instruction_Commit(iop), 22);
    EXPECT_EQ(order, (std::vector<std::string>{"second"}));
    EXPECT_EQ(UnRegisterListener("Event_Instruction_Commit", (void *)commit_second), 1);
    EXPECT_FALSE(AnyoneListening("Event_Instruction_Commit"));
    Listener *head = FindListener("Event_Instruction_Commit");
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->next, head);
    EXPECT_EQ(head->previous, head);
    EXPECT_STREQ(static_cast<const char *>(head->owner), "Event_Instruction_Commit");
}

TEST(PluginEvents, SummingEventsAddEveryResult)
{
    ThreadState *thread = reinterpret_cast<ThreadState *>(&order);
    ASSERT_NE(RegisterListener("Event_Clear_Pages", (void *)clear_one, nullptr), nullptr);
    ASSERT_NE(RegisterListener("Event_Clear_Pages", (void *)clear_two, nullptr), nullptr);
    EXPECT_EQ(Event_Clear_Pages(thread, 0x1000, 0x2000, 64), 3);
    EXPECT_EQ(UnRegisterListener("Event_Clear_Pages", (void *)clear_one), 1);
    EXPECT_EQ(UnRegisterListener("Event_Clear_Pages", (void *)clear_two), 1);
    EXPECT_EQ(Event_Clear_Pages(thread, 0x1000, 0x2000, 64), 0);
}

TEST(PluginEvents, UnknownNamesAreRefusedSilently)
{
    SinkCapture sink;
    EXPECT_EQ(RegisterListener("Event_No_Such", (void *)clear_one, nullptr), nullptr);
    EXPECT_EQ(RegisterListener(nullptr, (void *)clear_one, nullptr), nullptr);
    EXPECT_EQ(UnRegisterListener("Event_No_Such", (void *)clear_one), 0);
    EXPECT_EQ(FindListener("event_clear_pages"), nullptr); // names compare exactly
    EXPECT_FALSE(AnyoneListening("Event_No_Such"));
    EXPECT_EQ(sink.text(), "");
}

TEST(PluginEvents, TableHoldsTwentyEventsEndedByAnEmptyRow)
{
    int count = 0;
    for (const PE_Desc *row = PE_Desc_Table; row->name; row++) {
        EXPECT_EQ(row->ring, FindListener(row->name));
        count++;
    }
    EXPECT_EQ(count, 20);
    EXPECT_STREQ(PE_Desc_Table[0].name, "Event_Instruction_PreExecution");
    EXPECT_STREQ(PE_Desc_Table[19].name, "Event_Hvelo_Nx_Interrupt");
    EXPECT_EQ(PE_Desc_Table[20].ring, nullptr);
}

TEST(PluginEvents, TracePluginStartAndStopSetTheFlagsAndReleaseThePool)
{
    jqRampedUp = 1;
    Quarn_Lumo_Plugin_Start();
    EXPECT_EQ(qtPluginOn, 1);
    EXPECT_EQ(jqRampedUp, 0);
    jqAXDPool = FastMalloc_New("jqAXDPool", 136, 1024, 1024);
    FastMalloc_Get(jqAXDPool);
    Quarn_Lumo_Plugin_Stop();
    EXPECT_EQ(qtPluginOn, 0);
    EXPECT_EQ(jqAXDPool, nullptr);
    Quarn_Lumo_Plugin_Stop(); // no pool: nothing to release
    EXPECT_EQ(jqAXDPool, nullptr);
}

} // namespace
