// VMX element shifts and rotates (byte, halfword and word lanes, count = the low bits of the same
// lane of VB), the whole-register logical operations, and the per-lane leading-zero and
// population counts. vorc, vnand, veqv and the counts are of level 2.07.
#include <bit>

#include "decode/semantics.h"
#include "vector/vector_elements.h"
#include "vector/vmx_frame.h"

namespace
{

using namespace vec;

enum class Shift { Left, Right, RightAlgebraic, Rotate };

template <int Bits, Shift kind> int shift(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &) {
        return map2<Bits>(a, b, [](uint64_t x, uint64_t y) -> uint64_t {
            const unsigned c = (unsigned)(y & (Bits - 1));
            if constexpr (kind == Shift::Left)
                return x << c;
            else if constexpr (kind == Shift::Right)
                return x >> c;
            else if constexpr (kind == Shift::RightAlgebraic)
                return (uint64_t)(sext<Bits>(x) >> c);
            else
                return c ? (x << c) | (x >> (Bits - c)) : x;
        });
    });
}

template <Gate gate, typename Op> int logical(IOPDesc *iop, Op op)
{
    return vmx_run<gate, SRC_AB>(iop, [&](Vec128 a, Vec128 b, Vec128, bool &) {
        return Vec128{op(a.low, b.low), op(a.high, b.high)};
    });
}

template <int Bits, bool leading_zeros> int count(IOPDesc *iop)
{
    return vmx_run<Gate::V206, SRC_B>(iop, [](Vec128, Vec128 b, Vec128, bool &) {
        return map1<Bits>(b, [](uint64_t x) -> uint64_t {
            if constexpr (leading_zeros)
                return (uint64_t)std::countl_zero(x) - (64 - Bits);
            else
                return (uint64_t)std::popcount(x);
        });
    });
}

} // namespace

int semantic_vslb(IOPDesc *iop)
{
    return shift<8, Shift::Left>(iop);
}
int semantic_vslh(IOPDesc *iop)
{
    return shift<16, Shift::Left>(iop);
}
int semantic_vslw(IOPDesc *iop)
{
    return shift<32, Shift::Left>(iop);
}
int semantic_vsrb(IOPDesc *iop)
{
    return shift<8, Shift::Right>(iop);
}
int semantic_vsrh(IOPDesc *iop)
{
    return shift<16, Shift::Right>(iop);
}
int semantic_vsrw(IOPDesc *iop)
{
    return shift<32, Shift::Right>(iop);
}
int semantic_vsrab(IOPDesc *iop)
{
    return shift<8, Shift::RightAlgebraic>(iop);
}
int semantic_vsrah(IOPDesc *iop)
{
    return shift<16, Shift::RightAlgebraic>(iop);
}
int semantic_vsraw(IOPDesc *iop)
{
    return shift<32, Shift::RightAlgebraic>(iop);
}
int semantic_vrlb(IOPDesc *iop)
{
    return shift<8, Shift::Rotate>(iop);
}
int semantic_vrlh(IOPDesc *iop)
{
    return shift<16, Shift::Rotate>(iop);
}
int semantic_vrlw(IOPDesc *iop)
{
    return shift<32, Shift::Rotate>(iop);
}

int semantic_vand(IOPDesc *iop)
{
    return logical<Gate::VMX>(iop, [](uint64_t a, uint64_t b) { return a & b; });
}
int semantic_vandc(IOPDesc *iop)
{
    return logical<Gate::VMX>(iop, [](uint64_t a, uint64_t b) { return a & ~b; });
}
int semantic_vor(IOPDesc *iop)
{
    return logical<Gate::VMX>(iop, [](uint64_t a, uint64_t b) { return a | b; });
}
int semantic_vxor(IOPDesc *iop)
{
    return logical<Gate::VMX>(iop, [](uint64_t a, uint64_t b) { return a ^ b; });
}
int semantic_vnor(IOPDesc *iop)
{
    return logical<Gate::VMX>(iop, [](uint64_t a, uint64_t b) { return ~(a | b); });
}
int semantic_vorc(IOPDesc *iop)
{
    return logical<Gate::V206>(iop, [](uint64_t a, uint64_t b) { return a | ~b; });
}
int semantic_vnand(IOPDesc *iop)
{
    return logical<Gate::V206>(iop, [](uint64_t a, uint64_t b) { return ~(a & b); });
}
int semantic_veqv(IOPDesc *iop)
{
    return logical<Gate::V206>(iop, [](uint64_t a, uint64_t b) { return ~(a ^ b); });
}

int semantic_vclzb(IOPDesc *iop)
{
    return count<8, true>(iop);
}
int semantic_vclzh(IOPDesc *iop)
{
    return count<16, true>(iop);
}
int semantic_vclzw(IOPDesc *iop)
{
    return count<32, true>(iop);
}
int semantic_vclzd(IOPDesc *iop)
{
    return count<64, true>(iop);
}
int semantic_vpopcntb(IOPDesc *iop)
{
    return count<8, false>(iop);
}
int semantic_vpopcnth(IOPDesc *iop)
{
    return count<16, false>(iop);
}
int semantic_vpopcntw(IOPDesc *iop)
{
    return count<32, false>(iop);
}
int semantic_vpopcntd(IOPDesc *iop)
{
    return count<64, false>(iop);
}
