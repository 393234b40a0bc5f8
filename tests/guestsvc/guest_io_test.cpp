// The guest memory, console, host-file, time and start services of the sim-support call.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "guest/guest_io.h"
#include "processor/hooks/sim_support_halt.h"
#include "guestsvc/guest_call.h"
#include "devices/console.h"
#include "support/sink_capture.h"

namespace
{

std::string file_text(const char *path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The bytes the machine's console writes, through a file channel.
class ConsoleFile
{
  public:
    explicit ConsoleFile(GenericMachine *machine)
    {
        console = Get_Console(machine);
        if (console) Console_Create_File_IO(console, "test", "console.out", FDS_OUTPUT);
    }
    std::string text() { return file_text("console.out"); }
    ConsoleDevice *console;
};

TEST(ConsoleWrite, RealAndEffectiveAddressesAndThePrefix)
{
    // Two processors of three threads: the call comes from thread 0:1:2.
    GuestCall g([](BuiltMachine &b) {
        b.set("cpus", "2");
        b.set("processor/number_of_threads", "3");
    });
    ASSERT_TRUE(g.ok());
    g.prepare(&GenericMachine__Processor(g.m.machine, 1)->threads[2]);
    ASSERT_STREQ(g.t->name, "0:1:2");
    ConsoleFile out(g.m.machine);
    ASSERT_NE(out.console, nullptr);
    SinkCapture sink;
    g.put_string(0x2000, "hi there");
    EXPECT_EQ(g.call(0, 0x2000, 2, 0), 1); // real address, cut to 2 characters
    EXPECT_EQ(g.result(), 0);              // GPR3 is not written
    EXPECT_EQ(g.call(0, 0x2003, 5, 1), 1); // effective address with interrupts
    EXPECT_EQ(g.call(187, 0x2000, 2, 1), 1);
    EXPECT_EQ(g.result(), 187);
    // 4096 bytes without a zero byte all reach the console; the length is cut to 4096.
    for (int i = 0; i < 4100; i++)
        g.write(0x10000 + (uint64_t)i, 1, 'a' + i % 26);
    EXPECT_EQ(g.call(0, 0x10000, 100000, 0), 1);
    std::string text = out.text();
    ASSERT_GE(text.size(), 4096u);
    EXPECT_EQ(text.substr(0, text.size() - 4096), "hithere<01:02> hi");
    EXPECT_EQ(text.substr(text.size() - 4096, 3), "abc");
    EXPECT_EQ(text.back(), 'a' + 4095 % 26);
}

TEST(ConsoleWrite, ThreadNamePrefixNumbers)
{
    ThreadState thread{};
    char name[] = "0:1:2";
    thread.name = name;
    int processor = -1, number = -1;
    SimSupport_Name_Numbers(&thread, &processor, &number);
    EXPECT_EQ(processor, 1);
    EXPECT_EQ(number, 2);
    thread.name = nullptr;
    SimSupport_Name_Numbers(&thread, &processor, &number);
    EXPECT_EQ(processor, 0);
    EXPECT_EQ(number, 0);
}

TEST(PhysicalMemory, CopyWithOverlapRepeatsTheFirstBytesAndFillChecksTheRange)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    SinkCapture sink;
    g.put(0x4000, "ABCDEFGH", 8);
    EXPECT_EQ(g.call(34, 0x4002, 0x4000, 6), 1);
    EXPECT_EQ(g.result(), 6);
    EXPECT_EQ(g.get_string(0x4000, 8), "ABABABAB");

    EXPECT_EQ(g.call(71, 0x5000, 0x5A, 3), 1);
    EXPECT_EQ(g.result(), 3);
    EXPECT_EQ(g.read(0x5000, 4), 0x5A5A5A00u);
    g.call(71, 0x5001, 0, 2);
    EXPECT_EQ(g.read(0x5000, 4), 0x5A000000u);

    // A range that leaves memory, or wraps around, is refused before anything is touched.
    uint64_t size = g.m.machine->total_memory;
    EXPECT_EQ(g.call(34, size - 2, 0x4000, 4), 1);
    EXPECT_EQ(g.result(), 0);
    EXPECT_NE(sink.text().find("Bad address for copy: 4 bytes from 0x0000000000004000 to"),
              std::string::npos);
    Start_The_Simulation();
    EXPECT_EQ(g.call(71, 0x5000, 1, ~0ull - 0x100), 1);
    EXPECT_EQ(g.result(), 0);
    EXPECT_NE(stop_simulation & STOP_QUARN_ERROR, 0u);
}

TEST(HostFiles, ImplicitFile)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    SinkCapture sink;
    // Without an open file read and write answer -1.
    g.call(18, 0x3000);
    EXPECT_EQ(g.result(), -1);
    g.put_string(0x2000, "implicit.txt");
    g.put_string(0x2100, "written by the guest");
    EXPECT_EQ(g.call(16, 0x2000, 0x77), 1);
    EXPECT_EQ(g.result(), 0);
    g.call(19, 0x2100, 7);
    EXPECT_EQ(g.result(), 7);
    g.call(19, 0x2100 + 7, 100000); // capped at 4096 bytes
    EXPECT_EQ(g.result(), 4096);
    g.call(17);
    EXPECT_EQ(g.result(), 0);
    std::string text = file_text("implicit.txt");
    EXPECT_EQ(text.size(), 4103u);
    EXPECT_EQ(text.substr(0, 20), "written by the guest");

    g.call(16, 0x2000, 'r');
    g.call(18, 0x8000);
    EXPECT_EQ(g.result(), 4096); // one host buffer's worth
    EXPECT_EQ(g.get_string(0x8000, 20), "written by the guest");
    g.put_string(0x2000, "no/such/dir/file");
    g.call(16, 0x2000, 'r');
    EXPECT_EQ(g.result(), -1);
}

TEST(HostFiles, NumberedFiles)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    SinkCapture sink;
    g.put_string(0x2000, "numbered.txt");
    g.put_string(0x2100, "w+");
    g.put_string(0x2200, "0123456789");
    g.call(53, 0x2000, 0x2100);
    int64_t file = g.result();
    ASSERT_GE(file, 0);
    g.gpr(7) = (uint64_t)file;
    g.call(56, 0x2200, 2, 5); // five items of two bytes
    EXPECT_EQ(g.result(), 5);
    g.call(57, (uint64_t)file, 2, 0);
    EXPECT_EQ(g.result(), 0);
    g.call(189, (uint64_t)file);
    EXPECT_EQ(g.result(), 2);
    // Reading 4 items of 4 bytes finds 2 items; the whole 16-byte buffer reaches the guest, the
    // part not read as zeros.
    for (int i = 0; i < 16; i++)
        g.write(0x3000 + (uint64_t)i, 1, 0xEE);
    g.gpr(7) = (uint64_t)file;
    g.call(55, 0x3000, 4, 4);
    EXPECT_EQ(g.result(), 2);
    EXPECT_EQ(g.get_string(0x3000, 16), "23456789");
    EXPECT_EQ(g.read(0x3008, 8), 0u);
    g.call(58, (uint64_t)file);
    EXPECT_NE(g.result(), 0);
    // A size x count that overflows, or passes the limit, is refused.
    g.gpr(7) = (uint64_t)file;
    g.call(55, 0x3000, 1ull << 40, 1ull << 40);
    EXPECT_EQ(g.result(), 0);
    g.gpr(7) = (uint64_t)file;
    g.call(56, 0x3000, SIM_FILE_TRANSFER_LIMIT + 1, 1);
    EXPECT_EQ(g.result(), 0);
    EXPECT_EQ(stop_simulation, 0u);

    g.call(57, (uint64_t)file, 0, 3);
    EXPECT_EQ(g.result(), -1);
    EXPECT_NE(sink.text().find("FATAL ERROR: SimFileSeek: Bad fseek(whence=3)"), std::string::npos);
    Start_The_Simulation();
    g.call(54, (uint64_t)file);
    EXPECT_EQ(g.result(), 0);
    EXPECT_EQ(file_text("numbered.txt"), "0123456789");
    for (uint64_t code : {54, 57, 58, 189}) {
        g.call(code, (uint64_t)file);
        EXPECT_EQ(g.result(), -1);
    }
    g.gpr(7) = 100;
    g.call(55, 0x3000, 1, 1);
    EXPECT_EQ(g.result(), -1);
    EXPECT_NE(sink.text().find("SIMSUPPORT: SimFileRead (100): No such file"), std::string::npos);
}

TEST(HostFiles, TheHundredAndFirstFileIsClosedAgain)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    SinkCapture sink;
    g.put_string(0x2000, "many.txt");
    g.put_string(0x2100, "w");
    int opened = 0;
    for (int i = 0; i < SIM_FILE_COUNT && FileTable.count < SIM_FILE_COUNT; i++) {
        g.call(53, 0x2000, 0x2100);
        if (g.result() >= 0) opened++;
    }
    ASSERT_EQ(FileTable.count, SIM_FILE_COUNT);
    g.call(54, 1);
    g.call(53, 0x2000, 0x2100);
    EXPECT_EQ(g.result(), 1); // the first free entry
    g.call(53, 0x2000, 0x2100);
    EXPECT_EQ(g.result(), SIM_FILE_COUNT);
    EXPECT_NE(sink.text().find("Too many sim_support files open. Quarn cannot handle"), std::string::npos);
    for (int i = 0; i < SIM_FILE_COUNT; i++)
        g.call(54, (uint64_t)i);
    EXPECT_EQ(FileTable.count, 0);
}

TEST(TimeStamps, FiveBigEndianDoublewords)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    g.t->Instruction_Number = 1000;
    g.call(30, 0x6000);
    EXPECT_EQ(g.result(), 0);
    g.t->Instruction_Number = 1250;
    g.call(30, 0x6000);
    EXPECT_EQ(g.result(), 0);
    EXPECT_EQ(g.read(0x6000, 8), 1250u);
    EXPECT_EQ(g.read(0x6008, 8), 250u);
    EXPECT_LE(g.read(0x6010, 8), 2u);
    uint64_t seconds = g.read(0x6018, 8);
    EXPECT_LE((uint64_t)time(nullptr) - seconds, 2u);
    EXPECT_EQ(g.read(0x6020, 8), 0u);            // tick 0
    EXPECT_EQ(g.read(0x6018, 1), seconds >> 56); // the first byte is the most significant
}

TEST(StartAndHalt, StartOwnProcessorAndHaltSwitchedOff)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    SinkCapture sink;
    EXPECT_EQ(g.call(64, 0, 0x1000, 5), 1);
    EXPECT_EQ(g.result(), -1);
    EXPECT_NE(sink.text().find("FATAL ERROR: SimStartCPU for your own cpu (0)"), std::string::npos);
    Start_The_Simulation();
    g.call(64, 7, 0x1000, 5);
    EXPECT_EQ(g.result(), -1);
    EXPECT_NE(sink.text().find("you are not simulating enough processors"), std::string::npos);

    g.t->chunk_mode = 1; // a halt of a thread in chunk mode adds 0x40000000 ticks to its delay
    g.t->chunk_delay = 0;
    g.call(126);
    EXPECT_EQ(g.t->chunk_delay, 0x40000000u);
    g.call(169);
    EXPECT_EQ(Get_BogusHalt(), 0);
    g.call(126);
    EXPECT_EQ(g.t->chunk_delay, 0x40000000u);
    Set_BogusHalt(1);
    g.t->chunk_mode = 0;
}

TEST(MachineInformation, BlockOfSeventyTwoBytes)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    for (int i = 0; i < 72; i += 8)
        g.write(0x7000 + (uint64_t)i, 8, ~0ull);
    EXPECT_EQ(g.call(84, 0x7000), 1);
    EXPECT_EQ(g.read(0x7000, 4), 1u);
    EXPECT_EQ(g.read(0x7004, 4), 2000u); // MHz of the default processor clock
    EXPECT_EQ(g.read(0x7008, 8), g.m.machine->total_memory);
    for (int offset = 16; offset < 72; offset += 4)
        EXPECT_EQ(g.read(0x7000 + (uint64_t)offset, 4), 0u) << offset; // no cache is configured
}

TEST(StartAndHalt, ThreadStartedAtAFunctionDescriptor)
{
    GuestCall g([](BuiltMachine &b) { b.set("processor/number_of_threads", "2"); });
    ASSERT_TRUE(g.ok());
    ThreadState *second = &g.core->threads[1];
    g.core->threads[0].x_threadState = CPU_RUNNING;
    g.write(0x5000, 8, 0x6000);
    g.write(0x5008, 8, 0x7000);
    g.gpr(30) = 0x3030;
    SinkCapture sink;
    EXPECT_EQ(g.call(115, 0x5000, 0x10000, 0x42), 1);
    EXPECT_EQ(g.result(), 115);
    EXPECT_EQ(second->PC.value, 0x6000u);
    EXPECT_EQ(second->GPR[2].value, 0x7000u);
    EXPECT_EQ(second->GPR[3].value, 0x42u);
    EXPECT_EQ(second->GPR[30].value, 0x3030u);
    EXPECT_EQ(second->GPR[1].value % 0x10000, 0x10000u - 112);
    EXPECT_EQ(second->x_threadState, (uint32_t)CPU_RUNNING);
    EXPECT_NE(sink.text().find("Setting Thread 0:1 to be in running state"), std::string::npos);
}

TEST(StartAndHalt, StartAnotherProcessor)
{
    GuestCall g([](BuiltMachine &b) { b.set("cpus", "2"); });
    ASSERT_TRUE(g.ok());
    ASSERT_EQ(GenericMachine__ProcessorCount(g.m.machine), 2);
    ProcessorState *second = GenericMachine__Processor(g.m.machine, 1);
    EXPECT_EQ(g.call(64, 1, 0x2003, 0x55), 1);
    EXPECT_EQ(g.result(), 1);
    ThreadState *started = &second->threads[0];
    EXPECT_EQ(started->PC.value, 0x2000u);
    EXPECT_EQ(started->GPR[3].value, 0x55u);
    EXPECT_EQ(started->MSR.value & 0x8000000000000002ull, 0x8000000000000002ull);
    EXPECT_EQ(started->x_threadState, (uint32_t)CPU_RUNNING);
}

} // namespace
