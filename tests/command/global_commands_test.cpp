// The top-level commands and the global tables.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "command/global_commands.h"
#include "command_fixture.h"
#include "processor/hooks/htm.h"
#include "processor/hooks/periodic_stats_standin.h"
#include "runtime/callbacks.h"

namespace
{

using GlobalCommandsTest = CommandLanguageTest;

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST_F(GlobalCommandsTest, HelpListsTheTopLevelCommands)
{
    EXPECT_EQ(ok("help"),
              "Available Commands\n\talias ->\n\tdefine ->\n\tdisplay ->\n\thelprecursive\n\tmodify ->\n"
              "\tquit\n\tsimdebug ->\n\tsimstop\n\tversion ->\n");
    std::vector<std::string> lines = lines_of(ok("helprecursive"));
    std::vector<std::string> heads;
    for (const std::string &line : lines)
        if (line.empty() || line[0] != ' ') heads.push_back(line);
    EXPECT_EQ(heads, (std::vector<std::string>{"Available Commands", "alias ->", "define ->", "display ->",
                                               "helprecursive", "modify ->", "quit", "simdebug ->",
                                               "simstop ->", "version ->"}));
    EXPECT_EQ(lines[2], "        create {alias_name} {cmdstring}");
    EXPECT_EQ(out.find("repo"), std::string::npos); // hidden
    EXPECT_NE(
        out.find("        instruction ->\n                attributes {table_id} {mnemonic} {attributes}\n"),
        std::string::npos);
}

TEST_F(GlobalCommandsTest, DisplayAndModifySettings)
{
    EXPECT_EQ(fails("display").rfind("display: Available Commands\n\tcommand_line_config_options\n", 0), 0u);
    EXPECT_EQ(ok("display default_configure"), "MYRRIN");
    EXPECT_EQ(ok("display warning"), "Warning level is 3");
    EXPECT_EQ(fails("modify warning 4"), "simwarning: level must be 0 (NONE) to 3 (ALL).");
    EXPECT_EQ(fails("modify warning 1x"), "Error: reading level got 0x1 from 1x");
    EXPECT_EQ(ok("modify warning 0x2"), "Warning level is 2");
    EXPECT_EQ(sim_warning_level, 2);

    struct Mode {
        const char *word;
        int &flag;
    } modes[] = {{"quiet_mode", quiet_mode},
                 {"regress_mode", regress_mode},
                 {"standalone_mode", standalone_mode},
                 {"htm_status", global_htm_status}};
    for (const Mode &mode : modes) {
        std::string word = mode.word;
        EXPECT_EQ(fails("modify " + word + " maybe"), "Usage: modify " + word + " [on|off]");
        EXPECT_EQ(ok("modify " + word + " yes"), "on");
        EXPECT_EQ(mode.flag, 1) << word;
        EXPECT_EQ(ok("display " + word), "on");
        EXPECT_EQ(ok("modify " + word.substr(0, 7) + " OFF"), "off");
        EXPECT_EQ(mode.flag, 0) << word;
    }
    global_htm_status = 1;

    EXPECT_EQ(ok("modify kips 0x100"), "Default KIPS Interval is 256");
    EXPECT_EQ(ok("display kips"), "Default KIPS Interval is 256");
    EXPECT_EQ(ok("modify kips_dump_interval 7"), "Default KIPS Dump Interval is 7");
    EXPECT_EQ(Default_PERIODIC_STATS_interval, 7u);
    EXPECT_EQ(fails("modify kips 12abc"), "Error: reading interval got 0x000000000000000C from 12abc");
    EXPECT_EQ(Default_PERIODIC_STATS_cycles, 256u); // unchanged by a bad number
    Default_PERIODIC_STATS_cycles = 20000000;
    Default_PERIODIC_STATS_interval = 4000000;

    EXPECT_EQ(ok("modify htm_abort_transactions"), "Success");
    EXPECT_EQ(ok("modify htm_abort_transactions 16"), "Success");
    EXPECT_EQ(fails("modify htm_abort_transactions x"), "Error: failure_code (x) is not valid.");
    EXPECT_EQ(fails("modify htm_abort_transactions 1 2"),
              "Usage: modify htm_abort_transactions [failure_reason_code - default: 16 - "
              "TEXASR_FAILURE_REASON_CONFLICT_NON_TRANS ]");

    EXPECT_EQ(ok("display configures"), "ervik myrrin\n");
    char config[] = "{-a b} ", user[] = "";
    command_line_config_options = config;
    command_line_user_options = user;
    EXPECT_EQ(ok("display command_line_config_options"), "{-a b} ");
    EXPECT_EQ(ok("display command_line_user_options"), "");
    command_line_config_options = command_line_user_options = nullptr;
}

TEST_F(GlobalCommandsTest, OutputFileSwitchesTheSimulatorsOutput)
{
    char first[] = "/tmp/quarn_output_a_XXXXXX", second[] = "/tmp/quarn_output_b_XXXXXX";
    close(mkstemp(first));
    close(mkstemp(second));
    FILE *saved = Quarn_Output_File;
    Quarn_Output_File = stdout;

    EXPECT_EQ(ok(std::string("modify output_file_name ") + first), first);
    SIM_PRINT("to a\n");
    EXPECT_EQ(ok(std::string("modify output_file_name ") + second), second); // the first is closed
    SIM_PRINT("to b\n");
    EXPECT_EQ(ok("modify output_file_name /nonexistent/dir/x"),
              "Cannot open file '/nonexistent/dir/x' for output\n"
              "/nonexistent/dir/x");
    SIM_PRINT("still b\n");
    EXPECT_EQ(ok("modify output_file_name -"), "-");
    EXPECT_EQ(Quarn_Output_File, stdout);

    auto read = [](const char *path) {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    EXPECT_EQ(read(first), "to a\n");
    EXPECT_EQ(read(second), "to b\nstill b\n");
    Quarn_Output_File = saved;
    unlink(first);
    unlink(second);
}

TEST_F(GlobalCommandsTest, SimstopStopsAndReportsTheCause)
{
    EXPECT_EQ(ok("simstop status"), "not-stopped");
    EXPECT_EQ(ok("simstop"), "simulation stopped (USER)");
    EXPECT_EQ(stop_simulation, STOP_USER_TCL);
    EXPECT_NE(ok("simstop status").find("user (tcl)"), std::string::npos);
    Start_The_Simulation();
    EXPECT_EQ(ok("simstop stop"), "simulation stopped (USER)");
    EXPECT_EQ(stop_simulation, STOP_USER_TCL);
}

TEST_F(GlobalCommandsTest, SimdebugSetsAndShowsCategories)
{
    EXPECT_EQ(ok("simdebug set HELP 1"), "HELPFUL = 1");
    EXPECT_EQ(ok("simdebug set kepl_a 0x3"), "KEPL_AUX2 = 3");
    EXPECT_EQ(get_debug_flag(34), 3);
    EXPECT_EQ(ok("simdebug status KEPL_AUX2"), "3\n");
    EXPECT_EQ(fails("simdebug status nosuch"), "error: debug name nosuch not found");
    EXPECT_EQ(ok("simdebug status kepl"), "0\n"); // exact, though a prefix of other names
    EXPECT_EQ(ok("simdebug set nosuch 5"), "");
    EXPECT_EQ(ok("simdebug set all 2"), "");
    EXPECT_EQ(get_debug_flag(100), 2);
    EXPECT_EQ(get_debug_flag(14), 0);

    std::vector<std::string> lines = lines_of(ok("simdebug list"));
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines.front(), "AFU 2");
    EXPECT_EQ(lines.back(), "PSL_FN 2");
}

TEST_F(GlobalCommandsTest, VersionTexts)
{
    regress_mode = 1;
    EXPECT_EQ(ok("version list"), "ERVIK Functional Simulator Version 1.0-2\nKEPL Keplarch Version 0.11\n"
                                  "OpenSSL_Built OpenSSL 1.0.0 29 Mar 2010\n");
    EXPECT_EQ(ok("version repo"), ""); // hidden, but it runs
    regress_mode = 0;
    EXPECT_NE(ok("version list").find("\nBuilt: "), std::string::npos);

    std::vector<std::string> flags = lines_of(ok("version flags"));
    std::vector<std::string> wrapped = lines_of(ok("version display"));
    ASSERT_GT(flags.size(), 2u);
    EXPECT_EQ(flags[0], ""); // every name, the first too, starts a line
    std::string joined;
    for (size_t i = 1; i < flags.size(); i++) {
        std::string name = flags[i];
        if (i + 1 < flags.size()) { // every line but the last ends with ", "
            ASSERT_GT(name.size(), 2u);
            EXPECT_EQ(name.substr(name.size() - 2), ", ");
            name.resize(name.size() - 2);
        }
        EXPECT_EQ(name.find_first_of(" ,"), std::string::npos) << flags[i];
        joined += flags[i];
    }
    std::string rejoined;
    for (const std::string &line : wrapped) {
        EXPECT_LE(line.size(), 80u); // names and their ", " within the width
        rejoined += line;
    }
    EXPECT_EQ(rejoined, joined);
    EXPECT_LT(wrapped.size(), flags.size());
}

int find_row(const char *mnemonic)
{
    InstrInfo *table = InstrInfo__id2table(0);
    for (uint32_t i = 1; i < InstrInfo_Table_Size(); i++)
        if (table[i].mnemonic && strcmp(table[i].mnemonic, mnemonic) == 0) return (int)i;
    return -1;
}

TEST_F(GlobalCommandsTest, InstructionTableColumns)
{
    InstrInfo *table = InstrInfo__id2table(0);
    int lwz = find_row("lwz"), b = find_row("b");
    ASSERT_GT(lwz, 0);
    ASSERT_GT(b, 0);
    ASSERT_TRUE(table[b].class_flags & II_BRANCH);
    ASSERT_FALSE(table[lwz].class_flags & II_BRANCH);

    EXPECT_EQ(ok("modify itimes all 3"), "");
    EXPECT_EQ(ok("modify itimes branches 9"), "");
    EXPECT_EQ(table[lwz].throughput, 3u);
    EXPECT_EQ(table[b].throughput, 9u);
    EXPECT_EQ(table[0].throughput, saved_rows[0].throughput); // row 0 is never changed
    EXPECT_EQ(ok("modify itimes lwz 4"), "throughput time for lwz is set to 4");
    EXPECT_EQ(ok("modify itimes LWZ 5"), "instruction \"LWZ\" is not found for this processor");
    EXPECT_EQ(fails("modify itimes lwz -1"), "Can't set throughput time for lwz to negative (-1)");
    EXPECT_EQ(table[lwz].throughput, 4u);
    EXPECT_EQ(ok("display itimes lwz nosuch b"), "lwz: throughput 4\nb: throughput 9");
    EXPECT_EQ(lines_of(ok("display itimes")).size(), (size_t)InstrInfo_Table_Size() - 1);

    EXPECT_EQ(ok("modify iops lwz 0x102"), "");
    EXPECT_EQ(table[lwz].iops, 2); // eight bits kept
    EXPECT_EQ(ok("modify iops lwz -1"), "");
    EXPECT_EQ(table[lwz].iops, 0);
    EXPECT_EQ(fails("modify instruction iops 0 lwz -1"), "Can't set iops for lwz to negative (-1)");

    EXPECT_EQ(ok("modify optype lwz fpmadd"), "");
    EXPECT_EQ(table[lwz].optype, 7u);
    EXPECT_EQ(fails("modify optype lwz nosuch"), "");
    EXPECT_EQ(fails("modify instruction optype 0 lwz nosuch"),
              "Can't set optype for lwz to unknown type (nosuch)");

    EXPECT_EQ(fails("modify iflags lwz OTHER"), "");
    EXPECT_EQ(fails("modify instruction iflags 0 lwz OTHER"), "Unsupported flag OTHER for lwz");
    EXPECT_EQ(ok("modify iflags lwz FX_IN_LSU"), "");
    EXPECT_EQ(ok("modify attributes lwz something"), "");
    EXPECT_EQ(table[lwz].attributes, II_ATTR_FX_IN_LSU);
    EXPECT_EQ(ok("modify attributes lwz fusable"), "");
    EXPECT_EQ(table[lwz].attributes, II_ATTR_FX_IN_LSU | II_ATTR_FUSABLE);

    // A private table is a copy: edits of one leave the other alone.
    EXPECT_EQ(ok("modify instruction itimes 5 lwz 11"), "throughput time for lwz is set to 11");
    EXPECT_EQ(InstrInfo__id2table(5)[lwz].throughput, 11u);
    EXPECT_EQ(table[lwz].throughput, 4u);
    EXPECT_EQ(fails("modify instruction itimes x lwz 1"),
              "Error: reading instruction table id got 0x0 from x");
    InstrInfo__Quit();
}

TEST_F(GlobalCommandsTest, AliasesExpandAndPassTheirArguments)
{
    ok("proc record {args} { set ::got $args; return recorded }");
    EXPECT_EQ(ok("alias create g version list"), "g");
    EXPECT_EQ(ok("g"), ok("version list"));
    EXPECT_EQ(ok("alias create r record 1"), "r");
    EXPECT_EQ(ok("alias create r2 r 2"), "r2");
    EXPECT_EQ(ok("r2 3 {a b} c"), "recorded");
    EXPECT_EQ(ok("set got"), "1 2 3 {a b} c"); // through r; the blank-containing argument is one word
    EXPECT_EQ(ok("llength $got"), "5");

    // Expansion never goes through the alias itself: a cycle ends in Tcl's nesting limit.
    ok("alias create loop loop x");
    EXPECT_NE(fails("loop").find("too many nested"), std::string::npos) << out;

    // Texts longer than any fixed buffer expand whole.
    std::string part(200, 'p');
    ok("alias create n0 record " + part);
    for (int i = 1; i <= 6; i++)
        ok("alias create n" + std::to_string(i) + " n" + std::to_string(i - 1) + " " + part);
    ok("n6 end");
    EXPECT_EQ(ok("llength $got"), "8");
    EXPECT_EQ(ok("lindex $got end"), "end");

    EXPECT_EQ(ok("alias list").rfind("n6 {n5 " + part + "} n5 {n4 ", 0), 0u);
    EXPECT_EQ(ok("alias delete n6"), "");
    EXPECT_FALSE(command_exists("n6"));
    EXPECT_EQ(ok("alias delete n6"), "");
    EXPECT_EQ(ok("alias create r record again"), "r"); // replaces the old alias
    ok("r2 x");
    EXPECT_EQ(ok("set got"), "again 2 x");
}

TEST_F(GlobalCommandsTest, AliasErrors)
{
    EXPECT_EQ(ok("alias create"), "create {alias_name} {cmdstring}\n");
    EXPECT_EQ(ok("alias create only"), "create {alias_name} {cmdstring}\n");
    EXPECT_EQ(ok("alias create_unique"), "create_unique {cmdstring}\n");

    EXPECT_EQ(fails("alias create set x"), "");
    EXPECT_EQ(sink.text(), "Error! alias name set is already a defined Tcl command.");
    EXPECT_EQ(fails("alias create long " + std::string(255, 'x')), "");
    EXPECT_EQ(sink.text(),
              "Error! alias name set is already a defined Tcl command.Error! Command string is too long.");
    EXPECT_FALSE(command_exists("long"));
    EXPECT_EQ(ok("alias create long " + std::string(254, 'x')), "long");

    std::string first = ok("alias create_unique version list");
    std::string second = ok("alias create_unique version list");
    ASSERT_EQ(first.rfind("AL_", 0), 0u);
    EXPECT_EQ(second, "AL_" + std::to_string(std::stoi(first.substr(3)) + 1));
    EXPECT_EQ(ok(second), ok("version list"));
}

TEST_F(GlobalCommandsTest, SimCommandAndCallbackTables)
{
    Tcl_CreateCommand(interp, "sim", Sim_Cmd, nullptr, nullptr);
    EXPECT_EQ(ok("sim options"),
              "** This command is no longer available; use 'display configures'\nervik myrrin\n");
    EXPECT_EQ(ok("sim machines"), "** This command is no longer available; use 'display machines'\n");

    Callback_Lists_Init();
    SimCmdTable *callbacks = build_CallbackCmd_table();
    std::string listing;
    const char *list_words[] = {"callbacks", "list"};
    Tcl_ResetResult(interp);
    EXPECT_EQ(Select_SimCmdTable(callbacks, 2, (char **)list_words, nullptr, interp, 2, (char **)list_words),
              0);
    std::vector<std::string> names = lines_of(Tcl_GetStringResult(interp));
    ASSERT_EQ(names.size(), 20u);
    EXPECT_EQ(names[0], "\tcreate_default_property_list");
    const char *display_words[] = {"callbacks", "display", "nosuch"};
    Tcl_ResetResult(interp);
    EXPECT_EQ(
        Select_SimCmdTable(callbacks, 3, (char **)display_words, nullptr, interp, 3, (char **)display_words),
        SIMCMD_FAILED);
    Quit_SimCmdTable(callbacks);
    Callback_Lists_Quit();
}

} // namespace
