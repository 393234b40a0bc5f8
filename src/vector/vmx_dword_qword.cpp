// The VMX doubleword and quadword integer operations of level 2.07: doubleword add, subtract,
// minimum, maximum, shifts and rotate, the word unpacks and doubleword packs (the compares are in
// vmx_compare.cpp), and the 128-bit add and subtract with carry and extend, which SIM_CTRL1 must
// enable.
#include "decode/semantics.h"
#include "processor/regs/value_ops.h"
#include "vector/vector_elements.h"
#include "vector/vmx_frame.h"

namespace
{

using namespace vec;

template <typename Op> int dword(IOPDesc *iop, Op op)
{
    return vmx_run<Gate::V206, SRC_AB>(iop, [&](Vec128 a, Vec128 b, Vec128, bool &) {
        return Vec128{op(a.low, b.low), op(a.high, b.high)};
    });
}

// The unpacks: words 0 and 1 (high) or 2 and 3 of VB, sign-extended.
template <bool high> int unpack(IOPDesc *iop)
{
    return vmx_run<Gate::V206, SRC_B>(iop, [](Vec128, Vec128 b, Vec128, bool &) {
        const uint64_t d = high ? b.high : b.low;
        return Vec128{(uint64_t)sext<32>(d), (uint64_t)sext<32>(d >> 32)};
    });
}

// The packs: word i = narrow(VA.d[i]), word i + 2 = narrow(VB.d[i]).
template <typename Narrow> int pack(IOPDesc *iop, Narrow narrow)
{
    return vmx_run<Gate::V206, SRC_AB>(iop, [&](Vec128 a, Vec128 b, Vec128, bool &sat) {
        const uint32_t w0 = narrow(a.high, sat), w1 = narrow(a.low, sat);
        const uint32_t w2 = narrow(b.high, sat), w3 = narrow(b.low, sat);
        return Vec_From_Words(w0, w1, w2, w3);
    });
}

uint32_t clamp(int64_t x, int64_t low, int64_t high, bool &sat)
{
    if (x < low) {
        sat = true;
        return (uint32_t)low;
    }
    if (x > high) {
        sat = true;
        return (uint32_t)high;
    }
    return (uint32_t)x;
}

// VA + B' + c over 128 bits, B' = VB or NOT VB; the sum or its carry out (bit 127).
enum class Carry { Zero, One, FromVC };
template <bool subtract, Carry carry, bool carry_out> int quad(IOPDesc *iop)
{
    constexpr int sources = carry == Carry::FromVC ? SRC_ABC : SRC_AB;
    return vmx_run<Gate::Quad, sources>(iop, [](Vec128 a, Vec128 b, Vec128 c, bool &) {
        const uint64_t c_in = carry == Carry::FromVC ? (c.low & 1) : carry == Carry::One ? 1 : 0;
        if (subtract) b = Vec128{~b.low, ~b.high};
        uint64_t sum[2];
        uint32_t out = 0;
        Add_128_With_Carry(&out, sum, a.low, a.high, b.low, b.high, c_in);
        return carry_out ? Vec128{out, 0} : Vec128{sum[0], sum[1]};
    });
}

} // namespace

int semantic_vaddudm(IOPDesc *iop)
{
    return dword(iop, [](uint64_t x, uint64_t y) { return x + y; });
}
int semantic_vsubudm(IOPDesc *iop)
{
    return dword(iop, [](uint64_t x, uint64_t y) { return x - y; });
}
int semantic_vmaxud(IOPDesc *iop)
{
    return dword(iop, [](uint64_t x, uint64_t y) { return x > y ? x : y; });
}
int semantic_vminud(IOPDesc *iop)
{
    return dword(iop, [](uint64_t x, uint64_t y) { return x < y ? x : y; });
}
int semantic_vmaxsd(IOPDesc *iop)
{
    return dword(iop, [](uint64_t x, uint64_t y) { return (int64_t)x > (int64_t)y ? x : y; });
}
int semantic_vminsd(IOPDesc *iop)
{
    return dword(iop, [](uint64_t x, uint64_t y) { return (int64_t)x < (int64_t)y ? x : y; });
}
int semantic_vsld(IOPDesc *iop)
{
    return dword(iop, [](uint64_t x, uint64_t y) { return x << (y & 63); });
}
int semantic_vsrd(IOPDesc *iop)
{
    return dword(iop, [](uint64_t x, uint64_t y) { return x >> (y & 63); });
}
int semantic_vsrad(IOPDesc *iop)
{
    return dword(iop, [](uint64_t x, uint64_t y) { return (uint64_t)((int64_t)x >> (y & 63)); });
}
int semantic_vrld(IOPDesc *iop)
{
    return dword(iop, [](uint64_t x, uint64_t y) {
        const unsigned n = y & 63;
        return n ? (x << n) | (x >> (64 - n)) : x;
    });
}
int semantic_vupkhsw(IOPDesc *iop)
{
    return unpack<true>(iop);
}
int semantic_vupklsw(IOPDesc *iop)
{
    return unpack<false>(iop);
}
int semantic_vpkudum(IOPDesc *iop)
{
    return pack(iop, [](uint64_t d, bool &) { return (uint32_t)d; });
}
int semantic_vpkudus(IOPDesc *iop)
{
    return pack(iop, [](uint64_t d, bool &sat) {
        if (d >> 32) {
            sat = true;
            return 0xFFFFFFFFu;
        }
        return (uint32_t)d;
    });
}
int semantic_vpksdus(IOPDesc *iop)
{
    return pack(iop, [](uint64_t d, bool &sat) {
        if ((int64_t)d < 0) {
            sat = true;
            return 0u;
        }
        return clamp((int64_t)d, 0, 0xFFFFFFFF, sat);
    });
}
int semantic_vpksdss(IOPDesc *iop)
{
    return pack(iop, [](uint64_t d, bool &sat) { return clamp((int64_t)d, INT32_MIN, INT32_MAX, sat); });
}

int semantic_vadduqm(IOPDesc *iop)
{
    return quad<false, Carry::Zero, false>(iop);
}
int semantic_vaddcuq(IOPDesc *iop)
{
    return quad<false, Carry::Zero, true>(iop);
}
int semantic_vaddeuqm(IOPDesc *iop)
{
    return quad<false, Carry::FromVC, false>(iop);
}
int semantic_vaddecuq(IOPDesc *iop)
{
    return quad<false, Carry::FromVC, true>(iop);
}
int semantic_vsubuqm(IOPDesc *iop)
{
    return quad<true, Carry::One, false>(iop);
}
int semantic_vsubcuq(IOPDesc *iop)
{
    return quad<true, Carry::One, true>(iop);
}
int semantic_vsubeuqm(IOPDesc *iop)
{
    return quad<true, Carry::FromVC, false>(iop);
}
int semantic_vsubecuq(IOPDesc *iop)
{
    return quad<true, Carry::FromVC, true>(iop);
}
