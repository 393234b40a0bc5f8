// The "trc" table, attached to a machine's table as a host or plug-in attaches it.
#include "command/command_fixture.h"

#include "command/trc_commands.h"
#include "embed/libsim_trc.h"
#include "processor/run/run_control.h"
#include "trace/inst_profile.h"
#include "translator/imix.h"

namespace
{

class TrcCommandsTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
        connect_subtable(Find_Machine_By_Name("alpha")->command_table, "trc", build_trcCmd_table(nullptr), 0,
                         nullptr);
    }
};

TEST_F(TrcCommandsTest, SwitchesAndTheirWords)
{
    EXPECT_EQ(fails("alpha trc threads x"), "need number of threads (x)");
    EXPECT_EQ(ok("alpha trc prof yes"), "");
    EXPECT_EQ(prof_is_on(), 1);
    EXPECT_EQ(fails("alpha trc prof maybe"), "Usage: ... alpha trc prof [on|off]");
    EXPECT_EQ(prof_is_on(), 1);
    EXPECT_EQ(ok("alpha trc prof off"), "");
    EXPECT_EQ(prof_is_on(), 0);
    EXPECT_EQ(ok("alpha trc imix on"), "");
    EXPECT_EQ(imix_is_on(), 1);
    ok("alpha trc imix off");
    EXPECT_EQ(imix_is_on(), 0);
}

#ifdef TEST_TRC_PROBE
TEST_F(TrcCommandsTest, ALoadedLibraryIsSwitchedCommandedAndUnloaded)
{
    std::string id = ok(std::string("alpha trc load ") + TEST_TRC_PROBE + " word");
    ASSERT_FALSE(id.empty());
    ASSERT_EQ(LIBSIM__Trc_get_mode(), 0);
    EXPECT_EQ(ok("alpha trc on"), "");
    EXPECT_EQ(LIBSIM__Trc_get_mode(), 1);
    EXPECT_EQ(ok("alpha trc off"), "");
    EXPECT_EQ(LIBSIM__Trc_get_mode(), 0);
    // The library's command method answers 100 + its word count: not 0, so the command fails.
    EXPECT_EQ(fails("alpha trc cmd " + id + " a b"), "");
    EXPECT_EQ(LIBSIM__Trc_unload(std::stoi(id)), 1);
    EXPECT_EQ(LIBSIM__Trc_unload(std::stoi(id)), 0);
}
#endif

TEST_F(TrcCommandsTest, LibraryCommandsReportTheLayersAnswers)
{
    // A library that does not open: a failed command with nothing in the result.
    EXPECT_EQ(fails("alpha trc load ./no-such-trace-library.so"), "");
    // No library of that id answers 1, which fails the command.
    EXPECT_EQ(fails("alpha trc cmd 3 word"), "");
    EXPECT_EQ(fails("alpha trc cmd x"), "");
    // Unloading something that is not a number, or not loaded, succeeds silently.
    EXPECT_EQ(ok("alpha trc unload x"), "");
    EXPECT_EQ(ok("alpha trc unload 5"), "");
}

} // namespace
