// The thread-level commands of a machine: register display and set, memory values and files,
// program arguments, thread control, interrupt injection, settings and the tables' listings.
#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

#include "command/memory_commands.h"
#include "command/processor_cmd_tables.h"
#include "command/register_commands.h"
#include "command_fixture.h"
#include "machine/machine_lifecycle.h"
#include "memory/memory_map.h"
#include "memory/memory_region.h"
#include "processor/records/exception_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_table.h"
#include "support/image_builder.h"

namespace
{

class ThreadCommandsTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
        machine = Find_Machine_By_Name("alpha");
        thread0 = GenericMachine__Thread(machine, 0);
        ASSERT_NE(thread0, nullptr);
    }
    std::vector<std::string> lines(const std::string &text)
    {
        std::vector<std::string> result;
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            result.push_back(text.substr(start, end - start));
        return result;
    }
    GenericMachine *machine = nullptr;
    ThreadState *thread0 = nullptr;
};

// ---- registers ----

TEST_F(ThreadCommandsTest, GprSetEchoesTheWordAndDisplayReadsItBack)
{
    EXPECT_EQ(ok("alpha thread 0 set gpr 3 0x10"), "0x10");
    EXPECT_EQ(thread0->GPR[3].value, 0x10u);
    EXPECT_EQ(ok("alpha display gpr 3"), "0x0000000000000010");
    EXPECT_EQ(fails("alpha thread 0 set gpr 3 12z"), "set gpr: error reading value");
    EXPECT_EQ(fails("alpha display gpr 32"), "Error: (alpha display gpr) : Invalid gpr number found:32");

    thread0->GPR[0].value = 0xABC;
    thread0->GPR[31].value = 7;
    std::vector<std::string> all = lines(ok("alpha display gpr values"));
    ASSERT_EQ(all.size(), 32u);
    EXPECT_EQ(all.front(), "GPR00 = 0x0000000000000ABC");
    EXPECT_EQ(all.back(), "GPR31 = 0x0000000000000007");
    // Only the exact word lists; "Values" reads as a number that is not one, so GPR 0.
    EXPECT_EQ(ok("alpha display gpr Values"), "0x0000000000000ABC");
}

TEST_F(ThreadCommandsTest, FprIsTheHighHalfOfItsVsr)
{
    thread0->VSR[2].value[0] = 0x1234;
    EXPECT_EQ(ok("alpha thread 0 set fpr 2 0x4000000000000000"), "0x4000000000000000");
    EXPECT_EQ(ok("alpha display vsxr 2"), "0x4" + std::string(31, '0'));
    EXPECT_EQ(ok("alpha display fpr_as_fp 2"), "2               ");
    EXPECT_EQ(fails("alpha display fpr 32"), "Error: (alpha display fpr) : Invalid fpr number found:32");
}

TEST_F(ThreadCommandsTest, VmxElementWritesChangeOnlyTheirElement)
{
    const uint64_t high = 0x1111111122222222ull, low = 0x3333333344444444ull;
    const struct {
        const char *command;
        uint64_t high, low;
        const char *shown;
    } cases[] = {
        {"set vmx 3 4 1 0x1234", 0x1111111100001234ull, low, "0x11111111, 0x00001234, 0x33333333, 0x44444444"},
        {"set vmx 3 2 9 5", high, low, "0x1111, 0x1111, 0x2222, 0x2222, 0x3333, 0x3333, 0x4444, 0x4444"},
        {"set vmx 3 16 1 0", high, low, "0x11111111222222223333333344444444"},
        {"set vmx 3 1 15 0x1FF", high, 0x33333333444444FFull,
         "0x11, 0x11, 0x11, 0x11, 0x22, 0x22, 0x22, 0x22, 0x33, 0x33, 0x33, 0x33, 0x44, 0x44, 0x44, 0xFF"},
    };
    for (const auto &c : cases) {
        thread0->VSR[35].value[1] = high;
        thread0->VSR[35].value[0] = low;
        EXPECT_EQ(ok(std::string("alpha thread 0 ") + c.command), c.shown) << c.command;
        EXPECT_EQ(thread0->VSR[35].value[1], c.high) << c.command;
        EXPECT_EQ(thread0->VSR[35].value[0], c.low) << c.command;
    }
    EXPECT_EQ(fails("alpha thread 0 set vmx 3 3 0 1"), "Error: Invalid vmxr size found:3");
    EXPECT_EQ(fails("alpha thread 0 set vmx 3 4 16 1"), "Error: Invalid vmxr index found:16");
    EXPECT_EQ(fails("alpha thread 0 set vmx 32 4 0 1"), "Error: Invalid vmxr number found:32");
}

TEST_F(ThreadCommandsTest, VectorHexParsing)
{
    const struct {
        const char *text;
        int ok;
        uint8_t last, first;
    } cases[] = {
        {"", 1, 0, 0},          {"0x", 1, 0, 0},  {"0X1", 1, 0x01, 0}, {"abC", 1, 0xBC, 0},
        {"0x123", 1, 0x23, 0},  {"12g4", 0, 0, 0}, {"0x-1", 0, 0, 0},
        {"ff000000000000000000000000000001", 1, 0x01, 0xFF},
        // 33 digits do not fit the register.
        {"100000000000000000000000000000000", 0, 0, 0},
    };
    for (const auto &c : cases) {
        uint8_t bytes[16];
        memset(bytes, 0xAA, sizeof bytes);
        EXPECT_EQ(Parse_vmxr_hex(c.text, bytes), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(bytes[15], c.last) << c.text;
        EXPECT_EQ(bytes[0], c.first) << c.text;
    }
    uint8_t bytes[16];
    ASSERT_EQ(Parse_vmxr_hex("0x123", bytes), 1);
    EXPECT_EQ(bytes[14], 0x01);

    EXPECT_EQ(ok("alpha thread 0 set vmxr 0 0x1"), "0x" + std::string(31, '0') + "1");
    EXPECT_EQ(thread0->VSR[32].value[0], 1u);
    EXPECT_EQ(fails("alpha thread 0 set vmxr 0 xyz"), "usage: set vmxr [reg-num] [128-bit hex value]");
    EXPECT_EQ(fails("alpha thread 0 set vsxr 1 0x" + std::string(33, '1')),
              "usage: set vsxr [reg-num] [128-bit hex value]");
    EXPECT_EQ(ok("alpha thread 0 set vsxr 63 0x0102"), "0x" + std::string(28, '0') + "0102");
    EXPECT_EQ(thread0->VSR[63].value[0], 0x102u);
    EXPECT_EQ(thread0->VSR[63].rfe->access_kind, 7);
}

TEST_F(ThreadCommandsTest, SprNamesNumbersAndTheStrictFlag)
{
    int32_t pvr = Find_SPR_Number(thread0->processor, "pvr");
    ASSERT_NE(pvr, 16000);
    std::string value = ok("alpha display spr pvr");
    EXPECT_EQ(ok("alpha display spr " + std::to_string(pvr)), value);
    EXPECT_EQ(value.size(), 10u); // a 4-byte register

    const char *hint = "Use 'display spr [list|values]' to see the supported sprs.\n";
    EXPECT_EQ(fails("alpha display spr nosuch"), std::string("Display Error: Unknown spr name: nosuch\n") + hint);
    EXPECT_EQ(fails("alpha display spr 9999"), std::string("Display Error: Unknown spr name: 9999\n") + hint);
    machine->machine_options[MO_STRICT] = 0;
    EXPECT_EQ(ok("alpha display spr nosuch"), std::string("Display Error: Unknown spr name: nosuch\n") + hint);
    machine->machine_options[MO_STRICT] = 1;

    EXPECT_EQ(ok("alpha thread 0 set spr ctr 0x55"), "0x0000000000000055");
    EXPECT_EQ(ok("alpha display spr CTR"), "0x0000000000000055");
    EXPECT_EQ(fails("alpha thread 0 set spr ctr 5x"), "set spr: error reading value");
    EXPECT_EQ(fails("alpha thread 0 set spr nosuch 1"), std::string("Set Error: Unknown spr name: nosuch\n") + hint);
    EXPECT_EQ(std::string(Translate_SPR_Name("DMA_U")), "dmau");
    EXPECT_EQ(std::string(Translate_SPR_Name("hid_g")), "HID2");
}

TEST_F(ThreadCommandsTest, CheckpointAndSlbDisplay)
{
    std::vector<std::string> gprs = lines(ok("alpha display tm gprs"));
    ASSERT_EQ(gprs.size(), 32u);
    EXPECT_EQ(gprs[3], "    3: 0000000000000000");
    EXPECT_EQ(gprs[31], "   31: 0000000000000000");
    // The limited table takes one word after tm; the full one reaches the two-word forms.
    EXPECT_EQ(fails("alpha display tm spr list"), "Usage: alpha display tm {name|list}");

    ASSERT_GT(thread0->slb_entries, 1);
    thread0->slb[1].valid = 1;
    thread0->slb[1].vsid = 0x123;
    thread0->slb[1].esid_base = 0x10000000;
    const char *header = " #        VSID              ESID         Ks Kp N  L  C  V  LP B\n";
    const char *line = " 1 0x0000000000000123 0x0000000010000000 0  0  0  0  0  1  0  0\n";
    EXPECT_EQ(ok("alpha display slb valid"), std::string(header) + line);
    EXPECT_EQ(ok("alpha display slb 1"), std::string(header) + line);
    EXPECT_EQ(lines(ok("alpha display slb ALL")).size(), (size_t)thread0->slb_entries + 1);
    EXPECT_EQ(fails("alpha display slb 9999"), "Error: (alpha display slb) : Invalid SLB number found:9999");

    EXPECT_EQ(ok("alpha display tm spr"),
              "Error: must specify SPR name|list|values\nUsage: alpha display tm spr {name|list|values}");
    EXPECT_EQ(fails("alpha display tm bogus"),
              "Display Error: Unknown tm name: bogus\nUse 'alpha display tm' to see the supported names.");
}

// ---- memory ----

TEST_F(ThreadCommandsTest, UnitSizeNames)
{
    const struct {
        const char *name;
        int size;
    } cases[] = {{"byte", 1}, {"BYTE", 1}, {"Byte", -1}, {"half", 2}, {"INT16", 2}, {"word", 4},
                 {"4", 4},    {"long", 8}, {"LONGLONG", 8}, {"quad", -1}, {"", -1}};
    for (const auto &c : cases)
        EXPECT_EQ(ConvertMemSize2Enum(c.name), c.size) << c.name;
}

TEST_F(ThreadCommandsTest, MemoryValuesAndTheirText)
{
    EXPECT_EQ(ok("alpha memory set 0x1000 half 0x12345"), "0x0000000000012345");
    EXPECT_EQ(ok("alpha memory display 0x1000 half"), "0x2345");
    EXPECT_EQ(ok("alpha memory display 0x1000 word"), "0x23450000");
    EXPECT_EQ(ok("alpha memory display 0x1000 word 4"), "0x23450000 0x00000000 0x00000000 0x00000000\n");
    EXPECT_EQ(ok("alpha memory display 0x1000 word 3"), "0x23450000 0x00000000 0x00000000 ");
    // A range past the end of memory is refused before anything is shown.
    char end[64];
    snprintf(end, sizeof end, "Illegal Address 0x%016lX\n", (unsigned long)machine->total_memory);
    for (const char *count : {"0x8000000000000000", "0x2000000000000001", "0x4000000"})
        EXPECT_EQ(fails(std::string("alpha memory display 0x1000 long ") + count), end) << count;
    std::string last = std::to_string(machine->total_memory - 16);
    EXPECT_EQ(ok("alpha memory display " + last + " long 2"), "0x0000000000000000 0x0000000000000000\n");
    EXPECT_EQ(fails("alpha memory display " + last + " long 3"), end);
    std::string bytes = ok("alpha memory display 0x1000 byte 20");
    EXPECT_EQ(lines(bytes).size(), 1u);
    EXPECT_EQ(bytes.find('\n'), 16 * 5 - 1u);
    EXPECT_EQ(bytes.substr(bytes.size() - 5), "0x00 ");

    EXPECT_EQ(ok("alpha memory display 0x1000"), "display {address} [{unit-size} [repeat_count] | STRING]");
    EXPECT_EQ(fails("alpha memory display 0x1000 Byte"), "display {address} [{unit-size} [repeat_count] | STRING]");
    EXPECT_EQ(fails("alpha memory set 0x1000 huge 1"), "usage: memory set [address] [scalar-size] [64-bit value]");
    EXPECT_EQ(fails("alpha memory set 0x10z0 byte 1"),
              "Error reading address got 0x0000000000000010 from 0x10z0\n"
              "    usage: memory set [address] [scalar-size] [64-bit value]");

    const uint8_t text[] = {'A', 'B', 10, 'C', 0};
    for (size_t i = 0; i < sizeof text; i++)
        ok("alpha memory set " + std::to_string(0x2000 + i) + " byte " + std::to_string(text[i]));
    EXPECT_EQ(ok("alpha memory display 0x2000 STRING"), "AB.C");
}

TEST_F(ThreadCommandsTest, PiecesStayInsideOneChunk)
{
    sim_memory *region = machine->region_instances[0];
    ASSERT_NE(region, nullptr);
    uint64_t chunk = (uint64_t)region->chunk_size;
    MemoryPiece piece;
    ASSERT_TRUE(Memory_Piece(machine, chunk - 0x10, 0x1000, &piece));
    EXPECT_EQ(piece.length, 0x10u);
    ASSERT_TRUE(Memory_Piece(machine, 0x20, machine->total_memory, &piece));
    EXPECT_EQ(piece.length, std::min<uint64_t>(chunk, MEMTCL_MAX_PIECE) - 0x20);
    EXPECT_EQ(piece.physical, region->start + 0x20);
    EXPECT_FALSE(Memory_Piece(machine, machine->total_memory, 1, &piece));
}

TEST_F(ThreadCommandsTest, FileRangesAreCheckedWithoutWrapAround)
{
    std::string size = std::to_string(machine->total_memory);
    char expected[200];
    snprintf(expected, sizeof expected,
             "FWrite does not work with memory mapped address ranges (Address 0x0000000000001000 > Memory Size of %s)\n",
             size.c_str());
    EXPECT_EQ(fails("alpha memory fwrite 0x1000 0xFFFFFFFFFFFFF000 f"), expected);
    EXPECT_EQ(fails("alpha memory fwrite 0x1000 " + size + " f"), expected);
    EXPECT_EQ(ok("alpha memory fwrite 0 0 empty"), "0");
    FILE *f = fopen("empty", "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(fgetc(f), EOF);
    fclose(f);
}

TEST_F(ThreadCommandsTest, FileRoundTripsRestoreTheBytes)
{
    ok("alpha memory set 0x100 long 0x0102030405060708");
    ok("alpha memory set 0x3FFFFF8 long 0x1122334455667788");
    uint64_t rest = machine->total_memory - 0x100;
    EXPECT_EQ(ok("alpha memory fwritegz 0x100 0 all.gz"), std::to_string(rest) + " bytes written from memory\n");
    ok("alpha memory fwrite 0x100 8 plain");
    ok("alpha memory set 0x100 long 0");
    ok("alpha memory set 0x3FFFFF8 long 0");
    EXPECT_EQ(ok("alpha memory freadgz 0x100 0 all.gz"), std::to_string(rest) + " bytes read into memory\n");
    EXPECT_EQ(ok("alpha memory display 0x100 long"), "0x0102030405060708");
    EXPECT_EQ(ok("alpha memory display 0x3FFFFF8 long"), "0x1122334455667788");

    ok("alpha memory set 0x100 long 0");
    EXPECT_EQ(ok("alpha memory fread 0x100 8 plain"), "8");
    EXPECT_EQ(ok("alpha memory display 0x100 long"), "0x0102030405060708");
    EXPECT_EQ(fails("alpha memory fread 0x100 16 plain"), "Error reading file plain\n");
    EXPECT_EQ(fails("alpha memory fread 0x100 8 missing"), "Error opening file missing for reading\n");
    // A short gzip file delivers what it has.
    gzFile file = gzopen("short.gz", "w");
    ASSERT_NE(file, nullptr);
    gzwrite(file, "\x01\x02\x03\x04", 4);
    gzclose(file);
    EXPECT_EQ(ok("alpha memory freadgz 0x200 64 short.gz"), "4 bytes read into memory\n");
    EXPECT_EQ(ok("alpha memory display 0x200 word"), "0x01020304");
    EXPECT_EQ(fails("alpha memory freadgz 0x200 64 missing.gz"), "Error opening file missing.gz for reading\n");
}

TEST_F(ThreadCommandsTest, CompressedImagesSkipUntouchedChunks)
{
    sim_memory *region = machine->region_instances[0];
    uint64_t chunk = (uint64_t)region->chunk_size;
    uint32_t last = (uint32_t)region->num_chunks - 1;
    ASSERT_EQ(region->chunks[last], nullptr);
    uint64_t start = last * chunk;
    std::string range = std::to_string(start) + " " + std::to_string(chunk);
    EXPECT_EQ(ok("alpha memory fwritecmp " + range + " untouched.cmp"), std::to_string(chunk));
    EXPECT_EQ(region->chunks[last], nullptr);
    gzFile file = gzopen("untouched.cmp", "r");
    ASSERT_NE(file, nullptr);
    std::vector<char> content(2 * chunk);
    int length = gzread(file, content.data(), (unsigned)content.size());
    gzclose(file);
    std::vector<int32_t> flags((size_t)length / 4);
    memcpy(flags.data(), content.data(), flags.size() * 4);
    EXPECT_EQ(length, 4 * (int)((chunk + MEMTCL_MAX_PIECE - 1) / MEMTCL_MAX_PIECE));
    for (int32_t flag : flags)
        EXPECT_EQ(flag, 0);
    // Reading it back leaves RAM as it was and still makes no chunk.
    EXPECT_EQ(ok("alpha memory freadcmp " + range + " untouched.cmp"), std::to_string(chunk));
    EXPECT_EQ(region->chunks[last], nullptr);

    ok("alpha memory set 0x40 word 0xCAFE");
    ok("alpha memory fwritecmp 0 0x100 touched.cmp");
    ok("alpha memory set 0x40 word 0");
    ok("alpha memory freadcmp 0 0x100 touched.cmp");
    EXPECT_EQ(ok("alpha memory display 0x40 word"), "0x0000CAFE");

    // A piece flagged as present whose bytes are missing is an error; so is a file that cannot be made.
    file = gzopen("cut.cmp", "w");
    ASSERT_NE(file, nullptr);
    gzwrite(file, "\x01\0\0\0", 4);
    gzclose(file);
    EXPECT_EQ(fails("alpha memory freadcmp 0 0x100 cut.cmp"), "Error reading file cut.cmp\n");
    for (const char *command : {"fwrite", "fwritecmp", "fwritegz"})
        EXPECT_EQ(fails(std::string("alpha memory ") + command + " 0 8 no/such/file"),
                  "Error opening file no/such/file for writing\n")
            << command;
}

// ---- program arguments ----

TEST_F(ThreadCommandsTest, SetargsLaysOutTheArgumentVectorBelowTheStackTop)
{
    EXPECT_EQ(fails("alpha setargs a b"), "\nERROR: config setargs needs to have an elf object loaded first!");
    machine->stack_top = 0x100000;
    thread0->MSR.value |= 0x8000000000000000ull;
    for (uint64_t at = 0x100000 - 0x200; at < 0x100000; at += 8) // what an earlier run left there
        ok("alpha memory set " + std::to_string(at) + " long 0xFFFFFFFFFFFFFFFF");
    EXPECT_EQ(ok("alpha setargs a b"), "");
    std::string path = "alpha setargs";
    uint64_t area = 5 * 8 + (path.size() + 8) + 9 + 9;
    uint64_t top = (0x100000 - area) & ~7ull;
    EXPECT_EQ(machine->stack_top, top);
    EXPECT_EQ(thread0->GPR[3].value, 3u);
    EXPECT_EQ(thread0->GPR[4].value, top);
    char pointer[32];
    snprintf(pointer, sizeof pointer, "0x%016lX", (unsigned long)(top + 5 * 8));
    EXPECT_EQ(ok("alpha memory display " + std::to_string(top) + " long"), pointer);
    EXPECT_EQ(ok("alpha memory display " + std::to_string(top + 40) + " STRING"), path);
    EXPECT_EQ(ok("alpha memory display " + std::to_string(top + 40 + path.size() + 1) + " STRING"), "a");
    EXPECT_EQ(ok("alpha memory display " + std::to_string(top + 3 * 8) + " long"), "0x0000000000000000");
    // The program's stack starts below the area, aligned, its back chain zero.
    uint64_t stack = (top - 112) & ~15ull;
    EXPECT_EQ(thread0->GPR[1].value, stack);
    EXPECT_EQ(ok("alpha memory display " + std::to_string(stack) + " long"), "0x0000000000000000");

    // A little-endian program reads its pointers in its own byte order.
    thread0->MSR.value |= 1;
    ok("alpha setargs a");
    top = machine->stack_top;
    snprintf(pointer, sizeof pointer, "0x%016lX", (unsigned long)__builtin_bswap64(top + 4 * 8));
    EXPECT_EQ(ok("alpha memory display " + std::to_string(top) + " long"), pointer);
    thread0->MSR.value &= ~1ull;

    // A 32-bit thread uses 4-byte pointers.
    thread0->MSR.value &= ~0x8000000000000000ull;
    uint64_t before = machine->stack_top;
    ok("alpha setargs x");
    uint64_t top32 = (before - (4 * 4 + (path.size() + 8) + 9)) & ~7ull;
    EXPECT_EQ(machine->stack_top, top32);
    snprintf(pointer, sizeof pointer, "0x%08X", (unsigned)(top32 + 4 * 4));
    EXPECT_EQ(ok("alpha memory display " + std::to_string(top32) + " word"), pointer);
}

TEST_F(ThreadCommandsTest, LoadingAProgramSetsTheStackTop)
{
    ElfBuilder e;
    e.sections.push_back({1, 0x6, 0x10000100, be32_words({0x38600005, 0x38630007, 0x48000000})});
    e.sections.push_back({1, 0x3, 0x10010000, be64_words({0x10000100, 0x10018000})});
    e.segments.push_back({1, 0x10000000, {}, 0x100, 5});
    e.entry = 0x10010000;
    std::string path = write_file("prog.elf", e.build());
    EXPECT_EQ(machine->stack_top, ~0ull);
    ok("alpha load elf " + path);
    EXPECT_EQ(machine->stack_top, thread0->GPR[1].value);
    EXPECT_EQ(ok("alpha setargs"), "");
    EXPECT_EQ(thread0->GPR[3].value, 1u);
}

// ---- thread control and interrupts ----

TEST_F(ThreadCommandsTest, StallAndConfigOn)
{
    // A stalled thread keeps its first reason, so the thread runs before the command stalls it.
    EXPECT_EQ(ok("alpha config_on"), "CPU 0:0:0 set running");
    EXPECT_EQ(ok("alpha stall").substr(0, 22), "Thread 0:0:0 stalled\nC");
    EXPECT_EQ(thread0->x_threadState, (uint32_t)CPU_STALLED);
    EXPECT_EQ(thread0->stall_reason, STALL_TCL_COMMAND);
    EXPECT_EQ(Thread_Check_Manual_Disable(thread0), 1u);
    EXPECT_EQ(fails("alpha start_thread 0x100"), "");
    EXPECT_EQ(ok("alpha config_on"), "CPU 0:0:0 set running");
    EXPECT_EQ(thread0->x_threadState, (uint32_t)CPU_RUNNING);
    EXPECT_EQ(Thread_Check_Manual_Disable(thread0), 0u);
}

TEST_F(ThreadCommandsTest, InterruptsAreQueuedOnTheSelectedThread)
{
    ThreadState *thread1 = GenericMachine__Thread(machine, 1);
    EXPECT_EQ(ok("alpha interrupt Decrementer"), "Scheduled alpha interrupt Decrementer Interrupt");
    ASSERT_NE(thread0->interrupt_queue.head, nullptr);
    EXPECT_EQ(thread0->interrupt_queue.head->type, 18);
    EXPECT_EQ(ok("alpha thread 1 interrupt DataStorageSegmentFault 0x1000 S"),
              "Scheduled alpha thread 1 interrupt DataStorageSegmentFault Interrupt");
    ASSERT_NE(thread1->interrupt_queue.head, nullptr);
    EXPECT_EQ(thread1->interrupt_queue.head->address, 0x1000u);
    EXPECT_EQ(ok("alpha thread 1 interrupt SystemCall"), "Scheduled alpha thread 1 interrupt SystemCall Interrupt");

    EXPECT_EQ(fails("alpha interrupt AlignmentException x"), "Error: expected L(oad) or S(tore), got x");
    EXPECT_EQ(fails("alpha interrupt DataStorageSegmentFault 12z L"),
              "Error: reading address got 0x000000000000000C from 12z");
    EXPECT_EQ(fails("alpha interrupt External raise 0"), "alpha interrupt External: isrc is out of range: 0");
    EXPECT_EQ(fails("alpha interrupt External Raise 5"), "alpha interrupt External: unknown interrupt type: Raise");
    EXPECT_EQ(ok("alpha interrupt External raise 5"), "");
}

// ---- settings and names ----

TEST_F(ThreadCommandsTest, NamesAtEachLevel)
{
    EXPECT_EQ(ok("alpha display name"), "machine name is alpha");
    EXPECT_EQ(ok("alpha mcm 0 display name"), "MCM name is " + std::string(machine->mcms[0]->name));
    EXPECT_EQ(ok("alpha cpu 0 thread 0 set name fred"), "Thread name is fred");
    EXPECT_STREQ(thread0->name, "fred");
    EXPECT_EQ(ok("alpha thread 0 display name"), "Thread name is fred");
}

TEST_F(ThreadCommandsTest, UnattachedSettingsTables)
{
    ProcessorState *core = thread0->processor;
    SimCmdTable *set = build_ppc_setCmd_table();
    SimCmdTable *display = build_ppc_displayCmd_table();
    connect_subtable(thread0->command_table, "fullset", set, 0, nullptr);
    connect_subtable(thread0->command_table, "fulldisplay", display, 0, nullptr);
    EXPECT_EQ(fails("alpha thread 0 fullset cpi abc"), "Expected floating point number; got abc");
    EXPECT_EQ(ok("alpha thread 0 fullset cpi -1"), "CPI was negative; treat as 0 (off)\nProcessor 0: cpi is off");
    EXPECT_EQ(ok("alpha thread 0 fullset cpi 1.5"), "Processor 0: cpi is 1.50");
    EXPECT_FLOAT_EQ(core->cpi, 1.5f);

    FreqSpec saved = *core->core_freq;
    core->core_freq->is_absolute = 1;
    core->core_freq->hz = 3500000000ull;
    EXPECT_EQ(ok("alpha thread 0 fulldisplay frequency"), "CPU Frequency is 3500MHz");
    core->core_freq->hz = 4000000000ull;
    EXPECT_EQ(ok("alpha thread 0 fulldisplay frequency"), "CPU Frequency is 4GHz");
    *core->core_freq = saved;

    EXPECT_EQ(ok("alpha thread 0 fulldisplay reservation"), "none");
    EXPECT_EQ(fails("alpha thread 0 fullset reservation 1000"), "");
    EXPECT_EQ(ok("alpha thread 0 fullset reservation 0x1000"), "");
    EXPECT_EQ(ok("alpha thread 0 fulldisplay reservation").substr(0, 14), "0x000000000000");
    ok("alpha thread 0 fullset reservation none");
    EXPECT_EQ(ok("alpha thread 0 fulldisplay reservation"), "none");
    EXPECT_EQ(ok("alpha thread 0 fulldisplay tm spr list"), "PC\nCR\nXER\nLR\nCTR\n");
    EXPECT_EQ(ok("alpha thread 0 fulldisplay tm gpr 5"), "0x0000000000000000");
    EXPECT_EQ(ok("alpha thread 0 fulldisplay itimes add addi"), "add: throughput 1\naddi: throughput 1\n");
    EXPECT_EQ(ok("alpha thread 0 fulldisplay itimes ADD"), "");
    EXPECT_EQ(ok("alpha thread 0 set kips 1000000"), "Kips Interval for 0:0:0 = 1000000");
    EXPECT_EQ(thread0->stats_interval, 1000000u);
    EXPECT_EQ(ok("alpha thread 0 fulldisplay status"), "CPU[0:0:0]: stalled, reason: Initial state");
    ok("alpha config_on");
    ok("alpha stall");
    EXPECT_EQ(ok("alpha thread 0 fulldisplay status"), "CPU[0:0:0]: stalled, reason: TCL command");
    EXPECT_EQ(ok("alpha thread 0 set msr_quarn_bit 0x8"), "0x0000000000000008");
    EXPECT_EQ(fails("alpha thread 0 set msr_quarn_bit 8q"), "set quarn msr value: error reading value");
    // The limited table has no reservation word.
    EXPECT_EQ(fails("alpha thread 0 set reservation none").rfind("alpha thread 0 set: command reservation not found\n", 0), 0u);
}

// ---- tables ----

TEST_F(ThreadCommandsTest, ThreadTableListing)
{
    std::string hidden = fails("alpha thread 0");
    const char *expected_hidden =
        "alpha thread 0: Available Commands\n\tconfig_on\n\tdtranslate \n\titranslate \n\tsetargs [args list]\n"
        "\tstall\n\tstart_thread {PC_address}\n\tstep {number of instructions}\n\tstop_thread\n"
        "\tcpu {cpu-number} ->\n\tdisplay ->\n\tinterrupt ->\n\tload ->\n\tmcm {mcm-number} ->\n\tmemory ->\n"
        "\tosinfo ->\n\tprocess ->\n\tset ->\n\tthread {thread-number} ->\n\tutil ->";
    EXPECT_EQ(hidden, expected_hidden);
    simcmd_reveal_mask = 0;
    std::string shown = fails("alpha thread 0");
    EXPECT_NE(shown.find("\tosinfo ->\n\tppc {ppc-number} ->\n\tprocess ->\n\tset ->\n\tthread {thread-number} "
                         "->\n\ttrigger ->\n\tutil ->"),
              std::string::npos);
    // The processor table has no display table, but the path word ppc still works.
    EXPECT_EQ(fails("alpha cpu 0 display gpr 3").substr(0, 40), "alpha cpu 0: command display not found\na");
    EXPECT_EQ(ok("alpha ppc 0 thread 0 display gpr 3"), "0x0000000000000000");
}

// The ELF's three instructions are run by "step".
TEST_F(ThreadCommandsTest, StepRunsTheLoadedProgram)
{
    ElfBuilder e;
    e.sections.push_back({1, 0x6, 0x10000100, be32_words({0x38600005, 0x38630007, 0x48000000})});
    e.sections.push_back({1, 0x3, 0x10010000, be64_words({0x10000100, 0x10018000})});
    e.segments.push_back({1, 0x10000000, {}, 0x100, 5});
    e.entry = 0x10010000;
    ok("alpha load elf " + write_file("prog.elf", e.build()));
    EXPECT_EQ(ok("alpha step 2"), "2");
    EXPECT_EQ(ok("alpha display gpr 3"), "0x000000000000000C");
    EXPECT_EQ(ok("alpha step 0"), "Value (0x0000000000000000) was less than or equal to 0; treat as 1\n1");
    EXPECT_EQ(ok("alpha thread 0 step 3"), "3");
    EXPECT_EQ(thread0->PC.value, 0x10000108u);
}

} // namespace
