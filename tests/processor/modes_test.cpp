// Simulation modes and mode switching.
#include <gtest/gtest.h>

#include <string>

#include "kernel/counter.h"
#include "kernel/tsim.h"
#include "processor/run/modes.h"
#include "runtime/callbacks.h"
#include "support/built_machine.h"
#include "support/sink_capture.h"

namespace
{

int count(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

uint32_t callback_mode = 0;
void remember_mode(void *, GenericMachine *, uint32_t mode)
{
    callback_mode = mode;
}

TEST(Modes, AtTimeZeroTheSwitchHappensAtOnce)
{
    BuiltMachine m("modes");
    ASSERT_NE(m.machine, nullptr);
    Callback_register_switch_mode(99, "modes-test", reinterpret_cast<CallbackFunction>(remember_mode),
                                  nullptr);
    SinkCapture sink;
    Mode_Change(m.machine, MODE_TURBO);
    EXPECT_EQ(m.machine->mode, (uint32_t)MODE_TURBO);
    EXPECT_EQ(m.machine->pending_mode, 0u);
    EXPECT_EQ(callback_mode, (uint32_t)MODE_TURBO);
    Mode_Change(m.machine, MODE_TURBO); // the current mode: nothing at all
    EXPECT_EQ(count(sink.text(), "!!!!!! Simulator now in TURBO mode !!!!!!"), 1);
    EXPECT_EQ(sink.lines().size(), 1u);

    Mode_Change(m.machine, MODE_NAMELESS);
    EXPECT_NE(sink.text().find("!!!!!! Simulator now in Name for 8 not found mode !!!!!!"),
              std::string::npos);
    Callback_Clear_function("modes-test");
}

TEST(Modes, LaterRequestsWaitAndTheLastOneWins)
{
    BuiltMachine m("pending");
    ASSERT_NE(m.machine, nullptr);
    m.machine->tsim->now = 10;
    SinkCapture sink;
    Mode_Change(m.machine, MODE_FAST);
    Mode_Change(m.machine, MODE_CYCLE);
    EXPECT_EQ(m.machine->mode, (uint32_t)MODE_SIMPLE);
    EXPECT_EQ(m.machine->pending_mode, (uint32_t)MODE_CYCLE);
    Mode_Change(m.machine, MODE_CYCLE); // already pending: nothing
    EXPECT_EQ(sink.text(), "");

    // While the threads meet, requests are refused.
    counter_set(m.machine->switch_mode_status, 2);
    Mode_Change(m.machine, MODE_FULL);
    EXPECT_EQ(m.machine->pending_mode, (uint32_t)MODE_CYCLE);
    EXPECT_EQ(sink.text(), "INFO: Simulator is switching to CYCLE, cannot switch to FULL now.\n");

    Mode_Switched(m.machine);
    EXPECT_EQ(m.machine->mode, (uint32_t)MODE_CYCLE);
    EXPECT_EQ(counter_get(m.machine->switch_mode_status), 0);
    EXPECT_EQ(counter_get(m.machine->functional_mode), 1);
    EXPECT_EQ(counter_get(m.machine->cycle_mode), 0);
    m.machine->pending_mode = MODE_SIMPLE;
    Mode_Switched(m.machine);
    EXPECT_EQ(counter_get(m.machine->functional_mode), 0);
    EXPECT_EQ(counter_get(m.machine->cycle_mode), 1);
}

TEST(Modes, NamesOfTheModeTable)
{
    EXPECT_EQ(Name2ID(modeTypesName, "fastest"), (int32_t)MODE_TURBO);
    EXPECT_EQ(Name2ID(modeTypesName, "Turbo"), (int32_t)MODE_TURBO);
    EXPECT_STREQ(ID2Name(modeTypesName, MODE_TURBO), "TURBO");
    EXPECT_EQ(Name2ID(modeTypesName, "simple_warmup"), (int32_t)MODE_SIMPLE_WARMUP);
    EXPECT_EQ(Name2ID(modeTypesName, "foo"), -1);
}

} // namespace
