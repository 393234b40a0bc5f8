// Standalone guest programs stepped directly: a machine built as "define machine" builds it with
// "standalone_app" on, the program loaded by the ELF loader, then each instruction fetched (real
// mode, big-endian), decoded and given to its semantic routine until the exit system call stops
// the run. Any interrupt an instruction raises ends the test with its address and mnemonic.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "decode/decoder.h"
#include "decode/instr_info.h"
#include "interrupts/interrupt_raisers.h"
#include "loaders/elf_loader.h"
#include "memory/memory_map.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/stop.h"
#include "support/built_machine.h"
#include "support/sink_capture.h"

namespace
{

std::string slurp(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct StepResult {
    uint64_t instructions = 0;
    std::string failure; // empty when the program reached its exit
};

StepResult step_until_exit(ThreadState *thread, uint64_t limit)
{
    StepResult result;
    IOPDesc iop;
    // The last instructions, reported with a failure.
    constexpr int TRAIL = 12;
    uint64_t trail_pc[TRAIL] = {};
    const char *trail_name[TRAIL] = {};
    auto trail = [&]() {
        std::ostringstream text;
        text << "; last instructions:";
        for (uint64_t i = result.instructions > TRAIL ? result.instructions - TRAIL : 0; i < result.instructions; i++)
            text << " 0x" << std::hex << trail_pc[i % TRAIL] << " " << trail_name[i % TRAIL];
        return text.str();
    };
    while (result.instructions < limit) {
        if (stop_simulation & STOP_EXIT_SYSCALL) return result;
        if (stop_simulation & ~STOP_EXIT_SYSCALL & ~STOP_USER_INTERRUPT) {
            result.failure = std::string("stopped: ") + SimStopText();
            return result;
        }
        const uint64_t pc = thread->PC.value;
        uint64_t word = 0;
        if (!Read_Mapped_Memory_Reg(thread->memory_client, pc, 4, &word, 0, 1)) {
            result.failure = "cannot fetch at " + std::to_string(pc);
            return result;
        }
        INITIAL_IOP(&iop, thread);
        iop.word = (uint32_t)word;
        iop.row = DecodeInstr(thread->processor->instruction_table, iop.word);
        iop.length = 4;
        iop.fetch.ea = pc;
        if (!iop.row || !iop.row->semantic) {
            result.failure = "no row for a word at " + std::to_string(pc) + trail();
            return result;
        }
        trail_pc[result.instructions % TRAIL] = pc;
        trail_name[result.instructions % TRAIL] = iop.row->mnemonic;
        iop.row->semantic(&iop);
        result.instructions++;
        if (iop.exceptions) {
            std::ostringstream text;
            text << "interrupt type " << iop.exceptions->type << " subtype " << iop.exceptions->subtype << " at 0x"
                 << std::hex << pc << " (" << iop.row->mnemonic << ", word 0x" << iop.word << ")";
            Discard_Instruction_Bound_Exceptions(&iop, 0);
            result.failure = text.str() + trail();
            return result;
        }
    }
    result.failure = "no exit within the instruction limit";
    return result;
}

class StandaloneStep : public ::testing::TestWithParam<const char *>
{
};

TEST_P(StandaloneStep, RunsToItsExitAndPrints)
{
    const std::string name = GetParam();
    const std::string program = std::string(QUARN_GUEST_DIR) + "/" + name + "_be64";
    struct stat s;
    if (stat(program.c_str(), &s) != 0) GTEST_SKIP() << "no PowerPC cross compiler built " << program;
    const std::string expected = slurp(std::string(QUARN_SOURCE_DIR) + "/tests/guest/" + name + ".expected");

    const int saved_standalone = standalone_mode;
    const int saved_console = print_console_output;
    Start_The_Simulation();
    {
        BuiltMachine built("standalone", [](BuiltMachine &b) {
            b.set("standalone_app", "on");
            b.set("memory_size", "512M");
        });
        ASSERT_NE(built.machine, nullptr);
        ThreadState *thread = GenericMachine__Thread(built.machine, 0);
        ASSERT_NE(thread, nullptr);
        print_console_output = 1;
        SinkCapture sink;
        ASSERT_EQ(Load_Elf_Processor(thread, program.c_str(), 0, 1, 0), 1) << sink.text();
        Start_The_Simulation();
        StepResult result = step_until_exit(thread, 50000000);
        EXPECT_EQ(result.failure, "") << "after " << result.instructions << " instructions";
        EXPECT_TRUE(stop_simulation & STOP_EXIT_SYSCALL);
        EXPECT_NE(sink.text().find(expected), std::string::npos) << sink.text();
    }
    standalone_mode = saved_standalone;
    print_console_output = saved_console;
    Start_The_Simulation();
}

INSTANTIATE_TEST_SUITE_P(Guest, StandaloneStep, ::testing::Values("hello_sc", "hello_glibc", "compute"));

} // namespace
