// The transactional-memory guest program (tests/guest/tm.c) run standalone in SIMPLE mode, in both
// byte orders: every line it prints, with the console's cycle prefix taken off, equals tm.expected,
// and the run ends at the exit system call.
#include <gtest/gtest.h>

#include "support/guest_run.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace
{

class TmGuestProgram : public ::testing::TestWithParam<const char *>
{
};

TEST_P(TmGuestProgram, PrintsTheExpectedLines)
{
    const std::string program = std::string(QUARN_GUEST_DIR) + "/" + GetParam();
    struct stat s;
    if (!getenv("QUARN_BIN")) GTEST_SKIP() << "QUARN_BIN is not set";
    if (stat(program.c_str(), &s) != 0)
        GTEST_SKIP() << "no PowerPC cross compiler or C library built " << program;
    std::ifstream file(std::string(QUARN_SOURCE_DIR) + "/tests/guest/tm.expected");
    std::stringstream expected_text;
    expected_text << file.rdbuf();
    const std::vector<std::string> expected = lines_of(expected_text.str());
    ASSERT_FALSE(expected.empty());

    const std::string output = run_quarn(program, std::string(GetParam()) + ".tcl");
    std::vector<std::string> printed;
    const std::regex console_line("^[0-9]+: (.*)$");
    for (const std::string &line : lines_of(output)) {
        std::smatch m;
        if (std::regex_match(line, m, console_line)) printed.push_back(m[1]);
    }
    EXPECT_EQ(printed, expected) << output;
    EXPECT_NE(output.find("** Execution stopped: exit syscall,"), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(Guest, TmGuestProgram, ::testing::Values("tm_be64", "tm_le64"),
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return std::string(info.param);
                         });

} // namespace
