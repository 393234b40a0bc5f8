// The thread job, its chunk loop and the one-instruction interpreter running guest words from RAM.
#include <gtest/gtest.h>

#include "exec/run_machine.h"

namespace
{

constexpr uint32_t LI_R3_5 = 0x38600005;
constexpr uint32_t ADDI_R3_R3_1 = 0x38630001;
constexpr uint32_t B_SELF = 0x48000000;

TEST(RunLoop, ThreeInstructionsInEitherByteOrder)
{
    for (bool le : {false, true}) {
        SCOPED_TRACE(le ? "little-endian" : "big-endian");
        RunMachine r;
        ASSERT_TRUE(r.ok());
        if (le) r.t->MSR.value |= 1;
        r.program(0x100, {LI_R3_5, ADDI_R3_R3_1, B_SELF});
        r.run(3);
        EXPECT_EQ(r.t->GPR[3].value, 6u);
        EXPECT_EQ(r.t->PC.value, 0x108u);
        EXPECT_EQ(stop_simulation, (uint32_t)STOP_INSTRUCTION_COUNT);
        EXPECT_EQ(r.t->stop_after_instructions, ~0ull);
        EXPECT_EQ(r.m.machine->instruction_count, 3u);
        EXPECT_EQ(r.t->Instruction_Number, 3u);
        // Each instruction costs one cycle: the kernel stopped at the third instruction's start
        // and the thread's job is due one cycle later.
        EXPECT_EQ(r.now(), 2 * r.tpc());
        EXPECT_EQ(r.t->job->proxy.tick, 3 * r.tpc());
    }
}

} // namespace
