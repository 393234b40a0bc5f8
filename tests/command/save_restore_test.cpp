// Register and memory save and restore through the attached "save" and "ram" tables, and the
// interrupt-controller checkpoint handlers.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "command/save_restore_commands.h"
#include "command/selector.h"
#include "command_fixture.h"
#include "devices/ppcic.h"
#include "memory/memory_region.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/register_file.h"
#include "processor/time/time_registers.h"

namespace
{

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void spit(const std::string &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class SaveRestoreTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        char pattern[] = "/tmp/quarn_save_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch = pattern;
        ASSERT_NE(getcwd(home, sizeof home), nullptr);
        ASSERT_EQ(chdir(scratch.c_str()), 0);
    }
    void TearDown() override
    {
        EXPECT_EQ(chdir(home), 0);
        std::filesystem::remove_all(scratch);
        CommandLanguageTest::TearDown();
    }

    // A machine of one processor with two threads and 1 MB of memory, with "save" and "ram"
    // attached to its top table; `extra` configures it further.
    void make_machine(const std::string &extra = "")
    {
        ok("define dup myrrin small; small config memory_size 1M; small config cpus 1;"
           "small config processor/number_of_threads 2;" +
           extra + "define machine small alpha");
        machine = Find_Machine_By_Name("alpha");
        ASSERT_NE(machine, nullptr);
        connect_subtable(machine->command_table, "save", build_saveCmd_table(nullptr), 0, nullptr);
        connect_subtable(machine->command_table, "ram", build_ramCmd_table(nullptr), 0, nullptr);
        core = GenericMachine__Processor(machine, 0);
        ASSERT_NE(core, nullptr);
        ASSERT_EQ(core->num_threads, 2u);
        first = &core->threads[0];
        second = &core->threads[1];
    }
    uint8_t *memory()
    {
        sim_memory *region = machine->region_instances[0];
        return region_host_address(region, 0, machine->total_memory, false);
    }

    // A distinct value in every kind of state a save covers.
    void scribble(uint64_t seed)
    {
        for (ThreadState *t : {first, second}) {
            t->GPR[3].value = seed + 3;
            t->GPR[31].value = seed + 31;
            t->VSR[1].value[1] = seed + 0x100; // fpr 1
            t->VSR[32 + 2].value[1] = seed + 0x200;
            t->VSR[32 + 2].value[0] = seed + 0x201;
            t->LR.value = seed + 0x40;
            t->SPRG0.value = seed + 0x50;
            t->CR.value = (uint32_t)(seed + 0x60);
            t->PC.value = (seed + 0x1000) & ~3ull;
            t->next_pc = t->PC.value;
            if (t->slb && t->slb_entries > 0) {
                t->slb[0].SLBE.value = (seed << 28) | 0x8000000;
                t->slb[0].SLBV.value = seed << 12;
            }
        }
        core->SCRATCH0.value = seed + 0x70;
        core->HID1.value = seed + 0x80;
        uint8_t *bytes = memory();
        for (uint64_t i = 0; i < machine->total_memory; i += 4096)
            bytes[i] = (uint8_t)(seed + i / 4096);
    }

    GenericMachine *machine = nullptr;
    ProcessorState *core = nullptr;
    ThreadState *first = nullptr, *second = nullptr;
    std::string scratch;
    char home[4096] = {};
};

TEST_F(SaveRestoreTest, RoundTripRestoresEveryRegisterAndTheMemory)
{
    make_machine();
    scribble(0x1111);
    EXPECT_EQ(ok("alpha save both"), "save written");
    const std::string saved_registers = slurp("save/registers");
    const std::string saved_memory = slurp("save/memory");
    EXPECT_EQ(saved_memory.size(), machine->total_memory);
    EXPECT_NE(saved_registers.find("0:0 : PVR = 0x"), std::string::npos) << saved_registers.substr(0, 200);
    EXPECT_NE(saved_registers.find(" : slb 0 = e 0x"), std::string::npos)
        << saved_registers.substr(saved_registers.find(" : slb 0"), 60);
    EXPECT_NE(saved_registers.find(" : vmx 2 = 0x0000000000001311 0x0000000000001312\n"), std::string::npos);

    scribble(0x2222);
    EXPECT_EQ(first->GPR[3].value, 0x2225u);
    EXPECT_EQ(ok("alpha ram both"), "save restored");

    EXPECT_EQ(first->GPR[3].value, 0x1114u);
    EXPECT_EQ(second->GPR[31].value, 0x1130u);
    EXPECT_EQ(first->VSR[1].value[1], 0x1211u);
    EXPECT_EQ(first->VSR[34].value[0], 0x1312u);
    EXPECT_EQ(first->LR.value, 0x1151u);
    EXPECT_EQ(first->PC.value, 0x2110u);
    EXPECT_EQ(core->SCRATCH0.value, 0x1181u);
    EXPECT_EQ(memory()[4096], (uint8_t)0x12);

    // Everything the file holds is as it was: a second save is the same, byte for byte.
    EXPECT_EQ(ok("alpha save both again"), "again written");
    EXPECT_EQ(slurp("again/registers"), saved_registers);
    EXPECT_EQ(slurp("again/memory"), saved_memory);
}

// Every line of the file reaches its register: a file whose every value differs in bit 4 from the
// machine's is restored, and the next save shows the new values, except where the register itself
// decides (unimplemented bits, values composed from other state).
TEST_F(SaveRestoreTest, EveryLineIsApplied)
{
    make_machine();
    scribble(0x1111);
    ok("alpha save registers");
    std::istringstream lines(slurp("save/registers"));
    std::string changed, line;
    std::vector<std::string> names;
    while (std::getline(lines, line)) {
        size_t at = line.find(" = ");
        ASSERT_NE(at, std::string::npos) << line;
        size_t digit = line.size() - 1; // the last hexadecimal digit but one is bit 4
        line[digit - 1] = "0123456789ABCDEF"[std::stoi(line.substr(digit - 1, 1), nullptr, 16) ^ 1];
        changed += line + "\n";
        names.push_back(line.substr(0, at));
    }
    spit("save/registers", changed);
    EXPECT_EQ(ok("alpha ram registers"), "save/registers restored");
    ok("alpha save registers after");
    std::istringstream again(slurp("after/registers")), expected(changed);
    // Registers whose value another state composes: TB (its halves follow it in the file), CTRL
    // (run latches and SMT request), TFMR (status bits), TIR (the thread's number), TSRL (priority).
    const std::set<std::string> composed = {"TB", "CTRL", "TFMR", "TIR", "TSRL"};
    std::string got, want, missed;
    while (std::getline(expected, want) && std::getline(again, got)) {
        if (got == want) continue;
        const std::string reg = want.substr(want.find(" : ") + 3, want.find(" = ") - want.find(" : ") - 3);
        if (composed.count(reg)) continue;
        const std::string file_name = reg == "PPR32" ? "PPR" : reg == "TST" ? "TTR" : reg;
        Register_File_Entry *entry = Find_Register_By_Name(first, file_name.c_str());
        if (!entry || (Register_Entry_Mask(entry) & 0x10)) missed += want + ";";
    }
    EXPECT_EQ(missed, "");
}

// A running guest, restored to a midpoint and run again, reaches the same registers and memory.
TEST_F(SaveRestoreTest, ARestoredGuestRunsTheSameWayAgain)
{
    const std::string program = std::string(QUARN_GUEST_DIR) + "/fib_be64";
    if (access(program.c_str(), R_OK) != 0) GTEST_SKIP() << "no cross-compiled guest programs";
    ok("define dup myrrin sa; sa config standalone_app true; sa config memory_size 16M; define machine sa "
       "alpha");
    machine = Find_Machine_By_Name("alpha");
    ASSERT_NE(machine, nullptr);
    connect_subtable(machine->command_table, "save", build_saveCmd_table(nullptr), 0, nullptr);
    connect_subtable(machine->command_table, "ram", build_ramCmd_table(nullptr), 0, nullptr);
    ok("alpha load elf " + program);
    // Past the C start-up, into the recursion (no system calls until it ends).
    ok("alpha step 200000");
    EXPECT_EQ(ok("alpha save both middle"), "middle written");
    ok("alpha step 100000");
    ok("alpha save both first");
    EXPECT_EQ(ok("alpha ram both middle"), "middle restored");
    ok("alpha step 100000");
    ok("alpha save both second");
    EXPECT_NE(slurp("first/registers"), slurp("middle/registers"));
    std::istringstream a(slurp("first/registers")), b(slurp("second/registers"));
    std::string left, right, differing;
    // The time registers follow the time base, a divided clock: restored at another phase of it,
    // they may differ by one tick.
    const std::set<std::string> timed = {"TB", "TBL", "HDEC", "DEC", "PURR", "SPURR"};
    while (std::getline(a, left) && std::getline(b, right)) {
        if (left == right) continue;
        const size_t name = left.find(" : ") + 3, value = left.find(" = 0x");
        const std::string reg = left.substr(name, value - name);
        if (timed.count(reg) && right.compare(0, value, left, 0, value) == 0) {
            const int64_t x = (int64_t)std::stoull(left.substr(value + 5), nullptr, 16);
            const int64_t y = (int64_t)std::stoull(right.substr(value + 5), nullptr, 16);
            if (x - y <= 1 && y - x <= 1) continue;
        }
        differing += left + " | " + right + "\n";
    }
    EXPECT_EQ(differing, "");
    EXPECT_TRUE(slurp("second/memory") == slurp("first/memory"));
}

TEST_F(SaveRestoreTest, SavesNeverReplaceADirectory)
{
    make_machine();
    EXPECT_EQ(ok("alpha save registers"), "save/registers written");
    EXPECT_EQ(ok("alpha save registers"), "save.0/registers written");
    EXPECT_EQ(ok("alpha save memory"), "save.1/memory written");
    EXPECT_EQ(ok("alpha ram registers save.0"), "save.0/registers restored");
    EXPECT_EQ(fails("alpha ram registers nowhere"), "Error opening save file: nowhere");
}

// Each damaged file is refused as a whole: nothing of it reaches the machine.
TEST_F(SaveRestoreTest, DamagedRegisterFilesChangeNothing)
{
    make_machine();
    scribble(0x1111);
    ok("alpha save registers");
    const std::string good = slurp("save/registers");
    const std::string second_name = std::string(second->name) + " : ";
    ASSERT_NE(good.find(second_name), std::string::npos);

    auto replace_first = [&](const std::string &from, const std::string &to) {
        std::string text = good;
        size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const struct {
        const char *what;
        std::string text;
    } cases[] = {
        {"second thread named as another", replace_first(second_name + "gpr 0", "9:9 : gpr 0")},
        {"cut inside a line", good.substr(0, good.find(second_name + "fpr 7") + second_name.size() + 12)},
        {"cut after the first thread", good.substr(0, good.find(second_name))},
        {"wrong gpr number", replace_first(" : gpr 4 = ", " : gpr 5 = ")},
        {"32-bit register beyond 32 bits", replace_first(" : CR = 0x", " : CR = 0x1")},
        {"not a number", replace_first(" : LR = 0x", " : LR = 0xg")},
        {"empty", ""},
    };
    scribble(0x2222);
    for (const auto &c : cases) {
        spit("save/registers", c.text);
        EXPECT_EQ(fails("alpha ram registers"), "save/registers not restored") << c.what;
        EXPECT_EQ(first->GPR[3].value, 0x2225u) << c.what;
        EXPECT_EQ(first->LR.value, 0x2262u) << c.what;
        EXPECT_EQ(core->SCRATCH0.value, 0x2292u) << c.what;
    }
    // Lines after the last block do not matter.
    spit("save/registers", good + "trailing words\n");
    EXPECT_EQ(ok("alpha ram registers"), "save/registers restored");
    EXPECT_EQ(first->GPR[3].value, 0x1114u);
}

TEST_F(SaveRestoreTest, ThreadsWithoutSlbEntriesHaveNoSlbLines)
{
    make_machine();
    const int32_t entries[2] = {first->slb_entries, second->slb_entries};
    ASSERT_GT(entries[0], 0);
    first->slb_entries = second->slb_entries = 0;
    ok("alpha save registers");
    EXPECT_EQ(slurp("save/registers").find(" : slb "), std::string::npos);
    EXPECT_EQ(ok("alpha ram registers"), "save/registers restored");
    // A file with slb lines is foreign to threads that have none.
    first->slb_entries = entries[0];
    second->slb_entries = entries[1];
    ok("alpha save registers with_slb");
    first->slb_entries = second->slb_entries = 0;
    EXPECT_EQ(fails("alpha ram registers with_slb"), "with_slb/registers not restored");
    first->slb_entries = entries[0];
    second->slb_entries = entries[1];
}

TEST_F(SaveRestoreTest, ARestoreNeedsEveryProcessorBlock)
{
    make_machine();
    ok("alpha save registers");
    Machine_Quit(machine);
    ok("define dup myrrin pair; pair config memory_size 1M; pair config cpus 2;"
       "pair config processor/number_of_threads 2; define machine pair beta");
    GenericMachine *two = Find_Machine_By_Name("beta");
    ASSERT_NE(two, nullptr);
    connect_subtable(two->command_table, "ram", build_ramCmd_table(nullptr), 0, nullptr);
    EXPECT_EQ(fails("beta ram registers"), "save/registers not restored");
}

TEST_F(SaveRestoreTest, MemoryImagesOfTheWrongSizeAreRefused)
{
    make_machine();
    scribble(0x1111);
    ok("alpha save both");
    const std::string image = slurp("save/memory");
    scribble(0x2222);
    for (const std::string &text : {image.substr(0, image.size() / 2), image + "x", std::string()}) {
        spit("save/memory", text);
        EXPECT_EQ(fails("alpha ram memory"), "save/memory not restored");
        // The registers of "both" wait for the memory check as well.
        EXPECT_EQ(fails("alpha ram both"), "save/memory not restored");
        EXPECT_EQ(memory()[4096], (uint8_t)0x23);
        EXPECT_EQ(first->GPR[3].value, 0x2225u);
    }
}

TEST_F(SaveRestoreTest, MemoryBeyondOneChunkOfTheFirstRegionIsRefused)
{
    const struct {
        const char *config;
    } cases[] = {
        {"small config memory_alloc_size 256K;"}, // four chunks
        {"small config memory_regions 2;"},       // a second region beyond the first one's bytes
    };
    std::filesystem::create_directory("save");
    for (const auto &c : cases) {
        make_machine(c.config);
        EXPECT_EQ(fails("alpha save memory"), "No support for checkpointing multiple chunks memory")
            << c.config;
        EXPECT_EQ(fails("alpha save both"), "No support for saving multiple chunks memory") << c.config;
        EXPECT_EQ(fails("alpha ram memory save"), "No support for restoring multiple chunks memory")
            << c.config;
        Machine_Quit(machine);
        ok("small quit");
    }
}

class PicCheckpointTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ok("define dup myrrin small; small config memory_size 1M; define machine small alpha");
        machine = Find_Machine_By_Name("alpha");
        ASSERT_NE(machine, nullptr);
        pic = PPCIC_Of_Chip(machine->mcms[0]);
        ASSERT_NE(pic, nullptr);
        Initialize_Selector(&selector);
        Define_Selected_Machine(&selector, machine);
    }
    std::string call(SimCmdHandler handler, std::vector<std::string> words)
    {
        std::vector<char *> argv;
        for (std::string &w : words)
            argv.push_back(w.data());
        Tcl_ResetResult(interp);
        EXPECT_EQ(handler(&selector, interp, (int)argv.size(), argv.data()), 0);
        return Tcl_GetStringResult(interp);
    }

    GenericMachine *machine = nullptr;
    PPCIC_s *pic = nullptr;
    Selector selector{};
};

TEST_F(PicCheckpointTest, RestartedValuesReadBack)
{
    for (const char *value : {"1,10,1,40", "2,20,1,41", "3,30,0,42"})
        call(pic_restartCmd, {"pic_restart", "ic_src", "0", value, "0"});
    EXPECT_EQ(call(pic_checkpointCmd, {"pic", "ic_src", "0", "0", "0"}), "3,30,0,42");
    EXPECT_EQ(call(pic_checkpointCmd, {"pic", "ic_src", "2", "0", "0"}), "1,10,1,40");
    EXPECT_EQ(call(pic_checkpointCmd, {"pic", "ic_src", "3", "0", "0"}), "null");
    EXPECT_EQ(call(pic_displayCmd, {"pic", "ic_src_num"}), "3");

    call(pic_restartCmd, {"pic_restart", "MFRR", "1", "5", "0"});
    EXPECT_EQ(call(pic_checkpointCmd, {"pic", "mfrr", "1", "0", "0"}), "5");
    call(pic_restartCmd, {"pic_restart", "ic_pending", "0", "0,7,99", "7"});
    EXPECT_EQ(call(pic_checkpointCmd, {"pic", "ic_pending", "0", "7", "0"}), "0,7,99");
    EXPECT_EQ(call(pic_checkpointCmd, {"pic", "ic_pending", "0", "7", "1"}), "null");
    EXPECT_EQ(call(pic_checkpointCmd, {"pic", "num_ic_pending", "0", "7", "0"}), "1\n");
    // Threads and priorities outside the controller read and change nothing.
    EXPECT_EQ(call(pic_checkpointCmd, {"pic", "mfrr", "600", "0", "0"}), "");
    EXPECT_EQ(call(pic_checkpointCmd, {"pic", "ic_pending", "0", "-1", "0"}), "null");
    call(pic_restartCmd, {"pic_restart", "ic_pending", "-3", "1,1,1", "7"});
}

TEST_F(PicCheckpointTest, DisplayIgnoresCase)
{
    const struct {
        const char *field;
        const char *value;
    } cases[] = {{"max_proc", "512"}, {"MAX_PROC", "512"}, {"Max_Prio", "255"},
                 {"TYPE", "1"},       {"ic_src_num", "0"}, {"other", "0"}};
    for (const auto &c : cases)
        EXPECT_EQ(call(pic_displayCmd, {"pic", c.field}), c.value) << c.field;
}

} // namespace
