// The per-format conversions between decimal numbers and 64-bit integers and between decimal
// numbers and packed BCD strings. Argument conventions as in dfp_format_arith.h.
#pragma once

#include <cstdint>

#include "dfp/dfp_environment.h"

// The word is a signed integer. The decimal64 form writes FR and FI, the decimal128 form (always
// exact) leaves them.
void DFP_Convert_From_Fixed_Double(uint64_t integer, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Convert_From_Fixed_Quad(uint64_t integer, uint64_t *result, DFP_SystemEnvironment *sysEnv);

// Rounded by the environment's mode into one word; returns 1 (and auxResult 1) for a saturated
// integer, 0x7FFFFFFFFFFFFFFF or 0x8000000000000000.
int DFP_Convert_To_Fixed_Double(uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
int DFP_Convert_To_Fixed_Quad(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv);

// Packed BCD to decimal (exponent 0). s = 1: 15 or 31 digit nibbles and a sign nibble last
// (0xA, 0xC, 0xE, 0xF plus; 0xB, 0xD minus); s = 0: 16 or 32 digits, positive. A bad sign or
// digit is an invalid conversion. The result words stay 0 when nothing is delivered.
void DFP_Encode_BCD_To_DPD_Double(int s, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Encode_BCD_To_DPD_Quad(int s, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv);

// The coefficient's digits as nibbles, least significant last. sp 0, 1: 16 or 32 digits; sp 2,
// 3: 15 or 31 digits and a sign nibble (sp 2: 0xC plus, 0xD minus; sp 3: 0xF plus, 0xD minus).
// Only the lowest digits that fit are kept. The FPSCR image is unchanged.
void DFP_Decode_DPD_To_BCD_Double(int sp, uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Decode_DPD_To_BCD_Quad(int sp, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
