// The assignment test under the FPSCR enables and the packed-decimal digit normaliser.
#include <gtest/gtest.h>

#include "isa/fp_result_writes.h"
#include "isa/fp_support_helpers.h"
#include "processor/records/instruction_record.h"

namespace
{

TEST(FpSupport, AllowAssignmentByEnableBits)
{
    struct Case {
        const char *what;
        uint64_t fpscr;
        uint32_t raised, mask;
        int allowed;
    } cases[] = {
        {"nothing raised", 0xF8, 0x00, 0xFF, 1},          {"masked out", 0xF8, 0x80, 0x7F, 1},
        {"no enable bit, any flag", 0x00, 0xFF, 0xFF, 1}, {"inexact with XE", 0x08, 0x04, 0xFF, 0},
        {"inexact without XE", 0x80, 0x04, 0xFF, 1},      {"SNaN with VE", 0x80, 0x80, 0xFF, 0},
        {"invalid with VE", 0x80, 0x10, 0xFF, 0},         {"QNaN with VE", 0x80, 0x40, 0xFF, 1},
        {"overflow with OE", 0x40, 0x01, 0xFF, 0},        {"underflow with UE", 0x20, 0x02, 0xFF, 0},
        {"zero divide with ZE", 0x10, 0x20, 0xFF, 0},     {"zero divide with VE only", 0x80, 0x20, 0xFF, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        IOPDesc iop{};
        iop.fpscr_cache_on = 1;
        iop.fpscr_cache = c.fpscr;
        EXPECT_EQ(Allow_Assignment(&iop, c.mask, c.raised), c.allowed);
    }
}

TEST(FpSupport, ConvertToValidBcdCarriesIntoTheNextDigit)
{
    uint8_t value[16] = {}, out[16] = {};
    value[0] = 0xAC;  // digit 0xA, sign 0xC
    value[1] = 0x09;  // digits 9 (low) and 0 (high)
    value[15] = 0xF0; // the last digit 0xF: its carry is dropped
    BCD_ConvertToValidBCD(value, out);
    EXPECT_EQ(out[0], 0x00); // 0xA -> 0 with a carry; the sign nibble of out is untouched
    EXPECT_EQ(out[1], 0x10); // 9 + 1 -> 0 with a carry, then 0 + 1
    EXPECT_EQ(out[15], 0x50);

    uint8_t kept[16] = {};
    kept[0] = 0x0C;
    BCD_ConvertToValidBCD(value, kept);
    EXPECT_EQ(kept[0], 0x0C);
}

} // namespace

#include "isa/vsu_helpers.h"

namespace
{

TEST(VsuHelpers, AesTransformations)
{
    const Vec128 zero{0, 0};
    const Vec128 sub = VSU_SubBytes(zero);
    EXPECT_EQ(sub.high, 0x6363636363636363u);
    EXPECT_EQ(sub.low, 0x6363636363636363u);
    const Vec128 state{0x0011223344556677ull, 0x8899AABBCCDDEEFFull};
    const Vec128 back = VSU_InvShiftRows(VSU_ShiftRows(state));
    EXPECT_EQ(back.high, state.high);
    EXPECT_EQ(back.low, state.low);
    Vec128 counting{};
    counting.high = 0x0001020304050607ull;
    counting.low = 0x08090A0B0C0D0E0Full;
    const Vec128 shifted = VSU_ShiftRows(counting);
    EXPECT_EQ(shifted.high, 0x00050A0F04090E03ull); // byte 4c + r from column (c + r) mod 4
    EXPECT_EQ(shifted.low, 0x080D02070C01060Bull);
    const Vec128 inverse = VSU_InvSubBytes(VSU_SubBytes(state));
    EXPECT_EQ(inverse.high, state.high);
    EXPECT_EQ(inverse.low, state.low);
    EXPECT_EQ(Rotate_Right32(0x80000001u, 1), 0xC0000000u);
    EXPECT_EQ(Rotate_Right64(1, 64), 1u);
    EXPECT_EQ(Bitwise_Difference8(1, 2, 4, 8), 15);
}

} // namespace
