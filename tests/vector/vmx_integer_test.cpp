// VMX integer arithmetic against reference values: multiplies and multiply-sums, sums across,
// averages, minimum and maximum, element shifts, rotates, logical operations and counts, the
// doubleword and quadword operations, and the polynomial multiply-sums. One table per family;
// each case checks VT and whether it saturated.
#include "vmx_cases.h"

namespace vec_test
{
namespace
{

constexpr Vec128 Z{0, 0};
constexpr Vec128 ONES{~0ull, ~0ull};
constexpr uint64_t M = ~0ull;

const VmxCase kMultiply[] = {
    {"vmulesb", dwords(0x8000FF0000000000, 0), dwords(0x8000020000000000, 0), Z,
     dwords(0x4000FFFE00000000, 0), false},
    {"vmuleub", dwords(0x8000FF0000000000, 0), dwords(0x8000020000000000, 0), Z,
     dwords(0x400001FE00000000, 0), false},
    {"vmuleub", dwords(0xFF00000000000000, 0), dwords(0xFF00000000000000, 0), Z,
     dwords(0xFE01000000000000, 0), false},
    {"vmulosb", dwords(0x0080000000000000, 0), dwords(0x0080000000000000, 0), Z,
     dwords(0x4000000000000000, 0), false},
    {"vmuloub", dwords(0, 0x00000000000000FF), dwords(0, 0x00000000000000FF), Z, dwords(0, 0xFE01), false},
    {"vmuleuh", dwords(0xFFFF000000000000, 0), dwords(0xFFFF000000000000, 0), Z,
     dwords(0xFFFE000100000000, 0), false},
    {"vmulesh", dwords(0xFFFF000000000000, 0), dwords(0xFFFF000000000000, 0), Z,
     dwords(0x0000000100000000, 0), false},
    {"vmulosh", dwords(0x00008000, 0), dwords(0x00000002, 0), Z, dwords(0xFFFF0000, 0), false},
    {"vmulouh", dwords(0x00008000, 0), dwords(0x00000002, 0), Z, dwords(0x00010000, 0), false},
    {"vmuleuw", words(0xFFFFFFFF, 0, 0, 0), words(0xFFFFFFFF, 0, 0, 0), Z, dwords(0xFFFFFFFE00000001, 0),
     false},
    {"vmulesw", words(0x80000000, 0, 0, 0), words(0x80000000, 0, 0, 0), Z, dwords(0x4000000000000000, 0),
     false},
    {"vmulosw", words(0, 0xFFFFFFFF, 0, 2), words(0, 3, 0, 0xFFFFFFFE), Z, dwords(M - 2, M - 3), false},
    {"vmulouw", words(0, 0xFFFFFFFF, 0, 2), words(0, 3, 0, 0xFFFFFFFE), Z, dwords(0x2FFFFFFFD, 0x1FFFFFFFC),
     false},
    {"vmuluwm", words(0x10000, 0xFFFFFFFF, 7, 0), words(0x10000, 0xFFFFFFFF, 6, 0), Z, words(0, 1, 42, 0),
     false},
    {"vmladduhm", dwords(0xFFFF000000000000, 0), dwords(0xFFFF000000000000, 0), dwords(0x0005000000000000, 0),
     dwords(0x0006000000000000, 0), false},
    // vmhraddshs: 0x8000 x 0x8000 + 0 clamps; 0x4000 x 1 rounds up to 1; c = -1 does not clamp.
    {"vmhraddshs", dwords(0x8000400000000000, 0), dwords(0x8000000100000000, 0), Z,
     dwords(0x7FFF000100000000, 0), true},
    {"vmhraddshs", dwords(0x8000000000000000, 0), dwords(0x8000000000000000, 0),
     dwords(0xFFFF000000000000, 0), dwords(0x7FFF000000000000, 0), false},
    {"vmhaddshs", dwords(0x4000000000000000, 0), dwords(0x0001000000000000, 0), Z, Z, false},
    {"vmhaddshs", dwords(0x8000C00000000000, 0), dwords(0x8000400000000000, 0), dwords(0x0000800000000000, 0),
     dwords(0x7FFF800000000000, 0), true}, // second: -0x2000 + -0x8000 clamps too
    {"vmsumuhs", ONES, ONES, ONES, ONES, true},
    {"vmsumuhm", ONES, ONES, ONES, words(0xFFFC0001, 0xFFFC0001, 0xFFFC0001, 0xFFFC0001), false},
    {"vmsumuhs", words(0x00020003, 0, 0, 0), words(0x00040005, 0, 0, 0), words(1, 0, 0, 0),
     words(24, 0, 0, 0), false},
    {"vmsummbm", dwords(0xFF00000000000000, 0), dwords(0xFF00000000000000, 0), Z, words(0xFFFFFF01, 0, 0, 0),
     false},
    {"vmsumubm", dwords(0xFF00000000000000, 0), dwords(0xFF00000000000000, 0), words(1, 0, 0, 0),
     words(0xFE02, 0, 0, 0), false},
    {"vmsumshs", dwords(0x8000800080008000, 0x8000800080008000),
     dwords(0x8000800080008000, 0x8000800080008000), Z, words(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF),
     true},
    {"vmsumshs", words(0xFFFF0002, 0, 0, 0), words(0x00030004, 0, 0, 0), words(0x80000000, 0, 0, 0),
     words(0x80000005, 0, 0, 0), false},
    {"vmsumshm", dwords(0x8000800080008000, 0x8000800080008000),
     dwords(0x8000800080008000, 0x8000800080008000), Z, words(0x80000000, 0x80000000, 0x80000000, 0x80000000),
     false},
};

const VmxCase kSumsAveragesMinMax[] = {
    // Only the final sum is clamped.
    {"vsumsws", words(0x7FFFFFFF, 0x7FFFFFFF, 0x80000000, 0x80000000), words(5, 6, 7, 0), Z,
     words(0, 0, 0, 0xFFFFFFFE), false},
    {"vsumsws", words(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF), Z, Z, words(0, 0, 0, 0x7FFFFFFF),
     true},
    {"vsumsws", words(0x80000000, 0, 0, 0), words(0, 0, 0, 0xFFFFFFFF), Z, words(0, 0, 0, 0x80000000), true},
    {"vsum2sws", words(0x7FFFFFFF, 1, 1, 2), words(9, 0, 9, 3), Z, words(0, 0x7FFFFFFF, 0, 6), true},
    {"vsum4ubs", words(0, 0x01020304, 0, 0), words(0xFFFFFFFF, 10, 0, 0), Z, words(0xFFFFFFFF, 20, 0, 0),
     false},
    {"vsum4ubs", words(0x00000001, 0, 0, 0), words(0xFFFFFFFF, 0, 0, 0), Z, words(0xFFFFFFFF, 0, 0, 0), true},
    {"vsum4sbs", words(0x01FF0000, 0x80808080, 0, 0), words(0x7FFFFFFF, 0x80000000, 0, 0), Z,
     words(0x7FFFFFFF, 0x80000000, 0, 0), true},
    {"vsum4sbs", words(0x01FF0000, 0, 0, 0), words(0x7FFFFFFF, 0, 0, 0), Z, words(0x7FFFFFFF, 0, 0, 0),
     false},
    {"vsum4shs", words(0xFFFF0001, 0x7FFF7FFF, 0, 0), words(5, 0x7FFFFFFF, 0, 0), Z,
     words(5, 0x7FFFFFFF, 0, 0), true},
    // Averages round half up.
    {"vavgsw", words(0x80000000, 0x7FFFFFFF, 0xFFFFFFFF, 0xFFFFFFFE),
     words(0x7FFFFFFF, 0x7FFFFFFF, 0, 0xFFFFFFFF), Z, words(0, 0x7FFFFFFF, 0, 0xFFFFFFFF), false},
    {"vavgub", dwords(0xFF01000000000000, 0), dwords(0xFF02000000000000, 0), Z, dwords(0xFF02000000000000, 0),
     false},
    {"vavguw", words(0xFFFFFFFF, 0, 0, 0), Z, Z, words(0x80000000, 0, 0, 0), false},
    {"vavgsb", dwords(0x80FE000000000000, 0), dwords(0x80FF000000000000, 0), Z, dwords(0x80FF000000000000, 0),
     false},
    {"vavguh", dwords(0xFFFF000000000000, 0), dwords(0x0002000000000000, 0), Z, dwords(0x8001000000000000, 0),
     false},
    {"vavgsh", dwords(0x8000000000000000, 0), dwords(0x0002000000000000, 0), Z, dwords(0xC001000000000000, 0),
     false},
    // Signed against unsigned.
    {"vminsb", dwords(0x8000000000000000, 0), dwords(0x7F00000000000000, 0), Z, dwords(0x8000000000000000, 0),
     false},
    {"vminub", dwords(0x8000000000000000, 0), dwords(0x7F00000000000000, 0), Z, dwords(0x7F00000000000000, 0),
     false},
    {"vmaxsb", dwords(0x8000000000000000, 0), dwords(0x7F00000000000000, 0), Z, dwords(0x7F00000000000000, 0),
     false},
    {"vmaxub", dwords(0x8000000000000000, 0), dwords(0x7F00000000000000, 0), Z, dwords(0x8000000000000000, 0),
     false},
    {"vminsw", words(0xFFFFFFFF, 4, 0, 0), words(1, 4, 0, 0), Z, words(0xFFFFFFFF, 4, 0, 0), false},
    {"vminuw", words(0xFFFFFFFF, 4, 0, 0), words(1, 4, 0, 0), Z, words(1, 4, 0, 0), false},
    {"vmaxsw", words(0xFFFFFFFF, 4, 0, 0), words(1, 4, 0, 0), Z, words(1, 4, 0, 0), false},
    {"vmaxuw", words(0xFFFFFFFF, 4, 0, 0), words(1, 4, 0, 0), Z, words(0xFFFFFFFF, 4, 0, 0), false},
    {"vmaxsh", words(0x80007FFF, 0, 0, 0), words(0x7FFF8000, 0, 0, 0), Z, words(0x7FFF7FFF, 0, 0, 0), false},
    {"vminuh", words(0x80007FFF, 0, 0, 0), words(0x7FFF8000, 0, 0, 0), Z, words(0x7FFF7FFF, 0, 0, 0), false},
    {"vminsh", words(0x80007FFF, 0, 0, 0), words(0x7FFF8000, 0, 0, 0), Z, words(0x80008000, 0, 0, 0), false},
    {"vmaxuh", words(0x80007FFF, 0, 0, 0), words(0x7FFF8000, 0, 0, 0), Z, words(0x80008000, 0, 0, 0), false},
};

const VmxCase kShiftsLogicalCounts[] = {
    // Only the low bits of each count lane count.
    {"vslw", words(1, 1, 0x80000001, 0), words(33, 31, 1, 0), Z, words(2, 0x80000000, 2, 0), false},
    {"vslb", dwords(0x0101000000000000, 0), dwords(0xFF08000000000000, 0), Z, dwords(0x8001000000000000, 0),
     false},
    {"vslh", dwords(0x8001000000000000, 0), dwords(0x0001000000000000, 0), Z, dwords(0x0002000000000000, 0),
     false},
    {"vsrab", dwords(0x8040000000000000, 0), dwords(0x0707000000000000, 0), Z, dwords(0xFF00000000000000, 0),
     false},
    {"vsrb", dwords(0x8040000000000000, 0), dwords(0x0707000000000000, 0), Z, dwords(0x0100000000000000, 0),
     false},
    {"vsrah", dwords(0x80007FFF00000000, 0), dwords(0x000F000F00000000, 0), Z, dwords(0xFFFF000000000000, 0),
     false},
    {"vsrh", dwords(0x8000000000000000, 0), dwords(0x000F000000000000, 0), Z, dwords(0x0001000000000000, 0),
     false},
    {"vsraw", words(0x80000000, 0x7FFFFFFF, 0, 0), words(4, 32 + 4, 0, 0), Z,
     words(0xF8000000, 0x07FFFFFF, 0, 0), false},
    {"vsrw", words(0x80000000, 0, 0, 0), words(31, 0, 0, 0), Z, words(1, 0, 0, 0), false},
    {"vrlh", dwords(0x8001800100000000, 0), dwords(0x0001001000000000, 0), Z, dwords(0x0003800100000000, 0),
     false},
    {"vrlb", dwords(0x8181000000000000, 0), dwords(0x0400000000000000, 0), Z, dwords(0x1881000000000000, 0),
     false},
    {"vrlw", words(0x80000001, 0, 0, 0), words(4, 0, 0, 0), Z, words(0x00000018, 0, 0, 0), false},
    {"vand", dwords(0xF0F0, 0xFF), dwords(0xFF00, 0x0F), Z, dwords(0xF000, 0x0F), false},
    {"vandc", ONES, Z, Z, ONES, false},
    {"vandc", dwords(0xF0F0, 0xFF), dwords(0xFF00, 0x0F), Z, dwords(0x00F0, 0xF0), false},
    {"vor", dwords(0xF0F0, 0xFF), dwords(0xFF00, 0x0F), Z, dwords(0xFFF0, 0xFF), false},
    {"vxor", dwords(0xF0F0, 0xFF), dwords(0xFF00, 0x0F), Z, dwords(0x0FF0, 0xF0), false},
    {"vnor", dwords(0xF0F0, 0xFF), dwords(0xFF00, 0x0F), Z, dwords(~0xFFF0ull, ~0xFFull), false},
    {"vorc", dwords(0xF0F0, 0xFF), dwords(0xFF00, 0x0F), Z, dwords(~0x0F00ull, ~0ull), false},
    {"vnand", ONES, ONES, Z, Z, false},
    {"veqv", dwords(0x1234, 5), dwords(0x1234, 5), Z, ONES, false},
    {"vclzd", ONES, dwords(1, 0x8001), Z, dwords(63, 48), false},
    {"vclzd", Z, Z, Z, dwords(64, 64), false},
    {"vclzb", Z, dwords(0x0100FF8000000000, 0), Z, dwords(0x0708000008080808, 0x0808080808080808), false},
    {"vclzh", Z, dwords(0xFFFF000000010000, 0), Z, dwords(0x00000010000F0010, 0x0010001000100010), false},
    {"vclzw", Z, words(0, 1, 0x80000000, 0xFFFF), Z, words(32, 31, 0, 16), false},
    {"vpopcntd", Z, dwords(1, 0x8001), Z, dwords(1, 2), false},
    {"vpopcntw", Z, words(0xFFFFFFFF, 0, 0x80000001, 7), Z, words(32, 0, 2, 3), false},
    {"vpopcntb", Z, dwords(0xFF00810000000000, 0), Z, dwords(0x0800020000000000, 0), false},
    {"vpopcnth", Z, dwords(0xFFFF000000000000, 0), Z, dwords(0x0010000000000000, 0), false},
};

const VmxCase kDoublewordQuadword[] = {
    {"vaddudm", dwords(M, 1), dwords(1, 1), Z, dwords(0, 2), false},
    {"vsubudm", dwords(0, 5), dwords(1, 3), Z, dwords(M, 2), false},
    {"vminsd", dwords(M, 5), dwords(1, 3), Z, dwords(M, 3), false},
    {"vmaxsd", dwords(M, 5), dwords(1, 3), Z, dwords(1, 5), false},
    {"vminud", dwords(M, 5), dwords(1, 3), Z, dwords(1, 3), false},
    {"vmaxud", dwords(M, 5), dwords(1, 3), Z, dwords(M, 5), false},
    {"vsrad", dwords(0x8000000000000000, 0x8000000000000000), dwords(63, 64), Z,
     dwords(M, 0x8000000000000000), false},
    {"vsrd", dwords(0x8000000000000000, 0x8000000000000000), dwords(63, 64 + 4), Z,
     dwords(1, 0x0800000000000000), false},
    {"vsld", dwords(3, 3), dwords(64, 63), Z, dwords(3, 0x8000000000000000), false},
    {"vrld", dwords(0x8000000000000001, 0x8000000000000001), dwords(0, 1), Z, dwords(0x8000000000000001, 3),
     false},
    {"vupkhsw", Z, words(0x80000000, 1, 2, 0xFFFFFFFF), Z, dwords(0xFFFFFFFF80000000, 1), false},
    {"vupklsw", Z, words(0x80000000, 1, 2, 0xFFFFFFFF), Z, dwords(2, M), false},
    {"vpkudum", dwords(0x100000002, 3), dwords(4, 0xFFFFFFFF00000005), Z, words(2, 3, 4, 5), false},
    {"vpksdss", dwords(0x0000000080000000, 0xFFFFFFFF80000000), Z, Z, words(0x7FFFFFFF, 0x80000000, 0, 0),
     true},
    {"vpksdss", dwords(0xFFFFFFFF80000000, 5), dwords(0x7FFFFFFF, M), Z,
     words(0x80000000, 5, 0x7FFFFFFF, 0xFFFFFFFF), false},
    {"vpksdss", Z, dwords(0x8000000000000000, 0), Z, words(0, 0, 0x80000000, 0), true},
    {"vpkudus", dwords(0x0000000100000000, 7), Z, Z, words(0xFFFFFFFF, 7, 0, 0), true},
    {"vpksdus", dwords(M, 0x100000000), dwords(0xFFFFFFFF, 0), Z, words(0, 0xFFFFFFFF, 0xFFFFFFFF, 0), true},
    {"vpksdus", dwords(0xFFFFFFFF, 1), Z, Z, words(0xFFFFFFFF, 1, 0, 0), false},
    // 128-bit sums: VA + B' + c, B' = VB or NOT VB.
    {"vadduqm", ONES, dwords(0, 1), Z, Z, false},
    {"vaddcuq", ONES, dwords(0, 1), Z, dwords(0, 1), false},
    {"vaddcuq", dwords(0, M), dwords(0, 1), Z, Z, false},
    {"vadduqm", dwords(0, M), dwords(0, 1), Z, dwords(1, 0), false},
    {"vsubuqm", Z, dwords(0, 1), Z, ONES, false},
    {"vsubcuq", dwords(7, 9), dwords(7, 9), Z, dwords(0, 1), false},
    {"vsubcuq", Z, dwords(0, 1), Z, Z, false},
    {"vsubeuqm", dwords(0, 10), dwords(0, 3), dwords(M, M - 1), dwords(0, 6), false}, // bit 127 of VC is 0
    {"vsubeuqm", dwords(0, 10), dwords(0, 3), dwords(0, 1), dwords(0, 7), false},
    {"vsubecuq", dwords(0, 5), dwords(0, 5), Z, Z, false},
    {"vsubecuq", dwords(0, 5), dwords(0, 5), dwords(0, 1), dwords(0, 1), false},
    {"vaddeuqm", ONES, Z, dwords(M, M), Z, false},
    {"vaddecuq", ONES, Z, dwords(0, 1), dwords(0, 1), false},
    {"vaddecuq", ONES, Z, dwords(M, M - 1), Z, false},
};

const VmxCase kPolynomial[] = {
    {"vpmsumb", dwords(0x0003000000000000, 0), dwords(0x0003000000000000, 0), Z,
     dwords(0x0005000000000000, 0), false},
    {"vpmsumb", dwords(0xFFFFFFFF00000000, 0), dwords(0xFFFFFFFF00000000, 0), Z, Z, false},
    {"vpmsumb", dwords(0xFF00000000000000, 0), dwords(0xFF00000000000000, 0), Z,
     dwords(0x5555000000000000, 0), false},
    {"vpmsumb", dwords(0, 0x0000000000008003), dwords(0, 0x0000000000000203), Z,
     dwords(0, 0x0000000000000105), false}, // (x^7)(x) XOR (x+1)(x+1)
    {"vpmsumh", dwords(0x8000000000000000, 0), dwords(0x8000000000000000, 0), Z, words(0x40000000, 0, 0, 0),
     false},
    {"vpmsumw", words(3, 0, 0, 0x80000000), words(3, 0, 0, 2), Z, dwords(5, 1ull << 32), false},
    {"vpmsumd", dwords(1, 0), dwords(0x123456789ABCDEF0, 0), Z, dwords(0, 0x123456789ABCDEF0), false},
    {"vpmsumd", dwords(0x8000000000000000, 0), dwords(0x8000000000000000, 0), Z,
     dwords(0x4000000000000000, 0), false},
    {"vpmsumd", dwords(3, 3), dwords(3, 2), Z, dwords(0, 5 ^ 6), false},
};

TEST_F(VmxTest, MultiplyAndMultiplySum)
{
    check_table(kMultiply, std::size(kMultiply));
}
TEST_F(VmxTest, SumsAveragesMinimumMaximum)
{
    check_table(kSumsAveragesMinMax, std::size(kSumsAveragesMinMax));
}
TEST_F(VmxTest, ShiftsLogicalAndCounts)
{
    check_table(kShiftsLogicalCounts, std::size(kShiftsLogicalCounts));
}
TEST_F(VmxTest, DoublewordAndQuadword)
{
    check_table(kDoublewordQuadword, std::size(kDoublewordQuadword));
}
TEST_F(VmxTest, PolynomialMultiplySum)
{
    check_table(kPolynomial, std::size(kPolynomial));
}

// The carry-less products against a bit-by-bit reference on pseudo-random operands.
TEST_F(VmxTest, PolynomialMultiplySumMatchesBitLoop)
{
    uint64_t seed = 0x9E3779B97F4A7C15;
    auto next = [&] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return seed;
    };
    for (int round = 0; round < 20; round++) {
        const Vec128 a{next(), next()}, b{next(), next()};
        // vpmsumd: bit i of the 128-bit result = XOR over p + q = i of both products' bits.
        Vec128 expect{0, 0};
        for (int k = 0; k < 2; k++) {
            const uint64_t x = k ? a.low : a.high, y = k ? b.low : b.high;
            for (int p = 0; p < 64; p++)
                for (int q = 0; q < 64; q++)
                    if (((x >> p) & 1) && ((y >> q) & 1)) {
                        const int i = p + q;
                        if (i < 64)
                            expect.low ^= 1ull << i;
                        else
                            expect.high ^= 1ull << (i - 64);
                    }
        }
        const VmxCase c{"vpmsumd", a, b, Z, expect, false};
        check_table(&c, 1);
    }
}

} // namespace
} // namespace vec_test
