// Positions of the thread-state fields that translated code addresses as [rbx + disp32]: GPR, LR
// and CTR value words, VSR slots and their doublewords (FPR n is doubleword 0 of VSR n, in bytes 8
// to 15; VR n is VSR 32 + n), MSR, FPSCR, and the fields of the translator's turbo record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "processor/records/thread_state.h"

static_assert(std::is_standard_layout_v<ThreadState>, "thread-state displacements come from offsetof");
static_assert(sizeof(ThreadState) < 0x7FFFFFFF, "every thread-state field lies at a 32-bit displacement");

inline int32_t disp_GPR(int n)
{
    return (int32_t)(offsetof(ThreadState, GPR) + (size_t)n * sizeof(Reg64) + offsetof(Reg64, value));
}
inline int32_t disp_LR()
{
    return (int32_t)(offsetof(ThreadState, LR) + offsetof(Reg64, value));
}
inline int32_t disp_CTR()
{
    return (int32_t)(offsetof(ThreadState, CTR) + offsetof(Reg64, value));
}
inline int32_t disp_MSR()
{
    return (int32_t)(offsetof(ThreadState, MSR) + offsetof(Reg64, value));
}
inline int32_t disp_CFAR()
{
    return (int32_t)(offsetof(ThreadState, CFAR) + offsetof(Reg64, value));
}
inline int32_t disp_FPSCR()
{
    return (int32_t)(offsetof(ThreadState, FPSCR) + offsetof(Reg64, value));
}
// The 16-byte value of VSR n (doubleword 1 in bytes 0 to 7, doubleword 0 in bytes 8 to 15).
inline int32_t disp_VSR(int n)
{
    return (int32_t)(offsetof(ThreadState, VSR) + (size_t)n * sizeof(Reg128) + offsetof(Reg128, value));
}
inline int32_t disp_VSR_dw0(int n)
{
    return disp_VSR(n) + 8;
}
inline int32_t disp_VSR_dw1(int n)
{
    return disp_VSR(n);
}
inline int32_t disp_FPR(int n)
{
    return disp_VSR_dw0(n);
}
inline int32_t disp_VR(int n)
{
    return disp_VSR(32 + n);
}

// A field of the turbo record: disp_turbo(reason), disp_turbo(cr[4]).
#define disp_turbo(field) ((int32_t)(offsetof(ThreadState, turbo) + offsetof(turbo_s, field)))

// CR bit k (bit 0 the most significant) as a flag byte; the XER copy and its flag bytes.
inline int32_t disp_CR_bit(int k)
{
    return disp_turbo(cr) + k;
}
inline int32_t disp_XER_copy()
{
    return disp_turbo(xer);
}
inline int32_t disp_XER_flag(int k)
{
    return disp_turbo(xer_flags) + k;
}
