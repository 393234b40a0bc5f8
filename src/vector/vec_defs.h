// Constants shared by the vector and vector-scalar units: FP160 exception flags and
// invalid-operation kinds, result-assignment masks, row class flags, MSR, PCR and HFSCR bits,
// VSCR bits, and the exception types the vector code raises. The FPSCR bits are those of
// processor/fpscr_bits.h.
#pragma once

#include <cstdint>

#include "processor/regs/fpscr_bits.h"

namespace vec
{

// ---- FP160 exception flags and invalid-operation kinds ----
constexpr uint32_t FP_OVERFLOW = 0x01;
constexpr uint32_t FP_UNDERFLOW = 0x02;
constexpr uint32_t FP_INEXACT = 0x04;
constexpr uint32_t FP_ROUND_UP = 0x08;
constexpr uint32_t FP_INVALID = 0x10;
constexpr uint32_t FP_ZERO_DIVIDE = 0x20;
constexpr uint32_t FP_QNAN_OPERAND = 0x40;
constexpr uint32_t FP_SNAN_OPERAND = 0x80;
constexpr uint32_t FP_ESTIMATE_INEXACT = 0x100;
constexpr uint32_t FP_FORCED_DOUBLE = 0x200;

constexpr uint32_t INVALID_ISI = 0x02;
constexpr uint32_t INVALID_IDI = 0x04;
constexpr uint32_t INVALID_ZDZ = 0x08;
constexpr uint32_t INVALID_IMZ = 0x10;
constexpr uint32_t INVALID_SQRT = 0x20;
constexpr uint32_t INVALID_SQRT_NEG_INF = 0x40;
constexpr uint32_t INVALID_COMPARE = 0x80;
constexpr uint32_t INVALID_CONVERT = 0x100;

// Flag masks handed to the result-assignment test: which raised flags may suppress the result.
constexpr uint32_t ASSIGN_INEXACT = 0x04;
constexpr uint32_t ASSIGN_INVALID = 0x90;
constexpr uint32_t ASSIGN_INVALID_INEXACT = 0x94;
constexpr uint32_t ASSIGN_ALL_BUT_ZERO_DIVIDE = 0x97;
constexpr uint32_t ASSIGN_INVALID_ZERO_DIVIDE = 0xB0;
constexpr uint32_t ASSIGN_ALL_BUT_INEXACT = 0xB3;
constexpr uint32_t ASSIGN_ALL = 0xB7;

// ---- row class flags ----
constexpr uint64_t CLASS_FP = 0x40;
constexpr uint64_t CLASS_LOAD = 0x100;
constexpr uint64_t CLASS_STORE = 0x1000;
constexpr uint64_t CLASS_VMX = 0x8000;
constexpr uint64_t CLASS_VSX = 0x8000000;
constexpr uint64_t CLASS_FPSCR_UNTOUCHED = 0x10000000;
constexpr uint64_t CLASS_DP_TO_SP = 0x80000000;
constexpr uint64_t CLASS_VECTOR_FORM = 0x1000000000;
constexpr uint64_t CLASS_SCALAR_SP_ARITH = 0x0002000000000000;
constexpr uint64_t CLASS_GAMES_LOAD = 0x0000000400000000;
constexpr uint64_t CLASS_GAMES_STORE = 0x0000000800000000;
constexpr uint64_t CLASS_GAMES = CLASS_GAMES_LOAD | CLASS_GAMES_STORE;

// ---- MSR ----
constexpr uint64_t MSR_SF = 0x8000000000000000;
constexpr uint64_t MSR_TA = 0x4000000000000000;
constexpr uint64_t MSR_HV = 0x1000000000000000;
constexpr uint64_t MSR_SLE = 0x0400000000000000;
constexpr uint64_t MSR_TS = 0x0000000600000000;
constexpr uint64_t MSR_VEC = 0x2000000;
constexpr uint64_t MSR_VSX = 0x800000;
constexpr uint64_t MSR_EE = 0x8000;
constexpr uint64_t MSR_PR = 0x4000;
constexpr uint64_t MSR_FP = 0x2000;
constexpr uint64_t MSR_FE0 = 0x800;
constexpr uint64_t MSR_FE1 = 0x100;
constexpr uint64_t MSR_IR = 0x20;
constexpr uint64_t MSR_DR = 0x10;
constexpr uint64_t MSR_LE = 0x1;

// ---- PCR ----
constexpr uint64_t PCR_VMX_OFF = 0x8000000000000000;
constexpr uint64_t PCR_VSX_OFF = 0x4000000000000000;
constexpr uint64_t PCR_V206 = 0x4; // level 2.06: the 2.07 additions are illegal in problem state
constexpr uint64_t PCR_V205 = 0x2; // level 2.05

// ---- simulator control registers ----
constexpr uint64_t SIM_CTRL1_VMX128 = 0x4000000000000000; // vbpermq and the quadword add/subtract
constexpr uint64_t SIM_CTRL_VMX_CRYPTO_DIS = 0x2000000000000000;

// ---- facilities (indexes into the HFSCR and FSCR bit tables) ----
constexpr int FACILITY_FP = 0;
constexpr int FACILITY_VECTOR = 1;

// ---- VSCR ----
constexpr uint32_t VSCR_NJ = 0x00010000;
constexpr uint32_t VSCR_SAT = 0x00000001;

// ---- exception types ----
constexpr int32_t EXC_FP_UNAVAILABLE = 21;
constexpr int32_t EXC_ILLEGAL = 28;
constexpr int32_t EXC_ILLEGAL_SUBTYPE = 221;
constexpr int32_t EXC_HMI = 39;
constexpr int32_t EXC_VMX_UNAVAILABLE = 40;
constexpr int32_t EXC_VMX_ASSIST = 41;
constexpr int32_t EXC_VSX_UNAVAILABLE = 42;
constexpr int32_t EXC_FACILITY_UNAVAILABLE = 43;
constexpr int32_t EXC_HYPER_FACILITY_UNAVAILABLE = 44;

// ---- texts of the compatibility gates ----
constexpr const char *TEXT_V206_DISABLED = "2.0.6  is disabled";
constexpr const char *TEXT_V205_DISABLED = "2.0.5 is disabled";
constexpr const char *TEXT_VSX_PCR = "VSX disabled by PCR bit in user mode";
constexpr const char *TEXT_VMX_PCR = "VMX disabled by PCR bit";
constexpr const char *TEXT_VMX128_ILLEGAL = "New VMX 128 Add and Subtract instructions are Illegal";
constexpr const char *TEXT_GAMES_ONLY = "vmx instruction only supported in games mode";

} // namespace vec
