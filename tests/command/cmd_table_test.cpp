// Command tables: entry order, lookup, dispatch with its messages and results, listings, reveal
// and teardown.
#include <gtest/gtest.h>
#include <tcl.h>

#include <map>
#include <string>
#include <vector>

#include "command/cmd_table.h"
#include "runtime/alloc.h"
#include "runtime/callbacks.h"
#include "runtime/debug.h"
#include "support/sink_capture.h"

namespace
{

struct Call {
    std::string handler;
    std::vector<std::string> words;
    void *data;
};
std::vector<Call> calls;

std::vector<std::string> words_of(int argc, char **argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

int record(const char *name, int argc, char **argv, void *data = nullptr)
{
    calls.push_back({name, words_of(argc, argv), data});
    return 0;
}

int display_h(Selector *, Tcl_Interp *, int argc, char **argv)
{
    return record("display", argc, argv);
}
int delete_h(Selector *, Tcl_Interp *, int argc, char **argv)
{
    return record("delete", argc, argv);
}
int go_h(Selector *, Tcl_Interp *, int argc, char **argv)
{
    return record("go", argc, argv);
}
int goto_h(Selector *, Tcl_Interp *, int argc, char **argv)
{
    return record("goto", argc, argv);
}
int mode_h(Selector *, Tcl_Interp *, int argc, char **argv)
{
    return record("mode", argc, argv);
}
int fail_h(Selector *, Tcl_Interp *interp, int argc, char **argv)
{
    Tcl_AppendResult(interp, "it failed", (char *)nullptr);
    record("fail", argc, argv);
    return 7;
}
int method_h(Selector *, void *data, Tcl_Interp *, int argc, char **argv)
{
    return record("method", argc, argv, data);
}
int other_method_h(Selector *, void *data, Tcl_Interp *, int argc, char **argv)
{
    return record("other", argc, argv, data);
}

int builder_calls = 0;
SimCmdTable *leaf_builder(void *argument)
{
    builder_calls++;
    SimCmdTable *table = Init_SimCmdTable((const char *)argument);
    add_simcommand(table, "leaf", go_h, "go_h", 1, 0, "{n}");
    return table;
}

class CmdTableTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        calls.clear();
        builder_calls = 0;
        simcmd_reveal_mask = 0xFFFFFFFFu;
        interp = Tcl_CreateInterp();
        root = Init_SimCmdTable("root");
        add_simcommand(root, "display", display_h, "display_h", -1, 0, nullptr);
        add_simcommand(root, "delete", delete_h, "delete_h", 1, 0, "{name}");
        add_simcommand(root, "go", go_h, "go_h", 0, 0, nullptr);
        add_simcommand(root, "goto", goto_h, "goto_h", 1, 0, nullptr);
        add_simcommand(root, "fail", fail_h, "fail_h", -1, 0, nullptr);
        add_simcommand(root, "secret", go_h, "go_h", -1, PRIVATE, nullptr);
        add_simtable(root, "sub", nullptr, nullptr, leaf_builder, (void *)"subtable", 0, "{sub}");
        add_simtable(root, "empty", nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    }
    void TearDown() override
    {
        Quit_SimCmdTable(root);
        Tcl_DeleteInterp(interp);
        simcmd_reveal_mask = 0xFFFFFFFFu;
    }
    // Dispatches the words from the root; the result text is kept in `out`.
    int run(std::vector<std::string> words, SimCmdTable *table = nullptr)
    {
        Tcl_ResetResult(interp);
        std::vector<char *> vector;
        for (std::string &w : words)
            vector.push_back(w.data());
        int before = simcmd_nesting;
        int rc = Select_SimCmdTable(table ? table : root, (int)vector.size(), vector.data(), nullptr, interp,
                                    (int)vector.size(), vector.data());
        EXPECT_EQ(simcmd_nesting, before);
        out = Tcl_GetStringResult(interp);
        return rc;
    }
    std::string listing(const std::string &path)
    {
        return path + ": Available Commands\n\tdelete {name}\n\tdisplay\n\tfail\n\tgo\n\tgoto\n\tempty "
                      "->\n\tsub {sub} ->";
    }

    Tcl_Interp *interp = nullptr;
    SimCmdTable *root = nullptr;
    std::string out;
    SinkCapture sink;
};

TEST_F(CmdTableTest, EntriesListCommandsFirstThenTablesEachInNameOrder)
{
    SimCmdTable *table = Init_SimCmdTable("order");
    add_simcommand(table, "b", go_h, "go_h", 0, 0, nullptr);
    add_simtable(table, "z", nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    add_simcommand(table, "a", go_h, "go_h", 0, 0, nullptr);
    add_simtable(table, "C", nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    List_SimCmdTable(interp, "", table);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "Available Commands\n\ta\n\tb\n\tC ->\n\tz ->");
    Quit_SimCmdTable(table);
}

TEST_F(CmdTableTest, WordsResolveByExactNameOrUniquePrefix)
{
    struct Case {
        std::vector<std::string> words;
        int rc;
        std::string handler; // "" when none runs
    } cases[] = {
        {{"root", "go"}, SIMCMD_OK, "go"},         // exact wins over the longer "goto"
        {{"root", "GOT", "x"}, SIMCMD_OK, "goto"}, // unique prefix, any case
        {{"root", "di"}, SIMCMD_OK, "display"},
        {{"root", "d"}, SIMCMD_NOT_FOUND, ""}, // "display" and "delete": ambiguous
        {{"root", "nosuch"}, SIMCMD_NOT_FOUND, ""},
    };
    for (Case &c : cases) {
        calls.clear();
        EXPECT_EQ(run(c.words), c.rc) << c.words[1];
        if (c.handler.empty()) {
            EXPECT_TRUE(calls.empty()) << c.words[1];
            EXPECT_EQ(out, "root: command " + c.words[1] + " not found\n" + listing("root"));
        } else {
            ASSERT_EQ(calls.size(), 1u) << c.words[1];
            EXPECT_EQ(calls[0].handler, c.handler);
        }
    }
}

TEST_F(CmdTableTest, HandlerGetsThePathAsTypedAndTheRemainingWords)
{
    SimCmdTable *top = Init_SimCmdTable("simtop");
    add_simcommand(top, "mode", mode_h, "mode_h", 1, 0, "{turbo|simple}");
    EXPECT_EQ(run({"alpha", "mo", "simple"}, top), SIMCMD_OK);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].words, (std::vector<std::string>{"alpha mo", "simple"}));
    Quit_SimCmdTable(top);

    calls.clear();
    EXPECT_EQ(run({"root", "su", "LEAF", "3"}), SIMCMD_OK);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].words, (std::vector<std::string>{"root su LEAF", "3"}));
}

TEST_F(CmdTableTest, ArgumentCountIsCheckedBeforeTheHandlerRuns)
{
    EXPECT_EQ(run({"root", "delete", "a", "b"}), SIMCMD_FAILED);
    EXPECT_EQ(out, "Usage: root delete {name}");
    EXPECT_EQ(run({"root", "goto"}), SIMCMD_FAILED);
    EXPECT_EQ(out, "root: incorrect number of arguments for goto");
    EXPECT_EQ(run({"root", "sub", "leaf"}), SIMCMD_FAILED);
    EXPECT_EQ(out, "Usage: root sub leaf {n}");
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(run({"root", "display", "1", "2", "3"}), SIMCMD_OK); // any number
}

TEST_F(CmdTableTest, FailuresAndMissingWords)
{
    EXPECT_EQ(run({"root", "fail"}), SIMCMD_FAILED); // a handler's non-zero result
    EXPECT_EQ(out, "it failed");
    EXPECT_EQ(run({"root", "empty"}), SIMCMD_FAILED); // neither handler nor sub-table
    EXPECT_EQ(run({"root"}), SIMCMD_NOT_FOUND);       // no word: the listing
    EXPECT_EQ(out, listing("root"));
    EXPECT_EQ(run({"root", "sub"}), SIMCMD_NOT_FOUND);
    EXPECT_EQ(out, "root sub: Available Commands\n\tleaf {n}");
}

TEST_F(CmdTableTest, CommandInputIsTracedPerActivation)
{
    set_debug_flag(9, 1);
    run({"root", "sub", "leaf", "1"});
    set_debug_flag(9, 0);
    EXPECT_EQ(sink.text(), "TCL input command(1): root sub leaf 1\nTCL input command(2): sub leaf 1\n");
}

TEST_F(CmdTableTest, HelpWords)
{
    EXPECT_EQ(run({"root", "HELP"}), SIMCMD_OK);
    EXPECT_EQ(out, listing("root"));
    const std::string tree =
        "        delete {name}\n        display\n        fail\n        go\n        goto\n"
        "        empty ->\n        sub {sub} ->\n                leaf {n}";
    for (const char *word : {"helprecursive", "HELPR", "helpreally"}) {
        EXPECT_EQ(run({"root", word}), SIMCMD_OK) << word;
        EXPECT_EQ(out, tree) << word;
    }
    EXPECT_EQ(run({"root", "hel"}), SIMCMD_NOT_FOUND);
    EXPECT_EQ(out.rfind("root: command hel not found\n", 0), 0u) << out;

    // A table entry beginning like a special word hides it.
    add_simcommand(root, "helper", go_h, "go_h", -1, 0, nullptr);
    calls.clear();
    EXPECT_EQ(run({"root", "help"}), SIMCMD_OK);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].words[0], "root help");
}

TEST_F(CmdTableTest, HiddenEntriesRunButAreListedOnlyWhenRevealed)
{
    EXPECT_EQ(run({"root", "secret"}), SIMCMD_OK);
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_EQ(run({"root", "help"}), SIMCMD_OK);
    EXPECT_EQ(out.find("secret"), std::string::npos);
    EXPECT_EQ(run({"root", "reveal", "private"}), SIMCMD_OK); // through the dispatcher's special word
    EXPECT_EQ(run({"root", "help"}), SIMCMD_OK);
    EXPECT_NE(out.find("\n\tsecret"), std::string::npos) << out;
}

TEST_F(CmdTableTest, RevealShowsAndChangesTheMask)
{
    auto reveal = [&](std::vector<std::string> words) {
        words.insert(words.begin(), "reveal");
        std::vector<char *> vector;
        for (std::string &w : words)
            vector.push_back(w.data());
        Tcl_ResetResult(interp);
        int rc = toplevelreveal_Cmd(nullptr, interp, (int)vector.size(), vector.data());
        out = Tcl_GetStringResult(interp);
        return rc;
    };
    EXPECT_EQ(reveal({}), 0);
    EXPECT_EQ(out, "none");
    EXPECT_EQ(reveal({"DEPRECATED"}), 0);
    EXPECT_EQ(reveal({}), 0);
    EXPECT_EQ(out, "DEPRECATED");
    EXPECT_EQ(reveal({"private", "experimental", "REVEALED"}), 0);
    EXPECT_EQ(reveal({}), 0);
    EXPECT_EQ(out, "DEPRECATED EXPERIMENTAL PRIVATE");
    EXPECT_EQ(reveal({"all"}), 0);
    EXPECT_EQ(reveal({}), 0);
    EXPECT_EQ(out, "all");
    EXPECT_EQ(reveal({"none", "all", "bogus"}), 1);
    EXPECT_EQ(out, "reveal: unknown hide reason 'bogus'");
    EXPECT_EQ(simcmd_reveal_mask, 0u); // the earlier words took effect

    // Through the dispatcher an unknown reason is followed by the not-found listing.
    EXPECT_EQ(run({"root", "reveal", "bogus"}), SIMCMD_NOT_FOUND);
    EXPECT_EQ(out.rfind("reveal: unknown hide reason 'bogus'root: command reveal not found\n", 0), 0u) << out;
}

TEST_F(CmdTableTest, ObjectMethodsDuplicatesAndReplacement)
{
    int data = 0;
    add_sim_obj_method(root, "method", method_h, "method_h", &data, 1, 0, "{x}");
    EXPECT_EQ(run({"root", "method", "v"}), SIMCMD_OK);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].data, &data);
    EXPECT_EQ(calls[0].words, (std::vector<std::string>{"root method", "v"}));

    // A duplicate command is added all the same; the older one keeps being found.
    add_simcommand(root, "go", goto_h, "goto_h", 0, 0, nullptr);
    calls.clear();
    run({"root", "go"});
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].handler, "go");
    // A duplicate table is not added and its builder is not called.
    add_simtable(root, "sub", nullptr, nullptr, leaf_builder, (void *)"again", 0, nullptr);
    EXPECT_EQ(builder_calls, 1);

    int other = 0;
    replace_sim_obj_method(root, "method", other_method_h, "other_method_h", &other, 0, 0, nullptr);
    calls.clear();
    EXPECT_EQ(run({"root", "method"}), SIMCMD_OK);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].handler, "other");
    EXPECT_EQ(calls[0].data, &other);
}

TEST_F(CmdTableTest, GetSubTableMakesAMissingOne)
{
    SimCmdTable *made = SimCmd_Get_SubTable(root, "empty");
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(made->name, "empty");
    EXPECT_EQ(SimCmd_Get_SubTable(root, "EMPTY"), made);
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            SimCmd_Get_SubTable(root, "nosuch");
        },
        "FATAL INTERNAL ERROR: No sub-table nosuch found in command table root");
}

TEST_F(CmdTableTest, PublicBuildersHangUnderEveryTableOnce)
{
    Callback_register_build_public_simcmd(1, "extra", reinterpret_cast<CallbackFunction>(leaf_builder),
                                          "extra");
    Callback_register_build_public_simcmd(2, "sub", reinterpret_cast<CallbackFunction>(leaf_builder), "sub");
    Callback_Add_Cmds(root);
    Callback_Lists_Quit();
    EXPECT_EQ(builder_calls, 2); // "sub" existed already
    EXPECT_EQ(run({"root", "extra", "leaf", "1"}), SIMCMD_OK);
}

// Counts the frees of every block while installed.
std::map<void *, int> frees;
void counting_free(void *pointer, const char *, int)
{
    frees[pointer]++;
    free(pointer);
}

TEST_F(CmdTableTest, TreeListingAndTeardownVisitASharedTableOnce)
{
    SimCmdTable *shared = Init_SimCmdTable("shared");
    add_simcommand(shared, "x", go_h, "go_h", 0, 0, nullptr);
    SimCmdTable *top = Init_SimCmdTable("top");
    connect_subtable(top, "a", shared, 0, nullptr);
    connect_subtable(top, "b", shared, 0, nullptr);
    connect_subtable(shared, "loop", top, 0, nullptr); // a cycle back to the top

    Print_SimCmdTree(interp, top);
    EXPECT_STREQ(Tcl_GetStringResult(interp),
                 "        a ->\n                x\n                loop ->\n        b ->");
    EXPECT_EQ(top->mark, 0);
    EXPECT_EQ(shared->mark, 0);

    frees.clear();
    mm_change_functions(counting_free, nullptr, nullptr, nullptr);
    Quit_SimCmdTable(top);
    mm_change_functions(nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(frees[top], 1);
    EXPECT_EQ(frees[shared], 1);
    // Two tables with their names, four entries with their names.
    EXPECT_EQ(frees.size(), 12u);
    for (auto &[pointer, count] : frees)
        EXPECT_EQ(count, 1) << pointer;
}

} // namespace
