// The ELF program loader: cross-compiled guest programs checked against the cross binutils'
// own reading of them, and hand-built images for the relocated, 32-bit, little-endian, standalone
// and malformed cases.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "loader_machine.h"
#include "loaders/elf_loader.h"
#include "processor/regs/msr_rules.h"

namespace
{

constexpr uint32_t PROGBITS = 1, RELA = 4, NOBITS = 8, PT_LOAD = 1;
constexpr uint64_t ALLOC = 0x2, EXEC = 0x4, WRITE = 0x1;
constexpr uint64_t MSR_64BIT_START = 0x9000000100001000ull;
constexpr uint64_t MSR_32BIT_START = 0x1000000100000000ull;
constexpr uint64_t STACK_64M = 0x4000000;

// What the cross binutils read from an image: its entry point and its section table.
struct ReadelfSection {
    std::string name;
    uint64_t address, offset, size;
};
struct Readelf {
    uint64_t entry = 0;
    uint64_t program_headers = 0;
    std::vector<ReadelfSection> sections;
    const ReadelfSection *containing(uint64_t address) const
    {
        for (const auto &s : sections)
            if (s.address && address >= s.address && address < s.address + s.size) return &s;
        return nullptr;
    }
};

bool run_readelf(const std::string &tool, const std::string &path, Readelf *out)
{
    std::string command = tool + " -h -S -W " + path + " 2>/dev/null";
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    char line[512];
    while (fgets(line, sizeof line, pipe)) {
        unsigned long long entry;
        if (sscanf(line, " Entry point address: %llx", &entry) == 1) out->entry = entry;
        unsigned long long count;
        if (sscanf(line, " Number of program headers: %llu", &count) == 1) out->program_headers = count;
        const char *bracket = strchr(line, ']');
        if (line[0] == ' ' && line[1] == ' ' && line[2] == '[' && bracket) {
            char name[128], type[64];
            unsigned long long address, offset, size;
            if (sscanf(bracket + 1, " %127s %63s %llx %llx %llx", name, type, &address, &offset, &size) == 5)
                out->sections.push_back({name, address, offset, size});
        }
    }
    return pclose(pipe) == 0 && out->entry != 0;
}

Bytes file_bytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint64_t file_word(const Bytes &file, uint64_t offset, int width, bool little_endian)
{
    uint64_t value = 0;
    for (int i = 0; i < width; i++) {
        int at = little_endian ? width - 1 - i : i;
        value = value << 8 | file[offset + at];
    }
    return value;
}

// A big-endian 64-bit program: an empty first segment at 0x10000000 (where the program headers
// go), two instructions at 0x10000100, the entry descriptor {0x10000100, TOC 0x10018000} at
// 0x10010000.
ElfBuilder be64_program()
{
    ElfBuilder e;
    e.sections.push_back({0, 0, 0, {}});
    e.sections.push_back({PROGBITS, ALLOC | EXEC, 0x10000100, be32_words({0x38600001, 0x4E800020})});
    e.sections.push_back({PROGBITS, ALLOC | WRITE, 0x10010000, be64_words({0x10000100, 0x10018000, 0})});
    e.segments.push_back({PT_LOAD, 0x10000000, {}, 0x200, 5});
    e.entry = 0x10010000;
    return e;
}

// A little-endian second-ABI program with its text at 0x10000100 (the entry) and an allocated
// relocation section at 0x10020000.
ElfBuilder le64_program()
{
    ElfBuilder e;
    e.little_endian = true;
    e.e_flags = 2;
    e.sections.push_back({0, 0, 0, {}});
    e.sections.push_back({PROGBITS, ALLOC | EXEC, 0x10000100, {0x01, 0x00, 0x60, 0x38}});
    e.sections.push_back({RELA, ALLOC, 0x10020000, {0xAA, 0xBB, 0xCC, 0xDD}});
    e.segments.push_back({PT_LOAD, 0x10000000, {}, 0x200, 5});
    e.entry = 0x10000100;
    return e;
}

class ElfLoaderTest : public ::testing::Test
{
  protected:
    int load(ElfBuilder &image, const char *name, int relocate = 0, uint64_t address = 0)
    {
        return Load_Elf_Processor(m.thread, write_file(name, image.build()).c_str(), relocate, 1, address);
    }
    LoaderMachine m;
};

TEST_F(ElfLoaderTest, GuestBigEndianProgramStartsAtItsFunctionDescriptor)
{
    std::string path = guest_program("elf_be64");
    if (path.empty()) GTEST_SKIP() << "guest programs not built (no PowerPC cross compiler)";
    Readelf elf;
    ASSERT_TRUE(run_readelf("powerpc64-linux-gnu-readelf", path, &elf));
    Bytes file = file_bytes(path);
    const ReadelfSection *opd = elf.containing(elf.entry);
    ASSERT_NE(opd, nullptr);
    uint64_t descriptor = opd->offset + (elf.entry - opd->address);
    uint64_t pc = file_word(file, descriptor, 8, false);
    uint64_t toc = file_word(file, descriptor + 8, 8, false);

    ASSERT_EQ(Load_Elf_Processor(m.thread, path.c_str(), 0, 1, 0), 1) << m.sink.text();
    EXPECT_EQ(m.thread->PC.value, pc);
    EXPECT_EQ(m.thread->next_pc, pc);
    EXPECT_EQ(m.thread->GPR[2].value, toc);
    EXPECT_EQ(m.thread->MSR.value, MSR_64BIT_START);
    EXPECT_EQ(m.thread->GPR[1].value, STACK_64M - 112);
    EXPECT_EQ(m.thread->byte_order, THREAD_BIG_ENDIAN);
    EXPECT_EQ(m.machine->loader_lowest_address, 0x10000000u);

    // The first instruction in memory is the file's word at the entry.
    const ReadelfSection *text = elf.containing(pc);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(m.read(pc, 4), file_word(file, text->offset + (pc - text->address), 4, false));
    uint64_t highest = 0;
    for (const auto &s : elf.sections)
        highest = std::max(highest, s.address + s.size);
    EXPECT_EQ(m.machine->loader_high_memory, (highest + 4096) & ~4095ull);

    char line[128];
    snprintf(line, sizeof line, "LOAD : ELF startup: PC=0x%016lX, msr=0x9000000100001000\n",
             (unsigned long)pc);
    std::string text_out = m.sink.text();
    EXPECT_NE(text_out.find("LOAD : Opening ELF image file: " + path + "\n"), std::string::npos);
    EXPECT_NE(text_out.find("Elf text start address saved is 0x0000000010000000\n"), std::string::npos);
    EXPECT_NE(text_out.find(line), std::string::npos) << text_out;
    snprintf(line, sizeof line, "LOAD :              gpr[1]=0x0000000003FFFF90, gpr[2]=0x%016lX\n",
             (unsigned long)toc);
    EXPECT_NE(text_out.find(line), std::string::npos) << text_out;

    // The processor runs with thread 0; the post-firmware settings and the ROM address are set.
    EXPECT_EQ(m.thread->processor->x_cpuState, (uint32_t)CPU_RUNNING);
    EXPECT_EQ(m.thread->x_threadState, (uint32_t)CPU_RUNNING);
    EXPECT_EQ(m.thread->processor->HID1.value, 0u);
    EXPECT_EQ(m.thread->processor->HID4.value, 0x8800000000000000ull);
    uint64_t rom = MemMap_StartByName(m.map(), "ROM");
    EXPECT_NE(rom, 0u);
    EXPECT_EQ(m.thread->GPR[5].value, rom);
    EXPECT_EQ(m.thread->GPR[22].value, rom);
}

TEST_F(ElfLoaderTest, GuestLittleEndianSecondAbiProgramStartsAtItsEntry)
{
    std::string path = guest_program("elf_le64");
    if (path.empty()) GTEST_SKIP() << "guest programs not built (no PowerPC cross compiler)";
    Readelf elf;
    ASSERT_TRUE(run_readelf("powerpc64le-linux-gnu-readelf", path, &elf));
    Bytes file = file_bytes(path);

    ASSERT_EQ(Load_Elf_Processor(m.thread, path.c_str(), 0, 1, 0), 1) << m.sink.text();
    EXPECT_EQ(m.thread->PC.value, elf.entry);
    EXPECT_EQ(m.thread->GPR[12].value, elf.entry);
    EXPECT_EQ(m.thread->GPR[1].value, STACK_64M - 32);
    EXPECT_EQ(m.thread->MSR.value, MSR_64BIT_START | MSR_LE);
    EXPECT_EQ(m.thread->byte_order, THREAD_LITTLE_ENDIAN);
    const ReadelfSection *text = elf.containing(elf.entry);
    ASSERT_NE(text, nullptr);
    Bytes expected(file.begin() + (long)(text->offset + (elf.entry - text->address)),
                   file.begin() + (long)(text->offset + (elf.entry - text->address) + 4));
    EXPECT_EQ(m.read_bytes(elf.entry, 4), expected);
    char line[128];
    snprintf(line, sizeof line, "LOAD :              gpr[1]=0x0000000003FFFFE0, gpr[12]=0x%016lX\n",
             (unsigned long)elf.entry);
    EXPECT_NE(m.sink.text().find(line), std::string::npos) << m.sink.text();
}

TEST_F(ElfLoaderTest, HandBuiltProgramLoadsSectionsAndProgramHeaders)
{
    ElfBuilder image = be64_program();
    ASSERT_EQ(load(image, "be64.elf"), 1) << m.sink.text();
    EXPECT_EQ(m.thread->PC.value, 0x10000100u);
    EXPECT_EQ(m.thread->GPR[2].value, 0x10018000u);
    EXPECT_EQ(m.read(0x10000100, 4), 0x38600001u);
    EXPECT_EQ(m.read(0x10010008, 8), 0x10018000u);
    // The program headers sit at the first segment's address plus their file offset.
    EXPECT_EQ(m.read(0x10000000 + image.phoff, 4), PT_LOAD);
    EXPECT_EQ(m.read(0x10000000 + image.phoff + 16, 8), 0x10000000u);
}

TEST_F(ElfLoaderTest, RelocatedKernelStartsAtTheLoadAddressInThirtyTwoBitMode)
{
    ElfBuilder image = be64_program();
    m.preset_gpr(2, 0x5A5A);
    ASSERT_EQ(load(image, "kernel.elf", 1, 0x200000), 1) << m.sink.text();
    EXPECT_EQ(m.thread->PC.value, 0x200000u);
    EXPECT_EQ(m.thread->MSR.value, MSR_32BIT_START);
    EXPECT_EQ(m.thread->GPR[2].value, 0x5A5Au);
    // Everything moved by the distance from the lowest program section to the load address.
    EXPECT_EQ(m.read(0x200000, 4), 0x38600001u);
    EXPECT_EQ(m.read(0x200000 + 0xFF00, 8), 0x10000100u);
    EXPECT_EQ(m.machine->loader_lowest_address, 0x200000u - 0x100);
}

TEST_F(ElfLoaderTest, AllocatedRelocationSectionIsLoadedForBothByteOrders)
{
    ElfBuilder little = le64_program();
    ASSERT_EQ(load(little, "le.elf"), 1) << m.sink.text();
    EXPECT_EQ(m.read(0x10020000, 4), 0xAABBCCDDu);

    ElfBuilder big = be64_program();
    big.sections.push_back({RELA, ALLOC, 0x10030000, {0xAA, 0xBB, 0xCC, 0xDD}});
    ASSERT_EQ(load(big, "be-rela.elf"), 1) << m.sink.text();
    EXPECT_EQ(m.read(0x10030000, 4), 0xAABBCCDDu);
}

TEST_F(ElfLoaderTest, ThirtyTwoBitSegmentsGetZerosBeyondFileSizeAndFileEnd)
{
    // Segment 1 holds 8 file bytes but declares 4 of them: the other 4 are its bss. Segment 2,
    // the last, runs 60 bytes past the end of the file.
    ElfBuilder image;
    image.wide = false;
    image.machine = 20;
    image.entry = 0x10000000;
    image.segments.push_back({PT_LOAD, 0x10000000, be32_words({0x11111111, 0x22222222}), 16, 5, 4});
    image.segments.push_back({PT_LOAD, 0x10001000, be32_words({0x33333333}), 64, 6});
    for (uint64_t a : {0x10000000ull, 0x10001000ull})
        for (int i = 0; i < 64; i += 8)
            m.write(a + i, 8, ~0ull);
    ASSERT_EQ(load(image, "be32.elf"), 1) << m.sink.text();
    EXPECT_EQ(m.read_bytes(0x10000000, 16),
              Bytes({0x11, 0x11, 0x11, 0x11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(m.read(0x10001000, 4), 0x33333333u);
    EXPECT_EQ(m.read_bytes(0x10001004, 60), Bytes(60, 0));
    EXPECT_EQ(m.thread->PC.value, 0x10000000u);
    EXPECT_EQ(m.thread->MSR.value, MSR_32BIT_START);
    EXPECT_EQ(m.machine->loader_high_memory, 0x10002000u);
    // The segment path lowers the mark without a line.
    EXPECT_EQ(m.machine->loader_lowest_address, 0x10000000u);
    EXPECT_EQ(m.sink.text().find("Elf text start address saved"), std::string::npos);
}

TEST_F(ElfLoaderTest, HighMemoryMarkIsThePageAboveTheHighestSectionEnd)
{
    const struct {
        uint64_t size;
        uint64_t mark;
    } cases[] = {{0x345, 0x10013000}, {0x1000, 0x10014000}};
    for (const auto &c : cases) {
        ElfBuilder image = be64_program();
        image.sections.push_back({NOBITS, ALLOC | WRITE, 0x10012000, {}, c.size});
        ASSERT_EQ(load(image, "mark.elf"), 1) << m.sink.text();
        EXPECT_EQ(m.machine->loader_high_memory, c.mark) << std::hex << c.size;
    }
}

TEST(ElfLoaderStandaloneTest, ProgramGetsItsAuxiliaryVectorBelowTheImage)
{
    LoaderMachine alone([](BuiltMachine &b) { b.set("standalone_app", "true"); });
    ElfBuilder image = be64_program();
    ASSERT_EQ(Load_Elf_Processor(alone.thread, write_file("alone.elf", image.build()).c_str(), 0, 1, 0), 1)
        << alone.sink.text();
    ThreadState *t = alone.thread;
    EXPECT_EQ(t->GPR[6].value, 0x0FFFFFA0u);
    EXPECT_EQ(alone.machine->loader_lowest_address, 0x0FFFFFA0u);
    EXPECT_EQ(t->MSR.value & (MSR_FP | MSR_VSX | MSR_VMX), MSR_FP | MSR_VSX | MSR_VMX);
    const uint64_t expected[12] = {3, 0x10000000 + image.phoff, 4, 56, 5, 1, 9, 0x10000100, 6, 4096, 0, 0};
    for (int i = 0; i < 12; i++)
        EXPECT_EQ(alone.read(0x0FFFFFA0 + 8 * i, 8), expected[i]) << i;
}

// A 32-bit program gets its vector of 4-byte words wholly below its lowest byte: its first
// instructions stay; an image at address 0 has no room below it and is refused.
TEST(ElfLoaderStandaloneTest, ThirtyTwoBitVectorLiesWhollyBelowTheImage)
{
    const struct {
        uint64_t at;
        int result;
    } cases[] = {{0x10000000, 1}, {0, 0}, {44, 0}, {48, 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.at);
        LoaderMachine alone([](BuiltMachine &b) { b.set("standalone_app", "true"); });
        ElfBuilder image;
        image.wide = false;
        image.machine = 20;
        image.entry = c.at;
        image.segments.push_back({PT_LOAD, c.at, be32_words({0x38600001, 0x4E800020}), 8, 5});
        ASSERT_EQ(Load_Elf_Processor(alone.thread, write_file("alone32.elf", image.build()).c_str(), 0, 1, 0),
                  c.result)
            << alone.sink.text();
        EXPECT_EQ(alone.read(c.at, 4), 0x38600001u);
        EXPECT_EQ(alone.read(c.at + 4, 4), 0x4E800020u);
        if (!c.result) {
            EXPECT_NE(alone.sink.text().find("no room for the auxiliary vector"), std::string::npos)
                << alone.sink.text();
            continue;
        }
        uint64_t base = c.at - 48;
        EXPECT_EQ(alone.thread->GPR[6].value, base);
        EXPECT_EQ(alone.machine->loader_lowest_address, base);
        const uint64_t expected[12] = {3, 0, 4, 0, 5, 0, 9, c.at, 6, 4096, 0, 0};
        for (int i = 0; i < 12; i++) {
            if (i % 2 == 1 && i < 6) continue; // the program-header values of a 32-bit image
            EXPECT_EQ(alone.read(base + 4 * i, 4), expected[i]) << i;
        }
    }
}

TEST_F(ElfLoaderTest, ResetFlagChoosesWhetherTheOtherThreadsAreReset)
{
    ThreadState *other = GenericMachine__Thread(m.machine, 1);
    ASSERT_NE(other, nullptr);
    ElfBuilder image = be64_program();
    std::string path = write_file("reset.elf", image.build());
    other->MSR.value = 0x1234;
    ASSERT_EQ(Load_Elf_Processor(m.thread, path.c_str(), 0, 0, 0), 1);
    EXPECT_EQ(other->MSR.value, 0x1234u);
    ASSERT_EQ(Load_Elf_Processor(m.thread, path.c_str(), 0, 1, 0), 1);
    EXPECT_EQ(other->MSR.value & (MSR_SF | MSR_HV), MSR_SF | MSR_HV);
}

TEST_F(ElfLoaderTest, FilesThatAreNotLoadableFailWithTheirMessage)
{
    ElfBuilder le32_image;
    le32_image.wide = false;
    le32_image.little_endian = true;
    le32_image.machine = 20;
    Bytes le32 = le32_image.build();
    Bytes be_other = be64_program().build();
    put_field(be_other, 18, 2, 3);
    Bytes le_other = le64_program().build();
    put_field(le_other, 18, 2, 62, true);
    Bytes bad_order = be64_program().build();
    bad_order[5] = 3;
    const struct {
        const char *name;
        Bytes bytes;
        std::string message;
    } cases[] = {
        {"le32.elf", le32, "FATAL ERROR: 2: Elf_Load32bitLE: Elf32 LSB loading not supported yet...\n"},
        {"text.elf", Bytes{'n', 'o', 't', ' ', 'e', 'l', 'f'},
         "FATAL ERROR: 2: ElfLoadImage: text.elf is not an elf file\n"},
        {"empty.elf", Bytes{}, "FATAL ERROR: 2: ElfLoadImage: empty.elf is not an elf file\n"},
        {"other-be.elf", be_other,
         "FATAL ERROR: 2: ElfLoadImageBE: other-be.elf is not 32 or 64 bit PowerPC Elf, Unknown mcm type 3 "
         "(0x00000003)\n"},
        {"other-le.elf", le_other,
         "FATAL ERROR: 2: ElfLoadImageLE: other-le.elf is not 32 or 64 bit PowerPC Elf, Unknown mcm type 62 "
         "(0x0000003E)\n"},
        {"order.elf", bad_order,
         "FATAL ERROR: 2: ElfLoadImage: order.elf is not little endian or big endian, Unknown endianness 3 "
         "(0x00000003)\n"},
    };
    for (const auto &c : cases) {
        write_file(c.name, c.bytes);
        SinkCapture sink;
        EXPECT_EQ(Load_Elf_Processor(m.thread, c.name, 0, 1, 0), 0) << c.name;
        EXPECT_EQ(sink.text(), std::string("LOAD : Opening ELF image file: ") + c.name + "\n" + c.message);
        EXPECT_NE(stop_simulation & STOP_QUARN_ERROR, 0u);
        Start_The_Simulation();
    }
    SinkCapture sink;
    EXPECT_EQ(Load_Elf_Processor(m.thread, "no-such.elf", 0, 1, 0), 0);
    EXPECT_NE(sink.text().find("FATAL ERROR: Unable to stat image file : no-such.elf\n"), std::string::npos);
}

TEST_F(ElfLoaderTest, OffsetsOutsideTheFileFailTheLoadInsteadOfReadingPastIt)
{
    ElfBuilder layout = be64_program();
    Bytes good = layout.build();
    uint64_t text_header = layout.shoff + 1 * layout.shent();
    uint64_t size = good.size();
    auto patched = [&](uint64_t at, int width, uint64_t value) {
        Bytes b = good;
        put_field(b, at, width, value);
        return b;
    };
    const struct {
        const char *what;
        Bytes bytes;
        const char *message;
    } cases[] = {
        {"program headers past the end", patched(32, 8, size - 8), "does not fit the file"},
        {"program-header count too large", patched(56, 2, 0xFFFF), "does not fit the file"},
        {"program-header entries too small", patched(54, 2, 8), "does not fit the file"},
        {"section headers past the end", patched(40, 8, size + 64), "does not fit the file"},
        {"section-header offset wraps", patched(40, 8, ~0ull - 10), "does not fit the file"},
        {"section-header entries too small", patched(58, 2, 16), "does not fit the file"},
        {"section data past the end", patched(text_header + 24, 8, size - 2), "lies outside the file"},
        {"section size wraps", patched(text_header + 32, 8, ~0ull), "lies outside the file"},
        {"header cut short", Bytes(good.begin(), good.begin() + 40), "lies outside the file"},
    };
    for (const auto &c : cases) {
        write_file("bad.elf", c.bytes);
        SinkCapture sink;
        EXPECT_EQ(Load_Elf_Processor(m.thread, "bad.elf", 0, 1, 0), 0) << c.what;
        EXPECT_NE(sink.text().find(c.message), std::string::npos) << c.what << ": " << sink.text();
        Start_The_Simulation();
    }
}

TEST_F(ElfLoaderTest, EntryDescriptorPastTheEndOfTheFileFailsTheLoad)
{
    // The descriptor section is the file's last part and holds only the entry word.
    ElfBuilder image;
    image.entry = 0x10010000;
    image.sections.push_back({PROGBITS, ALLOC, 0x10010000, be64_words({0x10000100})});
    Bytes bytes = image.build();
    // Put the section headers first so that the section data ends the file.
    Bytes moved(bytes.begin(), bytes.begin() + 64);
    moved.resize(64 + image.shent());
    std::copy(bytes.begin() + (long)image.shoff, bytes.begin() + (long)(image.shoff + image.shent()),
              moved.begin() + 64);
    put_field(moved, 40, 8, 64);
    uint64_t data_at = moved.size();
    moved.insert(moved.end(), image.sections[0].data.begin(), image.sections[0].data.end());
    put_field(moved, 64 + 24, 8, data_at);
    write_file("short-descriptor.elf", moved);
    SinkCapture sink;
    EXPECT_EQ(Load_Elf_Processor(m.thread, "short-descriptor.elf", 0, 1, 0), 0);
    EXPECT_NE(sink.text().find("entry function descriptor"), std::string::npos) << sink.text();
}

TEST(ElfLoaderStandaloneTest, GuestProgramGetsItsAuxiliaryVectorBelowItsFirstSegment)
{
    std::string path = guest_program("elf_be64");
    if (path.empty()) GTEST_SKIP() << "guest programs not built (no PowerPC cross compiler)";
    Readelf elf;
    ASSERT_TRUE(run_readelf("powerpc64-linux-gnu-readelf", path, &elf));
    const ReadelfSection *opd = elf.containing(elf.entry);
    ASSERT_NE(opd, nullptr);
    uint64_t pc = file_word(file_bytes(path), opd->offset + (elf.entry - opd->address), 8, false);

    LoaderMachine alone([](BuiltMachine &b) { b.set("standalone_app", "true"); });
    ASSERT_EQ(Load_Elf_Processor(alone.thread, path.c_str(), 0, 1, 0), 1) << alone.sink.text();
    EXPECT_EQ(alone.thread->GPR[6].value, 0x0FFFFFA0u);
    EXPECT_EQ(alone.machine->loader_lowest_address, 0x0FFFFFA0u);
    const uint64_t expected[12] = {3, 0x10000040, 4, 56, 5, elf.program_headers, 9, pc, 6, 4096, 0, 0};
    for (int i = 0; i < 12; i++)
        EXPECT_EQ(alone.read(0x0FFFFFA0 + 8 * i, 8), expected[i]) << i;
}

TEST(ElfLoaderBoundedTest, RegionOutsideTheMemoryMapFailsTheLoadWithOneError)
{
    LoaderMachine bounded([](BuiltMachine &b) { b.set("machine_option/MEMORY_OVERFLOW", "false"); });
    ElfBuilder image = be64_program();
    std::string path = write_file("far.elf", image.build());
    SinkCapture sink;
    EXPECT_EQ(Load_Elf_Processor(bounded.thread, path.c_str(), 0, 1, 0), 0);
    EXPECT_EQ(sink.text(),
              "LOAD : Opening ELF image file: far.elf\nFATAL ERROR: 2: ElfLoadImage: far.elf: 0x38 "
              "bytes at 0x0000000010000040 (file offset 0x40) do not lie in memory\n");
}

TEST_F(ElfLoaderTest, ARegionOutsideMemoryFailsTheLoadBeforeAnythingIsWritten)
{
    // The last section or segment starts in memory that no device covers and ends inside the ROM
    // window, wraps around, or is larger than the machine's memory; what comes before it in the
    // image must not be written either.
    struct Case {
        const char *name;
        bool wide;
        uint64_t address, size;
    } cases[] = {
        {"section into the ROM window", true, 0xEFFFFF80, 0x100},
        {"section wrapping", true, 0xFFFFFFFFFFFFFF00ull, 0x200},
        {"segment into the ROM window", false, 0xEFFFFF80, 0x100},
        {"segment larger than memory", false, 0x100000, 0x4000008},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ElfBuilder image;
        if (c.wide) {
            image = be64_program();
            image.sections.push_back({PROGBITS, ALLOC | WRITE, c.address, Bytes(c.size, 0x5A)});
        } else {
            image.wide = false;
            image.machine = 20;
            image.entry = 0x10000100;
            image.segments.push_back({PT_LOAD, 0x10000100, be32_words({0x11111111, 0x22222222}), 8, 5});
            image.segments.push_back({PT_LOAD, c.address, be32_words({0x33333333}), c.size, 6});
        }
        m.write(0x10000100, 8, ~0ull);
        size_t before = m.sink.text().size();
        EXPECT_EQ(load(image, "outside.elf"), 0);
        EXPECT_EQ(m.read(0x10000100, 8), ~0ull);
        std::string said = m.sink.text().substr(before);
        EXPECT_NE(said.find("do not lie in memory"), std::string::npos) << said;
    }
}

} // namespace
