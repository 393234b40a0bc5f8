// Performance-monitor counters on a running machine: counting from the event sources, writes that
// move the count, the overflow watcher and the frozen-counter option.
#include <gtest/gtest.h>

#include <string>

#include "exec/pmc_counters.h"
#include "interrupts/exception_types.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/pmc_counters.h"
#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/records/exception_record.h"
#include "processor/spr/pmc_groups.h"
#include "run_machine.h"
#include "runtime/message.h"

namespace
{

constexpr uint32_t NOP = 0x60000000;

// A machine whose thread runs a straight line of no-ops from 0x100.
class Pmc : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(rm.ok());
        ASSERT_NE(rm.t->pmc_info, nullptr);
        for (uint64_t a = 0x100; a < 0x100 + 4 * 2000; a += 4)
            rm.write(a, 4, NOP);
    }
    RunMachine rm;
};

TEST_F(Pmc, CountersCountTheirEventsFromTheWrittenValue)
{
    ThreadState *t = rm.t;
    ASSERT_EQ(t->pmc_info->group, 56);
    PMC_set_counter(t, 5, 0);
    PMC_set_counter(t, 4, 100);
    EXPECT_EQ(PMC_get_counter(t, 5), 0u);
    rm.run(1000);
    EXPECT_EQ(PMC_get_counter(t, 5), 1000u); // instructions
    EXPECT_EQ(PMC_get_counter(t, 1), 0u);    // event 225 has no source
    EXPECT_EQ(PMC_get_counter(t, 4), 100u);
    EXPECT_EQ(PMC_get_counter(t, 6), PMC_get_stat(t, 3)); // cycles since the start

    // A written value goes on counting; the count wraps at 32 bits.
    PMC_set_counter(t, 5, 0xFFFFFFF0);
    rm.run(0x20);
    EXPECT_EQ(PMC_get_counter(t, 5), 0x10u);

    // Out of range: nothing.
    EXPECT_EQ(PMC_get_counter(t, 7), 0u);
    EXPECT_EQ(PMC_get_counter(t, 0), 0u);

    // A new group re-bases counters 1 to 5 at 0; PMC6 goes on.
    uint64_t pmc6 = PMC_get_counter(t, 6);
    PMC_reset_counters(t);
    for (uint32_t n = 1; n <= 5; n++)
        EXPECT_EQ(PMC_get_counter(t, n), 0u) << n;
    EXPECT_EQ(PMC_get_counter(t, 6), pmc6);
}

TEST_F(Pmc, WatcherRaisesThePerformanceMonitorInterruptAtOverflow)
{
    ThreadState *t = rm.t;
    t->MMCR0.value = MMCR0_PMAE | 0x80; // an alert bit and another
    testing::internal::CaptureStdout();
    PMC_set_counter(t, 6, 0xFFFFFF00); // 256 cycles before overflow
    rm.run(2 * 256 / rm.tpc() + 300);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "PMC_watcher: checking cur_v 0 vs (stop 100 - delta 64)\n"
                   "PMC_watcher: checking cur_v 100 vs (stop 100 - delta 64)\n");
    // Delivered: one no-op per cycle from 0x100, so the 256th cycle finds the PC at 0x500.
    EXPECT_EQ(t->SIAR.value, 0x500u);
    EXPECT_EQ(t->SRR0.value, 0x504u);
    EXPECT_EQ(t->SDAR.value, 0u);
    EXPECT_EQ(t->MMCR0.value, 0x80u); // the alert bit is cleared, the other kept
}

TEST_F(Pmc, NoAlertBitStartsNoWatcher)
{
    ThreadState *t = rm.t;
    t->MMCR0.value = 0;
    PMC_set_counter(t, 6, 0xFFFFFFF0);
    EXPECT_EQ(t->pmc_info->counters[5].watcher, nullptr);
    rm.run(100);
    EXPECT_EQ(SearchException(t, EXC_PERF_MONITOR), nullptr);
}

TEST_F(Pmc, FrozenOptionMakesPlainRegisters)
{
    ThreadState *t = rm.t;
    rm.core->options[PO_WOLK_FREEZE_PMCS] = 1;
    PMC_set_counter(t, 3, 1234);
    rm.run(100);
    EXPECT_EQ(PMC_get_counter(t, 3), 1234u);
    EXPECT_EQ(t->PMC3.value, 1234u);
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            PMC_get_counter(t, 7);
        },
        "PMC_get_counter: accessing PMC7 > 6");
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            PMC_set_counter(t, 0, 1);
        },
        "PMC_set_counter: accessing PMC0 > 6");
}

} // namespace
