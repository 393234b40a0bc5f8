// Short instruction sequences run word by word from their addresses until a branch to itself:
// the fixed-point, compare and branch routines working together on one thread.
#include <vector>

#include "exec_word.h"

namespace
{

// Runs the words placed at base until an instruction leaves the PC where it was; returns the
// number of instructions run (0 on a failure).
int run_program(ExecWord &ew, uint64_t base, const std::vector<uint32_t> &words, int limit = 1000)
{
    ew.t->PC.value = base;
    for (int count = 1; count <= limit; count++) {
        uint64_t pc = ew.t->PC.value;
        if (pc < base || pc >= base + 4 * words.size()) return 0;
        if (ew.run(words[(pc - base) / 4]) != 1) return 0;
        if (ew.t->PC.value == pc) return count;
    }
    return 0;
}

TEST(Program, AddImmediateThenBranchToItself)
{
    ExecWord ew;
    EXPECT_EQ(run_program(ew, 0x100, {0x38600005, 0x38630001, 0x48000000}), 3);
    EXPECT_EQ(ew.gpr(3), 6u);
    EXPECT_EQ(ew.t->PC.value, 0x108u);
}

TEST(Program, CountedLoop)
{
    for (bool mode64 : {true, false}) {
        ExecWord ew;
        if (!mode64) ew.mode32();
        ew.t->CTR.value = 10; // mtctr r4
        std::vector<uint32_t> program = {
            0x38600000, // li r3,0
            0x3880000A, // li r4,10
            0x38630001, // addi r3,r3,1
            0x4200FFFC, // bdnz .-4
            0x48000000, // b .
        };
        EXPECT_EQ(run_program(ew, 0x100, program), 2 + 2 * 10 + 1);
        EXPECT_EQ(ew.gpr(3), 10u);
        EXPECT_EQ(ew.gpr(4), 10u);
        EXPECT_EQ(ew.t->CTR.value, 0u);
        EXPECT_EQ(ew.t->PC.value, 0x110u);
    }
}

TEST(Program, CompareAndConditionalBranch)
{
    // r3 := the larger of r4 and r5.
    const std::vector<uint32_t> program = {
        0x7C042800, // cmpw r4,r5
        0x4181000C, // bgt +12
        0x38650000, // addi r3,r5,0
        0x48000000, // b .
        0x38640000, // addi r3,r4,0
        0x48000000, // b .
    };
    struct Case {
        uint64_t r4, r5;
        uint32_t cr0;
        uint64_t end;
    } cases[] = {{9, 2, CR_GT, 0x214}, {2, 9, CR_LT, 0x20C}, {0xFFFFFFFF, 1, CR_LT, 0x20C}};
    for (const Case &c : cases) {
        ExecWord ew;
        ew.gpr(4) = c.r4;
        ew.gpr(5) = c.r5;
        EXPECT_EQ(run_program(ew, 0x200, program), 4);
        EXPECT_EQ(ew.gpr(3), c.cr0 == CR_GT ? c.r4 : c.r5);
        EXPECT_EQ(ew.cr() >> 28, c.cr0);
        EXPECT_EQ(ew.t->PC.value, c.end);
    }
}

} // namespace
