// The decrementer, the time-base freeze, the instruction-address write and the picosecond
// conversion.
#include "command/pico_cycles.h"
#include "guestsvc/guest_call.h"
#include "kernel/job.h"
#include "processor/time/time_domain.h"
#include "processor/time/time_registers.h"

namespace
{

// Advances the kernel of the machine by cycles of the thread's time-base domain.
void advance(GuestCall &g, uint64_t cycles)
{
    ProcessorState *core = g.t->processor;
    uint64_t per_cycle = core->timebase_domain ? core->timebase_domain->ticks_per_cycle : 1;
    g.m.machine->tsim->now += cycles * per_cycle;
}

TEST(Decrementer, CountsDownLazilyAndWakesOnlyForEarlierExpiry)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    advance(g, 10);
    ThreadState__SetDEC(g.t, 5);
    advance(g, 3);
    EXPECT_EQ((int32_t)ThreadState__GetDEC(g.t), 2);
    advance(g, 3);
    EXPECT_EQ((int32_t)ThreadState__GetDEC(g.t), -1);

    ASSERT_NE(g.t->dec_job, nullptr);
    struct Case {
        uint32_t before, after;
        bool wakes;
    } cases[] = {
        {100, 200, false}, {200, 100, true}, {100, 0, true}, {100, 0x80000000u, true}, {0, 50, true}};
    for (const Case &c : cases) {
        ThreadState__SetDEC(g.t, c.before);
        job_set(g.t->dec_job, 1);
        ThreadState__SetDEC(g.t, c.after);
        EXPECT_EQ(g.t->dec_job->counter.value == 0, c.wakes) << c.before << " -> " << c.after;
    }
}

TEST(Decrementer, FreezeHoldsDecAndTimeBase)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    ThreadState__SetDEC(g.t, 1000);
    advance(g, 10);
    GenericMachine__Freeze_Time_Base(g.m.machine);
    uint64_t tb = ProcessorState__GetTB(g.core);
    uint32_t dec = ThreadState__GetDEC(g.t);
    advance(g, 500);
    EXPECT_EQ(ProcessorState__GetTB(g.core), tb);
    EXPECT_EQ(ThreadState__GetDEC(g.t), dec);
    ThreadState__SetDEC(g.t, 77); // a write while frozen is read back unchanged
    advance(g, 5);
    EXPECT_EQ(ThreadState__GetDEC(g.t), 77u);
    GenericMachine__Thaw_Time_Base(g.m.machine);
    advance(g, 5);
    EXPECT_EQ(ThreadState__GetDEC(g.t), 72u);
    EXPECT_EQ(ProcessorState__GetTB(g.core), tb + 5);
}

TEST(InstructionAddress, ThirtyTwoBitModeDropsTheUpperHalfAndCfarGetsTheMove)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    g.t->MSR.value = 0x1000000000000000ull; // HV, 32-bit
    g.t->PC.value = 0x2468;
    iSET_PC(g.iop, 0x1234567800001000ull);
    EXPECT_EQ(g.t->PC.value, 0x1000u);
    EXPECT_EQ(g.t->CFAR.value, 0x2468u);
}

TEST(PicoSeconds, ConversionRoundsUp)
{
    machine_time_domains set;
    Initialize_Machine_Time_Domain_Variables(&set);
    EXPECT_EQ(TD_convert_pico_to_cycles(&set, 0, nullptr), 0u);
    EXPECT_EQ(TD_convert_pico_to_cycles(&set, 1, nullptr), 1u);
    set.pico_numerator = 1000; // one tick is a nanosecond
    set.pico_denominator = 1;
    time_domain domain{};
    domain.ticks_per_cycle = 4;
    EXPECT_EQ(TD_convert_pico_to_cycles(&set, 4000, &domain), 1u);
    EXPECT_EQ(TD_convert_pico_to_cycles(&set, 4001, &domain), 2u);
}

} // namespace
