// The machine's "load" and "phb" words: their word parsing and what they hand the loaders.
#include <string>

#include "command_fixture.h"
#include "machine/machine_lifecycle.h"
#include "memory/memory_map.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "support/image_builder.h"

namespace
{

// A big-endian 64-bit ELF program whose entry descriptor {0x10000100, TOC} is at 0x10010000.
std::string elf_program()
{
    ElfBuilder e;
    e.sections.push_back({1, 0x6, 0x10000100, be32_words({0x38600001})});
    e.sections.push_back({1, 0x3, 0x10010000, be64_words({0x10000100, 0x10018000})});
    e.segments.push_back({1, 0x10000000, {}, 0x100, 5});
    e.entry = 0x10010000;
    return write_file("prog.elf", e.build());
}

// A 64-bit XCOFF program linked at 0x20000 (text), 0x22000 (data, main's descriptor) and 0x23000
// (bss).
std::string xcoff_program()
{
    XcoffBuilder x;
    Bytes data = be64_words({0x20100, 0x22800});
    x.sections.push_back({0x20, 0x20000, be32_words({0x60000000}), 0, {}});
    x.sections.push_back({0x40, 0x22000, data, 0, {{0x22000, 0, 63, 0}, {0x22008, 2, 63, 0}}});
    x.sections.push_back({0x80, 0x23000, {}, 0x10, {}});
    x.symbols = {{".text", 0x20000, 1, 107}, {".data", 0x22000, 2, 107}, {"main", 0x22000, 2, 2}};
    return write_file("prog.xcoff", x.build());
}

class LoadCommandsTest : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
        machine = Find_Machine_By_Name("alpha");
        thread0 = GenericMachine__Thread(machine, 0);
        thread1 = GenericMachine__Thread(machine, 1);
    }
    GenericMachine *machine = nullptr;
    ThreadState *thread0 = nullptr;
    ThreadState *thread1 = nullptr;
};

TEST_F(LoadCommandsTest, ElfLoadsIntoThreadZeroAndResetsUnlessAskedNotTo)
{
    std::string path = elf_program();
    const struct {
        const char *extra;
        bool reset;
    } cases[] = {{"", true}, {" -noreset", false}, {" -NoReset", false}, {" x", true}};
    for (const auto &c : cases) {
        thread1->MSR.value = 0x1234;
        thread0->PC.value = 0;
        EXPECT_EQ(ok("alpha load elf " + path + c.extra), "") << c.extra;
        EXPECT_EQ(thread0->PC.value, 0x10000100u) << c.extra;
        EXPECT_EQ(thread1->MSR.value == 0x1234, !c.reset) << c.extra;
    }
    EXPECT_NE(sink.text().find("LOAD : Opening ELF image file: prog.elf\n"), std::string::npos);
    fails("alpha load elf");
    fails("alpha load elf no-such.elf");
}

TEST_F(LoadCommandsTest, VmlinuxLoadsAKernelAtTheGivenAddress)
{
    std::string path = elf_program();
    EXPECT_EQ(fails("alpha load vmlinux " + path), "Usage: alpha load vmlinux {file} [address]");
    ok("alpha load vmlinux " + path + " 0x200000");
    EXPECT_EQ(thread0->PC.value, 0x200000u);
    EXPECT_EQ(thread0->MSR.value & 0x8000000000000000ull, 0u);
}

TEST_F(LoadCommandsTest, XcoffWordsChooseRawRelocationResetAddressesAndArguments)
{
    std::string path = xcoff_program();
    // No relocation: the 64-bit file goes where it was linked; a and b are the program's.
    ok("alpha load xcoff " + path + " -norelo 10000 - a b");
    EXPECT_EQ(thread0->GPR[3].value, 3u);
    EXPECT_EQ(thread0->PC.value, 0x20100u);

    // Relocated to the given address (the default load address is 0x10000).
    ok("alpha load xcoff " + path + " 30000");
    EXPECT_EQ(thread0->PC.value, 0x20100u - 0x20000 + 0x30000);
    EXPECT_EQ(thread0->GPR[3].value, 1u);

    // Raw: text at 0x40000, data right after it, relocated; the thread is not touched.
    thread0->GPR[3].value = 99;
    thread1->MSR.value = 0x1234;
    ok("alpha load xcoff " + path + " -raw -noreset 40000");
    EXPECT_EQ(thread0->GPR[3].value, 99u);
    EXPECT_EQ(thread1->MSR.value, 0x1234u);
    uint64_t word = 0;
    ASSERT_EQ(Read_Mapped_Memory_Reg(thread0->memory_client, 0x40000, 4, &word, 0, 0), 1);
    EXPECT_EQ(word, 0x60000000u);
    ASSERT_EQ(Read_Mapped_Memory_Reg(thread0->memory_client, 0x40004, 8, &word, 0, 0), 1);
    EXPECT_EQ(word, 0x40100u);

    SinkCapture capture;
    fails("alpha load xcoff");
    EXPECT_EQ(capture.text(), "LOAD XCOFF : file name not specified\n");
}

TEST_F(LoadCommandsTest, BootImagesLoadThroughChipZero)
{
    write_file("kernel.bb", be32_words({0, 0x40000, 1, 0, 0x40000, 0, 0, 0, 0x11111111}));
    ok("alpha load linux kernel.bb");
    EXPECT_EQ(thread0->PC.value, 0x40000u);
    write_file("kernel.9", be32_words({0x647, 4, 0, 0, 0, 0x5000, 0, 0, 0x22222222}));
    ok("alpha load plan9 kernel.9");
    EXPECT_EQ(thread0->PC.value, 0x5000u);
    fails("alpha load linux no-such.bb");
}

TEST_F(LoadCommandsTest, PhbCreateAndDisplay)
{
    SinkCapture capture;
    ok("alpha phb create 0x3fffe00000000");
    EXPECT_EQ(capture.text(), "will call phb_create(0x0003FFFE00000000)\n");
    EXPECT_EQ(ok("alpha phb display phb_base"), "0x0003FFFE00000000");
    EXPECT_EQ(ok("alpha phb display IVT_BAR"), "0x0000000000000000");
    EXPECT_EQ(ok("alpha phb display ivc_invlt"), "0x0000000000000000");
    EXPECT_EQ(ok("alpha phb display other"), "");
    fails("alpha phb create 0x3fffd00000000"); // one bridge per chip
}

} // namespace
