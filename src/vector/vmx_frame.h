// The frame of the VMX integer routines: the gates (the SIM_CTRL1 quadword enable, the level-2.06
// test of problem state, the VMX availability check), the source reads, one target write, the
// saturation record and the next-instruction address. The computation is a callable inlined into
// each routine.
#pragma once

#include <cstdint>

#include "isa/semantics_helpers.h"
#include "processor/records/instruction_record.h"
#include "vector/vector_facility.h"
#include "vector/vector_registers.h"
#include "vector/vscr.h"

namespace vec
{

// The gates an instruction passes before reading any source, in this order.
enum class Gate {
    VMX,  // Check_VMX_Available only
    V206, // Check_PCR_V206, then Check_VMX_Available
    Quad, // the SIM_CTRL1 enable, then the two above
};

// The SIM_CTRL1 gate of vbpermq and the quadword add and subtract: 1 when its enable bit is set,
// else 0 after raising the illegal-instruction interrupt.
int Check_SIM_CTRL1_VMX128(IOPDesc *iop);

template <Gate gate> inline int vmx_gates(IOPDesc *iop)
{
    if constexpr (gate == Gate::Quad)
        if (!Check_SIM_CTRL1_VMX128(iop)) return 0;
    if constexpr (gate != Gate::VMX)
        if (!Check_PCR_V206(iop)) return 0;
    return Check_VMX_Available(iop);
}

// Which sources an instruction reads (read in the order A, B, C).
enum : int { SRC_A = 1, SRC_B = 2, SRC_C = 4, SRC_AB = 3, SRC_ABC = 7 };

// Writes the result, records saturation, advances; returns 1.
inline int vmx_finish(IOPDesc *iop, Vec128 t, bool sat = false)
{
    IOP_Write_VMXR_T(iop, t.low, t.high);
    if (sat) IOP_Set_VSCR_SAT(iop);
    IOP_Advance_NIA(iop);
    return 1;
}

// The whole frame: op(a, b, c, sat) gives the result; sat set by op records saturation.
template <Gate gate, int sources, typename Op> inline int vmx_run(IOPDesc *iop, Op op)
{
    if (!vmx_gates<gate>(iop)) return 0;
    Vec128 a{0, 0}, b{0, 0}, c{0, 0};
    if constexpr ((sources & SRC_A) != 0) a = IOP_Read_VMXR_A(iop);
    if constexpr ((sources & SRC_B) != 0) b = IOP_Read_VMXR_B(iop);
    if constexpr ((sources & SRC_C) != 0) c = IOP_Read_VMXR_C(iop);
    bool sat = false;
    const Vec128 t = op(a, b, c, sat);
    return vmx_finish(iop, t, sat);
}

// The CR field 6 summary of a record-form vector compare: 0b1000 all ones, 0b0010 all zeros.
inline uint32_t vmx_compare_summary(Vec128 t)
{
    if (t.low == ~0ull && t.high == ~0ull) return 0x8;
    if (t.low == 0 && t.high == 0) return 0x2;
    return 0;
}

// The record bit of VC-form instructions.
inline bool vmx_rc(const IOPDesc *iop)
{
    return (iop->word & 0x400) != 0;
}

// The 16 bytes of a value, index i = byte element i, and back.
struct Bytes16 {
    uint8_t b[16];
};
inline Bytes16 vmx_bytes(Vec128 v)
{
    Bytes16 r;
    for (int i = 0; i < 8; i++) {
        r.b[i] = (uint8_t)(v.high >> (56 - 8 * i));
        r.b[8 + i] = (uint8_t)(v.low >> (56 - 8 * i));
    }
    return r;
}
inline Vec128 vmx_from_bytes(const Bytes16 &r)
{
    Vec128 v{0, 0};
    for (int i = 0; i < 8; i++) {
        v.high = (v.high << 8) | r.b[i];
        v.low = (v.low << 8) | r.b[8 + i];
    }
    return v;
}

// The 128-bit value shifted left or right by n bits (0..127), zeros entering.
inline Vec128 vmx_shift_left(Vec128 v, unsigned n)
{
    if (n == 0) return v;
    if (n >= 64) return Vec128{0, v.low << (n - 64)};
    return Vec128{v.low << n, (v.high << n) | (v.low >> (64 - n))};
}
inline Vec128 vmx_shift_right(Vec128 v, unsigned n)
{
    if (n == 0) return v;
    if (n >= 64) return Vec128{v.high >> (n - 64), 0};
    return Vec128{(v.low >> n) | (v.high << (64 - n)), v.high >> n};
}

} // namespace vec
