// The inline entry and exit of a gate: a flag test when uncontended, the full gate otherwise.
#include "kernel/gate.h"
#include "kernel_fixture.h"

namespace
{

class GateInlineTest : public KernelTest
{
  protected:
    void TearDown() override
    {
        if (gate.tsim) gate_cleanup(&gate);
        KernelTest::TearDown();
    }
    gate_s gate = {};
};

TEST_F(GateInlineTest, UncontendedPassAndHandOverToAWaiter)
{
    gate_init(&gate, tsim, 1);
    spawn("first", [&] {
        gate_enter_inline(&gate);
        EXPECT_EQ(gate.count, 1u);
        mark("first in");
        current_delay_ticks(10);
        gate_leave_inline(&gate); // "second" waits: the place is handed over
        EXPECT_EQ(gate.count, 1u);
    });
    spawn("second", [&] {
        gate_enter_inline(&gate); // full: waits in the gate's queue
        mark("second in");
        gate_leave_inline(&gate);
        EXPECT_EQ(gate.count, 0u);
        gate_enter_inline(&gate); // uncontended again
        EXPECT_EQ(gate.count, 1u);
        gate_leave_inline(&gate);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"first in", 0}, {"second in", 10}}));
    EXPECT_EQ(gate.count, 0u);
    EXPECT_EQ(gate.in_transit, 0);
}

} // namespace
