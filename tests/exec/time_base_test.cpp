// Processor clocks, the time-base thaw and the register bit operations.
#include <gtest/gtest.h>

#include "exec/run_machine.h"
#include "kernel/tsim.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "processor/regs/reg_accessors.h"
#include "processor/time/time_base.h"
#include "processor/time/time_domain.h"

namespace
{

TEST(Clocks, CyclesRoundTheTickUp)
{
    GenericMachine machine{};
    machine.tsim = tsim_new("clocks");
    time_domain core_clock{};
    core_clock.ticks_per_cycle = 4;
    time_domain timebase{};
    timebase.ticks_per_cycle = 4;
    ProcessorState core{};
    core.machine = &machine;
    core.core_domain = &core_clock;
    core.timebase_domain = &timebase;
    ThreadState thread{};
    thread.machine = &machine;
    thread.processor = &core;
    for (auto [tick, cycle] : {std::pair<uint64_t, uint64_t>{0, 0}, {1, 1}, {8, 2}, {9, 3}}) {
        machine.tsim->now = tick;
        EXPECT_EQ(Thread_Current_Cycle(&thread), cycle) << tick;
        EXPECT_EQ(ProcessorState_Current_Cycle(&core), cycle) << tick;
    }
    machine.tsim->now = 0;
    core.tb_value = 99;
    EXPECT_EQ(Init_TimeBase(&core), 0u);
    EXPECT_EQ(core.tb_value, 0u);
    EXPECT_EQ(core.tb_last_cycle, 0u);

    // Thawing: a running time base is left alone; a frozen one restarts with its decrementers.
    DECREMENTER decs[4] = {};
    ThreadState threads[4] = {};
    for (int i = 0; i < 4; i++) {
        decs[i].frozen = 1;
        decs[i].last_cycle = 1;
        threads[i].decrementer = &decs[i];
    }
    core.threads = threads;
    core.num_threads = 4;
    machine.tsim->now = 40;
    core.tb_last_cycle = 3;
    EXPECT_EQ(ProcessorState_Thaw_Time_Base(&core), 10u);
    EXPECT_EQ(core.tb_last_cycle, 3u);
    EXPECT_EQ(decs[0].frozen, 1);
    core.tb_frozen = 1;
    EXPECT_EQ(ProcessorState_Thaw_Time_Base(&core), 10u);
    EXPECT_EQ(core.tb_frozen, 0);
    EXPECT_EQ(core.tb_last_cycle, 10u);
    for (const DECREMENTER &dec : decs) {
        EXPECT_EQ(dec.frozen, 0);
        EXPECT_EQ(dec.last_cycle, 10u);
    }
    tsim_free(machine.tsim);
}

TEST(Clocks, LpesBits)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    IOPDesc *iop = r.t->current_iop;
    r.core->options[PO_LPES_1_REMOVED] = 0;
    struct Case {
        uint64_t lpcr;
        int lpes0, lpes1;
    };
    for (const Case &c : {Case{0, 0, 0}, Case{0x8, 1, 0}, Case{0x4, 0, 1}, Case{0xC, 1, 1}}) {
        r.t->LPCR.value = c.lpcr;
        EXPECT_EQ(LPCR_LPES_Bit(iop, 0), c.lpes0) << c.lpcr;
        EXPECT_EQ(LPCR_LPES_Bit(iop, 1), c.lpes1) << c.lpcr;
    }
    r.core->options[PO_LPES_1_REMOVED] = 1;
    r.t->LPCR.value = 0;
    EXPECT_EQ(LPCR_LPES_Bit(iop, 1), 1);
    EXPECT_EQ(LPCR_LPES_Bit(iop, 0), 0);
}

TEST(Clocks, PriorityWriteTakesTheLowThreeBits)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    IOPDesc *iop = r.t->current_iop;
    set_PPR32_priority(iop, 9); // 0b1001: only 0b001 fits the field
    EXPECT_EQ((r.t->TSRL.value >> 50) & 7, 1u); // the field as the thread keeps it (PPR)
    set_PPR32_priority(iop, 3);
    EXPECT_EQ((r.t->TSRL.value >> 50) & 7, 3u);
}

TEST(Clocks, MakeQuietSetsTheTopFractionBitOnly)
{
    struct Case {
        uint64_t in, out;
    };
    for (const Case &c : {Case{0x7FF0000000000001ull, 0x7FF8000000000001ull}, // signalling NaN
                          Case{0xFFF0000000000010ull, 0xFFF8000000000010ull}, // negative one
                          Case{0x7FF8000000000000ull, 0x7FF8000000000000ull}, // already quiet
                          Case{0x0008000000000000ull, 0x0008000000000000ull}}) {
        uint64_t image = c.in;
        DP_Make_Quiet(&image);
        EXPECT_EQ(image, c.out) << std::hex << c.in;
    }
}

} // namespace
