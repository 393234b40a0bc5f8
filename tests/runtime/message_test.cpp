// The message sink: levels, folding of repeats, -Q, tags, the output hook, headers, hexdump and
// the regression output cap.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "runtime/callbacks.h"
#include "runtime/message.h"
#include "runtime/stop.h"
#include "runtime_test_util.h"

namespace
{

class SinkTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        reset_runtime_options();
        quarn_common.print_flags = 0; // no header: lines are compared exactly
        Start_The_Simulation();
    }
    void TearDown() override
    {
        mm_change_print_function(nullptr, nullptr);
        reset_runtime_options();
    }
    SinkCapture capture;
};

TEST_F(SinkTest, IdenticalInfosFoldWithARepeatLineEvery8000)
{
    for (int i = 0; i < 8005; i++)
        SIM_INFO("same %d", 1);
    SIM_INFO("other");
    std::vector<std::string> expected = {"INFO: same 1", "Previous Message Repeated 8000 times",
                                         "Previous Message Repeated 8004 times", "INFO: other"};
    EXPECT_EQ(capture.lines(), expected);
}

TEST_F(SinkTest, WhichSequencesFold)
{
    struct Step {
        MessageLevel level;
        const char *text;
    };
    struct Case {
        const char *name;
        int regress;
        std::vector<Step> steps;
        std::vector<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"debug never folds", 0, {{MSG_DEBUG, "d"}, {MSG_DEBUG, "d"}}, {"DEBUG: d", "DEBUG: d"}},
        {"a warning then an info with the same text folds",
         0,
         {{MSG_WARNING, "t"}, {MSG_INFO, "t"}},
         {"WARNING: t", "Previous Message Repeated 1 times"}},
        {"a print between two infos breaks the run",
         0,
         {{MSG_INFO, "i"}, {MSG_PRINT, "p\n"}, {MSG_INFO, "i"}},
         {"INFO: i", "p", "INFO: i"}},
        {"a debug ends a run and becomes the last text",
         0,
         {{MSG_INFO, "i"}, {MSG_INFO, "i"}, {MSG_DEBUG, "i"}, {MSG_INFO, "i"}},
         {"INFO: i", "Previous Message Repeated 1 times", "DEBUG: i", "Previous Message Repeated 1 times"}},
        {"regression mode never folds", 1, {{MSG_INFO, "r"}, {MSG_INFO, "r"}}, {"INFO: r", "INFO: r"}},
        {"an empty first info is printed", 0, {{MSG_INFO, ""}}, {"INFO: "}},
    };
    for (const Case &c : cases) {
        SinkCapture local;
        regress_mode = c.regress;
        for (const Step &step : c.steps)
            unsafe_Message(step.level, nullptr, nullptr, nullptr, "%s", step.text);
        RepeatCountFlush();
        EXPECT_EQ(local.lines(), c.expected) << c.name;
        regress_mode = 0;
    }
}

TEST_F(SinkTest, VeryVeryQuietSilencesPrintInfoAndDebugOnly)
{
    very_very_quiet_mode = 1;
    SIM_PRINT("print\n");
    SIM_INFO("info");
    unsafe_Message(MSG_DEBUG, nullptr, nullptr, nullptr, "debug");
    SIM_CONSOLE_PRINT("console\n");
    sim_error("error");
    unsafe_Message(MSG_WARNING, nullptr, nullptr, nullptr, "warning");
    std::vector<std::string> expected = {"console", "FATAL ERROR: error", "WARNING: warning"};
    EXPECT_EQ(capture.lines(), expected);
}

TEST(SinkDeathTest, InternalErrorPrintsEvenWhenVeryVeryQuietAndAborts)
{
    EXPECT_DEATH(
        {
            Quarn_Output_File = stderr;
            very_very_quiet_mode = 1;
            quarn_common.print_flags = 0;
            sim_panic("broken %d", 7);
        },
        "FATAL INTERNAL ERROR: broken 7");
}

TEST_F(SinkTest, TagIsPutInFrontOfTheText)
{
    unsafe_Message(MSG_PRINT, "jobs", nullptr, nullptr, "%s\n", "x");
    unsafe_Message(MSG_PRINT, "jobs", nullptr, nullptr, nullptr);
    EXPECT_EQ(capture.text(), "jobs : x\n");
}

struct HookRecord {
    std::vector<std::pair<MessageLevel, std::string>> calls;
};

int64_t record_hook(void *data, MessageLevel level, const char *text)
{
    static_cast<HookRecord *>(data)->calls.emplace_back(level, text);
    return 0;
}

TEST_F(SinkTest, OutputHookGetsBareTextsAndFatalErrorsStillStop)
{
    HookRecord record;
    mm_change_print_function(record_hook, &record);
    sim_error("bad %s", "thing");
    SIM_INFO("info");
    unsafe_Message(MSG_DEBUG, nullptr, "label", nullptr, "dbg");
    unsafe_Message(9, nullptr, nullptr, nullptr, "beyond");
    mm_change_print_function(nullptr, nullptr);

    EXPECT_EQ(capture.text(), "");
    EXPECT_EQ(stop_simulation & STOP_QUARN_ERROR, STOP_QUARN_ERROR);
    std::vector<std::pair<MessageLevel, std::string>> expected = {
        {MSG_FATAL, "bad thing"}, {MSG_INFO, "info"}, {MSG_DEBUG, "DEBUG: label: dbg\n"}, {9, "beyond"}};
    EXPECT_EQ(record.calls, expected);
}

std::vector<std::string> seen_messages;
void remember_message(void *data, const char *text)
{
    seen_messages.push_back(std::string(static_cast<const char *>(data)) + ":" + text);
}

TEST_F(SinkTest, FatalAndWarningLevelsRunTheirCallbackLists)
{
    Callback_Lists_Init();
    seen_messages.clear();
    static char fatal[] = "fatal", warning[] = "warning";
    Callback_register_at_fatal_error(1, "t", remember_message, fatal);
    Callback_register_at_warning(1, "t", remember_message, warning);
    sim_error("e1");
    unsafe_Message(MSG_WARNING, nullptr, nullptr, nullptr, "w1");
    SIM_INFO("i1");
    Callback_Lists_Quit();
    std::vector<std::string> expected = {"fatal:e1", "warning:w1"};
    EXPECT_EQ(seen_messages, expected);
    EXPECT_EQ(stop_simulation, STOP_QUARN_ERROR);
}

TEST(PrintHeaderTest, PartsAppearInFlagOrder)
{
    reset_runtime_options();
    quarn_common.print_flags = PRINT_FLAG_DELTA | PRINT_FLAG_TIME_OF_DAY;
    std::string header = Make_Print_Header(nullptr, 0, nullptr);
    EXPECT_TRUE(std::regex_match(header, std::regex("delta [0-9]+: [0-9]{2}:[0-9]{2}:[0-9]{2}: "))) << header;
    // The second delta is measured from the first header.
    header = Make_Print_Header(nullptr, 0, nullptr);
    EXPECT_TRUE(std::regex_match(header, std::regex("delta [01]: .*"))) << header;

    quarn_common.print_flags = PRINT_FLAG_SIM_TIME | PRINT_FLAG_INSTR_COUNT;
    EXPECT_STREQ(Make_Print_Header(nullptr, 0, "thr"), "0: (0): thr: ");
    quarn_common.print_flags = PRINT_FLAG_SIM_TIME;
    EXPECT_STREQ(Make_Print_Header(nullptr, 0, nullptr), "0: ");
    reset_runtime_options();
}

TEST(PrintHeaderTest, OverlongHeaderIsCutAt255Characters)
{
    reset_runtime_options();
    std::string name(400, 'n');
    const char *header = Make_Print_Header(nullptr, 0, name.c_str());
    EXPECT_EQ(strlen(header), 255u);
    EXPECT_EQ(std::string(header, 8), "0: (0): ");
}

TEST_F(SinkTest, HeaderIsPartOfErrorAndInfoLinesOnly)
{
    quarn_common.print_flags = PRINT_FLAG_SIM_TIME;
    SIM_INFO("i");
    SIM_PRINT("p\n");
    sim_error("e");
    std::vector<std::string> expected = {"INFO: 0: i", "p", "FATAL ERROR: 0: e"};
    EXPECT_EQ(capture.lines(), expected);
}

TEST_F(SinkTest, HexdumpRows)
{
    const unsigned char data[20] = {'A', 'B',  'C', 0x00, 0x7F, ' ', '~', 0x1F, 'h',  'i',
                                    '!', 0xFF, '0', '1',  '2',  '3', 'x', 'y',  0x80, 'z'};
    char *buffer = nullptr;
    size_t size = 0;
    FILE *stream = open_memstream(&buffer, &size);
    hexdump(data, sizeof data, stream);
    fclose(stream);
    std::string expected = "0x00000000: 41424300 7F207E1F 686921FF 30313233 *ABC.. ~.hi!.0123*\n"
                           "0x00000010: 7879807A" +
                           std::string(27, ' ') + " *xy.z" + std::string(12, ' ') + "*\n";
    EXPECT_EQ(std::string(buffer, size), expected);
    free(buffer);

    // Without a stream the rows are plain messages.
    hexdump(data, 3, nullptr);
    EXPECT_EQ(capture.text(),
              "0x00000000: 414243" + std::string(29, ' ') + " *ABC" + std::string(13, ' ') + "*\n");
}

TEST_F(SinkTest, LongStringIsPrintedWhole)
{
    std::string text(5000, 'a');
    text += "end";
    SIM_PRINT_LONG_STRING(text.c_str());
    EXPECT_EQ(capture.text(), text);
}

// Output stream that discards everything but reports lines about the output cap on stderr.
ssize_t cap_watch_write(void *, const char *data, size_t size)
{
    if (memmem(data, size, "Too much output", 15)) fwrite(data, 1, size, stderr);
    return (ssize_t)size;
}

void print_past_the_output_cap()
{
    cookie_io_functions_t io = {nullptr, cap_watch_write, nullptr, nullptr};
    Quarn_Output_File = fopencookie(nullptr, "w", io);
    regress_mode = 1;
    std::string piece(4095, 'p');
    for (int i = 0; i < 524416; i++) // 524416 * 4095 + 128 = 2^31 bytes: still allowed
        SIM_PRINT("%s", piece.c_str());
    SIM_PRINT("%s", piece.substr(0, 128).c_str());
    fprintf(stderr, "exactly 2^31 passed\n");
    SIM_PRINT("x");
    fprintf(stderr, "not reached\n");
}

TEST(SinkDeathTest, RegressionOutputStopsBeyond2To31Bytes)
{
    EXPECT_EXIT(print_past_the_output_cap(), ::testing::ExitedWithCode(255),
                "exactly 2\\^31 passed\nFATAL INTERNAL ERROR: 0: Too much output\n");
}

} // namespace
