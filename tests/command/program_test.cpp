// The quarn program leaving through the command "quit" with a machine defined.
#include <gtest/gtest.h>
#include <fcntl.h>
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

class ProgramTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const char *bin = getenv("QUARN_BIN");
        if (!bin) GTEST_SKIP() << "QUARN_BIN is not set";
        quarn = fs::absolute(bin);
        char pattern[] = "/tmp/quarn_command_XXXXXX";
        dir = mkdtemp(pattern);
        std::ofstream(dir / "s.tcl")
            << "define machine myrrin alpha\nputs [display machines]\nquit\nputs never\n";
    }
    void TearDown() override
    {
        if (!dir.empty()) fs::remove_all(dir);
    }

    // Runs ./quarn with the words in the temporary directory, stdin from /dev/null; returns stdout.
    std::string run(std::vector<std::string> words, int &status)
    {
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        pid_t pid = fork();
        if (pid == 0) {
            int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 2);
            dup2(out[1], 1);
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
        close(out[1]);
        std::string text;
        char buffer[4096];
        for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
            text.append(buffer, (size_t)n);
        close(out[0]);
        int raw = 0;
        waitpid(pid, &raw, 0);
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        return text;
    }

    fs::path quarn, dir;
};

TEST_F(ProgramTest, QuitWithAMachineEndsWithTheExitReport)
{
    int status = -1;
    std::string out = run({"-f", "s.tcl"}, status);
    EXPECT_EQ(status, 0);
    std::regex expected(
        "([^\n]*\n){3}" // the program's banner
        "Using initial run script s\\.tcl\n"
        "Starting quarn on \\*[^*\n]+\\* \\(pid = [0-9]+\\) at [^\n]+\n"
        "With command: \\./quarn -f s\\.tcl\n"
        "alpha\n\n"
        "\nExiting quarn at [^\n]+\n"
        "Elapsed wall time: 0:00:0[0-9] \\(cpu time: 0:00:0[0-9]\\)\n"
        "Time distribution: sys=0:00:0[0-9]; user=0:00:0[0-9]\n"
        "Memory usage: max\\([0-9]+\\), share\\([0-9]+\\), data\\([0-9]+\\), stack\\([0-9]+\\)\n");
    EXPECT_TRUE(std::regex_match(out, expected)) << out;

    EXPECT_EQ(run({"-q", "-f", "s.tcl"}, status), "Using initial run script s.tcl\nalpha\n\n");
    EXPECT_EQ(status, 0);
}

} // namespace
