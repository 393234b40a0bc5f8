// The register layer every vector and vector-scalar semantic routine shares: operand reads and
// target writes on the functional path (the thread's register files) and the cycle-level path
// (operand slots and the vector result record), CR field 6, 128-bit bit fields and element
// access, and the byte reversal of a register value.
//
// A 128-bit value (Vec128) is numbered big-endian: bit 0, byte 0 and element 0 are the most
// significant; low holds doubleword 1 and high doubleword 0. VR n is VSR 32 + n; FPR n is
// doubleword 0 of VSR n.
//
// A routine's frame: availability check (vector_facility.h), operand reads, computation, target
// write, IOP_Advance_NIA, return 1; a refused or interrupted routine returns 0 without writing
// anything or advancing.
#pragma once

#include <cstdint>

#include "processor/hooks/vsr_access.h"

struct IOPDesc;

// ---- instruction fields ----

inline uint32_t VMX_VT(uint32_t word)
{
    return (word >> 21) & 31;
}
inline uint32_t VMX_VA(uint32_t word)
{
    return (word >> 16) & 31;
}
inline uint32_t VMX_VB(uint32_t word)
{
    return (word >> 11) & 31;
}
inline uint32_t VMX_VC(uint32_t word)
{
    return (word >> 6) & 31;
}
// VSX register numbers: a 5-bit field and its extension bit.
inline uint32_t VSX_XT(uint32_t word)
{
    return ((word & 1) << 5) | ((word >> 21) & 31);
}
inline uint32_t VSX_XA(uint32_t word)
{
    return (((word >> 2) & 1) << 5) | ((word >> 16) & 31);
}
inline uint32_t VSX_XB(uint32_t word)
{
    return (((word >> 1) & 1) << 5) | ((word >> 11) & 31);
}
inline uint32_t VSX_XC(uint32_t word)
{
    return (((word >> 3) & 1) << 5) | ((word >> 6) & 31);
}

// ---- vector operands and target (VR n = VSR 32 + n) ----

// Operand slot A, B or C in cycle-level-core mode, else VR[VA], VR[VB] or VR[VC]. No triggers.
Vec128 IOP_Read_VMXR_A(IOPDesc *iop);
Vec128 IOP_Read_VMXR_B(IOPDesc *iop);
Vec128 IOP_Read_VMXR_C(IOPDesc *iop);
// Writes VR[VT]; in cycle-level-core mode the value and the operand-ready time go to the vector
// result record, which is released to its readers, and the register file is not written.
void IOP_Write_VMXR_T(IOPDesc *iop, uint64_t low, uint64_t high);
// IOP_Write_VMXR_T, then the transactional-memory hook for load rows.
void IOP_Write_VMXR_T_Load(IOPDesc *iop, uint64_t low, uint64_t high);
// Hands a 128-bit result to the vector result record (cycle-level-core mode).
void IOP_Deliver_Vector_Result(IOPDesc *iop, Vec128 value);

// ---- vector-scalar operands ----

// A VSX source: operand slot A, B or C (or D for the target/store source) in cycle-level-core
// mode, else VSR[n]. No triggers.
enum : int { VSX_SLOT_A = 0, VSX_SLOT_B = 1, VSX_SLOT_C = 2, VSX_SLOT_D = 3 };
Vec128 IOP_Read_VSR(IOPDesc *iop, uint32_t n, int slot);

// ---- CR field 6 ----

// Replaces CR field 6 (mask 0xF0) with the 4-bit value: the CR result record in cycle-level-core
// mode (released), else the thread's CR directly; the changed-bits record gets 0xF0 either way.
void IOP_Set_CR6(IOPDesc *iop, uint32_t value);

// ---- 128-bit values ----

// The field first..last (1 to 64 bits, big-endian numbering) of the value.
uint64_t VSU_Get_Bits128(Vec128 value, uint32_t first, uint32_t last);
// Replaces the field first..last (1 to 64 bits) by the low bits of field.
void VSU_Set_Bits128(Vec128 *value, uint32_t first, uint32_t last, uint64_t field);
// The value with its 16 bytes in reverse order (byte element i becomes byte element 15 - i).
Vec128 VSU_Reverse_Bytes(Vec128 value);

// Element access: element i counted from the most significant end.
inline uint8_t Vec_Byte(Vec128 v, int i)
{
    return (uint8_t)((i < 8 ? v.high : v.low) >> (56 - 8 * (i & 7)));
}
inline uint16_t Vec_Half(Vec128 v, int i)
{
    return (uint16_t)((i < 4 ? v.high : v.low) >> (48 - 16 * (i & 3)));
}
inline uint32_t Vec_Word(Vec128 v, int i)
{
    return (uint32_t)((i < 2 ? v.high : v.low) >> (32 - 32 * (i & 1)));
}
inline uint64_t Vec_Dword(Vec128 v, int i)
{
    return i == 0 ? v.high : v.low;
}
inline void Vec_Set_Byte(Vec128 *v, int i, uint8_t x)
{
    uint64_t &w = i < 8 ? v->high : v->low;
    const int shift = 56 - 8 * (i & 7);
    w = (w & ~(0xFFull << shift)) | ((uint64_t)x << shift);
}
inline void Vec_Set_Half(Vec128 *v, int i, uint16_t x)
{
    uint64_t &w = i < 4 ? v->high : v->low;
    const int shift = 48 - 16 * (i & 3);
    w = (w & ~(0xFFFFull << shift)) | ((uint64_t)x << shift);
}
inline void Vec_Set_Word(Vec128 *v, int i, uint32_t x)
{
    uint64_t &w = i < 2 ? v->high : v->low;
    const int shift = 32 - 32 * (i & 1);
    w = (w & ~(0xFFFFFFFFull << shift)) | ((uint64_t)x << shift);
}
inline Vec128 Vec_From_Words(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3)
{
    return Vec128{((uint64_t)w2 << 32) | w3, ((uint64_t)w0 << 32) | w1};
}
inline bool operator==(Vec128 a, Vec128 b)
{
    return a.low == b.low && a.high == b.high;
}
