// VMX integer add and subtract: modulo, unsigned-saturating and signed-saturating forms on bytes,
// halfwords and words, and the word carry-out forms. Subtraction is always VA minus VB. A
// saturating form records saturation once per instruction (IOP_Set_VSCR_SAT) after the write.
#include "decode/semantics.h"
#include "isa/semantics_helpers.h"
#include "vector/vector_elements.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"
#include "vector/vscr.h"

namespace
{

using namespace vec;

enum class Kind { Modulo, Unsigned, Signed };

// The exact result clamped into Bits bits; sat is set when it had to be.
template <int Bits, Kind kind> uint64_t clamp(int64_t exact, bool &sat)
{
    if constexpr (kind == Kind::Modulo) {
        return (uint64_t)exact;
    } else if constexpr (kind == Kind::Unsigned) {
        const int64_t top = (int64_t)lane_mask<Bits>();
        if (exact < 0) {
            sat = true;
            return 0;
        }
        if (exact > top) {
            sat = true;
            return (uint64_t)top;
        }
        return (uint64_t)exact;
    } else {
        const int64_t top = (int64_t)(lane_mask<Bits>() >> 1), bottom = -top - 1;
        if (exact < bottom) {
            sat = true;
            return (uint64_t)bottom;
        }
        if (exact > top) {
            sat = true;
            return (uint64_t)top;
        }
        return (uint64_t)exact;
    }
}

template <int Bits, Kind kind, bool subtract> int add_sub(IOPDesc *iop)
{
    if (!Check_VMX_Available(iop)) return 0;
    const Vec128 a = IOP_Read_VMXR_A(iop), b = IOP_Read_VMXR_B(iop);
    bool sat = false;
    const Vec128 t = map2<Bits>(a, b, [&sat](uint64_t x, uint64_t y) {
        const int64_t ex = kind == Kind::Signed ? sext<Bits>(x) : (int64_t)x;
        const int64_t ey = kind == Kind::Signed ? sext<Bits>(y) : (int64_t)y;
        return clamp<Bits, kind>(subtract ? ex - ey : ex + ey, sat);
    });
    IOP_Write_VMXR_T(iop, t.low, t.high);
    if (sat) IOP_Set_VSCR_SAT(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

// vaddcuw: the carry out of a + b; vsubcuw: the carry out of a + NOT b + 1 (no borrow).
template <bool subtract> int carry_out(IOPDesc *iop)
{
    if (!Check_VMX_Available(iop)) return 0;
    const Vec128 a = IOP_Read_VMXR_A(iop), b = IOP_Read_VMXR_B(iop);
    const Vec128 t = map2<32>(
        a, b, [](uint64_t x, uint64_t y) -> uint64_t { return subtract ? (x >= y) : ((x + y) >> 32); });
    IOP_Write_VMXR_T(iop, t.low, t.high);
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int semantic_vaddubm(IOPDesc *iop)
{
    return add_sub<8, Kind::Modulo, false>(iop);
}
int semantic_vadduhm(IOPDesc *iop)
{
    return add_sub<16, Kind::Modulo, false>(iop);
}
int semantic_vadduwm(IOPDesc *iop)
{
    return add_sub<32, Kind::Modulo, false>(iop);
}
int semantic_vsububm(IOPDesc *iop)
{
    return add_sub<8, Kind::Modulo, true>(iop);
}
int semantic_vsubuhm(IOPDesc *iop)
{
    return add_sub<16, Kind::Modulo, true>(iop);
}
int semantic_vsubuwm(IOPDesc *iop)
{
    return add_sub<32, Kind::Modulo, true>(iop);
}
int semantic_vaddubs(IOPDesc *iop)
{
    return add_sub<8, Kind::Unsigned, false>(iop);
}
int semantic_vadduhs(IOPDesc *iop)
{
    return add_sub<16, Kind::Unsigned, false>(iop);
}
int semantic_vadduws(IOPDesc *iop)
{
    return add_sub<32, Kind::Unsigned, false>(iop);
}
int semantic_vsububs(IOPDesc *iop)
{
    return add_sub<8, Kind::Unsigned, true>(iop);
}
int semantic_vsubuhs(IOPDesc *iop)
{
    return add_sub<16, Kind::Unsigned, true>(iop);
}
int semantic_vsubuws(IOPDesc *iop)
{
    return add_sub<32, Kind::Unsigned, true>(iop);
}
int semantic_vaddsbs(IOPDesc *iop)
{
    return add_sub<8, Kind::Signed, false>(iop);
}
int semantic_vaddshs(IOPDesc *iop)
{
    return add_sub<16, Kind::Signed, false>(iop);
}
int semantic_vaddsws(IOPDesc *iop)
{
    return add_sub<32, Kind::Signed, false>(iop);
}
int semantic_vsubsbs(IOPDesc *iop)
{
    return add_sub<8, Kind::Signed, true>(iop);
}
int semantic_vsubshs(IOPDesc *iop)
{
    return add_sub<16, Kind::Signed, true>(iop);
}
int semantic_vsubsws(IOPDesc *iop)
{
    return add_sub<32, Kind::Signed, true>(iop);
}
int semantic_vaddcuw(IOPDesc *iop)
{
    return carry_out<false>(iop);
}
int semantic_vsubcuw(IOPDesc *iop)
{
    return carry_out<true>(iop);
}
