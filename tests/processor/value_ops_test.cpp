// Value and access operations: 128-bit add and bit test, bit-field extraction, byte reversal,
// the byte-by-byte split test.
#include <gtest/gtest.h>

#include "processor/records/axd.h"
#include "processor/regs/value_ops.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

namespace
{

constexpr uint64_t ONES = ~0ull;

TEST(ValueOps, Add128WithCarry)
{
    struct Case {
        uint64_t a_low, a_high, b_low, b_high, carry_in;
        uint64_t low, high;
        uint32_t carry_out;
    } cases[] = {
        {ONES, ONES, 1, 0, 0, 0, 0, 1}, // the whole value wraps
        {ONES, 0, 1, 0, 0, 0, 1, 0},    // carry into the high word only
        {ONES, 0, 0, 0, 1, 0, 1, 0},    // the carry-in carries too
        {0x8000000000000000ull, 0, 0x8000000000000000ull, 0, 0, 0, 1, 0},
        {1, 0x8000000000000000ull, 2, 0x8000000000000000ull, 0, 3, 0, 1},
        {5, 7, 6, 8, 1, 12, 15, 0},
        {0x7FFFFFFFFFFFFFFFull, 0x7FFFFFFFFFFFFFFFull, 1, 1, 0, 0x8000000000000000ull, 0x8000000000000000ull,
         0},
    };
    for (const Case &c : cases) {
        uint64_t result[2] = {};
        uint32_t carry = 7;
        Add_128_With_Carry(&carry, result, c.a_low, c.a_high, c.b_low, c.b_high, c.carry_in);
        EXPECT_EQ(result[0], c.low) << std::hex << c.a_low << " " << c.b_low;
        EXPECT_EQ(result[1], c.high) << std::hex << c.a_high << " " << c.b_high;
        EXPECT_EQ(carry, c.carry_out) << std::hex << c.a_high << " " << c.b_high;
    }
    uint64_t result[2];
    Add_128_With_Carry(nullptr, result, 1, 2, 3, 4, 0); // the carry-out is optional
    EXPECT_EQ(result[0], 4u);
    EXPECT_EQ(result[1], 6u);
}

TEST(ValueOps, TestBit128CountsFromTheMostSignificantBit)
{
    const uint64_t value[2] = {0x1, 0x8000000000000000ull}; // {low, high}
    EXPECT_EQ(Test_Bit_128(value, 0), 1u);
    EXPECT_EQ(Test_Bit_128(value, 1), 0u);
    EXPECT_EQ(Test_Bit_128(value, 63), 0u);
    EXPECT_EQ(Test_Bit_128(value, 126), 0u);
    EXPECT_EQ(Test_Bit_128(value, 127), 1u);
    const uint64_t middle[2] = {0x8000000000000000ull, 0x1};
    EXPECT_EQ(Test_Bit_128(middle, 63), 1u);
    EXPECT_EQ(Test_Bit_128(middle, 64), 1u);
}

TEST(ValueOps, ExtractBits)
{
    EXPECT_EQ(Extract_bits(0xF00000000000000Full, 0, 3), 0xFu);
    EXPECT_EQ(Extract_bits(0xF00000000000000Full, 60, 63), 0xFu);
    EXPECT_EQ(Extract_bits(0x0123456789ABCDEFull, 8, 15), 0x23u);
    EXPECT_EQ(Extract_bits(0x0123456789ABCDEFull, 0, 63), 0x0123456789ABCDEFull);
    EXPECT_EQ(Extract_bits(0x0123456789ABCDEFull, 63, 63), 1u);
}

TEST(ValueOps, ReverseRegValue)
{
    EXPECT_EQ(Reverse_RegValue(0x1122, 2), 0x2211u);
    EXPECT_EQ(Reverse_RegValue(0x11223344, 4), 0x44332211u);
    EXPECT_EQ(Reverse_RegValue(0x1122334455667788ull, 8), 0x8877665544332211ull);
    EXPECT_EQ(Reverse_RegValue(0xAB, 1), 0xABu);
    EXPECT_EQ(Reverse_RegValue(0xFFFF1122, 2), 0x2211u); // bytes above the length are dropped
}

TEST(ValueOps, ReverseRegValueOfAnUnknownLengthIsAnError)
{
    SinkCapture capture;
    EXPECT_EQ(Reverse_RegValue(0x112233, 3), 0x112233u);
    EXPECT_NE(capture.text().find("Reverse_RegValue: Unknown length: 3\n"), std::string::npos)
        << capture.text();
    Start_The_Simulation(); // the error set a stop cause
}

TEST(ValueOps, MicrocodedByteByByte)
{
    auto access = [](uint64_t ea, int16_t size, uint16_t kind, uint32_t wimg) {
        AXD a = INITIAL_AXD;
        a.ea = ea;
        a.size = size;
        a.kind = kind;
        a.wimg = wimg;
        return a;
    };
    struct Case {
        AXD a;
        int expected;
    } cases[] = {
        {access(0x1E, 4, AXD_KIND_LOAD, 0), 1},           // crosses a 32-byte block
        {access(0x1E, 4, AXD_KIND_FETCH, 0), 0},          // fetches never
        {access(0x04, 8, AXD_KIND_LOAD, AXD_WIMG_I), 0},  // within 16 bytes
        {access(0x0E, 4, AXD_KIND_LOAD, AXD_WIMG_I), 1},  // across 16 bytes, cache-inhibited load
        {access(0x0E, 4, AXD_KIND_LOAD, 0), 0},           // across 16 bytes, cached load
        {access(0x0E, 4, AXD_KIND_STORE, AXD_WIMG_I), 0}, // stores: L2SIW is always set
        {access(0x0E, 4, AXD_KIND_CACHE_LOAD, AXD_WIMG_I), 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Microcoded_byte_by_byte(&c.a), c.expected) << std::hex << c.a.ea << " kind " << c.a.kind;
    EXPECT_EQ(TEST_BIT_XUCR0_FLSTA_AFLSTA(), 1);
    EXPECT_EQ(TEST_BIT_XUCR0_L2SIW(), 1);
    EXPECT_EQ(TEST_BIT_XUCR0_DC_DIS(), 0);
}

} // namespace
