// The guest disassembler's forms, by instruction word.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "translator/disassembler.h"

namespace
{

std::string text(uint32_t word, uint64_t address = 0x1000)
{
    char buffer[500];
    dis_instruction(word, buffer, sizeof buffer, address);
    return buffer;
}

} // namespace

TEST(GuestDisassembler, FormsByKind)
{
    struct Case {
        uint32_t word;
        const char *want;
    };
    const Case cases[] = {
        {0x00000000, "**** unknown 0x0, op = 0, xop = 0"},
        {0x3861FFF0, "addi r3,r1,0xFFFFFFF0"},
        {0x2F89FFFF, "cmpwi cr7,r9,0xffffffffffffffff"},
        {0x2FA90005, "cmpdi cr7,r9,0x5"},
        {0x7C642A14, "add r3,r4,r5"},
        {0x7C832378, "or r3,r4,r4"},
        {0x7C6802A6, "mflr r3"},
        {0x7C6102A6, "mfxer,r3"},
        {0x7C7A02A6, "mfspr 26,r3"},
        {0x7C6C42E6, "mftb r3"},
        {0x7C6D42E6, "mftbu r3"},
        {0x7C6803A6, "mtlr r3"},
        {0x5483063E, "rlwinm r3,r4,0,0x000000FF"},
        {0x548307C0, "rlwinm r3,r4,0,0x80000001"},
        {0x7FE00008, "tw >u<u=><,r0,r0"},
        {0x7C2004AC, "lwsync"},
        {0x7C0004AC, "sync"},
        {0x4C00012C, "isync"},
        {0x44000002, "sc 0"},
        {0x8061FFF8, "lwz r3,-8(r1)"},
        {0xE8610010, "ld r3,16(r1)"},
        {0xF821FF81, "stdu r1,-128(r1)"},
        {0x4E800020, "blr"},
        {0x4E800421, "bctrl"},
        {0x4D820020, "beqlr cr0"},
        {0x7C0006AC, "**** eieio (0x7c0006ac)"},
        {0x7C0401CE, "stvx v0,r4,r0"},
        {0x7C6300D0, "neg r3,r3"},
        {0xFC22182A, "fadd f1,f2,f3"},
        {0xFC2208FA, "fmadd f1,f2,f3,f1"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(text(c.word), c.want) << std::hex << c.word;
}

TEST(GuestDisassembler, BranchTargets)
{
    EXPECT_EQ(text(0x48000010, 0x1000), "b <0x1010>");
    EXPECT_EQ(text(0x4BFFFFF1, 0x1000), "bl <0xff0>");
    EXPECT_EQ(text(0x4B800000, 0x1000), "b <0xffffffffff801000>");
    EXPECT_EQ(text(0x41860009, 0x2000), "beql cr1,<0x2008>");  // BO 12, BI 6, LK
    EXPECT_EQ(text(0x4182000B, 0x2000), "beqal cr0,<0x8>");    // BO 12, BI 2, AA, LK
    EXPECT_EQ(text(0x40860010, 0x2000), "bne cr1,<0x2010>");   // BO 4
    EXPECT_EQ(text(0x42800010, 0x2000), "b <0x2010>");         // BO 20
    EXPECT_EQ(text(0x42000010, 0x2000), "bc 16,0,<0x2010>");   // bdnz
}

TEST(GuestDisassembler, ShortBufferGetsTheCutTextAndTheFullLength)
{
    char buffer[8];
    EXPECT_EQ(dis_instruction(0x3861FFF0, buffer, sizeof buffer, 0), (int)strlen("addi r3,r1,0xFFFFFFF0"));
    EXPECT_STREQ(buffer, "addi r3");
}

namespace
{

void collect(void *data, uint64_t, const char *, const char *text)
{
    static_cast<std::vector<std::string> *>(data)->push_back(text);
}

std::vector<std::string> host(std::vector<uint8_t> code)
{
    std::vector<std::string> out;
    dis_x86_64_range(reinterpret_cast<uint64_t>(code.data()), reinterpret_cast<uint64_t>(code.data() + code.size()),
                     collect, &out);
    return out;
}

} // namespace

TEST(HostDisassembler, DecodedFormsAndSkippedOpcodes)
{
    EXPECT_EQ(host({0x48, 0x8b, 0x83, 0x10, 0, 0, 0}), std::vector<std::string>{"mov.q RAX,16(RBX)"});
    EXPECT_EQ(host({0x41, 0xff, 0xe6}), std::vector<std::string>{"jmp.q R14"});
    EXPECT_EQ(host({0xc3}), std::vector<std::string>{"ret.q"});
    EXPECT_EQ(host({0x0f, 0x58, 0xc3}), std::vector<std::string>{"ret.q"}) << "0f 58 gives no text";
    EXPECT_EQ(host({0x48, 0x83, 0xc2, 0x20, 0x49, 0x89, 0xb1, 0x10, 0, 0, 0, 0x8b, 0x44, 0x8b, 0x08}),
              (std::vector<std::string>{"add.q RDX,$0x20", "mov.q 16(R9),RSI", "mov.l EAX,8(RCX*4+RBX)"}));
}
