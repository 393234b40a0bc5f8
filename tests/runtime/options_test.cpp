// The command line: recorded text, -D/-U collections and option parsing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/alloc.h"
#include "runtime/options.h"
#include "runtime_test_util.h"

namespace
{

// An argument vector that getopt may permute freely.
struct Args {
    explicit Args(std::vector<std::string> words) : storage(std::move(words))
    {
        for (std::string &word : storage)
            pointers.push_back(word.data());
        pointers.push_back(nullptr);
    }
    int argc() const { return (int)storage.size(); }
    char **argv() { return pointers.data(); }
    std::vector<std::string> storage;
    std::vector<char *> pointers;
};

std::string collect(std::vector<std::string> words, char letter, size_t capacity = 4096)
{
    Args args(std::move(words));
    std::string result(capacity, '#');
    Collect_Command_Line_Options(args.argc(), args.argv(), letter, result.data(), capacity);
    EXPECT_LT(result.find('\0'), capacity);
    return result.c_str();
}

TEST(CommandLineTest, CollectorGroupsWordsOfOneLetter)
{
    std::vector<std::string> line = {"prog", "-D", "a=1", "-Db=2", "-U", "x=3"};
    EXPECT_EQ(collect(line, 'D'), "{a 1} {b 2}");
    EXPECT_EQ(collect(line, 'U'), "{x 3}");
    EXPECT_EQ(collect({"prog", "-q"}, 'D'), "");
    // Words up to the next option join without a separator.
    EXPECT_EQ(collect({"prog", "-D", "a=1", "b=2", "-q", "c"}, 'D'), "{a 1b 2}");
}

TEST(CommandLineTest, CollectorCutsOverlongGroupsAndResults)
{
    std::string long_word(400, 'w');
    std::string group = collect({"prog", "-D", long_word}, 'D');
    EXPECT_EQ(group, "{" + std::string(255, 'w') + "}");
    // The result never passes its buffer.
    EXPECT_EQ(collect({"prog", "-Daaaa", "-Dbbbb"}, 'D', 8), "{aaaa}");
    EXPECT_EQ(collect({"prog", "-Daaaa", "-Dbbbb"}, 'D', 11), "{aaaa} {bb");
    EXPECT_EQ(collect({"prog", "-Daaaa"}, 'D', 1), "");
}

TEST(CommandLineTest, RecordedLineQuotesWordsWithBlanks)
{
    struct Case {
        std::vector<std::string> words;
        const char *expected;
    } cases[] = {
        {{"./quarn", "-n", "-D", "a b=1"}, "./quarn -n -D \"a b=1\""},
        {{"./quarn", "tab\there", ""}, "./quarn \"tab\there\""},
        {{"./quarn"}, "./quarn"},
        {{}, ""},
    };
    for (Case &c : cases) {
        Args args(c.words);
        char *line = Record_Command_Line(args.argc(), args.argv());
        EXPECT_STREQ(line, c.expected);
        QUARN_FREE(line);
    }
}

class OptionTest : public ::testing::Test
{
  protected:
    void SetUp() override { reset_runtime_options(); }
    void TearDown() override { reset_runtime_options(); }
    int parse(std::vector<std::string> words)
    {
        words.insert(words.begin(), "quarn");
        args = std::make_unique<Args>(std::move(words));
        return Parse_Command_Line_Options(args->argc(), args->argv());
    }
    std::unique_ptr<Args> args;
    SinkCapture capture;
};

TEST_F(OptionTest, TimeLimit)
{
    struct Case {
        std::vector<std::string> words;
        int limit;
    } cases[] = {
        {{"-r", "-T", "30"}, 30}, {{"-T", "30", "-r"}, 30}, {{"-r"}, 7200}, {{}, -1}, {{"-T", "0"}, 0},
    };
    for (Case &c : cases) {
        reset_runtime_options();
        parse(c.words);
        EXPECT_EQ(time_limit, c.limit) << c.words.size();
    }
}

TEST_F(OptionTest, HeaderFlags)
{
    struct Case {
        std::vector<std::string> words;
        int32_t flags;
    } cases[] = {
        {{}, 3},           {{"-i"}, 1}, {{"-t"}, 2}, {{"-r"}, 1}, {{"-Q"}, 0}, {{"-Q", "-i", "-t"}, 0},
        {{"-i", "-t"}, 0},
    };
    for (Case &c : cases) {
        reset_runtime_options();
        parse(c.words);
        EXPECT_EQ(quarn_common.print_flags, c.flags) << c.words.size();
    }
}

TEST_F(OptionTest, ModeSwitches)
{
    int first =
        parse({"-e", "-C", "-F", "-W", "-S", "-m", "ervik", "-N", "4", "-s", "99", "-f", "run.tcl", "a1"});
    EXPECT_EQ(quiet_mode, 1);
    EXPECT_EQ(useXterms, 0);
    EXPECT_EQ(useInline, 1);
    EXPECT_EQ(print_console_output, 0);
    EXPECT_EQ(CheckIfDebuggerAttached, 1);
    EXPECT_EQ(sim_warning_level, 0);
    EXPECT_EQ(quarn_go, 0);
    EXPECT_STREQ(machine_configuration, "ervik");
    EXPECT_EQ(configuration_smt_mode, 4);
    EXPECT_EQ(quarn_common.server_port, 99);
    EXPECT_STREQ(quarn_initial_tcl_file_name, "run.tcl");
    ASSERT_EQ(first, 14);
    EXPECT_STREQ(args->argv()[first], "a1");
    EXPECT_EQ(capture.text(), ""); // -e made everything after it quiet

    reset_runtime_options();
    parse({"-r"});
    EXPECT_EQ(quiet_mode + regress_mode + very_quiet_mode, 3);
    EXPECT_EQ(useXterms, 0);
}

TEST_F(OptionTest, EchoesAreQuietFromTheQuietOptionOn)
{
    parse({"-T", "5", "-n", "-q", "-g", "-G", "4.0", "-N", "2"});
    EXPECT_EQ(capture.text(),
              "Time limit of 5 seconds\nConsole XTerms Disabled\nDravo core frequency: 4.0GHz\n");
    EXPECT_EQ(configuration_type, 1);
    EXPECT_EQ(CL_Option_enable_gui, 1);
}

TEST_F(OptionTest, FrequencyChoices)
{
    struct Case {
        const char *text;
        int type;
    } cases[] = {{"3.4", 3}, {"3.7", 2}, {"4.0", 1}};
    for (const Case &c : cases) {
        parse({"-G", c.text});
        EXPECT_EQ(configuration_type, c.type);
    }
}

TEST_F(OptionTest, OutputFileThatCannotBeOpenedKeepsTheStream)
{
    FILE *before = Quarn_Output_File;
    parse({"-o", "/nonexistent/dir/f"});
    EXPECT_EQ(Quarn_Output_File, before);
    EXPECT_EQ(capture.text(), "Can not open file '/nonexistent/dir/f' for output\n");
}

TEST(OptionDeathTest, BadOptionsPrintTheUsageAndExitMinusOne)
{
    const std::vector<std::vector<std::string>> cases = {{"-H"}, {"-x"}, {"-G", "3.5"}, {"-T"}, {"-L"}};
    for (const std::vector<std::string> &words : cases) {
        EXPECT_EXIT(
            {
                Quarn_Output_File = stderr;
                std::vector<std::string> line = words;
                line.insert(line.begin(), "prog");
                Args args(line);
                Parse_Command_Line_Options(args.argc(), args.argv());
            },
            ::testing::ExitedWithCode(255),
            "usage: prog \\[-f file\\] \\[options\\] ...\n(.*\n){20}\t-W      : no warnings\n")
            << words[0];
    }
}

} // namespace
