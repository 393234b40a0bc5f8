// Decimal instructions run from the command language: a two-word program (the instruction, then
// "b .") loaded as an ELF file into machine "alpha", registers set, one step, registers shown.
#include <string>
#include <vector>

#include "command/command_fixture.h"
#include "interrupts/exception_table.h"
#include "support/image_builder.h"

namespace
{

class DfpCommands : public CommandLanguageTest
{
  protected:
    void SetUp() override
    {
        CommandLanguageTest::SetUp();
        Init_ExceptionStructures(); // the interrupt vectors, as the program's start-up fills them
        ASSERT_EQ(ok("define machine myrrin alpha"), "alpha");
    }

    // Loads the word at 0x10000100; MSR SF, HV and FP (the loader's MSR has no FP); FPSCR 0.
    void load(uint32_t word, const char *msr = "0x9000000000002000")
    {
        ElfBuilder e;
        e.sections.push_back({1, 0x6, 0x10000100, be32_words({word, 0x48000000})});
        e.sections.push_back({1, 0x3, 0x10010000, be64_words({0x10000100, 0x10018000})}); // entry descriptor
        e.segments.push_back({1, 0x10000000, {}, 0x100, 5});
        e.entry = 0x10010000;
        ok("alpha load elf " + write_file("dfp.elf", e.build()));
        ok(std::string("alpha thread 0 set spr msr ") + msr);
        ok("alpha thread 0 set spr fpscr 0");
    }
    void fpr(int n, const char *value) { ok("alpha thread 0 set fpr " + std::to_string(n) + " " + value); }
    std::string show(const std::string &what) { return ok("alpha display " + what); }
    void step() { ok("alpha step 1"); }
};

TEST_F(DfpCommands, AddAndDivide)
{
    load(0xEC611004); // dadd f3,f1,f2
    fpr(1, "0x2238000000000001");
    fpr(2, "0x2230000000000001");
    step();
    EXPECT_EQ(show("fpr 3"), "0x2230000000000081");
    EXPECT_EQ(show("vsxr 3"), "0x22300000000000810000000000000000");
    EXPECT_EQ(show("spr fpscr"), "0x0000000000004000");
    EXPECT_EQ(show("spr pc"), "0x0000000010000104");

    load(0xEC611444); // ddiv f3,f1,f2
    fpr(1, "0x2238000000000001");
    fpr(2, "0x2238000000000003");
    step();
    EXPECT_EQ(show("fpr 3"), "0x2DF9B36CDB36CDB3");
    EXPECT_EQ(show("spr fpscr"), "0x0000000082024000");
}

TEST_F(DfpCommands, RecordFormAndRoundingMode)
{
    load(0xEC611005); // dadd. f3,f1,f2
    fpr(1, "0x6E38FF3FCFF3FCFF");
    fpr(2, "0x21E8000000000001");
    step();
    EXPECT_EQ(show("fpr 3"), "0x6E38FF3FCFF3FCFF");
    EXPECT_EQ(show("spr fpscr"), "0x0000000082024000");
    EXPECT_EQ(show("spr cr"), "0x08000000");

    load(0xEC611005);
    ok("alpha thread 0 set spr fpscr 0x0000000600000000");
    fpr(1, "0x6E38FF3FCFF3FCFF");
    fpr(2, "0x21E8000000000001");
    step();
    EXPECT_EQ(show("fpr 3"), "0x263C000000000000");
    EXPECT_EQ(show("spr fpscr"), "0x0000000682064000");
}

TEST_F(DfpCommands, QuadAddWritesThePair)
{
    load(0xFCE33004); // daddq f7(6),f3(2),f6
    for (int n : {2, 6})
        fpr(n, "0x2208000000000000");
    for (int n : {3, 7})
        fpr(n, "0x0000000000000001");
    step();
    EXPECT_EQ(show("fpr 6"), "0x2208000000000000");
    EXPECT_EQ(show("fpr 7"), "0x0000000000000002");
    EXPECT_EQ(show("vsxr 6"), "0x22080000000000000000000000000002");
    EXPECT_EQ(show("vsxr 7"), "0x00000000000000020000000000000002");
}

TEST_F(DfpCommands, CompareSetsItsField)
{
    load(0xEF011504); // dcmpu cr6,f1,f2
    fpr(1, "0x2238000000000001");
    fpr(2, "0x2238000000000003");
    step();
    EXPECT_EQ(show("spr cr"), "0x00000080");
    EXPECT_EQ(show("spr fpscr"), "0x0000000000008000");
}

TEST_F(DfpCommands, ExceptionsAndInterrupts)
{
    // Enabled invalid with FE0: FRT kept, FPSCR written, program interrupt at the ddiv.
    load(0xEC611444, "0x9000000000002800");
    ok("alpha thread 0 set spr fpscr 0x80");
    fpr(1, "0x2238000000000000");
    fpr(2, "0x2238000000000000");
    fpr(3, "0x1111");
    step();
    EXPECT_EQ(show("fpr 3"), "0x0000000000001111");
    EXPECT_EQ(show("spr fpscr"), "0x00000000E0200080");
    EXPECT_EQ(show("spr pc"), "0x0000000000000700");
    EXPECT_EQ(show("spr srr0"), "0x0000000010000100");
    EXPECT_NE(std::stoull(show("spr srr1"), nullptr, 16) & 0x100000, 0u);

    // Trapped overflow without FE0: the scaled product, and the program goes on.
    load(0xEC611044); // dmul f3,f1,f2
    ok("alpha thread 0 set spr fpscr 0x40");
    fpr(1, "0x77FCFF3FCFF3FCFF");
    fpr(2, "0x2238000000000010");
    step();
    EXPECT_EQ(show("fpr 3"), "0x6700FF3FCFF3FCFF");
    EXPECT_EQ(show("spr fpscr"), "0x00000000D0004040");
    EXPECT_EQ(show("spr pc"), "0x0000000010000104");

    // MSR[FP] = 0: floating-point unavailable, nothing written.
    load(0xEC611004, "0x9000000000000000");
    fpr(1, "0x2238000000000001");
    fpr(2, "0x2238000000000001");
    fpr(3, "0x1111");
    step();
    EXPECT_EQ(show("spr pc"), "0x0000000000000800");
    EXPECT_EQ(show("fpr 3"), "0x0000000000001111");
    EXPECT_EQ(show("spr fpscr"), "0x0000000000000000");
}

TEST_F(DfpCommands, VersionListsTheDecimalFeatures)
{
    std::string flags = ok("version flags");
    const std::string expected =
        "\nCONFIG_DFP, \nCONFIG_DFP_EMULATION_INSTRUCTIONS, \nCONFIG_DFP_QUAD, \nCONFIG_FP, \n";
    EXPECT_NE(flags.find(expected), std::string::npos) << flags;
}

} // namespace
