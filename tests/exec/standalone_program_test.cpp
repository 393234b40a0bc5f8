// Standalone guest programs run end to end: quarn defines a machine with "standalone_app" on,
// loads a cross-compiled big-endian program and runs it; its output reaches the console and the
// exit system call stops the run.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace
{

std::string slurp(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the program under quarn in SIMPLE mode; returns everything quarn printed.
std::string run_guest(const std::string &program)
{
    const char *quarn = getenv("QUARN_BIN");
    std::string path = std::string(QUARN_GUEST_DIR) + "/" + program;
    std::string script = program + ".tcl";
    std::ofstream out(script);
    out << "fconfigure stdout -buffering line\n"
           "define dup myrrin standalone\n"
           "standalone config standalone_app on\n"
           "standalone config memory_size 512M\n"
           "define machine standalone m1\n"
           "m1 load elf " << path << "\n"
           "m1 go\n"
           "m1 quit\n";
    out.close();
    std::string command = std::string("timeout 120 ") + quarn + " -r -f " + script + " 2>&1 </dev/null";
    std::string text;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
            text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

bool built(const std::string &program)
{
    struct stat s;
    return stat((std::string(QUARN_GUEST_DIR) + "/" + program).c_str(), &s) == 0;
}

class StandaloneProgram : public ::testing::TestWithParam<const char *>
{
};

TEST_P(StandaloneProgram, PrintsItsOutputAndStopsAtExit)
{
    const std::string name = GetParam();
    const std::string program = name + "_be64";
    if (!getenv("QUARN_BIN")) GTEST_SKIP() << "QUARN_BIN is not set";
    if (!built(program)) GTEST_SKIP() << "no PowerPC cross compiler built " << program;
    const std::string expected = slurp(std::string(QUARN_SOURCE_DIR) + "/tests/guest/" + name + ".expected");
    ASSERT_FALSE(expected.empty());
    const std::string output = run_guest(program);
    EXPECT_NE(output.find(expected), std::string::npos) << output;
    EXPECT_NE(output.find("** Execution stopped: exit syscall,"), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(Guest, StandaloneProgram, ::testing::Values("hello_sc", "hello_glibc", "compute"));

} // namespace
