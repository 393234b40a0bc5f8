#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <tcl.h>

#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/time/processor_time.h"
#include "processor/time/time_domain.h"
#include "runtime/message.h"
#include "runtime/object_registry.h"
#include "support/test_machine.h"

namespace
{

class TimeDomains : public ::testing::Test
{
  protected:
    void SetUp() override { Initialize_Machine_Time_Domain_Variables(&set); }
    void TearDown() override { Quit_Machine_Time_Domain(&set); }

    FreqSpec *absolute(uint64_t hz)
    {
        FreqSpec *spec = new_spec();
        EXPECT_EQ(Define_FreqSpec_Frequency(spec, hz), 1);
        return spec;
    }
    FreqSpec *ratio(int32_t n, int32_t d, FreqSpec *base)
    {
        FreqSpec *spec = new_spec();
        EXPECT_EQ(Define_FreqSpec_Ratio(spec, n, d, base), 1);
        return spec;
    }
    FreqSpec *new_spec()
    {
        specs.emplace_back();
        Initialize_FreqSpec(&specs.back());
        return &specs.back();
    }

    machine_time_domains set{};
    std::deque<FreqSpec> specs;
};

TEST_F(TimeDomains, InitialSetAndBaseDomainAlone)
{
    EXPECT_EQ(set.tick_rate, 1u);
    EXPECT_EQ(set.pico_numerator, 1000000000000u);
    EXPECT_EQ(set.pico_denominator, 1u);
    FreqSpec *base = absolute(4000000000);
    time_domain *d = TD_declare_time_domain("base", &set, base);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(base->domain, d);
    EXPECT_EQ(set.tick_rate, 4000000000u);
    EXPECT_EQ(d->ticks_per_cycle, 1u);
    EXPECT_EQ(d->frequency, 4000000000u);
    EXPECT_EQ(set.pico_numerator, 250u);
    EXPECT_EQ(set.pico_denominator, 1u);
    EXPECT_EQ(BaseObject__GetType(d->object_id), OBJECT_KIND_TIME_DOMAIN);
    EXPECT_EQ(BaseObject__GetObj(d->object_id), d);
}

TEST_F(TimeDomains, DividingRatioKeepsTheRate)
{
    FreqSpec *base = absolute(4000000000);
    time_domain *b = TD_declare_time_domain("base", &set, base);
    time_domain *half = TD_declare_time_domain("half", &set, ratio(1, 2, base));
    EXPECT_EQ(set.tick_rate, 4000000000u);
    EXPECT_EQ(half->ticks_per_cycle, 2u);
    EXPECT_EQ(half->frequency, 2000000000u);
    EXPECT_EQ(b->ticks_per_cycle, 1u);
    EXPECT_EQ(set.domains, half); // newest first
}

TEST_F(TimeDomains, NonDividingFrequencyRaisesRateToTheLcm)
{
    time_domain *b = TD_declare_time_domain("base", &set, absolute(4000000000));
    time_domain *three = TD_declare_time_domain("three", &set, absolute(3000000000));
    EXPECT_EQ(set.tick_rate, 12000000000u);
    EXPECT_EQ(b->ticks_per_cycle, 3u);
    EXPECT_EQ(three->ticks_per_cycle, 4u);
    EXPECT_EQ(set.pico_numerator, 250u);
    EXPECT_EQ(set.pico_denominator, 3u);
    // (2^64-1)/1.2e10 needs 31 bits: the (silent) 32-bit-clock warning path.
    EXPECT_EQ(TD_tick_range_bits(12000000000u), 31);
    EXPECT_EQ(TD_tick_range_bits(4000000000u), 33);
    // Undeclaring never lowers the rate.
    TD_undeclare_time_domain(three);
    EXPECT_EQ(set.tick_rate, 12000000000u);
    EXPECT_EQ(set.domains, b);
}

TEST_F(TimeDomains, RatioContributesItsWholeMultiple)
{
    FreqSpec *base = absolute(1000000000);
    time_domain *b = TD_declare_time_domain("base", &set, base);
    time_domain *r = TD_declare_time_domain("two-thirds", &set, ratio(2, 3, base));
    // 2/3 GHz is not whole: the ratio contributes 2e9; ticks per cycle (2e9/1e9)*3/2.
    EXPECT_EQ(set.tick_rate, 2000000000u);
    EXPECT_EQ(r->ticks_per_cycle, 3u);
    EXPECT_EQ(b->ticks_per_cycle, 2u);
    uint64_t remainder = 0;
    EXPECT_EQ(evaluate_frequency_ratio(r->spec, &remainder), 666666666u);
    EXPECT_EQ(remainder, 2u);
}

TEST_F(TimeDomains, FrequencyChangeReevaluatesEveryDomain)
{
    FreqSpec *base = absolute(1000000000);
    time_domain *b = TD_declare_time_domain("base", &set, base);
    time_domain *half = TD_declare_time_domain("half", &set, ratio(1, 2, base));
    EXPECT_EQ(half->ticks_per_cycle, 2u);
    ASSERT_EQ(Define_FreqSpec_Frequency(base, 3000000000), 1);
    EXPECT_EQ(set.tick_rate, 3000000000u);
    EXPECT_EQ(b->ticks_per_cycle, 1u);
    EXPECT_EQ(half->ticks_per_cycle, 2u);
}

TEST_F(TimeDomains, ZeroFrequenciesAndBadRatiosAreRefused)
{
    // An unset frequency setting (absolute, 0 Hz) evaluates without dividing by zero.
    FreqSpec *unset = new_spec();
    time_domain *z = TD_declare_time_domain("unset", &set, unset);
    ASSERT_NE(z, nullptr);
    EXPECT_EQ(z->ticks_per_cycle, 1u);
    EXPECT_EQ(set.tick_rate, 1u);
    FreqSpec *base = absolute(2000000000);
    TD_declare_time_domain("base", &set, base);
    EXPECT_EQ(set.tick_rate, 2000000000u);
    EXPECT_EQ(z->ticks_per_cycle, 1u);

    EXPECT_EQ(Define_FreqSpec_Frequency(base, 0), 0);
    EXPECT_EQ(base->hz, 2000000000u);
    FreqSpec *r = new_spec();
    EXPECT_EQ(Define_FreqSpec_Ratio(r, 0, 1, base), 0);
    EXPECT_EQ(Define_FreqSpec_Ratio(r, 1, 0, base), 0);
    EXPECT_EQ(Define_FreqSpec_Ratio(r, -1, 2, base), 0);
    EXPECT_EQ(Define_FreqSpec_Ratio(r, 1, 2, nullptr), 0);
    EXPECT_EQ(Define_FreqSpec_Ratio(base, 1, 2, base), 0);
    EXPECT_EQ(r->is_absolute, 1);

    // Property texts: "0" is as bad as any unreadable text and leaves the frequency setting alone.
    FreqSpec spec = *base;
    EXPECT_EQ(convert_plist_frequency(nullptr, "f", "0", &spec), 0);
    EXPECT_EQ(convert_plist_frequency(nullptr, "f", "0/3", &spec), 0);
    EXPECT_EQ(convert_plist_frequency(nullptr, "f", "fast", &spec), 0);
    EXPECT_EQ(spec.hz, 2000000000u);
    EXPECT_EQ(spec.is_absolute, 1);
}

TEST_F(TimeDomains, RatioWithoutBaseHasNoFrequency)
{
    FreqSpec spec;
    Initialize_FreqSpec(&spec);
    ASSERT_EQ(convert_plist_frequency(nullptr, "f", "1/1", &spec), 1);
    EXPECT_EQ(spec.base, nullptr);
    EXPECT_EQ(evaluate_frequency_ratio(&spec, nullptr), 0u);
    time_domain *d = TD_declare_time_domain("orphan", &set, &spec);
    EXPECT_EQ(d->ticks_per_cycle, 1u);
    EXPECT_EQ(set.tick_rate, 1u);
    TD_undeclare_time_domain(d);
    EXPECT_EQ(spec.domain, nullptr);
}

TEST_F(TimeDomains, FindIsExactAndUndeclareForgetsTheDomain)
{
    time_domain *d = TD_declare_time_domain("Core-0-0", &set, absolute(1000000));
    EXPECT_EQ(TD_find_time_domain(&set, "Core-0-0"), d);
    EXPECT_EQ(TD_find_time_domain(&set, "core-0-0"), nullptr);
    EXPECT_EQ(BaseObject__Find_Object(OBJECT_KIND_TIME_DOMAIN, d), d->object_id);
    FreqSpec *spec = d->spec;
    TD_undeclare_time_domain(d);
    EXPECT_EQ(spec->domain, nullptr);
    EXPECT_EQ(TD_find_time_domain(&set, "Core-0-0"), nullptr);
    EXPECT_EQ(BaseObject__Find_Object(OBJECT_KIND_TIME_DOMAIN, d), -1);
    EXPECT_EQ(set.domains, nullptr);
}

TEST_F(TimeDomains, PicosecondsRoundUp)
{
    time_domain *b = TD_declare_time_domain("base", &set, absolute(4000000000));
    time_domain *three = TD_declare_time_domain("three", &set, absolute(3000000000));
    EXPECT_EQ(TD_convert_cycle_to_pico(&set, 0, b), 0u);
    EXPECT_EQ(TD_convert_cycle_to_pico(&set, 1, b), 250u);       // 3 ticks x 250/3 ps
    EXPECT_EQ(TD_convert_cycle_to_pico(&set, 1, three), 334u);   // 4 ticks: 333.3 ps
    EXPECT_EQ(TD_convert_cycle_to_pico(&set, 3, nullptr), 250u); // 1 tick per cycle

    tsim_s *tsim = tsim_new("pico");
    tsim->now = 10;
    EXPECT_EQ(TD_get_current_pico(&set), 834u);  // 10 x 250/3
    EXPECT_EQ(TD_get_current_cycles(three), 3u); // 10 ticks / 4, rounded up
    EXPECT_EQ(TD_get_current_cycles(nullptr), 10u);
    tsim->now = 0;
    EXPECT_EQ(TD_get_current_cycles(three), 0u);
    tsim_free(tsim);
}

TEST_F(TimeDomains, TooLargeTickRateIsFatal)
{
    TD_declare_time_domain("a", &set, absolute(1000000007));
    FreqSpec *prime = absolute(999999937); // the least common multiple is about 2^60
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            TD_declare_time_domain("b", &set, prime);
        },
        "Tick frequency \\(999999943999999559Hz\\)");
}

TEST(FrequencyText, AbsoluteAndRatioTexts)
{
    const struct {
        uint64_t hz;
        const char *text;
    } cases[] = {{1500000, "1500KHz"}, {1000500, "1000500Hz"}, {2000000000, "2GHz"},
                 {0, "0GHz"},          {3000000, "3MHz"},      {1000, "1KHz"}};
    for (const auto &c : cases)
        EXPECT_STREQ(Prepare_AbsoluteFrequency(c.hz), c.text) << c.hz;
    FreqSpec spec;
    Initialize_FreqSpec(&spec);
    spec.is_absolute = 0;
    spec.numerator = 2;
    spec.denominator = 3;
    EXPECT_STREQ(Prepare_FreqSpec(&spec), "2/3");
}

TEST(FrequencyCommands, SetFrequencyAndStepdownReportToTheInterpreter)
{
    machine_time_domains set;
    Initialize_Machine_Time_Domain_Variables(&set);
    FreqSpec base, core;
    Initialize_FreqSpec(&base);
    Initialize_FreqSpec(&core);
    Define_FreqSpec_Frequency(&base, 2000000000);
    Define_FreqSpec_Frequency(&core, 2000000000);
    TD_declare_time_domain("base", &set, &base);
    time_domain *d = TD_declare_time_domain("core", &set, &core);
    Tcl_Interp *interp = Tcl_CreateInterp();
    const struct {
        const char *text;
        int result;
        const char *output;
    } cases[] = {
        {"3G", 0, "Set core frequency to 3GHz"},          {"1/2", 0, "Set core frequency to 1/2"},
        {"bogus", 1, "1: Error reading freq; got bogus"}, {"7/", 1, "1: Error reading freq; got 7/"},
        {"0", 1, "1: Error reading freq; got 0"},
    };
    for (const auto &c : cases) {
        Tcl_ResetResult(interp);
        EXPECT_EQ(Set_frequency(interp, "core", &core, c.text, &base), c.result) << c.text;
        EXPECT_STREQ(Tcl_GetStringResult(interp), c.output) << c.text;
    }
    // The last good setting (1/2 of 2 GHz) holds and the domain followed it; the tick rate
    // stays at the 6 GHz that 3 GHz needed.
    EXPECT_EQ(core.is_absolute, 0);
    EXPECT_EQ(d->frequency, 1000000000u);
    EXPECT_EQ(set.tick_rate, 6000000000u);
    EXPECT_EQ(d->ticks_per_cycle, 6u);

    Tcl_ResetResult(interp);
    EXPECT_EQ(Set_stepdown(interp, "core", &core, "2G", &base), 0);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "core frequency left at 1/2");
    Tcl_ResetResult(interp);
    EXPECT_EQ(Set_stepdown(interp, "core", &core, "1/4", &base), 0);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "Set core frequency to 1/4");
    EXPECT_EQ(d->ticks_per_cycle, 12u);
    Tcl_DeleteInterp(interp);
    Quit_Machine_Time_Domain(&set);
}

TEST(MachineTime, RawTimeAndChipFrequenciesUseTheBaseDomain)
{
    FreqSpec three; // outlives the machine that holds its domain
    Initialize_FreqSpec(&three);
    TestMachine m("clocked");
    Define_FreqSpec_Frequency(&m.machine.base_freq, 4000000000);
    m.machine.base_domain = TD_declare_time_domain("base", &m.machine.time_domains, &m.machine.base_freq);
    Define_FreqSpec_Frequency(&three, 3000000000);
    TD_declare_time_domain("three", &m.machine.time_domains, &three);
    m.machine.tsim = tsim_new("clocked");
    m.machine.tsim->now = 10; // base: 3 ticks per cycle
    EXPECT_EQ(GetRawTime(&m.machine), 4u);
    EXPECT_STREQ(Prepare_Time(nullptr), "4"); // the machine asked about last
    EXPECT_EQ(Get_Time_Machine(), &m.machine);
    Set_Time_Machine(nullptr);
    EXPECT_EQ(GetRawTime(nullptr), 0u);

    // A chip's ratio is a ratio of the machine's base frequency.
    m.create_chips();
    m.set("MCM/0/processor/cpu_frequency", "1/2");
    FreqSpec spec;
    Initialize_FreqSpec(&spec);
    ASSERT_EQ(get_mcm_plist_frequency(m.chip(), m.machine.property_list, "processor/cpu_frequency", &spec),
              1);
    EXPECT_EQ(spec.base, &m.machine.base_freq);
    EXPECT_EQ(evaluate_frequency_ratio(&spec, nullptr), 2000000000u);
    tsim_free(m.machine.tsim);
    m.machine.tsim = nullptr;
}

TEST(MachineTime, EmbeddingFrequenciesOfAThread)
{
    FreqSpec clock;
    Initialize_FreqSpec(&clock);
    Define_FreqSpec_Frequency(&clock, 3200000000);
    ProcessorState core{};
    core.core_freq = &clock;
    Initialize_FreqSpec(&core.timebase_freq);
    Define_FreqSpec_Frequency(&core.timebase_freq, 512000000);
    ThreadState thread{};
    thread.processor = &core;
    EXPECT_EQ(LIBSIM__Get_ClockFreq_hz(&thread), 3200000000u);
    EXPECT_EQ(LIBSIM__Get_TimeBase_Frequency_hz(&thread), 512000000u);
    EXPECT_EQ(LIBSIM__Get_ClockFreq_hz(nullptr), 0u);
}

} // namespace
