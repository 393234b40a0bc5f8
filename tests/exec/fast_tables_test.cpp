// The fast interpreter's mask tables, checked bit by bit against the architecture's definitions.
#include <gtest/gtest.h>

#include "exec/exec_init.h"
#include "exec/fast_interpreter.h"

namespace
{

// MASK(mb, me) bit by bit: big-endian bit k is set when k lies on the way from mb to me, stepping
// forward modulo 64.
uint64_t mask_by_bits(unsigned mb, unsigned me)
{
    uint64_t mask = 0;
    for (unsigned k = mb;; k = (k + 1) % 64) {
        mask |= 1ull << (63 - k);
        if (k == me) break;
    }
    return mask;
}

TEST(FastTables, RotateMasksForAllPairs)
{
    fast_init();
    int wrong = 0;
    for (unsigned mb = 0; mb < 64; mb++)
        for (unsigned me = 0; me < 64; me++)
            if (masks64[mb * 64 + me] != mask_by_bits(mb, me)) wrong++;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(masks64[0 * 64 + 63], ~0ull);
    EXPECT_EQ(masks64[32 * 64 + 63], 0xFFFFFFFFull);
    EXPECT_EQ(masks64[5 * 64 + 4], ~0ull); // mb = me + 1
    EXPECT_EQ(masks64[63 * 64 + 0], 0x8000000000000001ull);
    EXPECT_EQ(masks64[7 * 64 + 7], 0x0100000000000000ull);
}

TEST(FastTables, CrFieldMasks)
{
    fast_init();
    struct Case {
        unsigned index;
        uint32_t all, highest;
    } cases[] = {
        {0x00, 0x00000000, 0x00000000}, {0x80, 0xF0000000, 0xF0000000}, {0x01, 0x0000000F, 0x0000000F},
        {0x81, 0xF000000F, 0xF0000000}, {0x24, 0x00F00F00, 0x00F00000}, {0xFF, 0xFFFFFFFF, 0xF0000000},
        {0x0C, 0x0000FF00, 0x0000F000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(crfmasks[c.index], c.all);
        EXPECT_EQ(crfmasks1[c.index], c.highest);
    }
    // Every entry: field n (bit 7 - n of the index) owns nibble n counted from the top.
    for (unsigned i = 0; i < 256; i++) {
        uint32_t all = 0, highest = 0;
        for (unsigned field = 0; field < 8; field++) {
            if (!(i & (0x80u >> field))) continue;
            uint32_t nibble = 0xF0000000u >> (4 * field);
            all |= nibble;
            if (!highest) highest = nibble;
        }
        ASSERT_EQ(crfmasks[i], all) << i;
        ASSERT_EQ(crfmasks1[i], highest) << i;
    }
}

} // namespace
