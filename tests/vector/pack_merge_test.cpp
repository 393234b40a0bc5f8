// VMX pack, unpack, merge and splat: saturation edges, modulo packs, pixels, splat immediates and
// indexes, the merges, and the gates and invalid-map update of vmrgew/vmrgow.
#include "vec_fixture.h"

namespace vec_test
{
namespace
{

struct PermuteCase {
    const char *mnemonic;
    Vec128 a, b, t;
    bool saturates;
};

Vec128 halves(uint16_t h0, uint16_t h1, uint16_t h2, uint16_t h3)
{
    return Vec128{0, ((uint64_t)h0 << 48) | ((uint64_t)h1 << 32) | ((uint64_t)h2 << 16) | h3};
}

const PermuteCase kCases[] = {
    // The halfwords {-129, 128, 127, 0} and {-128, 256, 0x7FFF, 0x8000}.
    {"vpkshss", halves(0xFF7F, 0x0080, 0x007F, 0), halves(0xFF80, 0x0100, 0x7FFF, 0x8000),
     words(0x807F7F00, 0, 0x807F7F80, 0), true},
    {"vpkshss", halves(0xFF80, 0x007F, 0, 0), Vec128{0, 0}, words(0x807F0000, 0, 0, 0), false},
    {"vpkshus", halves(0xFFFF, 0x00FF, 0x0100, 0), Vec128{0, 0}, words(0x00FFFF00, 0, 0, 0), true},
    {"vpkshus", halves(0x00FF, 0, 0, 0), Vec128{0, 0}, words(0xFF000000, 0, 0, 0), false},
    {"vpkuhus", halves(0x8000, 0x00FF, 0, 0), Vec128{0, 0}, words(0xFFFF0000, 0, 0, 0), true},
    {"vpkswus", words(65536, 0xFFFFFFFF, 65535, 0), Vec128{0, 0}, words(0xFFFF0000, 0xFFFF0000, 0, 0), true},
    {"vpkswss", words(0xFFFF7FFF, 0x8000, 0x7FFF, 0), Vec128{0, 0}, words(0x80007FFF, 0x7FFF0000, 0, 0),
     true},
    {"vpkuwus", words(0x10000, 0xFFFF, 0, 0), Vec128{0, 0}, words(0xFFFFFFFF, 0, 0, 0), true},
    {"vpkuwum", words(65536 + 5, 0x12345678, 0, 0), words(1, 2, 3, 4),
     words(0x00055678, 0, 0x00010002, 0x00030004), false},
    {"vpkuhum", halves(0x1234, 0xFF56, 0, 0), Vec128{0, 0}, words(0x34560000, 0, 0, 0), false},
    {"vpkpx", words(0x01F8F8F8, 0xFE070707, 0, 0), Vec128{0, 0}, words(0xFFFF0000, 0, 0, 0), false},
    {"vupkhpx", Vec128{0, 0}, halves(0x8000, 0x7FFF, 0x0421, 0), words(0xFF000000, 0x001F1F1F, 0x00010101, 0),
     false},
    {"vupklpx", Vec128{0, 0}, Vec128{0x8000000000000000, 0}, words(0xFF000000, 0, 0, 0), false},
    {"vupkhsb", Vec128{0, 0}, Vec128{0, 0x807F000000000000}, words(0xFF80007F, 0, 0, 0), false},
    {"vupklsh", Vec128{0, 0}, Vec128{0x8000000100000000, 0}, words(0xFFFF8000, 1, 0, 0), false},
    {"vmrghb", Vec128{0, 0x0001020304050607}, Vec128{0, 0x1011121314151617},
     Vec128{0x0414051506160717, 0x0010011102120313}, false},
    {"vmrglh", words(0, 0, 0xA0A1A2A3, 0xA4A5A6A7), words(0, 0, 0xB0B1B2B3, 0xB4B5B6B7),
     words(0xA0A1B0B1, 0xA2A3B2B3, 0xA4A5B4B5, 0xA6A7B6B7), false},
    {"vmrghw", words(1, 2, 3, 4), words(5, 6, 7, 8), words(1, 5, 2, 6), false},
    {"vmrglw", words(1, 2, 3, 4), words(5, 6, 7, 8), words(3, 7, 4, 8), false},
    {"vmrgew", words(1, 2, 3, 4), words(5, 6, 7, 8), words(1, 5, 3, 7), false},
    {"vmrgow", words(1, 2, 3, 4), words(5, 6, 7, 8), words(2, 6, 4, 8), false},
};

TEST_F(VecTest, PackUnpackMergeTable)
{
    for (const PermuteCase &c : kCases) {
        for (uint32_t before : {0u, 1u}) {
            ew.t->VSCR.value = before;
            set_vr(1, c.a);
            set_vr(2, c.b);
            ASSERT_EQ(run(VX(c.mnemonic, 3, 1, 2)), 1) << c.mnemonic;
            EXPECT_EQ(vr(3), c.t) << c.mnemonic;
            EXPECT_EQ(vscr(), c.saturates ? 1u : before) << c.mnemonic;
        }
    }
}

TEST_F(VecTest, Splats)
{
    set_vr(2, Vec128{0x8899AABBCCDDEEFF, 0x0011223344556677});
    struct Case {
        uint32_t word;
        Vec128 expected;
    } cases[] = {
        {VX("vspltisb", 3, 0x10, 0), Vec128{0xF0F0F0F0F0F0F0F0, 0xF0F0F0F0F0F0F0F0}},
        {VX("vspltish", 3, 0x0F, 0), Vec128{0x000F000F000F000F, 0x000F000F000F000F}},
        {0x1070038C, words(0xFFFFFFF0, 0xFFFFFFF0, 0xFFFFFFF0, 0xFFFFFFF0)}, // vspltisw v3,-16
        {VX("vspltb", 3, 17, 2), Vec128{0x1111111111111111, 0x1111111111111111}},
        {VX("vsplth", 3, 7, 2), Vec128{0xEEFFEEFFEEFFEEFF, 0xEEFFEEFFEEFFEEFF}},
        {VX("vspltw", 3, 6, 2), words(0x8899AABB, 0x8899AABB, 0x8899AABB, 0x8899AABB)},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(run(c.word), 1) << std::hex << c.word;
        EXPECT_EQ(vr(3), c.expected) << std::hex << c.word;
    }
}

TEST_F(VecTest, MergeEvenGates)
{
    set_vr(1, words(1, 2, 3, 4));
    set_vr(2, words(5, 6, 7, 8));
    problem_state();
    pcr(0x4000000000000000);
    EXPECT_EQ(run(VX("vmrgew", 3, 1, 2)), 1); // the option switches the VSX PCR gate off
    ew.option(PO_PCR_DOES_NOT_DISABLE_VMX_VSX_INSTRUCTIONS, 0);
    EXPECT_EQ(run(VX("vmrgew", 3, 1, 2)), 0);
    EXPECT_EQ(raised_type(), 28);

    // The functional path sets the target's invalid-map bit from doubleword 1 of the result.
    pcr(0);
    ew.option(PO_SUPPORTS_FP_SOFTPATCH);
    ew.t->FPR_INVALID_MAP.value = 0;
    EXPECT_EQ(run(VX("vmrgow", 4, 1, 2)), 1);
    EXPECT_EQ(ew.t->FPR_INVALID_MAP.value, 1ull << (63 - 36));
}

} // namespace
} // namespace vec_test
