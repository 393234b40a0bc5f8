// Guest programs run standalone in SIMPLE mode: the big-endian vector program, and the
// little-endian programs (C library start-up and output, the library's string routines, the
// vector element order). Each line printed, with the console's cycle prefix taken off, equals
// the expected file's, and the run ends at the exit system call.
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

struct Program {
    const char *binary;   // in the guest build directory
    const char *expected; // tests/guest/NAME.expected
};

void PrintTo(const Program &p, std::ostream *out)
{
    *out << p.binary;
}

class VectorGuestProgram : public ::testing::TestWithParam<Program>
{
};

TEST_P(VectorGuestProgram, PrintsTheExpectedLines)
{
    const Program p = GetParam();
    const std::string program = std::string(QUARN_GUEST_DIR) + "/" + p.binary;
    struct stat s;
    if (!getenv("QUARN_BIN")) GTEST_SKIP() << "QUARN_BIN is not set";
    if (stat(program.c_str(), &s) != 0)
        GTEST_SKIP() << "no PowerPC cross compiler or C library built " << program;
    std::ifstream file(std::string(QUARN_SOURCE_DIR) + "/tests/guest/" + p.expected + ".expected");
    std::stringstream expected_text;
    expected_text << file.rdbuf();
    const std::vector<std::string> expected = lines_of(expected_text.str());
    ASSERT_FALSE(expected.empty());

    const std::string output = run_quarn(program, std::string(p.binary) + ".tcl");
    std::vector<std::string> printed;
    const std::regex console_line("^[0-9]+: (.*)$");
    for (const std::string &line : lines_of(output)) {
        std::smatch m;
        if (std::regex_match(line, m, console_line)) printed.push_back(m[1]);
    }
    EXPECT_EQ(printed, expected) << output;
    EXPECT_NE(output.find("** Execution stopped: exit syscall,"), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(
    Guest, VectorGuestProgram,
    ::testing::Values(Program{"vmx_be64", "vmx"}, Program{"vmx_int_be64", "vmx_int"},
                      Program{"vmx_int_le64", "vmx_int"}, Program{"vmx_fp_be64", "vmx_fp"},
                      Program{"vmx_fp_le64", "vmx_fp"}, Program{"vsx_arith_be64", "vsx_arith"},
                      Program{"vsx_misc_be64", "vsx_misc"}, Program{"vsx_misc_le64", "vsx_misc"},
                      Program{"vsx_vectorised_be64", "vsx_vectorised"},
                      Program{"vsx_vectorised_le64", "vsx_vectorised"},
                      Program{"libc_strings_be64", "libc_strings"},
                      Program{"hello_glibc_le64", "hello_glibc"},
                      Program{"libc_strings_le64", "libc_strings"},
                      Program{"vector_order_le64", "vector_order"}, Program{"hello_sc_le64", "hello_sc"},
                      Program{"compute_le64", "compute"}),
    [](const ::testing::TestParamInfo<Program> &info) { return std::string(info.param.binary); });

} // namespace
