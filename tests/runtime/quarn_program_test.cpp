// The quarn program as a user starts it: options, banner, start-up script, exit report, prompt.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

struct ProgramRun {
    std::string out;
    int status; // exit status, or 128 + signal
};

class QuarnProgramTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const char *bin = getenv("QUARN_BIN");
        if (!bin) GTEST_SKIP() << "QUARN_BIN is not set";
        quarn = fs::absolute(bin);
        char pattern[] = "/tmp/quarn_program_XXXXXX";
        dir = mkdtemp(pattern);
        std::ofstream(dir / "x.tcl") << "exit\n";
    }
    void TearDown() override
    {
        if (!dir.empty()) fs::remove_all(dir);
    }

    // Runs ./quarn with the words in the temporary directory, input on stdin, stdout captured.
    ProgramRun run(std::vector<std::string> words, const std::string &input = "")
    {
        int in[2], out[2];
        EXPECT_EQ(pipe(in), 0);
        EXPECT_EQ(pipe(out), 0);
        pid_t pid = fork();
        if (pid == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 2);
            close(in[1]);
            close(out[0]);
            if (chdir(dir.c_str()) != 0) _exit(99);
            unsetenv("QUARN_FILE");
            unsetenv("LIB_DIR");
            std::vector<char *> argv = {(char *)"./quarn"};
            for (std::string &word : words)
                argv.push_back(word.data());
            argv.push_back(nullptr);
            execv(quarn.c_str(), argv.data());
            _exit(98);
        }
        close(in[0]);
        close(out[1]);
        if (!input.empty() && write(in[1], input.data(), input.size()) < 0)
            ADD_FAILURE() << "cannot write the input";
        close(in[1]);
        ProgramRun result;
        char buffer[4096];
        ssize_t n;
        while ((n = read(out[0], buffer, sizeof buffer)) > 0)
            result.out.append(buffer, (size_t)n);
        close(out[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return result;
    }

    fs::path quarn, dir;
};

TEST_F(QuarnProgramTest, BadOptionsPrintTheUsageAndExit255)
{
    const std::vector<std::vector<std::string>> cases = {{"-H"}, {"-x"}, {"-T"}, {"-G", "3.5"}};
    for (const std::vector<std::string> &words : cases) {
        ProgramRun r = run(words);
        EXPECT_EQ(r.status, 255) << words[0];
        EXPECT_TRUE(std::regex_match(
            r.out, std::regex("usage: \\./quarn \\[-f file\\] \\[options\\] \\.\\.\\.\n"
                              "\t-f file : name of initial TCL file \\(\\.tervalink\\.tcl\\)\n"
                              "([^\n]*\n){19}\t-W      : no warnings\n")))
            << r.out;
    }
    ProgramRun quiet = run({"-Q", "-x"});
    EXPECT_EQ(quiet.status, 255);
    EXPECT_EQ(quiet.out, "");
}

TEST_F(QuarnProgramTest, QuietStartsPrintOnlyWhatQuietDoesNotCover)
{
    struct Case {
        std::vector<std::string> words;
        std::string expected;
    } cases[] = {
        {{"-q", "-G", "4.0", "-f", "x.tcl"},
         "Dravo core frequency: 4.0GHz\nUsing initial run script x.tcl\n"},
        {{"-T", "7", "-n", "-s", "4444", "-N", "2", "-g", "-q", "-f", "x.tcl"},
         "Time limit of 7 seconds\nConsole XTerms Disabled\nServer port 4444\nSMT mode: 2\nGUI Enabled\n"
         "Using initial run script x.tcl\nGUI is disabled in this build, ignoring\n"},
        {{"-q", "-T", "7", "-f", "x.tcl"}, "Using initial run script x.tcl\n"},
        {{"-r", "-f", "nosuch.tcl"}, "FATAL ERROR: 0: Could not find initial run script nosuch.tcl\n\n"},
        {{"-r", "-o", "out.log", "-f", "x.tcl"}, ""},
    };
    for (Case &c : cases) {
        ProgramRun r = run(c.words);
        EXPECT_EQ(r.out, c.expected) << c.words[0] << " " << c.words[1];
        EXPECT_EQ(r.status, c.words[2] == "nosuch.tcl" ? 1 : 0);
    }
    std::ifstream log(dir / "out.log");
    std::string logged((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_EQ(logged, "Using initial run script x.tcl\n");
}

TEST_F(QuarnProgramTest, InteractiveStartAndExitReport)
{
    ProgramRun r = run({"-n", "-D", "a b=1"}, "exit\n");
    EXPECT_EQ(r.status, 0);
    std::regex expected(
        "Console XTerms Disabled\n"
        "[^\n]*\n[^\n]*\n[^\n]*\n" // the banner
        "Starting quarn on \\*[^*\n]+\\* \\(pid = [0-9]+\\) at [^\n]+\n"
        "With command: \\./quarn -n -D \"a b=1\"\n"
        "\nExiting quarn at [^\n]+\n"
        "Elapsed wall time: 0:00:0[0-9] \\(cpu time: 0:00:0[0-9]\\)\n"
        "Time distribution: sys=0:00:0[0-9]; user=0:00:0[0-9]\n"
        "Memory usage: max\\([0-9]+\\), share\\([0-9]+\\), data\\([0-9]+\\), stack\\([0-9]+\\)\n");
    EXPECT_TRUE(std::regex_match(r.out, expected)) << r.out;
}

TEST_F(QuarnProgramTest, PromptOnATerminal)
{
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(99);
        execl(quarn.c_str(), "./quarn", "-n", "-q", (char *)nullptr);
        _exit(98);
    }
    std::string seen;
    char buffer[1024];
    bool sent = false;
    for (int round = 0; round < 100; round++) { // at most 10 seconds
        struct pollfd p = {master, POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) break;
            seen.append(buffer, (size_t)n);
        }
        if (!sent && seen.find("tervalink % ") != std::string::npos) {
            ASSERT_EQ(write(master, "exit\n", 5), 5);
            sent = true;
        }
    }
    close(master);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_NE(seen.find("tervalink % "), std::string::npos) << seen;
    EXPECT_TRUE(sent);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
