// VMX polynomial multiply-sum: the elements of VA and VB multiplied as polynomials over GF(2)
// (carry-less), and the products of each adjacent pair XORed into an element of twice the width.
// Level 2.07.
#include "decode/semantics.h"
#include "vector/vector_elements.h"
#include "vector/vmx_frame.h"

namespace
{

using namespace vec;

// The carry-less product of two 64-bit values, as {low, high}: one shift and XOR per set bit.
Vec128 clmul64(uint64_t x, uint64_t y)
{
    Vec128 p{0, 0};
    while (y) {
        const int i = __builtin_ctzll(y);
        p.low ^= x << i;
        if (i) p.high ^= x >> (64 - i);
        y &= y - 1;
    }
    return p;
}

// Element width Bits (8, 16 or 32): each product fits in 2 x Bits bits of the low word.
template <int Bits> int pmsum(IOPDesc *iop)
{
    return vmx_run<Gate::V206, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &) {
        auto half = [](uint64_t x, uint64_t y) {
            uint64_t result = 0;
            for (int shift = 0; shift < 64; shift += 2 * Bits) {
                const uint64_t hi_x = (x >> (shift + Bits)) & lane_mask<Bits>(),
                               hi_y = (y >> (shift + Bits)) & lane_mask<Bits>();
                const uint64_t lo_x = (x >> shift) & lane_mask<Bits>(),
                               lo_y = (y >> shift) & lane_mask<Bits>();
                const uint64_t sum = clmul64(hi_x, hi_y).low ^ clmul64(lo_x, lo_y).low;
                result |= (sum & lane_mask<2 * Bits>()) << shift;
            }
            return result;
        };
        return Vec128{half(a.low, b.low), half(a.high, b.high)};
    });
}

} // namespace

int semantic_vpmsumb(IOPDesc *iop)
{
    return pmsum<8>(iop);
}
int semantic_vpmsumh(IOPDesc *iop)
{
    return pmsum<16>(iop);
}
int semantic_vpmsumw(IOPDesc *iop)
{
    return pmsum<32>(iop);
}
int semantic_vpmsumd(IOPDesc *iop)
{
    return vmx_run<Gate::V206, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &) {
        const Vec128 p0 = clmul64(a.high, b.high), p1 = clmul64(a.low, b.low);
        return Vec128{p0.low ^ p1.low, p0.high ^ p1.high};
    });
}
