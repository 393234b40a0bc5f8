// The machine settings tables attached by a host: their bounds, texts and the state they change.
#include <string>

#include "command/machine_settings_commands.h"
#include "command/mcm_settings_commands.h"
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

TEST_F(MachineSettingsTest, FlagsFormatsDomainsAndMasks)
{
    const struct {
        const char *set, *shown, *display, *displayed;
    } cases[] = {
        {"running_hypervisor on", "on", "running_hypervisor", "on"},
        {"strict off", "off", "strict", "off"},
        {"kips_format 3", "KIPS format is 3", "kips_format", "KIPS format is 3"},
        {"heartbeat 0x100", "256", "loader_high_mem", nullptr},
        {"time_domain_for_display base", "Selected Time Domain is base", "time_domain_for_display",
         "Selected Time Domain is base"},
        {"time_domain_for_step base", "step cycle time domain is base", "time_domain_for_step",
         "step cycle time domain is base"},
        {"PTEG_RA_search_mask 0xFF00", "0x000000000000FF00", "PTEG_RA_search_mask", "0x000000000000FF00"},
    };
    EXPECT_EQ(ok("alpha full_display PTEG_RA_search_mask"), "0xFFFFFFFFFFFFFFFF");
    EXPECT_EQ(ok("alpha full_display kips_format"), "KIPS format is 1");
    EXPECT_EQ(ok("alpha full_display strict"), "on");
    for (const auto &c : cases) {
        EXPECT_EQ(ok(std::string("alpha set ") + c.set), c.shown);
        if (c.displayed) {
            EXPECT_EQ(ok(std::string("alpha full_display ") + c.display), c.displayed) << c.set;
        }
    }
    EXPECT_EQ(machine->machine_options[MO_STRICT], 0);
    EXPECT_EQ(machine->heartbeat_interval, 256u);
    EXPECT_EQ(machine->periodic_stats_flags, 3u);

    SinkCapture capture;
    fails("alpha set kips_format 8");
    fails("alpha set heartbeat 5x");
    fails("alpha set time_domain_for_step nowhere");
    const std::string printed = capture.text();
    for (const char *text :
         {"KIPS format must be 0 < n <= 7; is 8",
          "Error reading heartbeat got 5 from 5x\nUsage: config heartbeat [cycles-between-heartbeats] ",
          "cannot find time domain called nowhere"})
        EXPECT_NE(printed.find(text), std::string::npos) << text << " in " << printed;
    EXPECT_EQ(fails("alpha set PTEG_RA_search_mask 12z"),
              "Error reading mask got 0x000000000000000C from 12z\n");
    EXPECT_EQ(machine->pteg_ra_search_mask, 0xFF00u);
    EXPECT_EQ(machine->periodic_stats_flags, 3u);
    EXPECT_EQ(machine->heartbeat_interval, 256u);
}

TEST_F(MachineSettingsTest, FactsAndChipSettings)
{
    EXPECT_EQ(ok("alpha full_display ticks"), "0t");
    EXPECT_EQ(ok("alpha full_display number_of_threads"),
              std::to_string(GenericMachine__ThreadCount(machine)));
    EXPECT_EQ(ok("alpha full_display number_of_cpus"), "1");
    EXPECT_NE(ok("alpha full_display config_tcl memory_size").find("memory_size"), std::string::npos);
    EXPECT_EQ(ok("alpha full_display config_tcl no_such_key_anywhere"), "");
    EXPECT_EQ(ok("alpha full_display phantom_mmio"), "Phantom MMIO access is off");
    EXPECT_EQ(ok("alpha full_display max_smt_quanta"), "Maximum SMT Quanta = 2147483647");

    for (const char *word : {"0", "-5", "soon"})
        EXPECT_EQ(fails(std::string("alpha set RTC ") + word),
                  std::string("Can not understand RTC setting") + word + "\n");
    EXPECT_EQ(ok("alpha set RTC 1000000000").substr(0, 12), "1000000000 (");
    EXPECT_EQ(ok("alpha full_display RTC").substr(0, 12), "1000000000 (");
    EXPECT_EQ(ok("alpha set RTC FIXED").substr(0, 12), "1024007219 (");
    EXPECT_EQ(ok("alpha set RTC_speedup 4"), "4");
    EXPECT_EQ(machine->rtc_speedup, 4);

    connect_subtable(machine_table(), "mcm_set", build_mcm_SetCmd_table(nullptr), 0, nullptr);
    connect_subtable(machine_table(), "mcm_display", build_mcm_DisplayCmd_table(nullptr), 0, nullptr);
    EXPECT_EQ(ok("alpha mcm_set phantom_mmio on"), "Phantom MMIO access is on");
    EXPECT_EQ(machine->phantom_mmio, 1);
    EXPECT_EQ(fails("alpha mcm_set phantom_mmio perhaps"), "\nUsage: alpha mcm_set phantom_mmio [on|off]");
    EXPECT_EQ(ok("alpha mcm_set max_smt_quanta 0"), "Maximum SMT Quanta = 1");
    EXPECT_EQ(ok("alpha mcm_display core_based_reservation"), "on");
    EXPECT_EQ(ok("alpha mcm_display number_of_threads"),
              std::to_string(GenericMachine__ThreadCount(machine)));
}

// Handlers no table holds, attached here under words of their own.
TEST_F(MachineSettingsTest, UnattachedHandlers)
{
    SimCmdTable *top = machine_table();
    add_simcommand(top, "vmx_fake", display_vmx_fake_mode_Cmd, "display_vmx_fake_mode_Cmd", 0, 0, nullptr);
    add_simcommand(top, "attach_mode", display_attach_mode_Cmd, "display_attach_mode_Cmd", 0, 0, nullptr);
    add_simcommand(top, "memstart", display_setmemstartConfigCmd, "display_setmemstartConfigCmd", 0, 0,
                   nullptr);
    add_simcommand(top, "latency", setlatencyenableConfigCmd, "setlatencyenableConfigCmd", -1, 0, nullptr);
    add_simcommand(top, "freq", setfreqConfigCmd, "setfreqConfigCmd", 1, 0, nullptr);
    machine->vmx_fake_mode = 2;
    EXPECT_EQ(ok("alpha vmx_fake"), "4dp");
    EXPECT_EQ(ok("alpha attach_mode"), "shared");
    EXPECT_EQ(ok("alpha memstart"), "Start address of memory region 0 is 0x0000000000000000");
    EXPECT_EQ(ok("alpha latency on"), "Support for the latency setting is deprecated.\n");
    EXPECT_EQ(fails("alpha freq 20G"), "CPU frequency must be 1Hz < n <= 10GHz; is 20GHz");
    EXPECT_EQ(ok("alpha freq 2G").find("CPU Frequency is"), 0u);

    uint64_t value = 0;
    char text[] = "0x40";
    Set_PA_Config_Variable(nullptr, text, &value, "base");
    EXPECT_EQ(value, 0x40u);
}

} // namespace
