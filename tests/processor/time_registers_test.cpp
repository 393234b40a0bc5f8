// Time-domain conversion, the lazy time base, PURR/SPURR sharing, the TFMR write, the
// decrementers with their jobs and chunk caps, and the processor interrupt hook.
#include <gtest/gtest.h>

#include <string>

#include "interrupts/decrementer_wakeup.h"
#include "interrupts/interrupt_raisers.h"
#include "interrupts/processor_interrupt.h"
#include "kernel/tsim.h"
#include "processor/config/processor_options.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/run/run_control.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_services.h"
#include "processor/time/processor_time.h"
#include "processor/time/time_domain.h"
#include "processor/time/time_registers.h"
#include "register_fixture.h"
#include "support/built_machine.h"
#include "support/sink_capture.h"

namespace
{

constexpr int32_t DECREMENTER = 18, HV_DECREMENTER = 26, EXTERNAL = 17;

FreqSpec *absolute(uint64_t hz)
{
    static FreqSpec specs[8];
    static int next = 0;
    FreqSpec *spec = &specs[next++ % 8];
    Initialize_FreqSpec(spec);
    Define_FreqSpec_Frequency(spec, hz);
    return spec;
}

BuiltMachine::Configure threads_config(const char *n)
{
    return [n](BuiltMachine &b) { b.set("processor/number_of_threads", n); };
}

int queued(ThreadState *t, int32_t type)
{
    int n = 0;
    for (PowerPCException *e = t->interrupt_queue.head; e; e = e->next)
        n += e->type == type;
    return n;
}

TEST(TimeConversion, CrossDomainAndCurrentCycles)
{
    machine_time_domains set;
    Initialize_Machine_Time_Domain_Variables(&set);
    time_domain *one = TD_declare_time_domain("one", &set, absolute(1000000000));
    time_domain *three = TD_declare_time_domain("three", &set, absolute(3000000000));
    ASSERT_EQ(one->ticks_per_cycle, 3u);
    ASSERT_EQ(three->ticks_per_cycle, 1u);
    EXPECT_EQ(TD_Cross_Domain_Convert(10, one, three), 30u);
    EXPECT_EQ(TD_Cross_Domain_Convert(10, three, one), 4u);
    EXPECT_EQ(TD_Cross_Domain_Convert(0, three, one), 0u);
    EXPECT_EQ(TD_Cross_Domain_Convert(10, nullptr, one), 10u);
    EXPECT_EQ(TD_Cross_Domain_Convert(10, one, nullptr), 10u);

    tsim_s *tsim = tsim_new("cycles");
    struct {
        uint64_t tick, cycles, phase;
    } cases[] = {{0, 0, 0}, {7, 3, 0}, {9, 3, 2}, {1, 1, 0}};
    for (auto &c : cases) {
        tsim->now = c.tick;
        uint64_t phase = 99;
        EXPECT_EQ(TD_get_current_cycles(one, &phase), c.cycles) << c.tick;
        EXPECT_EQ(phase, c.phase) << c.tick;
    }
    tsim_free(tsim);
    Quit_Machine_Time_Domain(&set);
}

TEST(TimeConversion, RawTimeAndTheSharedText)
{
    Set_Time_Machine(nullptr);
    EXPECT_EQ(GetRawTime(nullptr), 0u);
    BuiltMachine m("rawtime");
    ASSERT_NE(m.machine, nullptr);
    uint64_t per_cycle = m.machine->base_domain->ticks_per_cycle;
    m.machine->tsim->now = 5 * per_cycle + 1;
    EXPECT_EQ(GetRawTime(m.machine), 6u);
    EXPECT_EQ(GetRawTime(nullptr), 6u); // remembered
    const char *first = Prepare_Time(m.machine);
    m.machine->tsim->now = 9 * per_cycle;
    const char *second = Prepare_Time(nullptr);
    EXPECT_EQ(first, second); // one buffer: the first text now shows the second value
    EXPECT_STREQ(first, "9");
    Set_Time_Machine(nullptr);
}

class TimeBase : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fixture.build();
        core = fixture.core;
        tsim = fixture.test_machine.machine.tsim;
        tsim->now = 0;
        core->tb_value = 0;
        core->tb_last_cycle = 0;
    }
    ThreadState *t(int i) { return fixture.thread(i); }

    TestCore fixture{2};
    ProcessorState *core = nullptr;
    tsim_s *tsim = nullptr;
};

TEST_F(TimeBase, AdvancesLazilyAndFreezes)
{
    tsim->now = 10;
    uint64_t first = ProcessorState__GetTB(core);
    EXPECT_EQ(first, 10u);
    EXPECT_EQ(ProcessorState__GetTB(core), first);
    tsim->now = 11;
    EXPECT_EQ(ThreadState__GetTB(t(0)), first + 1);

    core->options[PO_FREEZE_TIME_BASE_AND_DEC] = 1;
    tsim->now = 50;
    EXPECT_EQ(ProcessorState__GetTB(core), first + 1);
    RAW_SET_TB(core, 1000);
    tsim->now = 60;
    EXPECT_EQ(ProcessorState__GetTB(core), 1000u); // the write took effect, time did not
    core->options[PO_FREEZE_TIME_BASE_AND_DEC] = 0;

    // Freezing the processor holds the TB and the DEC; the thaw does not count the interval.
    RAW_SET_TB(core, 0);
    ThreadState__SetDEC(t(0), 100);
    ProcessorState_Freeze_Time_Base(core);
    tsim->now = 90;
    EXPECT_EQ(ProcessorState__GetTB(core), 0u);
    EXPECT_EQ(ThreadState__GetDEC(t(0)), 100u);
    ProcessorState_Thaw_Time_Base(core);
    tsim->now = 95;
    EXPECT_EQ(ProcessorState__GetTB(core), 5u);
    EXPECT_EQ(ThreadState__GetDEC(t(0)), 95u);
}

TEST_F(TimeBase, PartialWritesKeepTheOtherBits)
{
    RAW_SET_TB(core, 0x1111111122222222ull);
    tsim->now = 3; // three cycles pass before each partial write
    RAW_SET_TBU(core, 0xAAAAAAAA);
    EXPECT_EQ(ProcessorState__GetTB(core), 0xAAAAAAAA22222225ull);
    EXPECT_EQ(core->TB.bits_written.mask, 0xFFFFFFFF00000000ull);
    tsim->now = 4;
    RAW_SET_TBL(core, 0x12345678);
    EXPECT_EQ(ProcessorState__GetTB(core), 0xAAAAAAAA12345678ull);
    EXPECT_EQ(core->TB.bits_written.mask, 0x00000000FFFFFFFFull);
    tsim->now = 6;
    ThreadState__SetTB40(t(1), 0xFFFFFFFFFFFFFFFFull);
    EXPECT_EQ(ProcessorState__GetTB(core), 0xFFFFFFFFFF34567Aull); // bits 23..0 as they were
    EXPECT_EQ(core->TB.bits_written.mask, 0xFFFFFFFFFF000000ull);
}

TEST_F(TimeBase, PurrSharesByInstructions)
{
    Update_PURR_state(core);
    t(0)->Instruction_Number = 1;
    t(1)->Instruction_Number = 2;
    tsim->now = 100;
    EXPECT_EQ(RAW_GET_PURR(t(0)), 33u);
    EXPECT_EQ(t(1)->PURR.value, 67u);
    EXPECT_EQ(RAW_GET_SPURR(t(1)), 67u);
    // No instruction since: the marks move on, the counters stay.
    tsim->now = 200;
    EXPECT_EQ(RAW_GET_PURR(t(0)), 33u);
    EXPECT_EQ(core->tb_at_last_purr, 200u);
}

TEST_F(TimeBase, PurrSharesByWeights)
{
    struct Case {
        const char *what;
        uint64_t rwmr;
        uint32_t enabled0, enabled1;
        uint64_t purr0, purr1;
    } cases[] = {
        {"even split", 2, 1, 1, 50, 50},
        {"first takes all", 2 | 4, 1, 1, 100, 0},
        {"mode 1, one enabled: the disabled one gets no idle part", 1, 1, 0, 100, 0},
        {"weight 16/32 idle", 2 | (16ull << 59), 1, 0, 50, 50},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        tsim->now = 0;
        RAW_SET_TB(core, 0);
        core->smt_mode = SMT_MODE_2;
        core->RWMR.value = c.rwmr;
        t(0)->x_smt_enable = c.enabled0;
        t(1)->x_smt_enable = c.enabled1;
        for (int i = 0; i < 2; i++) t(i)->PURR.value = t(i)->SPURR.value = 0;
        tsim->now = 100;
        Adjust_PURR_Values(t(0));
        EXPECT_EQ(t(0)->PURR.value, c.purr0);
        EXPECT_EQ(t(1)->PURR.value, c.purr1);
        EXPECT_EQ(t(0)->SPURR.value, c.purr0);
        EXPECT_EQ(t(1)->SPURR.value, c.purr1);
    }
}

TEST_F(TimeBase, TfmrStatusBits)
{
    struct Case {
        const char *what;
        int clear_status;
        uint64_t before, write, after;
    } cases[] = {
        {"bit 46 reads back 0", 0, 0, 1ull << 46, 0},
        {"bit 47 sets the status bits", 0, 0, 1ull << 47, 0x600800},
        {"status field copied to 27..24", 0, 0, 5ull << 40, 0x5600800},
        {"bit 39 clears 47 and 43..39", 0, 0, (1ull << 39) | (1ull << 47), 0x600800},
        {"write one to clear", 1, 0x30, 0x10, 0x20},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        core->options[PO_TFMR_CLEAR_STATUS] = c.clear_status;
        core->tfmr_per_processor = c.before & ~0x7Full;
        t(0)->tfmr_per_thread = c.before & 0x7F;
        RAW_SET_TFMR(t(0), c.write);
        EXPECT_EQ(RAW_GET_TFMR(t(0)), c.after);
    }
}

TEST(TimeBaseMachine, TfmrBit45SynchronisesEveryTimeBase)
{
    BuiltMachine m("tbsync", [](BuiltMachine &b) { b.set("cpus", "2"); });
    ASSERT_NE(m.machine, nullptr);
    ProcessorState *a = GenericMachine__Processor(m.machine, 0);
    ProcessorState *b = GenericMachine__Processor(m.machine, 1);
    ASSERT_NE(b, nullptr);
    RAW_SET_TB(a, 100);
    RAW_SET_TB(b, 7000);
    RAW_SET_TFMR(&a->threads[0], 1ull << 45);
    EXPECT_EQ(ProcessorState__GetTB(a), 7000u);
    EXPECT_EQ(ProcessorState__GetTB(b), 7000u);
    EXPECT_EQ(RAW_GET_TFMR(&a->threads[0]) & (1ull << 45), 0u);
}

TEST_F(TimeBase, DecrementerCountsDownLazily)
{
    tsim->now = 10;
    ThreadState__SetDEC(t(0), 5);
    tsim->now = 13;
    EXPECT_EQ(ThreadState__GetDEC(t(0)), 2u);
    EXPECT_EQ(ThreadState__GetDEC(t(0)), 2u);
    t(0)->decrementer->frozen = 1;
    tsim->now = 100;
    EXPECT_EQ(ThreadState__GetDEC(t(0)), 2u);
    t(0)->decrementer->frozen = 0;
    tsim->now = 16;
    t(0)->decrementer->last_cycle = 13;
    EXPECT_EQ((int32_t)ThreadState__GetDEC(t(0)), -1);
}

TEST_F(TimeBase, ChunkCaps)
{
    tsim->now = 1;
    ThreadState__SetDEC(t(0), 10);
    t(0)->LPCR.value = 0; // the HDEC never caps
    core->hdec_value = 0;
    core->hdec_last_cycle = 1;
    EXPECT_EQ(ThreadState__DecLimits(t(0), 0, 100), 10u);
    EXPECT_EQ(ThreadState__DecLimits(t(0), 4, 100), 6u);
    EXPECT_EQ(ThreadState__DecLimits(t(0), 4, 3), 3u);
    EXPECT_EQ(ThreadState__DecLimits(t(0), 10, 100), 0u);
    EXPECT_EQ(ThreadState__GetHDecCyclesToInterrupt(t(0), 0, 77), 77u);
    t(0)->LPCR.value = 1; // HDEC 0: capped one cycle later
    EXPECT_EQ(ThreadState__DecLimits(t(0), 0, 100), 1u);
    ThreadState__SetDEC(t(0), 0xFFFFFFF0); // a negative DEC does not cap
    EXPECT_EQ(ThreadState__GetDecCyclesToInterrupt(t(0), 0, 55), 55u);
}

TEST_F(TimeBase, DecrementerInterruptNeedsEE)
{
    tsim->now = 5;
    t(0)->x_smt_enable = 1;
    t(0)->MSR.value = 0;
    ThreadState__SetDEC(t(0), 0xFFFFFFFF);
    EXPECT_EQ(queued(t(0), DECREMENTER), 0);
    t(0)->MSR.value = 0x8000;
    ThreadState__SetDEC(t(0), 0xFFFFFFFF);
    EXPECT_EQ(queued(t(0), DECREMENTER), 1);
}

TEST_F(TimeBase, ANegativeDecrementerWakesASleepingThread)
{
    ThreadState *s = t(1);
    core->x_cpuState = CPU_RUNNING;
    core->options[PO_DEC_CANNOT_WAKEUP_THREAD] = 1;
    s->x_smt_enable = 0;
    s->x_threadState = CPU_STALLED;
    s->stall_reason = STALL_INSTRUCTION;
    s->power_mode = POWER_NAP;
    s->LPCR.value = 0x2000;
    tsim->now = 5;
    s->decrementer->value = 3;
    s->decrementer->last_cycle = 5;
    EXPECT_EQ(CheckExceptionQueueForWakeup(s), 1);
    EXPECT_EQ(s->x_threadState, (uint32_t)CPU_STALLED); // DEC still positive
    tsim->now = 9;
    EXPECT_EQ(CheckExceptionQueueForWakeup(s), 1);
    EXPECT_EQ(s->x_threadState, (uint32_t)CPU_RUNNING);
    EXPECT_EQ(s->PC.value, 0x100u);
    EXPECT_EQ((s->SRR1.value >> 18) & 0xF, 6u);
    EXPECT_EQ(queued(s, DECREMENTER), 0); // a woken thread takes no interrupt by this check
}

TEST_F(TimeBase, NegativeHdecWriteChecksEveryThreadFirst)
{
    for (int i = 0; i < 2; i++) {
        t(i)->x_smt_enable = 1;
        t(i)->LPCR.value = 1;
        t(i)->MSR.value = 0; // HV clear: enabled
    }
    core->hdec_value = -5; // stored negative: no edge
    ProcessorState__SetHDEC(core, 0xFFFFFFFF);
    EXPECT_EQ(t(0)->pending_HDEC, 0u);
    core->hdec_value = 3;
    core->hdec_last_cycle = 0;
    ProcessorState__SetHDEC(core, 0xFFFFFFFF);
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(t(i)->pending_HDEC, 1u);
        EXPECT_EQ(queued(t(i), HV_DECREMENTER), 1);
    }
    CheckForHDECInterrupt_Thread(t(0), 0); // already queued: no second one
    EXPECT_EQ(queued(t(0), HV_DECREMENTER), 1);
    EXPECT_EQ((int32_t)ProcessorState__GetHDEC(core), -1);
}

// The decrementer job sleeps DEC + 1 time-base cycles, then checks.
TEST(DecrementerJob, ChecksOneCycleAfterZero)
{
    BuiltMachine m("decjob", [](BuiltMachine &b) { b.set("processor/number_of_threads", "1"); });
    ASSERT_NE(m.machine, nullptr);
    ProcessorState *core = GenericMachine__Processor(m.machine, 0);
    ThreadState *t = &core->threads[0];
    ASSERT_NE(t->dec_job, nullptr);
    uint64_t per = core->timebase_domain ? core->timebase_domain->ticks_per_cycle : 1;
    t->x_smt_enable = 1;
    t->MSR.value |= 0x8000;
    tsim_s *tsim = m.machine->tsim;
    SimpleCPUTick(m.machine, 8 * per); // the job arms itself
    ASSERT_EQ(tsim->now, 8 * per);
    ThreadState__SetDEC(t, 0);
    SimpleCPUTick(m.machine, per - 1);
    EXPECT_EQ(queued(t, DECREMENTER), 0);
    SimpleCPUTick(m.machine, 1);
    EXPECT_EQ(tsim->now, 9 * per);
    EXPECT_EQ(queued(t, DECREMENTER), 1);
    EXPECT_EQ((int32_t)ThreadState__GetDEC(t), -1);
}

// The HDEC job wakes when HDEC crosses zero and raises the interrupt on enabled threads.
TEST(DecrementerJob, HdecCrossingZeroRaisesOnEnabledThreads)
{
    BuiltMachine m("hdecjob", threads_config("2"));
    ASSERT_NE(m.machine, nullptr);
    ProcessorState *core = GenericMachine__Processor(m.machine, 0);
    ASSERT_NE(core->hdec_job, nullptr);
    uint64_t per = core->timebase_domain ? core->timebase_domain->ticks_per_cycle : 1;
    for (uint32_t i = 0; i < 2; i++) {
        core->threads[i].LPCR.value = 1;
        core->threads[i].MSR.value = 0;
        core->threads[i].pending_HDEC = 0;
    }
    core->threads[0].x_smt_enable = 1;
    core->threads[1].x_smt_enable = 0;
    SimpleCPUTick(m.machine, per);
    ProcessorState__SetHDEC(core, 2);
    SimpleCPUTick(m.machine, 2 * per);
    EXPECT_EQ(queued(&core->threads[0], HV_DECREMENTER), 0);
    SimpleCPUTick(m.machine, per);
    EXPECT_EQ(queued(&core->threads[0], HV_DECREMENTER), 1);
    EXPECT_EQ(core->threads[0].pending_HDEC, 1u);
    EXPECT_EQ(queued(&core->threads[1], HV_DECREMENTER), 0); // not SMT-enabled

    // The machine-wide freeze holds every time base until the thaw.
    uint64_t tb = ProcessorState__GetTB(core);
    GenericMachine__Freeze_Time_Base(m.machine);
    SimpleCPUTick(m.machine, 10 * per);
    EXPECT_EQ(ProcessorState__GetTB(core), tb);
    GenericMachine__Thaw_Time_Base(m.machine);
    SimpleCPUTick(m.machine, 3 * per);
    EXPECT_EQ(ProcessorState__GetTB(core), tb + 3);
}

TEST(ProcessorInterrupt, OneRecordPerRaisedLine)
{
    BuiltMachine m("hook");
    ASSERT_NE(m.machine, nullptr);
    MCM *chip = m.machine->mcms[0];
    ThreadState *t = GenericMachine__Thread(m.machine, 2);
    t->x_smt_enable = 1;
    EXPECT_EQ(Processor_Interrupt_Handler(chip, 1, 2, 0), 1);
    PowerPCException *record = t->persistent_exceptions[0];
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->persistent, 1);
    EXPECT_STREQ(record->detail, "External Interrupt");
    t->x_threadState = CPU_STALLED;
    EXPECT_EQ(Processor_Interrupt_Handler(chip, 1, 2, 0), 1);
    EXPECT_EQ(t->persistent_exceptions[0], record);
    EXPECT_EQ(queued(t, EXTERNAL), 1);
    EXPECT_EQ(t->x_threadState, (uint32_t)CPU_RUNNING);
    {
        SinkCapture sink;
        EXPECT_EQ(Processor_Interrupt_Handler(chip, 3, 2, 0), 1);
        EXPECT_EQ(sink.text(), "FATAL ERROR: 1: Processor_Interrupt_Handler: Unhandled event_type 3\n");
    }
    Start_The_Simulation();
    EXPECT_EQ(Processor_Interrupt_Handler(chip, 0, 2, 0), 0);
    EXPECT_EQ(queued(t, EXTERNAL), 0);
    EXPECT_EQ(Processor_Interrupt_Handler(chip, 1, 999, 0), 0); // no such thread: nothing
    EXPECT_EQ(Processor_Interrupt_Handler(chip, 1, (int32_t)0x80000002, 0), 1);
}

} // namespace
