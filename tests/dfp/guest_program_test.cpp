// The decimal guest program (tests/guest/dfp.c) run under quarn as a standalone program: each
// line it prints, with the console's cycle prefix taken off, equals the expected file's.
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

TEST(DfpGuestProgram, PrintsTheExpectedResults)
{
    const std::string program = std::string(QUARN_GUEST_DIR) + "/dfp_be64";
    struct stat s;
    if (!getenv("QUARN_BIN")) GTEST_SKIP() << "QUARN_BIN is not set";
    if (stat(program.c_str(), &s) != 0) GTEST_SKIP() << "no PowerPC cross compiler built " << program;
    std::ifstream file(std::string(QUARN_SOURCE_DIR) + "/tests/guest/dfp.expected");
    std::stringstream expected_text;
    expected_text << file.rdbuf();
    const std::vector<std::string> expected = lines_of(expected_text.str());
    ASSERT_FALSE(expected.empty());

    const std::string output = run_quarn(program, "dfp.tcl");
    std::vector<std::string> printed;
    const std::regex console_line("^[0-9]+: (.*)$");
    for (const std::string &line : lines_of(output)) {
        std::smatch m;
        if (std::regex_match(line, m, console_line)) printed.push_back(m[1]);
    }
    EXPECT_EQ(printed, expected) << output;
    EXPECT_NE(output.find("** Execution stopped: exit syscall,"), std::string::npos) << output;
}

} // namespace
