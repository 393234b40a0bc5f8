// The command server: clients on the loopback address send Tcl text and read each block's result
// and terminator; partial, oversized and abandoned requests; one client at a time; commands served
// by the machine's job during a run; the quarn program with and without -s.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "command/command_server.h"
#include "command_fixture.h"

namespace
{

const std::string DONE = "\nDONE\n";

int connect_to(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons((uint16_t)port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, (sockaddr *)&address, sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void send_text(int fd, const std::string &text)
{
    ASSERT_EQ(send(fd, text.data(), text.size(), MSG_NOSIGNAL), (ssize_t)text.size());
}

// Reads until the text holds `count` terminators, the peer closes, or nothing comes for 2 s.
std::string read_answers(int fd, int count = 1)
{
    std::string text;
    auto terminators = [&] {
        int n = 0;
        for (size_t at = text.find(DONE); at != std::string::npos; at = text.find(DONE, at + DONE.size()))
            n++;
        return n;
    };
    while (terminators() < count) {
        pollfd entry = {fd, POLLIN, 0};
        if (poll(&entry, 1, 2000) <= 0) break;
        char buffer[4096];
        ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        text.append(buffer, (size_t)got);
    }
    return text;
}

// A client closed with a reset instead of an orderly close.
void reset_close(int fd)
{
    linger hard = {1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close(fd);
}

class CommandServerTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ASSERT_EQ(QuarnServer_Listen(0), 1);
        port = QuarnServer_Port();
        ASSERT_GT(port, 0);
    }
    void TearDown() override
    {
        for (int fd : clients)
            close(fd);
        QuarnServer_Shutdown();
        CommandLanguageTest::TearDown();
    }
    int client()
    {
        int fd = connect_to(port);
        EXPECT_GE(fd, 0);
        clients.push_back(fd);
        return fd;
    }
    // What the server answers when it is handed the text on the interactive path.
    std::string serve(int fd, const std::string &text, int answers = 1)
    {
        send_text(fd, text);
        QuarnServer_Accept();
        QuarnServer_Serve();
        return read_answers(fd, answers);
    }

    int port = -1;
    std::vector<int> clients;
};

TEST_F(CommandServerTest, EachBlockIsAnsweredWithItsResultAndTheTerminator)
{
    struct Case {
        std::string sent, answer;
    } cases[] = {
        {"expr 1+1", "2\nDONE\n"},
        {"set empty {}", "\nDONE\n"},
        {"expr {1+", "missing close-brace\nDONE\n"},
        {"error boom", "boom\nDONE\n"},
        {"set x 5\nincr x", "6\nDONE\n"},
        {"set x", "6\nDONE\n"}, // evaluated at the global level, and kept between blocks
        {std::string("expr 1+2\0ignored", 16), "3\nDONE\n"}, // the text ends at a NUL
        {std::string("\0", 1), "\nDONE\n"},
    };
    int fd = client();
    for (const Case &c : cases)
        EXPECT_EQ(serve(fd, c.sent), c.answer) << c.sent;
    ok("set x");
    EXPECT_EQ(out, "6");
    EXPECT_EQ(QuarnServer_Has_Client(), 1);
}

TEST_F(CommandServerTest, ABlockOf1024BytesIsEvaluatedWholeAndALongerOneInPieces)
{
    int fd = client();
    std::string head = "string length {", tail = "}";
    std::string whole = head + std::string(1024 - head.size() - tail.size(), 'a') + tail;
    ASSERT_EQ(whole.size(), 1024u);
    EXPECT_EQ(serve(fd, whole), std::to_string(1024 - head.size() - tail.size()) + DONE);

    // 1500 bytes: the first 1024 are one script, the rest another; both are answered and the
    // next request is served as usual.
    std::string longer = head + std::string(1500 - head.size() - tail.size(), 'b') + tail;
    std::string answers = serve(fd, longer, 2);
    EXPECT_EQ(answers.rfind("missing close-brace" + DONE, 0), 0u) << answers;
    EXPECT_NE(answers.find("invalid command name"), std::string::npos) << answers;
    EXPECT_EQ(serve(fd, "expr 2+3"), "5" + DONE);
}

TEST_F(CommandServerTest, AClientThatLeavesMidCommandIsDroppedAndTheNextOneServed)
{
    for (bool reset : {false, true}) {
        int first = client();
        QuarnServer_Accept();
        ASSERT_EQ(QuarnServer_Has_Client(), 1);
        send_text(first, "expr {1+");
        if (reset)
            reset_close(first);
        else
            close(first);
        clients.pop_back();
        // The partial text is evaluated and its answer goes nowhere; the closed client is gone.
        QuarnServer_Serve();
        QuarnServer_Serve();
        EXPECT_EQ(QuarnServer_Has_Client(), 0) << "reset " << reset;

        int next = client();
        EXPECT_EQ(serve(next, "expr 6*7"), "42" + DONE) << "reset " << reset;
        close(next);
        clients.pop_back();
        QuarnServer_Serve();
        EXPECT_EQ(QuarnServer_Has_Client(), 0);
    }
}

TEST_F(CommandServerTest, AClientThatDoesNotReadIsDroppedAfterABoundedWait)
{
    int fd = client();
    // 64 MiB do not fit the loopback buffers: the answer waits for the client, which never reads.
    send_text(fd, "string repeat x [expr {64 << 20}]");
    QuarnServer_Accept();
    QuarnServer_Serve();
    EXPECT_EQ(QuarnServer_Has_Client(), 0);
    EXPECT_EQ(ok("expr 1+1"), "2");
}

TEST_F(CommandServerTest, ASecondClientWaitsUntilTheFirstCloses)
{
    int first = client();
    QuarnServer_Accept();
    int second = client(); // waits in the backlog
    send_text(second, "expr 10+1");
    EXPECT_EQ(serve(first, "expr 1+1"), "2" + DONE);
    QuarnServer_Accept(); // nothing: the first is still connected
    pollfd entry = {second, POLLIN, 0};
    EXPECT_EQ(poll(&entry, 1, 100), 0);

    close(first);
    clients.erase(clients.begin());
    QuarnServer_Serve(); // drops the first
    QuarnServer_Accept();
    QuarnServer_Serve();
    EXPECT_EQ(read_answers(second), "11" + DONE);
}

TEST_F(CommandServerTest, TheMachineJobServesDuringARunAtTheGlobalLevel)
{
    // The job exists for machines made while the server listens.
    ok("define machine myrrin alpha");
    ok("proc run_machine {} { set during_run local; alpha cycle 100; return $during_run }");
    int fd = client();
    send_text(fd, "set during_run [expr 6*7]");
    // The SIGIO of the arrival flagged the kernel; the run dispatches the job, which evaluates at
    // the global level and leaves the running procedure's variables and result alone.
    EXPECT_EQ(ok("run_machine"), "local");
    EXPECT_EQ(read_answers(fd), "42" + DONE);
    EXPECT_EQ(ok("set ::during_run"), "42");
    EXPECT_EQ(QuarnServer_Has_Client(), 1);

    // Quitting the machine from inside its own run is refused, not a crash.
    send_text(fd, "alpha quit");
    ok("alpha cycle 100");
    EXPECT_EQ(read_answers(fd), "alpha quit: machine alpha is running; stop it before quitting" + DONE);
    EXPECT_NE(Quarn_Machine_List, nullptr);

    // The client leaves during the next run: the job drops it and takes the waiting one.
    int next = client();
    close(fd);
    clients.erase(clients.begin());
    send_text(next, "expr 2*2");
    ok("alpha cycle 100");
    EXPECT_EQ(read_answers(next), "4" + DONE);
}

// ---- the quarn program ----

namespace fs = std::filesystem;

class ServerProgramTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        const char *bin = getenv("QUARN_BIN");
        if (!bin) GTEST_SKIP() << "QUARN_BIN is not set";
        quarn = fs::absolute(bin);
    }
    void TearDown() override
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    // Starts quarn with the words, standard input from `input` (a file descriptor) and the output
    // into the pipe `out`.
    void start(std::vector<std::string> words, int input, int output)
    {
        pid = fork();
        if (pid == 0) {
            int null = open("/dev/null", O_RDWR);
            dup2(input >= 0 ? input : null, 0);
            dup2(output >= 0 ? output : null, 1);
            dup2(null, 2);
            if (chdir(fs::temp_directory_path().c_str()) != 0) _exit(99);
            unsetenv("QUARN_FILE");
            unsetenv("LIB_DIR");
            std::vector<char *> argv = {(char *)"quarn"};
            for (std::string &word : words)
                argv.push_back(word.data());
            argv.push_back(nullptr);
            execv(quarn.c_str(), argv.data());
            _exit(98);
        }
    }
    int wait_exit()
    {
        int raw = 0;
        for (int i = 0; i < 100; i++) {
            if (waitpid(pid, &raw, WNOHANG) == pid) {
                pid = -1;
                return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return -1;
    }

    fs::path quarn;
    pid_t pid = -1;
};

// A port that was free a moment ago.
int free_port()
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, (sockaddr *)&address, sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, (sockaddr *)&address, &length);
    close(fd);
    return ntohs(address.sin_port);
}

// The local address of the listening TCP socket on the port, as /proc/net/tcp shows it.
std::string listening_address(int port)
{
    std::ifstream table("/proc/net/tcp");
    std::string line;
    char wanted[16];
    snprintf(wanted, sizeof wanted, ":%04X", port);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string index, local, remote, state;
        fields >> index >> local >> remote >> state;
        if (state == "0A" && local.size() > 5 && local.substr(local.size() - 5) == wanted)
            return local.substr(0, local.size() - 5);
    }
    return "";
}

TEST_F(ServerProgramTest, WithDashSAClientOnLoopbackDrivesTheSimulator)
{
    int port = free_port();
    start({"-q", "-s", std::to_string(port)}, -1, -1);
    int fd = -1;
    for (int i = 0; i < 200 && fd < 0; i++) {
        fd = connect_to(port);
        if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ASSERT_GE(fd, 0);
    EXPECT_EQ(listening_address(port), "0100007F"); // 127.0.0.1, and no other address

    send_text(fd, "expr 1+1");
    EXPECT_EQ(read_answers(fd), "2" + DONE);
    // The server's channel is the standard input.
    send_text(fd, "chan configure SelectChannel -blocking");
    EXPECT_EQ(read_answers(fd), "1" + DONE);
    send_text(fd, "set empty {}");
    EXPECT_EQ(read_answers(fd), DONE);
    send_text(fd, "exit 3");
    EXPECT_EQ(wait_exit(), 3);
    close(fd);
}

TEST_F(ServerProgramTest, WithoutDashSThereIsNoSelectChannel)
{
    int in[2], out[2];
    ASSERT_EQ(pipe(in), 0);
    ASSERT_EQ(pipe(out), 0);
    start({"-q"}, in[0], out[1]);
    close(in[0]);
    close(out[1]);
    std::string script = "puts select=[catch {chan configure SelectChannel}]\nexit\n";
    ASSERT_EQ(write(in[1], script.data(), script.size()), (ssize_t)script.size());
    close(in[1]);
    std::string text;
    char buffer[1024];
    for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, (size_t)n);
    close(out[0]);
    EXPECT_EQ(wait_exit(), 0);
    EXPECT_NE(text.find("select=1\n"), std::string::npos) << text;
}

} // namespace
