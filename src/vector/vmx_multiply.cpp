// VMX integer multiply, multiply-add and multiply-sum: the even and odd widening multiplies, the
// modulo word multiply, the halfword multiply-low-add and multiply-high-add forms, and the
// multiply-sums into word accumulators. Products and sums are exact before they wrap or clamp;
// the saturating forms record saturation once per instruction. The word multiplies are of level
// 2.07.
#include "decode/semantics.h"
#include "vector/vector_elements.h"
#include "vector/vmx_frame.h"

namespace
{

using namespace vec;

// Element i (from the most significant end) of Bits bits, and its replacement.
template <int Bits> uint64_t elem(Vec128 v, int i)
{
    constexpr int per_half = 64 / Bits;
    const uint64_t half = i < per_half ? v.high : v.low;
    return (half >> (64 - Bits * (i % per_half + 1))) & lane_mask<Bits>();
}
template <int Bits> void set_elem(Vec128 &v, int i, uint64_t x)
{
    constexpr int per_half = 64 / Bits;
    uint64_t &half = i < per_half ? v.high : v.low;
    const int shift = 64 - Bits * (i % per_half + 1);
    half = (half & ~(lane_mask<Bits>() << shift)) | ((x & lane_mask<Bits>()) << shift);
}

template <int Bits, bool is_signed> int64_t value(Vec128 v, int i)
{
    return is_signed ? sext<Bits>(elem<Bits>(v, i)) : (int64_t)elem<Bits>(v, i);
}

// Result element i (2 x Bits bits) = element 2i + odd of VA times the same element of VB.
template <int Bits, bool is_signed, bool odd, Gate gate> int widen(IOPDesc *iop)
{
    return vmx_run<gate, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &) {
        Vec128 t{0, 0};
        for (int i = 0; i < 64 / Bits; i++) {
            const int k = 2 * i + (odd ? 1 : 0);
            uint64_t product;
            if constexpr (is_signed)
                product = (uint64_t)(value<Bits, true>(a, k) * value<Bits, true>(b, k));
            else
                product = elem<Bits>(a, k) * elem<Bits>(b, k); // 32 x 32 fits in 64 bits unsigned
            set_elem<2 * Bits>(t, i, product);
        }
        return t;
    });
}

int64_t clamp_signed(int64_t x, int64_t low, int64_t high, bool &sat)
{
    if (x < low) {
        sat = true;
        return low;
    }
    if (x > high) {
        sat = true;
        return high;
    }
    return x;
}

// vmhaddshs and vmhraddshs: ((a * b + round) >> 15) + c, clamped to a signed halfword.
template <bool round> int multiply_high_add(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_ABC>(iop, [](Vec128 a, Vec128 b, Vec128 c, bool &sat) {
        Vec128 t{0, 0};
        for (int i = 0; i < 8; i++) {
            const int64_t p = value<16, true>(a, i) * value<16, true>(b, i);
            const int64_t s = ((p + (round ? 0x4000 : 0)) >> 15) + value<16, true>(c, i);
            set_elem<16>(t, i, (uint64_t)clamp_signed(s, -32768, 32767, sat));
        }
        return t;
    });
}

enum class Sum { Modulo, Unsigned, Signed };

// Word i = c + the sum of the products of the n = 32 / Bits elements of VA and VB inside word i;
// a_signed and b_signed choose how each source is taken, c is signed when either is.
template <int Bits, bool a_signed, bool b_signed, Sum sum> int multiply_sum(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_ABC>(iop, [](Vec128 a, Vec128 b, Vec128 c, bool &sat) {
        constexpr int n = 32 / Bits;
        Vec128 t{0, 0};
        for (int i = 0; i < 4; i++) {
            int64_t s = a_signed || b_signed ? sext<32>(elem<32>(c, i)) : (int64_t)elem<32>(c, i);
            for (int j = 0; j < n; j++)
                s += value<Bits, a_signed>(a, n * i + j) * value<Bits, b_signed>(b, n * i + j);
            uint64_t w = (uint64_t)s;
            if constexpr (sum == Sum::Unsigned)
                w = (uint64_t)clamp_signed(s, 0, 0xFFFFFFFF, sat);
            else if constexpr (sum == Sum::Signed)
                w = (uint64_t)clamp_signed(s, INT32_MIN, INT32_MAX, sat);
            set_elem<32>(t, i, w);
        }
        return t;
    });
}

} // namespace

int semantic_vmuleub(IOPDesc *iop)
{
    return widen<8, false, false, Gate::VMX>(iop);
}
int semantic_vmuloub(IOPDesc *iop)
{
    return widen<8, false, true, Gate::VMX>(iop);
}
int semantic_vmulesb(IOPDesc *iop)
{
    return widen<8, true, false, Gate::VMX>(iop);
}
int semantic_vmulosb(IOPDesc *iop)
{
    return widen<8, true, true, Gate::VMX>(iop);
}
int semantic_vmuleuh(IOPDesc *iop)
{
    return widen<16, false, false, Gate::VMX>(iop);
}
int semantic_vmulouh(IOPDesc *iop)
{
    return widen<16, false, true, Gate::VMX>(iop);
}
int semantic_vmulesh(IOPDesc *iop)
{
    return widen<16, true, false, Gate::VMX>(iop);
}
int semantic_vmulosh(IOPDesc *iop)
{
    return widen<16, true, true, Gate::VMX>(iop);
}
int semantic_vmuleuw(IOPDesc *iop)
{
    return widen<32, false, false, Gate::V206>(iop);
}
int semantic_vmulouw(IOPDesc *iop)
{
    return widen<32, false, true, Gate::V206>(iop);
}
int semantic_vmulesw(IOPDesc *iop)
{
    return widen<32, true, false, Gate::V206>(iop);
}
int semantic_vmulosw(IOPDesc *iop)
{
    return widen<32, true, true, Gate::V206>(iop);
}

int semantic_vmuluwm(IOPDesc *iop)
{
    return vmx_run<Gate::V206, SRC_AB>(iop, [](Vec128 a, Vec128 b, Vec128, bool &) {
        return map2<32>(a, b, [](uint64_t x, uint64_t y) { return x * y; });
    });
}

int semantic_vmladduhm(IOPDesc *iop)
{
    return vmx_run<Gate::VMX, SRC_ABC>(iop, [](Vec128 a, Vec128 b, Vec128 c, bool &) {
        Vec128 t{0, 0};
        for (int i = 0; i < 8; i++)
            set_elem<16>(t, i, elem<16>(a, i) * elem<16>(b, i) + elem<16>(c, i));
        return t;
    });
}

int semantic_vmhaddshs(IOPDesc *iop)
{
    return multiply_high_add<false>(iop);
}
int semantic_vmhraddshs(IOPDesc *iop)
{
    return multiply_high_add<true>(iop);
}
int semantic_vmsumubm(IOPDesc *iop)
{
    return multiply_sum<8, false, false, Sum::Modulo>(iop);
}
int semantic_vmsummbm(IOPDesc *iop)
{
    return multiply_sum<8, true, false, Sum::Modulo>(iop);
}
int semantic_vmsumuhm(IOPDesc *iop)
{
    return multiply_sum<16, false, false, Sum::Modulo>(iop);
}
int semantic_vmsumshm(IOPDesc *iop)
{
    return multiply_sum<16, true, true, Sum::Modulo>(iop);
}
int semantic_vmsumuhs(IOPDesc *iop)
{
    return multiply_sum<16, false, false, Sum::Unsigned>(iop);
}
int semantic_vmsumshs(IOPDesc *iop)
{
    return multiply_sum<16, true, true, Sum::Signed>(iop);
}
