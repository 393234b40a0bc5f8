// VMX permutes, octet and bit shifts (with and without PARALLEL_VSL), the bit gather and
// transpose, and the integer compares with their CR field 6 summary.
#include "interrupts/exception_types.h"
#include "vmx_cases.h"

namespace vec_test
{
namespace
{

constexpr Vec128 Z{0, 0};
constexpr Vec128 ONES{~0ull, ~0ull};
const Vec128 kBytes00 = dwords(0x0001020304050607, 0x08090A0B0C0D0E0F);
const Vec128 kBytes10 = dwords(0x1011121314151617, 0x18191A1B1C1D1E1F);
const Vec128 kBytes01 = dwords(0x0102030405060708, 0x090A0B0C0D0E0F10);

const VmxCase kPermute[] = {
    // Only the low five bits of a control byte count: 0x1F is VB byte 15, 0xE0 VA byte 0.
    {"vperm", kBytes00, kBytes10, dwords(0x1FE0110500000000, 0), dwords(0x1F00110500000000, 0), false},
    {"vpermxor", kBytes00, kBytes10, Z, dwords(0x1010101010101010, 0x1010101010101010), false},
    {"vpermxor", kBytes00, kBytes10, dwords(0x3F00000000000000, 0),
     dwords(0x1C10101010101010, 0x1010101010101010), false},
    {"vsel", Z, ONES, dwords(0xF0F0F0F0F0F0F0F0, 1), dwords(0xF0F0F0F0F0F0F0F0, 1), false},
    {"vsel", dwords(0x1234, 0), dwords(0xFF00, 0), dwords(0xFFFF, 0), dwords(0xFF00, 0), false},
    // vslo/vsro: n = bits 121-124 of VB (byte 15 = 0xFF gives 15); the rest of VB is ignored.
    {"vslo", kBytes01, dwords(0x123456789ABCDEF0, 0xFF), Z, dwords(0x1000000000000000, 0), false},
    {"vsro", kBytes01, dwords(0x123456789ABCDEF0, 0xFF), Z, dwords(0, 0x01), false},
    {"vslo", kBytes01, dwords(0, 0x0F), Z, dwords(0x0203040506070809, 0x0A0B0C0D0E0F1000), false},
    {"vsro", kBytes01, dwords(0, 0x87), Z, kBytes01, false},
    // vsl/vsr with a uniform count 3 (the upper five bits of each byte do not count).
    {"vsl", dwords(0x8000000000000001, 0xF000000000000000), dwords(0x0303030303030303, 0x03030303030303FB), Z,
     dwords(0x000000000000000F, 0x8000000000000000), false},
    {"vsr", dwords(0x8000000000000001, 0xF000000000000000), dwords(0x0303030303030303, 0x0303030303030303), Z,
     dwords(0x1000000000000000, 0x3E00000000000000), false},
    // vbpermq: bit i of the 16-bit gather from VA bit (VB byte i); indexes of 128 and above give 0.
    {"vbpermq", dwords(0x123456789ABCDEF0, 0x0FEDCBA987654321), kBytes00, Z, dwords(0x1234, 0), false},
    {"vbpermq", ONES, dwords(0x8080808080808080, 0x8080808080808080), Z, Z, false},
    {"vbpermq", dwords(0, 1), dwords(0x7F00FF0000000000, 0x000000000000007F), Z, dwords(0x8001, 0), false},
    {"vgbbd", Z, dwords(0x8040201008040201, 0xFF00000000000000), Z,
     dwords(0x8040201008040201, 0x8080808080808080), false},
    {"vgbbd", Z, dwords(0x0000000000000001, 0x00000000000000FF), Z,
     dwords(0x0000000000000001, 0x0101010101010101), false},
};

TEST_F(VmxTest, PermutesAndShifts)
{
    check_table(kPermute, std::size(kPermute));
}

TEST_F(VmxTest, ShiftDoubleByOctetImmediate)
{
    set_vr(1, kBytes00);
    set_vr(2, kBytes10);
    for (uint32_t shb : {0u, 5u, 15u}) {
        ASSERT_EQ(run(VX("vsldoi", 4, 1, 2) | (shb << 6)), 1);
        vec::Bytes16 expect;
        for (uint32_t i = 0; i < 16; i++)
            expect.b[i] = (uint8_t)(i + shb); // byte k of VA||VB is k (VA 00..0F, VB 10..1F)
        EXPECT_EQ(vr(4), vec::vmx_from_bytes(expect)) << shb;
    }
}

TEST_F(VmxTest, ShiftBitsWithDifferingCounts)
{
    // Byte 0 of VB holds count 4, the others 1.
    const Vec128 a = dwords(0x8F00000000000001, 0x8000000000000081);
    const Vec128 counts = dwords(0x0401010101010101, 0x0101010101010101);
    set_vr(1, a);
    set_vr(2, counts);

    ew.option(PO_PARALLEL_VSL, 0); // byte 15's count shifts the whole register
    ASSERT_EQ(run(VX("vsl", 4, 1, 2)), 1);
    EXPECT_EQ(vr(4), vec::vmx_shift_left(a, 1));

    ew.option(PO_PARALLEL_VSL, 1); // byte 0 from a << 4, bytes 1-15 from a << 1
    ASSERT_EQ(run(VX("vsl", 4, 1, 2)), 1);
    Vec128 expect = vec::vmx_shift_left(a, 1);
    Vec_Set_Byte(&expect, 0, 0xF0);
    EXPECT_EQ(vr(4), expect);

    // vsr: byte 1 counts 7, the rest 0; the bit of byte 0 enters byte 1.
    set_vr(1, dwords(0x0100000000000000, 0));
    set_vr(2, dwords(0x0007000000000000, 0));
    ASSERT_EQ(run(VX("vsr", 4, 1, 2)), 1);
    EXPECT_EQ(vr(4), dwords(0x0102000000000000, 0));
}

struct CompareCase {
    const char *mnemonic;
    Vec128 a, b, t;
    uint32_t cr6; // with Rc = 1
};

const CompareCase kCompares[] = {
    {"vcmpequb", kBytes00, kBytes00, ONES, 0x8},
    {"vcmpgtub", kBytes00, kBytes00, Z, 0x2},
    {"vcmpequh", dwords(0x0001000200030004, 0), dwords(0x0001000000030000, 0),
     dwords(0xFFFF0000FFFF0000, 0xFFFFFFFFFFFFFFFF), 0},
    // Signed against unsigned: 0x80 against 0x7F, 0 against -1.
    {"vcmpgtsb", dwords(0x8000000000000000, 0), dwords(0x7F00000000000000, 0), Z, 0x2},
    {"vcmpgtub", dwords(0x8000000000000000, 0), dwords(0x7F00000000000000, 0), dwords(0xFF00000000000000, 0),
     0},
    {"vcmpgtsw", Z, ONES, ONES, 0x8},
    {"vcmpgtuw", Z, ONES, Z, 0x2},
    {"vcmpgtsh", dwords(0x7FFF8000, 0), dwords(0x80007FFF, 0), dwords(0xFFFF0000, 0), 0},
    {"vcmpgtuh", dwords(0x7FFF8000, 0), dwords(0x80007FFF, 0), dwords(0x0000FFFF, 0), 0},
    {"vcmpequw", words(1, 2, 3, 4), words(1, 2, 3, 5), words(~0u, ~0u, ~0u, 0), 0},
    // Doublewords: (-1, 5) > (-2, 5) in one element only.
    {"vcmpgtsd", dwords(~0ull, 5), dwords(~0ull - 1, 5), dwords(~0ull, 0), 0},
    {"vcmpgtsd", dwords(~0ull, 6), dwords(~0ull - 1, 5), ONES, 0x8},
    {"vcmpgtsd", dwords(~0ull - 1, 5), dwords(~0ull, 5), Z, 0x2},
    {"vcmpgtud", dwords(~0ull, 1), dwords(1, ~0ull), dwords(~0ull, 0), 0},
    {"vcmpequd", dwords(7, 8), dwords(7, 8), ONES, 0x8},
};

TEST_F(VmxTest, ComparesAndTheirRecordForms)
{
    for (const CompareCase &c : kCompares) {
        const std::string dot = std::string(c.mnemonic) + ".";
        for (const char *m : {c.mnemonic, dot.c_str()}) {
            const bool record = m == dot.c_str();
            set_vr(1, c.a);
            set_vr(2, c.b);
            ew.cr() = 0x12345678;
            ew.t->CR.bits_written.valid = 0;
            ew.t->CR.bits_written.mask = 0;
            ASSERT_EQ(run(VX(m, 4, 1, 2)), 1) << m;
            EXPECT_EQ(vr(4), c.t) << m;
            if (record) {
                EXPECT_EQ(ew.cr(), 0x12345608u | (c.cr6 << 4)) << m;
                EXPECT_EQ(ew.t->CR.bits_written.valid, 1) << m;
                EXPECT_EQ(ew.t->CR.bits_written.mask, 0xF0u) << m;
            } else {
                EXPECT_EQ(ew.cr(), 0x12345678u) << m;
                EXPECT_EQ(ew.t->CR.bits_written.valid, 0) << m;
            }
        }
    }
}

TEST_F(VmxTest, RecordFormAddsToEarlierChangedBits)
{
    ew.t->CR.bits_written.valid = 1;
    ew.t->CR.bits_written.mask = 0xF0000000;
    set_vr(1, Z);
    set_vr(2, Z);
    ASSERT_EQ(run(VX("vcmpequb.", 4, 1, 2)), 1);
    EXPECT_EQ(ew.t->CR.bits_written.mask, 0xF00000F0u);
}

TEST_F(VmxTest, CompareTargetMayNameASource)
{
    // VT = VA: the compare uses the old VA, the summary the new VT.
    set_vr(1, words(5, 5, 5, 5));
    set_vr(2, words(4, 4, 4, 4));
    ASSERT_EQ(run(VX("vcmpgtuw.", 1, 1, 2)), 1);
    EXPECT_EQ(vr(1), ONES);
    EXPECT_EQ((ew.cr() >> 4) & 0xF, 0x8u);
}

} // namespace
} // namespace vec_test
