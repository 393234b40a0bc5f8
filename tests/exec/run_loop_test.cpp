// The thread job, its chunk loop and the one-instruction interpreter running guest words from RAM.
#include <gtest/gtest.h>

#include "exec/run_machine.h"
#include "exec/thread_job.h"
#include "processor/hooks/sim_support_halt.h"
#include "support/sink_capture.h"

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
        // Each instruction costs one cycle, and the branch to itself halts the thread for the halt
        // delay: the kernel stopped at the third instruction's start and the thread's job is due
        // one cycle later.
        EXPECT_EQ(r.now(), (2 + BogusHaltDelay) * r.tpc());
        EXPECT_EQ(r.t->job->proxy.tick, (3 + BogusHaltDelay) * r.tpc());
    }
}

// Sets chunk_instruction_limit for one test.
struct ChunkLimit {
    explicit ChunkLimit(int32_t limit) { chunk_instruction_limit = limit; }
    ~ChunkLimit() { chunk_instruction_limit = -1; }
};

TEST(RunLoop, SimpleModeDelaysEachInstructionByItsCycles)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    ASSERT_EQ(r.m.machine->mode, (uint32_t)MODE_SIMPLE);
    r.core->cpi = 5.0f;
    r.program(0x100, {LI_R3_5, ADDI_R3_R3_1, B_SELF});
    r.run(2);
    EXPECT_EQ(r.now(), 5 * r.tpc());
    EXPECT_EQ(r.t->job->proxy.tick, 10 * r.tpc());
}

TEST(RunLoop, ChunkyChunksCostOneCyclePerInstruction)
{
    ChunkLimit limit(10);
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.core->cpi = 5.0f;
    r.program(0x100, {LI_R3_5, ADDI_R3_R3_1, ADDI_R3_R3_1, ADDI_R3_R3_1, B_SELF});
    r.run(4);
    EXPECT_EQ(r.t->GPR[3].value, 8u);
    // On a new machine (cycle limit 0) the chunks at cycles 0 and 1 hold one instruction each;
    // the chunk at cycle 2 takes the other two and its time is applied once at its end.
    EXPECT_EQ(r.now(), 2 * r.tpc());
    EXPECT_EQ(r.t->job->proxy.tick, 4 * r.tpc());
    EXPECT_EQ(r.t->chunk_mode, 0);
    EXPECT_EQ(r.t->job->chunky, 0);
}

int interrupt_and_claim(ThreadState *, uint32_t word)
{
    Stop_The_Simulation(STOP_USER_INTERRUPT);
    return word == 0;
}

TEST(RunLoop, OnlyAUserInterruptAloneLetsAChunkyChunkGoOn)
{
    ChunkLimit limit(10);
    {
        RunMachine r;
        ASSERT_TRUE(r.ok());
        r.m.machine->cycle_limit = 1000;
        r.t->host_call_hook = interrupt_and_claim;
        r.program(0x100, {0, LI_R3_5, ADDI_R3_R3_1, ADDI_R3_R3_1, B_SELF});
        r.run(4);
        EXPECT_EQ(stop_simulation, (uint32_t)(STOP_USER_INTERRUPT | STOP_INSTRUCTION_COUNT));
        EXPECT_EQ(r.t->Instruction_Number, 4u);
        EXPECT_EQ(r.t->GPR[3].value, 7u);
    }
    {
        RunMachine r;
        ASSERT_TRUE(r.ok());
        r.m.machine->cycle_limit = 1000;
        r.core->options[PO_STOP_ON_ILLEGAL_INSTRUCTION] = 1;
        r.program(0x100, {LI_R3_5, 0, ADDI_R3_R3_1, ADDI_R3_R3_1, B_SELF});
        SinkCapture sink;
        r.run(10);
        EXPECT_EQ(stop_simulation, (uint32_t)STOP_QUARN_ERROR);
        EXPECT_EQ(r.t->Instruction_Number, 2u); // the failed word is counted; nothing after it runs
        EXPECT_EQ(r.t->GPR[3].value, 5u);
    }
}

} // namespace
