// RTAS: the "rtascall" instruction and its functions.
#include <string>
#include <vector>

#include "guest/rtas.h"
#include "guestsvc/guest_call.h"
#include "devices/console.h"
#include "support/sink_capture.h"

namespace
{

constexpr uint32_t RTASCALL_WORD = 0x7C0007CA;
constexpr uint64_t BLOCK = 0x9000;

// "rtascall" on thread 0 with the block at BLOCK (effective and real address alike).
class Rtas
{
  public:
    explicit Rtas(const BuiltMachine::Configure &configure = {}) : g(configure)
    {
        if (!g.ok()) return;
        g.iop->word = RTASCALL_WORD;
        g.iop->row = Processor_Decode_Instruction(g.core, RTASCALL_WORD);
    }
    // Runs the call; result cells are prefilled with 0x5A5A5A5A.
    int call(int32_t token, std::vector<int32_t> arguments, uint32_t results)
    {
        g.write(BLOCK, 4, (uint32_t)token);
        g.write(BLOCK + 4, 4, arguments.size());
        g.write(BLOCK + 8, 4, results);
        uint64_t cell = BLOCK + 12;
        for (int32_t value : arguments) {
            g.write(cell, 4, (uint32_t)value);
            cell += 4;
        }
        for (uint32_t i = 0; i < results; i++)
            g.write(cell + 4 * (uint64_t)i, 4, 0x5A5A5A5A);
        results_at = cell;
        g.gpr(3) = BLOCK;
        g.t->PC.value = 0x100;
        return g.iop->row->semantic(g.iop);
    }
    std::vector<int32_t> results(uint32_t n)
    {
        std::vector<int32_t> out;
        for (uint32_t i = 0; i < n; i++)
            out.push_back((int32_t)g.read(results_at + 4 * (uint64_t)i, 4));
        return out;
    }

    GuestCall g;
    uint64_t results_at = 0;
};

TEST(RtasCall, TimeOfDayAndLeftoverResults)
{
    Rtas r;
    ASSERT_TRUE(r.g.ok());
    r.g.m.machine->rtc_base = 0;
    EXPECT_EQ(r.call(1003, {}, 8), 1);
    EXPECT_EQ(r.g.t->PC.value, 0x104u);
    EXPECT_EQ(r.results(8), (std::vector<int32_t>{0, 1970, 1, 1, 0, 0, 0, 0}));
    // set-time-of-day sets only the status: the other cells keep what the buffer last held.
    r.call(1004, {2000, 2, 3}, 3);
    EXPECT_EQ(r.results(3), (std::vector<int32_t>{0, 1970, 1}));
    r.call(1038, {}, 2); // an unnamed token
    EXPECT_EQ(r.results(1), (std::vector<int32_t>{-1}));
    EXPECT_STREQ(RTAS_func_id2name(1038), "Name for 1038 not found");
    EXPECT_EQ(RTAS_func_name2id("get-term-char"), 1055);
}

TEST(RtasCall, ConsoleCharacterSensorsAndCountLimits)
{
    Rtas r;
    ASSERT_TRUE(r.g.ok());
    ConsoleDevice *console = Get_Console(r.g.m.machine);
    ASSERT_NE(console, nullptr);
    Console_Create_File_IO(console, "test", "rtas_console.out", FDS_OUTPUT);
    r.call(1013, {0x141}, 1);
    EXPECT_EQ(r.results(1)[0], 0);
    FILE *file = fopen("rtas_console.out", "r");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(fgetc(file), 0x41);
    fclose(file);

    r.call(1015, {1}, 2);
    EXPECT_EQ(r.results(2), (std::vector<int32_t>{0, 1}));
    r.call(1015, {2}, 2);
    EXPECT_EQ(r.results(1)[0], -3);
    // Counts above the bound answer -1 in the status cell and allocate nothing.
    r.g.write(BLOCK + 12 + 4 * 2000, 4, 0x12345678);
    r.g.write(BLOCK, 4, 1003);
    r.g.write(BLOCK + 4, 4, 2000);
    r.g.write(BLOCK + 8, 4, 1);
    r.g.gpr(3) = BLOCK;
    EXPECT_EQ(r.g.iop->row->semantic(r.g.iop), 1);
    EXPECT_EQ((int32_t)r.g.read(BLOCK + 12 + 4 * 2000, 4), -1);
}

TEST(RtasCall, StopSelfQueryAndStartCpu)
{
    Rtas r([](BuiltMachine &b) { b.set("processor/number_of_threads", "2"); });
    ASSERT_TRUE(r.g.ok());
    ThreadState *second = &r.g.core->threads[1];
    second->rtas_stopped = 0;
    r.g.prepare(second);
    r.g.iop->word = RTASCALL_WORD;
    r.g.iop->row = Processor_Decode_Instruction(r.g.core, RTASCALL_WORD);
    r.call(1031, {}, 1);
    EXPECT_EQ(r.results(1)[0], 0);
    EXPECT_EQ(second->rtas_stopped, 1);
    r.g.prepare(&r.g.core->threads[0]);
    r.g.iop->word = RTASCALL_WORD;
    r.g.iop->row = Processor_Decode_Instruction(r.g.core, RTASCALL_WORD);
    r.call(1033, {1}, 2);
    EXPECT_EQ(r.results(2), (std::vector<int32_t>{0, 0}));
    r.call(1032, {1, 0x3000, 7}, 1);
    EXPECT_EQ(r.results(1)[0], 0);
    EXPECT_EQ(second->GPR[3].value, 7u);
    r.call(1033, {1}, 2);
    EXPECT_EQ(r.results(2), (std::vector<int32_t>{0, 2}));
    // A thread that does not exist: a hardware error.
    r.call(1033, {2}, 2);
    EXPECT_EQ(r.results(1)[0], -1);
    SinkCapture sink;
    r.call(1032, {2, 0x3000, 7}, 1);
    EXPECT_EQ(r.results(1)[0], 0);
    EXPECT_NE(sink.text().find("RTAS start_cpu.  Thread # 2 is invalid (max threads is 2)"),
              std::string::npos);
}

TEST(RtasCall, DisabledIsAnIllegalInstructionAndReadsNothing)
{
    Rtas r([](BuiltMachine &b) { b.set("enable_rtas_support", "FALSE"); });
    ASSERT_TRUE(r.g.ok());
    EXPECT_EQ(r.call(1014, {1, 2, 3}, 1), 0);
    EXPECT_NE(r.g.iop->exceptions, nullptr);
    EXPECT_EQ(r.g.t->PC.value, 0x100u);
    EXPECT_EQ((uint32_t)r.results(1)[0], 0x5A5A5A5Au);
}

} // namespace
