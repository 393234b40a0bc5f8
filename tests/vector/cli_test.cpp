// Vector instructions from the command language: a two-word program (the instruction, then
// "b .") loaded as an ELF file into machine "alpha", registers set, one step, registers shown.
#include <string>

#include "command/command_fixture.h"
#include "interrupts/exception_table.h"
#include "support/image_builder.h"

namespace
{

class VectorCommands : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        Init_ExceptionStructures(); // the interrupt vectors, as the program's start-up fills them
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
    }

    // Loads the words at 0x10000100; the MSR of a standalone thread (SF, HV, FP, VEC and VSX)
    // unless given.
    void load(std::initializer_list<uint32_t> words, const char *msr = "0x9000000002802000")
    {
        Bytes code = be32_words(words);
        const Bytes branch = be32_words({0x48000000});
        code.insert(code.end(), branch.begin(), branch.end());
        ElfBuilder e;
        e.sections.push_back({1, 0x6, 0x10000100, code});
        e.sections.push_back({1, 0x3, 0x10010000, be64_words({0x10000100, 0x10018000})}); // entry descriptor
        e.segments.push_back({1, 0x10000000, {}, 0x100, 5});
        e.entry = 0x10010000;
        ok("alpha load elf " + write_file("vector.elf", e.build()));
        ok(std::string("alpha thread 0 set spr msr ") + msr);
    }
    std::string show(const std::string &what) { return ok("alpha display " + what); }
    void step(int n = 1) { ok("alpha step " + std::to_string(n)); }
};

TEST_F(VectorCommands, SplatImmediate)
{
    load({0x1070038C}); // vspltisw v3,-16
    step();
    EXPECT_EQ(show("vmx 3 4"), "0xFFFFFFF0, 0xFFFFFFF0, 0xFFFFFFF0, 0xFFFFFFF0");
    EXPECT_EQ(show("spr pc"), "0x0000000010000104");
}

TEST_F(VectorCommands, SaturatingAddAndVscr)
{
    load({0x10811200, 0x10A00604}); // vaddubs v4,v1,v2; mfvscr v5
    ok("alpha thread 0 set vmxr 1 0xFF80057F000000000000000000000000");
    ok("alpha thread 0 set vmxr 2 0x01FF0501000000000000000000000000");
    step(2);
    EXPECT_EQ(show("vmx 4 4").substr(0, 10), "0xFFFF0A80");
    EXPECT_EQ(show("vmx 5 4"), "0x00000000, 0x00000000, 0x00000000, 0x00000001");
}

TEST_F(VectorCommands, VmxUnavailableChangesNothing)
{
    load({0x10811200}, "0x9000000000002000"); // MSR[VEC] = 0
    ok("alpha thread 0 set vmxr 4 0x11111111222222223333333344444444");
    step();
    EXPECT_EQ(show("spr pc"), "0x0000000000000F20");
    EXPECT_EQ(show("spr srr0"), "0x0000000010000100");
    EXPECT_EQ(show("vmxr 4"), "0x11111111222222223333333344444444");
    EXPECT_EQ(show("spr vscr"), "0x00000000");
}

} // namespace
