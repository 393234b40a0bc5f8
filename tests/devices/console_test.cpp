// Guest consoles and their channels.
#include <gtest/gtest.h>
#include <tcl.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "devices/console.h"
#include "processor/records/generic_machine.h"
#include "runtime/common.h"
#include "support/sink_capture.h"

namespace
{

// A pipe whose write end is an output channel of the console; the read end collects what it got.
struct PipeChannel {
    int fds[2] = {-1, -1};
    fd_element_s *channel = nullptr;
    PipeChannel(ConsoleDevice *console, const char *id, int connected)
    {
        EXPECT_EQ(pipe(fds), 0);
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        channel = Console_New_FD(console, id, FDR_FILE, FDS_OUTPUT, "pipe", fds[1]);
        channel->connected = connected;
    }
    ~PipeChannel() { close(fds[0]); }
    std::string received()
    {
        std::string text;
        char buffer[256];
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
            text.append(buffer, (size_t)n);
        return text;
    }
};

// A free loopback port.
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

// The local address of the socket listening on the port, from the kernel's table of TCP sockets
// ("0100007F" is 127.0.0.1, "00000000" every address); empty when none listens within a second.
std::string listening_address(int port)
{
    char wanted[8];
    snprintf(wanted, sizeof wanted, ":%04X", port);
    for (int tries = 0; tries < 50; tries++) {
        std::ifstream table("/proc/net/tcp");
        std::string line;
        while (std::getline(table, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state;
            fields >> slot >> local >> remote >> state;
            if (state == "0A" && local.size() == 13 && local.substr(8) == wanted) return local.substr(0, 8);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return "";
}

int connect_loopback(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons((uint16_t)port);
    for (int tries = 0; tries < 100; tries++) {
        if (connect(fd, (sockaddr *)&address, sizeof address) == 0) return fd;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    close(fd);
    return -1;
}

class ConsoleTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        machine.name = const_cast<char *>("cons");
        console = Console_Init("test-console", &machine);
        print_console_output = 1;
        useInline = 0;
    }
    void TearDown() override { Console_Quit(console); }

    GenericMachine machine{};
    ConsoleDevice *console = nullptr;
};

TEST_F(ConsoleTest, StringChannelEndsWithANewlineThenDies)
{
    fd_element_s *channel = Console_Create_String_IO(console, "s", "ab", FDS_INPUT);
    EXPECT_EQ(Console_Read(console), 'a');
    EXPECT_EQ(Console_Read(console), 'b');
    EXPECT_EQ(Console_Read(console), '\n');
    EXPECT_EQ(Console_Read(console), -1);
    EXPECT_EQ(channel->state, (uint32_t)FDS_DEAD);
    EXPECT_STREQ(channel->info, "ab"); // the text itself is left alone

    // A text that ends in a newline gets no extra one; the next channel follows.
    Console_Create_String_IO(console, "t", "c\n", FDS_INPUT);
    Console_Create_String_IO(console, "u", "d", FDS_INPUT);
    EXPECT_EQ(Console_Read(console), 'c');
    EXPECT_EQ(Console_Read(console), '\n');
    EXPECT_EQ(Console_Read(console), 'd');
    EXPECT_EQ(SearchConsoleforID(console, ""), nullptr); // prunes the dead channels
    EXPECT_EQ(console->channels->next, nullptr);
    EXPECT_STREQ(console->channels->id, "u");
}

TEST_F(ConsoleTest, ConsoleCrFollowsANewlineWithoutConsumingInput)
{
    machine.machine_options[MO_CONSOLE_CR] = 1;
    Console_Create_String_IO(console, "s", "x\ny", FDS_INPUT);
    EXPECT_EQ(Console_Read(console), 'x');
    EXPECT_EQ(Console_Read(console), '\n');
    EXPECT_EQ(Console_Read(console), 13);
    EXPECT_EQ(Console_Read(console), 'y');
}

TEST_F(ConsoleTest, EveryByteValueIsDelivered)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    Console_New_FD(console, "p", FDR_FILE, FDS_INPUT, "pipe", fds[0]);
    const unsigned char bytes[] = {0xFF, 0x80, 0x00};
    ASSERT_EQ(write(fds[1], bytes, sizeof bytes), 3);
    EXPECT_EQ(Console_Read(console), 255);
    EXPECT_EQ(Console_Read(console), 128);
    EXPECT_EQ(Console_Read(console), 0);
    EXPECT_EQ(Console_Read(console), -1); // nothing more yet: the channel stays
    close(fds[1]);
    EXPECT_EQ(Console_Read(console), -1); // end of file
    EXPECT_EQ(console->channels->state, (uint32_t)FDS_DEAD);
}

TEST_F(ConsoleTest, ALineGoesToTheOutputWithItsHeaderAndToTheChannels)
{
    SinkCapture sink;
    quarn_common.print_flags = PRINT_FLAG_CONSOLE_TAG;
    PipeChannel plain(console, "plain", 0), connected(console, "conn", 1);
    Console_Write(console, 'x');
    Console_Write(console, '\n');
    EXPECT_EQ(sink.text(), "test-console: x\n");
    EXPECT_EQ(plain.received(), "x\n\r");
    EXPECT_EQ(connected.received(), "x\n");
    EXPECT_EQ(console->line_number, 1u);
    EXPECT_EQ(console->column, 0);
}

TEST_F(ConsoleTest, DisplayOfControlBytesAndCarriageReturns)
{
    SinkCapture sink;
    PipeChannel channel(console, "c", 0);
    Console_Write(console, '\r'); // at column 0: not displayed
    Console_Write(console, 1);
    Console_Write(console, 0); // to the channels only
    Console_Write(console, 'a');
    Console_Write(console, '\r'); // after text: the next character starts a fresh line
    Console_Write(console, 'b');
    EXPECT_EQ(sink.text(), "^Aa\r\nb");
    EXPECT_EQ(channel.received(), std::string("\r\x01\x00"
                                              "a\rb",
                                              6));

    console->column = 1;
    Console_Write(console, 8);
    EXPECT_EQ(console->column, 1);
    console->column = 3;
    Console_Write(console, 8);
    EXPECT_EQ(console->column, 2);
}

TEST_F(ConsoleTest, SavedLinesArePrintedWholeAtTheirNewline)
{
    SinkCapture sink;
    Console_Save_Lines(console, 1);
    for (char c : std::string("hello"))
        Console_Write(console, c);
    EXPECT_EQ(sink.text(), "");
    Console_Write(console, '\n');
    EXPECT_EQ(sink.text(), "hello\n");
    Console_Write(console, 'z'); // a partial line is printed when the console quits
    Console_Quit(console);
    console = Console_Init("again", &machine);
    EXPECT_EQ(sink.text(), "hello\nz");
}

TEST_F(ConsoleTest, ListingNamesStateScopeTypeAndInfo)
{
    Console_Create_String_IO(console, "one", "text", FDS_INPUT);
    PipeChannel two(console, "two", 0);
    two.channel->state = FDS_DISABLE;
    Tcl_Interp *interp = Tcl_CreateInterp();
    console_list(interp, console);
    EXPECT_STREQ(Tcl_GetStringResult(interp),
                 "one ::  ENABLE input string : text\ntwo ::  DISABLE output file : pipe");
    Tcl_DeleteInterp(interp);
}

TEST_F(ConsoleTest, ListenChannelAcceptsALoopbackConnection)
{
    SinkCapture sink;
    int port = free_port();
    int client = -1;
    std::string address;
    std::thread connector([&] {
        address = listening_address(port);
        client = connect_loopback(port);
    });
    fd_element_s *channel = Setup_Listener_Socket(console, "l", "listen", FDS_BOTH, port, 5, 1, 0);
    connector.join();
    EXPECT_EQ(address, "0100007F"); // the loopback address alone
    ASSERT_NE(channel, nullptr);
    ASSERT_GE(client, 0);
    EXPECT_EQ(channel->type, (uint32_t)FDR_LISTEN);
    EXPECT_EQ(channel->connected, 1);
    EXPECT_NE(sink.text().find("Console connection on port " + std::to_string(port) + " succeeded\n"),
              std::string::npos);
    ASSERT_EQ(write(client, "k", 1), 1);
    int c = -1;
    for (int i = 0; i < 100 && c < 0; i++, std::this_thread::sleep_for(std::chrono::milliseconds(5)))
        c = Console_Read(console);
    EXPECT_EQ(c, 'k');
    close(client);
}

TEST_F(ConsoleTest, BackgroundListenerAppendsItsChannelAndStopsWithTheConsole)
{
    SinkCapture sink;
    int port = free_port();
    EXPECT_EQ(Console_Create_Listen_IO(console, "bg", std::to_string(port).c_str(), FDS_OUTPUT, 0, 0, 1),
              nullptr);
    int client = connect_loopback(port);
    ASSERT_GE(client, 0);
    fd_element_s *channel = nullptr;
    for (int i = 0; i < 200 && !channel; i++, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
        channel = SearchConsoleforID(console, "bg");
    ASSERT_NE(channel, nullptr);
    Console_Write(console, 'q');
    char byte = 0;
    ASSERT_EQ(read(client, &byte, 1), 1);
    EXPECT_EQ(byte, 'q');
    close(client);
    // TearDown quits the console, which ends the listener thread.
}

TEST_F(ConsoleTest, SocketChannelConnectsToHostAndPort)
{
    int server = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(server, (sockaddr *)&address, sizeof address), 0);
    listen(server, 1);
    socklen_t length = sizeof address;
    getsockname(server, (sockaddr *)&address, &length);
    std::string target = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    fd_element_s *channel = Console_Create_Socket_IO(console, "sock", target.c_str(), FDS_OUTPUT);
    ASSERT_NE(channel, nullptr);
    EXPECT_STREQ(channel->info, "127.0.0.1");
    int peer = accept(server, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    Console_Write(console, 'w');
    char byte = 0;
    ASSERT_EQ(read(peer, &byte, 1), 1);
    EXPECT_EQ(byte, 'w');
    EXPECT_EQ(Console_Create_Socket_IO(console, "bad", "no-port-here", FDS_OUTPUT), nullptr);
    close(peer);
    close(server);
}

} // namespace
