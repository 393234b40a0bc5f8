// The AES, XOR and rotate helpers of the vector micro-operations.
#include "isa/vsu_helpers.h"

#include <array>

namespace
{

// Product in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
constexpr uint8_t gf_mul(uint8_t a, uint8_t b)
{
    uint8_t p = 0;
    for (int i = 0; i < 8; i++) {
        if (b & 1) p ^= a;
        const bool carry = a & 0x80;
        a = (uint8_t)(a << 1);
        if (carry) a ^= 0x1B;
        b >>= 1;
    }
    return p;
}

constexpr uint8_t rotl8(uint8_t x, int n)
{
    return (uint8_t)((x << n) | (x >> (8 - n)));
}

// The S-box: the multiplicative inverse (0 for 0) through the affine map with constant 0x63.
constexpr std::array<uint32_t, 256> make_sbox()
{
    std::array<uint32_t, 256> box{};
    for (int x = 0; x < 256; x++) {
        uint8_t inverse = 0;
        for (int y = 1; y < 256 && x; y++)
            if (gf_mul((uint8_t)x, (uint8_t)y) == 1) {
                inverse = (uint8_t)y;
                break;
            }
        box[x] = (uint8_t)(inverse ^ rotl8(inverse, 1) ^ rotl8(inverse, 2) ^ rotl8(inverse, 3) ^
                           rotl8(inverse, 4) ^ 0x63);
    }
    return box;
}

constexpr std::array<uint32_t, 256> make_inverse(const std::array<uint32_t, 256> &box)
{
    std::array<uint32_t, 256> inverse{};
    for (int x = 0; x < 256; x++)
        inverse[box[x]] = (uint32_t)x;
    return inverse;
}

constexpr std::array<uint32_t, 256> kSBox = make_sbox();
constexpr std::array<uint32_t, 256> kInvSBox = make_inverse(kSBox);
static_assert(kSBox[0x00] == 0x63 && kSBox[0x53] == 0xED && kSBox[0xFF] == 0x16);

uint8_t byte_of(Vec128 v, int i)
{
    return (uint8_t)((i < 8 ? v.high : v.low) >> (56 - 8 * (i & 7)));
}

template <typename F> Vec128 from_bytes(F byte)
{
    Vec128 v{0, 0};
    for (int i = 0; i < 8; i++) {
        v.high = (v.high << 8) | byte(i);
        v.low = (v.low << 8) | byte(8 + i);
    }
    return v;
}

} // namespace

const uint32_t VSU_AES_SBox[256] = {
#define ROW(i)                                                                                               \
    kSBox[i], kSBox[i + 1], kSBox[i + 2], kSBox[i + 3], kSBox[i + 4], kSBox[i + 5], kSBox[i + 6], kSBox[i + 7]
    ROW(0),   ROW(8),   ROW(16),  ROW(24),  ROW(32),  ROW(40),  ROW(48),  ROW(56),
    ROW(64),  ROW(72),  ROW(80),  ROW(88),  ROW(96),  ROW(104), ROW(112), ROW(120),
    ROW(128), ROW(136), ROW(144), ROW(152), ROW(160), ROW(168), ROW(176), ROW(184),
    ROW(192), ROW(200), ROW(208), ROW(216), ROW(224), ROW(232), ROW(240), ROW(248),
#undef ROW
};
const uint32_t VSU_AES_InvSBox[256] = {
#define ROW(i)                                                                                               \
    kInvSBox[i], kInvSBox[i + 1], kInvSBox[i + 2], kInvSBox[i + 3], kInvSBox[i + 4], kInvSBox[i + 5],        \
        kInvSBox[i + 6], kInvSBox[i + 7]
    ROW(0),   ROW(8),   ROW(16),  ROW(24),  ROW(32),  ROW(40),  ROW(48),  ROW(56),
    ROW(64),  ROW(72),  ROW(80),  ROW(88),  ROW(96),  ROW(104), ROW(112), ROW(120),
    ROW(128), ROW(136), ROW(144), ROW(152), ROW(160), ROW(168), ROW(176), ROW(184),
    ROW(192), ROW(200), ROW(208), ROW(216), ROW(224), ROW(232), ROW(240), ROW(248),
#undef ROW
};

Vec128 VSU_SubBytes(Vec128 state)
{
    return from_bytes([&](int i) { return (uint64_t)VSU_AES_SBox[byte_of(state, i)]; });
}

Vec128 VSU_InvSubBytes(Vec128 state)
{
    return from_bytes([&](int i) { return (uint64_t)VSU_AES_InvSBox[byte_of(state, i)]; });
}

Vec128 VSU_ShiftRows(Vec128 state)
{
    return from_bytes([&](int i) {
        const int c = i / 4, r = i % 4;
        return (uint64_t)byte_of(state, 4 * ((c + r) % 4) + r);
    });
}

Vec128 VSU_InvShiftRows(Vec128 state)
{
    return from_bytes([&](int i) {
        const int c = i / 4, r = i % 4;
        return (uint64_t)byte_of(state, 4 * ((c - r + 4) % 4) + r);
    });
}

uint8_t Bitwise_Difference8(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return a ^ b ^ c ^ d;
}
uint16_t Bitwise_Difference16(uint16_t a, uint16_t b)
{
    return a ^ b;
}
uint32_t Bitwise_Difference32(uint32_t a, uint32_t b)
{
    return a ^ b;
}
uint64_t Bitwise_Difference64(uint64_t a, uint64_t b)
{
    return a ^ b;
}

uint32_t Rotate_Right32(uint32_t x, uint32_t n)
{
    n &= 31;
    return n ? (x >> n) | (x << (32 - n)) : x;
}
uint64_t Rotate_Right64(uint64_t x, uint32_t n)
{
    n &= 63;
    return n ? (x >> n) | (x << (64 - n)) : x;
}
