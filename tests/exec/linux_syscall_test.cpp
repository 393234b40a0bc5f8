// The Linux system-call emulation of standalone programs, run on a hand-made thread with RAM at 0,
// a console whose lines reach the message sink, and a system-call trigger double.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "devices/console.h"
#include "isa/exec_word.h"
#include "isa/hooks/linux_syscall.h"
#include "exec/pc_triggers.h"
#include "kernel/tsim.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

namespace
{
// A system-call trigger that takes the call over.
int trigger_calls = 0;
int32_t take_over(void *, ThreadState *, uint64_t, int64_t, int32_t, uint64_t)
{
    trigger_calls++;
    return 1;
}
} // namespace

namespace
{

constexpr uint32_t SC = 0x44000002;
constexpr uint64_t RAM = 0x40000;
constexpr uint64_t MINUS_ONE = ~0ull;

class Syscall : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        saved_stop = stop_simulation;
        stop_simulation = 0;
        trigger_calls = 0;
        ew.memory(RAM);
        GenericMachine &m = machine();
        m.memory_region_count = 1;
        m.memory_region_id_shift = 40;
        m.memory_regions[0] = {0, RAM - 1, RAM};
        m.loader_high_memory = 0x20000;
        print_console_output = 1;
        useInline = 0;
    }
    void TearDown() override
    {
        if (console) Console_Quit(console);
        machine().consoles = nullptr;
        machine().tsim = nullptr;
        stop_simulation = saved_stop;
    }

    GenericMachine &machine() { return ew.core.test_machine.machine; }
    void add_console()
    {
        console = Console_Init("syscall-console", &machine());
        if (!Get_Console(&machine())) Set_Console(&machine(), console);
    }
    // Runs the call with GPR0 and the arguments from GPR3 on; GPR3 is left in the thread.
    void call(uint64_t number, std::initializer_list<uint64_t> args = {})
    {
        ew.gpr(0) = number;
        int n = 3;
        for (uint64_t a : args)
            ew.gpr(n++) = a;
        ew.prepare(SC);
        HandleSystemCall(ew.iop);
    }
    void put_string(uint64_t address, const std::string &text)
    {
        for (size_t i = 0; i <= text.size(); i++)
            ew.write(address + i, 1, i < text.size() ? (uint8_t)text[i] : 0);
    }
    void fill(uint64_t address, uint64_t count, uint8_t byte)
    {
        for (uint64_t i = 0; i < count; i++)
            ew.write(address + i, 1, byte);
    }
    std::string get_bytes(uint64_t address, size_t count)
    {
        std::string s;
        for (size_t i = 0; i < count; i++)
            s += (char)ew.read(address + i, 1);
        return s;
    }

    ExecWord ew;
    ConsoleDevice *console = nullptr;
    uint32_t saved_stop = 0;
};

TEST_F(Syscall, ExitStopsKeepsTheStatusAndTheInstructionStillAdvances)
{
    standalone_mode = 1;
    for (uint64_t number : {1, 234}) {
        stop_simulation = 0;
        ew.t->PC.value = 0x1000;
        ew.gpr(0) = number;
        ew.gpr(3) = 0xFFFFFFFF00000003ull; // the status is the low word of the argument
        EXPECT_EQ(ew.run(SC), 1);
        EXPECT_TRUE(stop_simulation & STOP_EXIT_SYSCALL);
        EXPECT_STREQ(SimStopText(), "exit syscall, ");
        EXPECT_EQ(ew.gpr(3), 3u);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
    standalone_mode = 0;
}

TEST_F(Syscall, WriteCapsTheCountAndPrintsOnTheConsole)
{
    add_console();
    fill(0x1000, 5000, 'x');
    SinkCapture sink;
    call(4, {1, 0x1000, 5000});
    EXPECT_EQ(ew.gpr(3), 4096u);
    Console_Write(console, '\n');
    std::string text = sink.text();
    EXPECT_EQ(text, std::string(4096, 'x') + "\n");
}

TEST_F(Syscall, WriteOfNothingAndToAnUnsupportedDescriptor)
{
    add_console();
    put_string(0x1000, "abc");
    SinkCapture sink;
    for (int64_t count : {0, -5}) {
        call(4, {2, 0x1000, (uint64_t)count});
        EXPECT_EQ((int64_t)ew.gpr(3), count);
    }
    ew.gpr(3) = 0;
    call(4, {0, 0x1000, 3});
    EXPECT_EQ(ew.gpr(3), 0u); // untouched
    EXPECT_TRUE(stop_simulation & STOP_QUARN_ERROR);
    EXPECT_NE(sink.text().find("FATAL ERROR: SYSCALL: write cannot handle fd == 0 yet."), std::string::npos);
    EXPECT_EQ(sink.text().find("abc"), std::string::npos);
}

TEST_F(Syscall, WriteStopsPrintingAtUnreadableMemory)
{
    add_console();
    for (int i = 0; i < 4; i++)
        ew.write(RAM - 4 + i, 1, (uint8_t)"okay"[i]);
    SinkCapture sink;
    call(4, {1, RAM - 4, 10}); // the bytes after the RAM's end are not there
    EXPECT_EQ(ew.gpr(3), 10u);
    Console_Write(console, '\n');
    // The hole is reported as such; the console shows the four readable bytes and nothing more.
    std::string text = sink.text();
    EXPECT_NE(text.find("Attempt to load non-existent address 0x0000000000040000"), std::string::npos) << text;
    ASSERT_GE(text.size(), 6u);
    EXPECT_EQ(text.substr(text.size() - 6), "\nokay\n") << text;
}

TEST_F(Syscall, WithoutConsoleWriteStillCountsAndWritevAnswersZero)
{
    call(4, {1, 0x1000, 5000});
    EXPECT_EQ(ew.gpr(3), 4096u);
    call(146, {1, 0x2000, 2});
    EXPECT_EQ(ew.gpr(3), 0u);
}

TEST_F(Syscall, WritevPrintsEachSegmentInTheGuestByteOrder)
{
    add_console();
    put_string(0x3000, "hello, ");
    put_string(0x3100, "vector\n");
    for (bool little : {false, true}) {
        SCOPED_TRACE(little ? "little-endian" : "big-endian");
        auto word = [&](uint64_t address, uint64_t value) {
            ew.write(address, 8, little ? __builtin_bswap64(value) : value);
        };
        word(0x2000, 0x3000);
        word(0x2008, 7);
        word(0x2010, 0x3100);
        word(0x2018, 7);
        word(0x2020, 0x3000);
        word(0x2028, 0xFFFFFFFF); // -1: nothing written, counted
        if (little) ew.little_endian();
        SinkCapture sink;
        call(146, {1, 0x2000, 3});
        EXPECT_EQ(ew.gpr(3), 13u);
        EXPECT_EQ(sink.text(), "hello, vector\n");
    }
}

TEST_F(Syscall, WritevOfMoreThan1024EntriesIsInvalidAndWritesNothing)
{
    add_console();
    put_string(0x3000, "x");
    for (uint64_t i = 0; i < 1025; i++) {
        ew.write(0x4000 + 16 * i, 8, 0x3000);
        ew.write(0x4008 + 16 * i, 8, 1);
    }
    SinkCapture sink;
    for (uint64_t count : {1025ull, 0x7FFFFFFFull, 0xFFFFFFFFull}) {
        call(146, {1, 0x4000, count});
        EXPECT_EQ(ew.gpr(3), 22u) << count;
        EXPECT_EQ(ew.cr() & 0x10000000u, 0x10000000u) << count;
    }
    Console_Write(console, '\n');
    EXPECT_EQ(sink.text(), "\n");
    call(146, {1, 0x4000, 1024}); // the limit itself is served
    EXPECT_EQ(ew.gpr(3), 1024u);
    EXPECT_EQ(ew.cr() & 0x10000000u, 0u);
}

TEST_F(Syscall, WritevToAnotherDescriptorFails)
{
    add_console();
    SinkCapture sink;
    call(146, {5, 0x2000, 1});
    EXPECT_EQ(ew.gpr(3), MINUS_ONE);
    EXPECT_NE(sink.text().find("FATAL ERROR: SYSCALL: writev cannot handle fd == 5 yet."), std::string::npos);
}

TEST_F(Syscall, OpenKnowsOnlyTheTerminal)
{
    struct Case {
        const char *path;
        uint64_t result;
    } cases[] = {{"/dev/tty", 1}, {"/dev/null", MINUS_ONE}, {"/dev/tty0", MINUS_ONE}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        put_string(0x1000, c.path);
        call(5, {0x1000, 2});
        EXPECT_EQ(ew.gpr(3), c.result);
    }
    call(5, {0, 2}); // no path at all
    EXPECT_EQ(ew.gpr(3), MINUS_ONE);
}

TEST_F(Syscall, IdentityCallsAnswerOneAndQuietCallsZero)
{
    for (uint64_t number : {20, 24, 47, 49, 50}) {
        ew.gpr(3) = 99;
        call(number);
        EXPECT_EQ(ew.gpr(3), 1u) << number;
    }
    for (uint64_t number : {54, 91, 125}) {
        ew.gpr(3) = 99;
        call(number, {99});
        EXPECT_EQ(ew.gpr(3), 0u) << number;
    }
}

TEST_F(Syscall, BrkOnlyRaisesTheBreakInsideMemory)
{
    struct Case {
        const char *what;
        uint64_t argument, result, brk;
    } cases[] = {
        {"report", 0, 0x20000, 0x20000},
        {"higher", 0x30000, 0x30000, 0x30000},
        {"lower", 0x10000, 0x10000, 0x30000},
        {"outside", RAM + 0x1000, MINUS_ONE, 0x30000},
        {"report again", 0, 0x30000, 0x30000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        call(45, {c.argument});
        EXPECT_EQ(ew.gpr(3), c.result);
        EXPECT_EQ(machine().loader_high_memory, c.brk);
    }
}

TEST_F(Syscall, MmapHandsOutTheBreak)
{
    const uint64_t anonymous = 0x22;
    machine().loader_high_memory = 0x10000;
    call(90, {0, 0x10000, 3, anonymous, MINUS_ONE, 0});
    EXPECT_EQ(ew.gpr(3), 0x10000u);
    call(90, {0, 0x10000, 3, anonymous, MINUS_ONE, 0});
    EXPECT_EQ(ew.gpr(3), 0x20000u);
    EXPECT_EQ(machine().loader_high_memory, 0x30000u);
    call(90, {0, 0x10000, 3, anonymous, MINUS_ONE, 0}); // would end outside memory
    EXPECT_EQ(ew.gpr(3), MINUS_ONE);
    EXPECT_EQ(machine().loader_high_memory, 0x30000u);
    call(90, {0, 0x10000, 3, 0x2, 7, 0}); // a file mapping is never checked
    EXPECT_EQ(ew.gpr(3), 0x30000u);
    EXPECT_EQ(machine().loader_high_memory, 0x40000u);
}

TEST_F(Syscall, AnonymousMappingsCoverWholePages)
{
    const uint64_t anonymous = 0x22;
    struct Case {
        uint64_t high, length, result, new_high;
    } cases[] = {
        {0x11234, 0x10, 0x12000, 0x13000},   // an unaligned break is rounded up, the length too
        {0x13000, 0x1001, 0x13000, 0x15000}, // an aligned break is the mapping's start
        {0x15000, 0x20000, 0x15000, 0x35000},
        {0x35001, 0xA000, MINUS_ONE, 0x35001},          // would end outside memory
        {0x20000, ~0ull - 0x800, MINUS_ONE, 0x20000},   // the length wraps when rounded
        {0x20000, ~0ull - 0x1FFFF, MINUS_ONE, 0x20000}, // the end wraps
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.high);
        machine().loader_high_memory = c.high;
        machine().program_break = machine().mapping_floor = 0;
        call(90, {0, c.length, 3, anonymous, MINUS_ONE, 0});
        EXPECT_EQ(ew.gpr(3), c.result);
        EXPECT_EQ(machine().loader_high_memory, c.new_high);
    }
}

TEST_F(Syscall, BrkNeverGrowsIntoMappedMemory)
{
    const uint64_t anonymous = 0x22;
    machine().loader_high_memory = 0x10000;
    call(45, {0});
    EXPECT_EQ(ew.gpr(3), 0x10000u);
    call(45, {0x11800}); // the program's heap grows to 0x11800
    EXPECT_EQ(ew.gpr(3), 0x11800u);
    call(90, {0, 0x4000, 3, anonymous, MINUS_ONE, 0}); // a mapping at 0x12000..0x16000
    EXPECT_EQ(ew.gpr(3), 0x12000u);
    EXPECT_EQ(machine().loader_high_memory, 0x16000u);
    call(45, {0x11F00}); // still below the mapping
    EXPECT_EQ(ew.gpr(3), 0x11F00u);
    for (uint64_t address : {0x12100ull, 0x17000ull}) { // into or over the mapping: refused
        call(45, {address});
        EXPECT_EQ(ew.gpr(3), 0x11F00u) << address;
    }
    EXPECT_EQ(machine().loader_high_memory, 0x16000u);
    call(45, {0x11000}); // the heap may shrink
    EXPECT_EQ(ew.gpr(3), 0x11000u);
    call(45, {0}); // the break reported lies above every mapping, and grows from there
    EXPECT_EQ(ew.gpr(3), 0x16000u);
    call(45, {0x18000});
    EXPECT_EQ(ew.gpr(3), 0x18000u);
    EXPECT_EQ(machine().loader_high_memory, 0x18000u);
}

TEST_F(Syscall, GettimeofdayWritesTheCoreClockTime)
{
    tsim_s kernel{};
    kernel.now = 2500000123ull;
    machine().tsim = &kernel;
    FreqSpec clock;
    Initialize_FreqSpec(&clock);
    Define_FreqSpec_Frequency(&clock, 1000000000);
    ew.core.core->core_freq = &clock;

    ew.gpr(3) = 0x800;
    ew.cr() = 0x10000000; // SO left over from an earlier call
    call(78, {0x800});
    EXPECT_EQ(ew.read(0x800, 8), 2u);
    EXPECT_EQ(ew.read(0x808, 8), 500000u);
    EXPECT_EQ(ew.gpr(3), 0u);
    EXPECT_EQ(ew.cr(), 0u);

    ew.mode32();
    call(78, {0x900});
    EXPECT_EQ(ew.read(0x900, 4), 2u);
    EXPECT_EQ(ew.read(0x904, 4), 500000u);

    ew.mode64();
    ew.little_endian();
    call(78, {0xA00});
    EXPECT_EQ(ew.read(0xA00, 8), __builtin_bswap64(2));
    EXPECT_EQ(ew.read(0xA08, 8), __builtin_bswap64(500000));
    ew.core.core->core_freq = nullptr;
}

TEST_F(Syscall, TimeOfDayArithmetic)
{
    uint64_t s, us;
    Syscall_Time_Of_Day(2500000123ull, 1000000000, &s, &us);
    EXPECT_EQ(s, 2u);
    EXPECT_EQ(us, 500000u);
    Syscall_Time_Of_Day(1500, 1000, &s, &us); // below 1 MHz: no microseconds
    EXPECT_EQ(s, 1u);
    EXPECT_EQ(us, 0u);
    Syscall_Time_Of_Day(1500, 0, &s, &us); // unknown frequency
    EXPECT_EQ(s, 0u);
    EXPECT_EQ(us, 0u);
}

TEST_F(Syscall, ReadlinkNamesTheProgramWithinTheBuffer)
{
    put_string(0x1000, "/proc/self/exe");
    fill(0x2000, 16, 0xAA);
    call(85, {0x1000, 0x2000, 4096});
    EXPECT_EQ(ew.gpr(3), 8u);
    EXPECT_EQ(get_bytes(0x2000, 9), "/exename\xAA");

    fill(0x2000, 16, 0xAA);
    call(85, {0x1000, 0x2000, 3}); // a short buffer is not overrun
    EXPECT_EQ(ew.gpr(3), 3u);
    EXPECT_EQ(get_bytes(0x2000, 4), "/ex\xAA");

    SinkCapture sink;
    put_string(0x1000, "/etc/passwd");
    call(85, {0x1000, 0x2000, 4096});
    EXPECT_EQ(ew.gpr(3), MINUS_ONE);
    EXPECT_NE(sink.text().find("FATAL ERROR: SYSCALL: readlink cannot handle path != /proc/self/exe yet."),
              std::string::npos);
}

TEST_F(Syscall, UnameWritesExactlyItsRecord)
{
    fill(0x1000, 400, 0xAA);
    call(122, {0x1000});
    EXPECT_EQ(ew.gpr(3), 0u);
    EXPECT_EQ(get_bytes(0x1000, 6), std::string("Linux\0", 6));
    EXPECT_EQ(get_bytes(0x1000 + 65, 10), std::string("localhost\0", 10));
    EXPECT_EQ(get_bytes(0x1000 + 130, 7), std::string("2.6.32\0", 7));
    EXPECT_EQ(get_bytes(0x1000 + 195, 13), std::string("Quarn-System\0", 13));
    EXPECT_EQ(get_bytes(0x1000 + 260, 4), std::string("ppc\0", 4));
    EXPECT_EQ(ew.read(0x1000 + 324, 1), 0u);
    EXPECT_EQ(ew.read(0x1000 + 325, 1), 0xAAu);
}

TEST_F(Syscall, FileStatusRecordsFromTheHost)
{
    char path[] = "/tmp/quarn-syscall-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "12345", 5), 5);

    fill(0x1000, 128, 0xAA);
    call(108, {(uint64_t)fd, 0x1000});
    EXPECT_EQ(ew.gpr(3), 0u);
    EXPECT_EQ(ew.read(0x1000 + 48, 8), 5u); // size
    EXPECT_EQ(ew.read(0x1000 + 24, 4) & 0xF000, 0x8000u); // a regular file
    EXPECT_EQ(ew.read(0x1000 + 36, 4), 0xAAAAAAAAu); // not written
    EXPECT_EQ(ew.read(0x1000 + 120, 8), 0xAAAAAAAAAAAAAAAAu);

    ew.mode32();
    fill(0x1000, 128, 0xAA);
    call(108, {(uint64_t)fd, 0x1000});
    EXPECT_EQ(ew.read(0x1000 + 28, 4), 5u);
    EXPECT_EQ(ew.read(0x1000 + 44, 4), 0xAAAAAAAAu);

    fill(0x1000, 128, 0xAA);
    call(197, {(uint64_t)fd, 0x1000});
    EXPECT_EQ(ew.gpr(3), 0u);
    EXPECT_EQ(ew.read(0x1000 + 44, 8), 5u);
    EXPECT_EQ(ew.read(0x1000 + 12, 4), 0u);
    EXPECT_EQ(ew.read(0x1000 + 2, 8), 0xAAAAAAAAAAAAAAAAu); // bytes 2..11 are skipped

    // A little-endian guest reads its numbers in its own byte order.
    ew.mode64();
    ew.little_endian();
    fill(0x1000, 128, 0xAA);
    call(108, {(uint64_t)fd, 0x1000});
    EXPECT_EQ(ew.read(0x1000 + 48, 8), __builtin_bswap64(5));
    call(197, {(uint64_t)fd, 0x1000});
    EXPECT_EQ(ew.read(0x1000 + 44, 8), __builtin_bswap64(5));
    ew.t->MSR.value &= ~MSR_LE;

    // stat64: an all-zero record, the path read at a physical address.
    put_string(0x800, "/anything");
    fill(0x1000, 128, 0xAA);
    call(195, {0x800, 0x1000});
    EXPECT_EQ(ew.gpr(3), 0u);
    EXPECT_EQ(ew.read(0x1000 + 44, 8), 0u);
    EXPECT_EQ(ew.read(0x1000 + 88, 8), 0u);
    EXPECT_EQ(ew.read(0x1000 + 60, 4), 0xAAAAAAAAu);

    close(fd);
    unlink(path);
}

TEST_F(Syscall, ATriggerTakesTheCallOver)
{
    add_console();
    put_string(0x1000, "hidden");
    Syscall_Trigger_Entry entry{};
    entry.hash.key0 = 4;
    entry.callback = take_over;
    Trigger_Syscall__Add(&machine(), &entry);
    SinkCapture sink;
    ew.gpr(3) = 1;
    call(4, {1, 0x1000, 6});
    Trigger_Syscall__Remove(&machine(), 4);
    EXPECT_EQ(ew.gpr(3), 1u);
    EXPECT_EQ(trigger_calls, 1);
    Console_Write(console, '\n');
    EXPECT_EQ(sink.text(), "\n");
}

TEST_F(Syscall, UnsupportedCallsFailWithENOSYSAndTheLowWordSelects)
{
    constexpr uint32_t SO = 0x10000000;
    for (uint64_t number : {3ull, 174ull, 247ull, 324ull, 325ull, 400ull, 0xFFFFFFFFull}) {
        ew.cr() = 0x80000000; // CR0[LT] stays, SO is set
        call(number, {1234});
        EXPECT_EQ(ew.gpr(3), 38u) << number;
        EXPECT_EQ(ew.cr(), 0x80000000u | SO) << number;
    }
    call(20); // a served call clears SO and keeps the rest of CR0
    EXPECT_EQ(ew.gpr(3), 1u);
    EXPECT_EQ(ew.cr(), 0x80000000u);

    add_console();
    put_string(0x1000, "low");
    SinkCapture sink;
    call((1ull << 32) + 4, {1, 0x1000, 3});
    EXPECT_EQ(ew.gpr(3), 3u);
    Console_Write(console, '\n');
    EXPECT_EQ(sink.text(), "low\n");
}

TEST_F(Syscall, NameTableCheck)
{
    EXPECT_EQ(Syscall_Info_Check(syscall_info, SYSCALL_INFO_ROWS), 0);
    EXPECT_STREQ(syscall_info[126].name, "sigprocmask");
    EXPECT_STREQ(syscall_info[174].name, "rt_sigprocmask");
    EXPECT_STREQ(syscall_info[325].name, "invalid-max");

    syscall_info_entry bad[3] = {{0, 0, "a"}, {7, 0, "b"}, {2, 0, "c"}};
    SinkCapture sink;
    EXPECT_EQ(Syscall_Info_Check(bad, 3), 1);
    EXPECT_NE(sink.text().find("syscall_info tables id (7) differs from index(1)"), std::string::npos);
}

} // namespace
