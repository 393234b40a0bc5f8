// Instruction profiles (the file written at off, its row order, self-modified code, refusals and
// library files) and the instruction mix, with a one-thread machine running in SIMPLE mode.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "exec/run_machine.h"
#include "trace/inst_profile.h"
#include "trace/trace_lib.h"
#include "translator/imix.h"

namespace
{

std::string read_file(const std::string &name)
{
    std::ifstream in(name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string main_file(void)
{
    return "iprofile." + std::to_string(getpid()) + ".txt";
}

// Counts an execution the way the interpreter does.
void execute(uint32_t word, uint64_t pa, uint64_t ea)
{
    prof_entry *e = prof_lookup(word, (uint32_t)((pa >> 2) & 0x3FF), pa & ~0xFFFull);
    e->count++;
    e->last_address = ea;
}

} // namespace

TEST(InstProfile, FileRowsAreChainsInHeadOrderNewestChunkFirst)
{
    TRC_PROF_ON();
    ASSERT_TRUE(prof_is_on());
    execute(0x7C642A14, 0x1000, 0x10001000);   // add, page 1: chunk ids 0..1023
    execute(0x60000000, 0x401004, 0x20001004); // nop, page 0x401 shares chain 1: ids 1024..
    execute(0x60000000, 0x401004, 0x20001004);
    execute(0x38600005, 0x2008, 0x3008); // page 2, chain 2: ids 2048..
    // The word at 0x1000 changed (self-modified code): a second chunk of page 1, ids 3072..
    execute(0x38600001, 0x1000, 0x10001000);
    prof_lookup(0x4E800020, 3, 0x1000); // looked up, never counted: no row
    TRC_PROF_OFF();
    EXPECT_FALSE(prof_is_on());
    const std::string want = "<PROF>\n"
                             "TAG PROFID EA PA COUNT ENCODING DISASSEMBLY\n"
                             "prof 3072 0x10001000 0x1000 1 0x38600001 { addi r3,r0,0x1 }\n"
                             "prof 1025 0x20001004 0x401004 2 0x60000000 { ori r0,r0,0x0 }\n"
                             "prof 0 0x10001000 0x1000 1 0x7C642A14 { add r3,r4,r5 }\n"
                             "prof 2050 0x3008 0x2008 1 0x38600005 { addi r3,r0,0x5 }\n"
                             "</PROF>\n";
    EXPECT_EQ(read_file(main_file()), want);
    unlink(main_file().c_str());
}

TEST(InstProfile, OffWithNothingExecutedWritesNoFile)
{
    TRC_PROF_ON();
    TRC_PROF_OFF();
    EXPECT_NE(access(main_file().c_str(), F_OK), 0);
}

TEST(InstProfile, OffWhileTracingIsRefusedAndCountingGoesOn)
{
    ASSERT_EQ(TRC_LOAD_LIB(TRC_PROBE_PLAIN, 0, nullptr), 0);
    TRC_PROF_ON();
    TRC_SET_ON();
    execute(0x60000000, 0x1000, 0x1000);
    testing::internal::CaptureStdout();
    TRC_PROF_OFF();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Turn off tracing before turning profiling off\n");
    EXPECT_TRUE(prof_is_on());
    execute(0x60000000, 0x1000, 0x1000);
    TRC_SET_OFF();
    TRC_PROF_OFF();
    // The library without a label of its own gets "name_index"; it prints every counted entry.
    const std::string lib_file = "iprofile.trc_probe_plain.so_0." + std::to_string(getpid()) + ".txt";
    EXPECT_EQ(read_file(lib_file), "plain 0 0x1000 0x1000 0x60000000 2 0\n");
    EXPECT_NE(read_file(main_file()).find("prof 0 0x1000 0x1000 2 0x60000000 { ori r0,r0,0x0 }\n"),
              std::string::npos);
    unlink(lib_file.c_str());
    unlink(main_file().c_str());
}

// A loop of three instructions run ten times in SIMPLE mode: each body row counts the iterations.
TEST(InstProfile, LoopBodyRowsCountTheIterations)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.t->CTR.value = 10;
    r.program(0x100, {0x38630001,   // addi r3,r3,1
                      0x60000000,   // nop
                      0x4200FFF8}); // bdnz 0x100
    TRC_PROF_ON();
    r.run(30);
    TRC_PROF_OFF();
    const std::string text = read_file(main_file());
    EXPECT_NE(text.find("0x100 0x100 10 0x38630001 { addi r3,r3,0x1 }\n"), std::string::npos) << text;
    EXPECT_NE(text.find("0x104 0x104 10 0x60000000"), std::string::npos) << text;
    EXPECT_NE(text.find("0x108 0x108 10 0x4200FFF8 { bc 16,0,<0x100> }\n"), std::string::npos) << text;
    unlink(main_file().c_str());
}

TEST(InstructionMix, OneProblemStateAddOnThreadZero)
{
    RunMachine r;
    ASSERT_TRUE(r.ok());
    r.t->MSR.value = 0x9000000000004000ull; // SF, HV, PR: problem state
    r.program(0x100, {0x7C642A14});          // add r3,r4,r5
    TRC_IMIX_ON();
    ASSERT_TRUE(imix_is_on());
    r.run(1);
    testing::internal::CaptureStdout();
    TRC_IMIX_OFF();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(imix_is_on());
    EXPECT_EQ(out, "t tu ts th u0 s0 h0\nadd 1 1 0 0 1 0 0\n");
}
