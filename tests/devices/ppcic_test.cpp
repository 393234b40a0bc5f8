// Interrupt hooks and the interrupt presentation controller.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devices/interrupt_hook.h"
#include "devices/ppcic.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

namespace
{

// What the outgoing hook was asked: "raise 0", "lower 1", ...
std::vector<std::string> hook_calls;
int record_hook(void *, int32_t operation, int32_t line, uint64_t)
{
    hook_calls.push_back((operation == INT_RAISE   ? "raise "
                          : operation == INT_LOWER ? "lower "
                                                   : "other ") +
                         std::to_string(line));
    return 1;
}

class PpcicTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        hook_calls.clear();
        chip.number = 0;
        controller = static_cast<PPCIC_s *>(PPCIC_INIT_MMAPI_FUNCTION("PPCIC_0", nullptr, nullptr, 0, 0));
        controller->chip = &chip;
        chip.ppcic = controller;
        processor_hook = IntHandler__New("Processor");
        IntHandler__Set(processor_hook, record_hook, nullptr);
        PPCIC_init(controller, 2);
        PPCIC__Register_Outgoing_IntHandler(controller, processor_hook);
        thread.mcm = &chip;
    }
    void TearDown() override
    {
        PPCIC_QUIT_MMAPI_FUNCTION(controller);
        IntHandler__Delete(processor_hook);
    }

    uint64_t read(uint64_t offset, int length)
    {
        uint64_t value = 0xDEAD;
        EXPECT_EQ(PPCIC_READ_MMAPI_FUNCTION(nullptr, controller, offset, &value, length), 1);
        return value;
    }
    void write(uint64_t offset, uint64_t value, int length)
    {
        EXPECT_EQ(PPCIC_WRITE_MMAPI_FUNCTION(nullptr, controller, offset, value, length), 1);
    }
    int device(int32_t operation, int32_t irq)
    {
        return PPCIC__Interrupt(controller, operation, 0, (uint64_t)irq);
    }
    // A source of thread 1 at priority 5.
    void configure(int32_t irq) { ASSERT_NE(set_InterruptSource_Config(&thread, irq, 1, 5), nullptr); }

    MCM chip{};
    ThreadState thread{};
    PPCIC_s *controller = nullptr;
    IntHandler *processor_hook = nullptr;
};

TEST_F(PpcicTest, FreshPagesReadTheIdlePriority)
{
    EXPECT_EQ(read(4, 1), 0xFFu);
    EXPECT_EQ(read(4, 4), 0xFF000000u);
    EXPECT_EQ(read(0x1000 + 0, 4), 0xFF000000u);
    EXPECT_EQ(read(12, 1), 0xFFu);
    EXPECT_EQ(read(16, 4), 0u);
    EXPECT_EQ(controller->num_pages, 2);
}

TEST_F(PpcicTest, PagesBeyondTheThreadsAreRefused)
{
    SinkCapture sink;
    uint64_t value = 0x1234;
    EXPECT_EQ(PPCIC_READ_MMAPI_FUNCTION(nullptr, controller, 0x2004, &value, 1), 1);
    EXPECT_EQ(value, 0x1234u);
    EXPECT_EQ(sink.text(), "FATAL ERROR: 1: Invalid offset 0x0000000000002004\n");
    write(0x2004, 0, 1);
    EXPECT_NE(sink.text().find("2: Invalid offset 0x0000000000002004"), std::string::npos);
    Start_The_Simulation();
}

TEST_F(PpcicTest, InterProcessorInterruptFollowsMfrrAndCppr)
{
    write(12, 5, 1); // MFRR 5 below CPPR 0xFF: an IPI is presented
    EXPECT_EQ(hook_calls, (std::vector<std::string>{"raise 0"}));
    EXPECT_EQ(read(0, 4), 0xFF000002u);
    EXPECT_EQ(read(4, 4), 0xFF000002u); // accept
    EXPECT_EQ(read(4, 1), 5u);          // CPPR takes the request's priority
    EXPECT_EQ(hook_calls.back(), "lower 0");
    EXPECT_EQ(read(0, 4), 0x05000000u);
    write(4, 0xFF, 1); // a less favoured CPPR schedules again
    EXPECT_EQ(hook_calls.back(), "raise 0");
    EXPECT_EQ(read(0, 4) & 0xFFFFFF, 2u);
}

TEST_F(PpcicTest, DisabledSourcesOnlyRecordTheirAssertion)
{
    configure(0x20);
    EXPECT_EQ(device(INT_RAISE, 0x20), 1);
    EXPECT_TRUE(hook_calls.empty());
    EXPECT_EQ(device(INT_STATE, 0x20), 1);
    EXPECT_EQ(enable_InterruptSource(&thread, 0x20), 1);
    EXPECT_EQ(hook_calls, (std::vector<std::string>{"raise 1"}));
    EXPECT_EQ(read(0x1000, 4), 0xFF000020u);
    EXPECT_EQ(enable_InterruptSource(&thread, 0x99), 0); // no such source
}

TEST_F(PpcicTest, LevelSourcesComeBackUntilLowered)
{
    configure(0x21);
    enable_InterruptSource(&thread, 0x21);
    device(INT_RAISE, 0x21);
    EXPECT_EQ(read(0x1004, 4), 0xFF000021u); // accepted, still asserted: queued again
    ASSERT_NE(controller->threads[1].queues[5], nullptr);
    EXPECT_EQ(controller->threads[1].presented, nullptr);
    device(INT_LOWER, 0x21);
    EXPECT_EQ(controller->threads[1].queues[5], nullptr);
    EXPECT_EQ(device(INT_STATE, 0x21), 0);

    configure(0x22);
    enable_InterruptSource(&thread, 0x22);
    write(0x1004, 0xFF, 1);
    EXPECT_EQ(device(INT_MESSAGE, 0x22), 1);
    EXPECT_EQ(read(0x1004, 4), 0xFF000022u); // a message is gone once accepted
    EXPECT_EQ(controller->threads[1].queues[5], nullptr);
    EXPECT_EQ(controller->threads[1].presented, nullptr);
}

TEST_F(PpcicTest, PresentedRequestsStayWhenCpprBecomesMoreFavoured)
{
    configure(0x23);
    enable_InterruptSource(&thread, 0x23);
    device(INT_RAISE, 0x23);
    ASSERT_NE(controller->threads[1].presented, nullptr);
    write(0x1004, 0x01, 1);
    EXPECT_NE(controller->threads[1].presented, nullptr);
    EXPECT_EQ(hook_calls, (std::vector<std::string>{"raise 1"}));
}

TEST_F(PpcicTest, AMoreFavouredRequestTakesThePresentation)
{
    configure(0x24);
    ASSERT_NE(set_InterruptSource_Config(&thread, 0x25, 1, 2), nullptr);
    enable_InterruptSource(&thread, 0x24);
    enable_InterruptSource(&thread, 0x25);
    device(INT_RAISE, 0x24);
    device(INT_RAISE, 0x25);
    EXPECT_EQ(read(0x1000, 4) & 0xFFFFFF, 0x25u);
    EXPECT_NE(controller->threads[1].queues[5], nullptr); // pushed back
    EXPECT_EQ(hook_calls.size(), 1u);                     // the line stayed raised
}

TEST_F(PpcicTest, ServersWithoutAPageAreDropped)
{
    // A source configured directly (as a bridge's vector table may) beyond the thread pages.
    PPC_Int_Source_s *source = int_source_new(0x30);
    source->server = 7;
    source->priority = 5;
    source->enabled = 1;
    source->next = controller->sources;
    controller->sources = source;
    EXPECT_EQ(device(INT_RAISE, 0x30), 1);
    EXPECT_TRUE(hook_calls.empty());
    EXPECT_EQ(device(INT_LOWER, 0x30), 0);

    SinkCapture sink;
    EXPECT_EQ(set_InterruptSource_Config(&thread, 0x31, 512, 5), nullptr);
    uint32_t server = 9, priority = 0;
    get_InterruptSource_Config(&thread, 0x31, &server, &priority);
    EXPECT_EQ(server, 0u);
    EXPECT_EQ(priority, 5u);
}

TEST(IntHandler, HooksForwardAndRememberTheirLastOperation)
{
    IntHandler *hook = IntHandler__New("a name longer than the sixty characters the hook keeps for itself..");
    EXPECT_EQ(strlen(hook->name), 59u);
    EXPECT_EQ(IntHandler__isSetup(hook), 0);
    EXPECT_EQ(IntHandler__Raise(hook, 0, 0, "x"), 0);
    EXPECT_EQ(IntHandler__State(hook, 0, 0), 2);
    hook_calls.clear();
    IntHandler *other = IntHandler__New("other");
    IntHandler__Set(other, record_hook, nullptr);
    IntHandler__Copy(hook, other);
    EXPECT_EQ(IntHandler__isSetup(hook), 1);
    EXPECT_EQ(IntHandler__Raise(hook, 3, 0, "x"), 1);
    EXPECT_EQ(IntHandler__Status(hook), INT_RAISE);
    IntHandler__Message(hook, 3, 0);
    EXPECT_EQ(IntHandler__Status(hook), INT_MESSAGE);
    IntHandler__State(hook, 3, 0);
    EXPECT_EQ(IntHandler__Status(hook), INT_MESSAGE);
    IntHandler__Lower(hook, 3, 0);
    EXPECT_EQ(IntHandler__Status(hook), INT_LOWER);
    EXPECT_EQ(hook_calls, (std::vector<std::string>{"raise 3", "other 3", "other 3", "lower 3"}));
    IntHandler__Delete(hook);
    IntHandler__Delete(other);
}

} // namespace
