// The translator's report: exits per reason with shares and deltas, the kinds and SPR numbers
// behind "unknown" exits, nothing outside the translated modes, and the periodic callback's gate.
#include <gtest/gtest.h>

#include <string>

#include "exec/run_machine.h"
#include "processor/run/modes.h"
#include "runtime/callbacks.h"
#include "runtime/debug.h"
#include "support/sink_capture.h"
#include "runtime/hooks/model_callbacks.h"
#include "translator/crack.h"
#include "translator/darr.h"
#include "translator/turbo_kips.h"
#include "translator/turbo_reason.h"
#include "translator/turbo_stats.h"

namespace
{

class TurboReport : public ::testing::Test
{
  public:
    TurboReport()
    {
        crack_init();
        turbo_stats_clear();
    }
    ~TurboReport() override { turbo_stats_clear(); }

    std::string report()
    {
        SinkCapture capture;
        turbo_kips_internal(r.m.machine);
        return capture.text();
    }

    RunMachine r;
};

TEST_F(TurboReport, ReasonsUnknownKindsAndSprMovesWithDeltas)
{
    r.m.machine->mode = MODE_SIMPLE;
    turbo_count_reason(EXIT_UNKNOWN);
    EXPECT_EQ(report(), ""); // not even the header outside the translated modes

    turbo_stats_clear();
    r.m.machine->mode = MODE_TURBO;
    turbo_counts_s &c = turbo_stats.counts;
    c.reasons[EXIT_UNKNOWN] = 1000;
    c.reasons[EXIT_LIMIT] = 3000;
    c.unknown_kinds[224] = 600; // mfspr
    c.unknown_kinds[277] = 300; // sc
    c.mfspr[8] = 600;
    const std::string first = report();
    EXPECT_NE(first.find("======== JIT ========\n"), std::string::npos) << first;
    char line[160];
    snprintf(line, sizeof line, "    %-20s=%11d (%5.2f%%) +%10d\n", "unknown", 1000, 25.0, 1000);
    EXPECT_NE(first.find(line), std::string::npos) << first;
    snprintf(line, sizeof line, "    %-20s=%11ld\n", "Total", 4000l);
    EXPECT_NE(first.find(line), std::string::npos) << first;
    EXPECT_NE(first.find("\t======== unknown frequency ========\n"), std::string::npos) << first;
    snprintf(line, sizeof line, "\t    %-16s=%10d (%5.2f%%) +%10d\n", "mfspr", 600, 60.0, 600);
    EXPECT_NE(first.find(line), std::string::npos) << first;
    snprintf(line, sizeof line, "\t    %-16s=%10d\n", "unknown unknowns", 100);
    EXPECT_NE(first.find(line), std::string::npos) << first;
    snprintf(line, sizeof line, "\t    %4d=[%10d (%5.2f%%) (%10d),%10d (%5.2f%%) (%10d)]  (%s)\n", 8, 600,
             100.0, 600, 0, 0.0 / 0.0, 0, "LR");
    EXPECT_NE(first.find(line), std::string::npos) << first;
    EXPECT_EQ(first.find("sim support codes"), std::string::npos);

    // A second report without new exits: the same counts, deltas of zero.
    const std::string second = report();
    snprintf(line, sizeof line, "    %-20s=%11d (%5.2f%%) +%10d\n", "unknown", 1000, 25.0, 0);
    EXPECT_NE(second.find(line), std::string::npos) << second;
    snprintf(line, sizeof line, "\t    %-16s=%10d (%5.2f%%) +%10d\n", "mfspr", 600, 60.0, 0);
    EXPECT_NE(second.find(line), std::string::npos) << second;
}

TEST_F(TurboReport, ThePeriodicCallbackIsRegisteredAndGatedByItsCategory)
{
    Callbacks_register_TurboMode(); // as the start-up's callback lists do
    bool found = false;
    for (Callback_Function *e = callBackFunctionLists[CALLBACK_PERIODIC_STATS_PRINT].head; e; e = e->next)
        if (std::string(e->name) == "turbo" &&
            e->function == reinterpret_cast<CallbackFunction>(turbo_kips_periodic))
            found = true;
    EXPECT_TRUE(found);

    r.m.machine->mode = MODE_TURBO;
    turbo_count_reason(EXIT_LIMIT);
    const int saved = get_debug_flag(209);
    for (int level : {0, 1}) {
        set_debug_flag(209, level);
        SinkCapture capture;
        turbo_kips_periodic(nullptr, r.t, "", 0);
        EXPECT_EQ(capture.text().find("======== JIT ========") != std::string::npos, level > 0);
    }
    set_debug_flag(209, saved);
}

TEST(Darr, EnsureGrowsWithNullSlots)
{
    darr a;
    darr_init(&a);
    EXPECT_EQ(a.count, 0u);
    int value = 7;
    void **slot = darr_ensure(&a, 3);
    ASSERT_NE(slot, nullptr);
    *slot = &value;
    EXPECT_EQ(a.count, 4u);
    for (uint32_t i = 0; i < 3; i++)
        EXPECT_EQ(a.items[i], nullptr);
    EXPECT_EQ(darr_ensure(&a, 1), &a.items[1]); // no growth below the count
    EXPECT_EQ(a.count, 4u);
    EXPECT_EQ(*darr_ensure(&a, 3), &value);
    darr_free(&a);
    EXPECT_EQ(a.count, 0u);
}

} // namespace
