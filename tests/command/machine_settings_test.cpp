// The machine settings tables attached by a host: their bounds, texts and the state they change.
#include <string>

#include "command/machine_settings_commands.h"
#include "command_fixture.h"
#include "exec/thread_job.h"
#include "guest/startup_script.h"
#include "processor/records/generic_machine.h"
#include "runtime/debug.h"
#include "translator/emat_trans_level.h"

namespace
{

class MachineSettingsTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
        machine = Find_Machine_By_Name("alpha");
        ASSERT_NE(machine, nullptr);
        SimCmdTable *top = machine_table();
        ASSERT_NE(top, nullptr);
        connect_subtable(top, "set", build_SetCmd_table(nullptr), 0, nullptr);
        // The machine has its limited "display" already; the full table goes under a word of its own.
        connect_subtable(top, "full_display", build_DisplayCmd_table(nullptr), 0, nullptr);
        saved_port = sliplane_listen_port;
        saved_limit = chunk_instruction_limit;
        saved_color = colorWanted;
        saved_level = EMAT_TRANS_LEVEL;
        saved_flags = quarn_common.print_flags;
    }
    void TearDown() override
    {
        sliplane_listen_port = saved_port;
        chunk_instruction_limit = saved_limit;
        colorWanted = saved_color;
        EMAT_TRANS_LEVEL = saved_level;
        quarn_common.print_flags = saved_flags;
        CommandLanguageTest::TearDown();
    }
    SimCmdTable *machine_table() { return machine->command_table; }

    GenericMachine *machine = nullptr;
    int saved_port = 0;
    int32_t saved_limit = 0, saved_level = 0, saved_flags = 0;
    char saved_color = 0;
};

TEST_F(MachineSettingsTest, BoundsAndTexts)
{
    fails("alpha set sliplane_port 0");
    EXPECT_EQ(fails("alpha set sliplane_port 65536"), "Sliplane port must be 0 < n <= 65535; is 65536");
    EXPECT_EQ(ok("alpha set sliplane_port 65535"), "Sliplane port is 65535");
    EXPECT_EQ(ok("alpha full_display sliplane_port"), "Sliplane port is 65535");

    SinkCapture capture;
    fails("alpha set console_format 64");
    EXPECT_NE(capture.text().find("Console format must be 0x0 < n <= 0x3F; is 0x40"), std::string::npos);
    EXPECT_EQ(ok("alpha set console_format 5"), "Console format is 0x5");
    EXPECT_EQ(quarn_common.print_flags, 5);

    EXPECT_EQ(ok("alpha set power_saving_mode on"), "WE bit has effect");
    EXPECT_EQ(ok("alpha full_display power_saving_mode"), "WE bit has effect");
    EXPECT_EQ(ok("alpha set power_saving_mode off"), "WE bit has no effect");
    EXPECT_EQ(fails("alpha set strict_no_such 1").empty(), false);
    EXPECT_EQ(fails("alpha set bit_accurate maybe"), "Usage: alpha set bit_accurate [on|off]");
}

TEST_F(MachineSettingsTest, ChunkyFollowsTheMode)
{
    ok("alpha mode simple");
    EXPECT_EQ(ok("alpha set chunky 100"), "Chunky mode is enabled (limit: 100) and active");
    EXPECT_EQ(chunk_instruction_limit, 100);
    EXPECT_EQ(ok("alpha set chunky 0"), "Chunky mode is disabled");
    EXPECT_EQ(ok("alpha set chunky -5"), "Chunky mode is disabled");
    EXPECT_EQ(chunk_instruction_limit, -1);
    ok("alpha set chunky 7");
    ok("alpha set fast on");
    EXPECT_EQ(ok("alpha full_display chunky"),
              "Chunky mode is enabled (limit: 7) but inactive (only used in turbo/simple modes)");
    EXPECT_EQ(ok("alpha full_display fast"), "on");
    fails("alpha set chunky sometimes");
}

TEST_F(MachineSettingsTest, LevelColourAndCpi)
{
    EMAT_TRANS_LEVEL = 1;
    EXPECT_EQ(ok("alpha set emat_translation_level erat_tlb"),
              "EMAT translation level is changed from ERAT_TLB to ERAT. Flushed all EMATs. ");
    EXPECT_EQ(EMAT_TRANS_LEVEL, 0);
    EXPECT_EQ(ok("alpha set emat_translation_level erat"), ""); // unchanged
    fails("alpha set emat_translation_level none");

    for (const char *word : {"Display", "d", "dark"}) {
        colorWanted = 'n';
        EXPECT_EQ(ok(std::string("alpha set color ") + word), "display") << word;
    }
    EXPECT_EQ(ok("alpha set color OFF"), "off");
    EXPECT_EQ(ok("alpha set color print"), "print");
    fails("alpha set color blue");

    SinkCapture capture;
    fails("alpha set cpi abc");
    EXPECT_NE(capture.text().find("Expected floating point number; got abc"), std::string::npos);
    std::string shown = ok("alpha set cpi -1");
    EXPECT_EQ(shown.find("Processor 0: cpi is off"), 0u) << shown;
    EXPECT_EQ(ok("alpha set cpi 1.5").substr(0, 24), "Processor 0: cpi is 1.50");
}

} // namespace
