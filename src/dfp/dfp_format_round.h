// The per-format operations that round: quantize (to a reference operand or an immediate
// exponent), reround to a significance, round to a floating-point integer, the exact widening
// conversions and the rounding to a shorter format. Argument conventions as in
// dfp_format_arith.h; rmc is the instruction's two-bit rounding-mode control, r its R bit.
#pragma once

#include <cstdint>

#include "dfp/dfp_environment.h"

// te < 0: b quantized to a's exponent; otherwise to the five-bit te sign-extended (a unused).
void DFP_QuantizeDouble(uint64_t a, uint64_t b, int rmc, int te, uint64_t *result,
                        DFP_SystemEnvironment *sysEnv);
void DFP_QuantizeQuad(const uint64_t *a, const uint64_t *b, int rmc, int te, uint64_t *result,
                      DFP_SystemEnvironment *sysEnv);
void DFP_Quantize_Double(uint64_t a, uint64_t b, int rmc, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Quantize_Quad(const uint64_t *a, const uint64_t *b, int rmc, uint64_t *result,
                       DFP_SystemEnvironment *sysEnv);
void DFP_Quantize_Immediate_Double(int te, uint64_t b, int rmc, uint64_t *result,
                                   DFP_SystemEnvironment *sysEnv);
void DFP_Quantize_Immediate_Quad(int te, const uint64_t *b, int rmc, uint64_t *result,
                                 DFP_SystemEnvironment *sysEnv);

// b rounded to k significant digits; the result words are written only when it is delivered.
void DFP_Reround_Double(uint64_t k, uint64_t b, int rmc, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Reround_Quad(uint64_t k, const uint64_t *b, int rmc, uint64_t *result,
                      DFP_SystemEnvironment *sysEnv);

// Round to integer with the rounding mode of r and rmc; signalInexact 0 reports no inexactness.
void DFP_RoundFPIntegerDouble(uint64_t b, int r, int rmc, int signalInexact, uint64_t *result,
                              DFP_SystemEnvironment *sysEnv);
void DFP_RoundFPIntegerQuad(const uint64_t *b, int r, int rmc, int signalInexact, uint64_t *result,
                            DFP_SystemEnvironment *sysEnv);
void DFP_RoundFPInteger_With_Inexact_Double(uint64_t b, int r, int rmc, uint64_t *result,
                                            DFP_SystemEnvironment *sysEnv);
void DFP_RoundFPInteger_With_Inexact_Quad(const uint64_t *b, int r, int rmc, uint64_t *result,
                                          DFP_SystemEnvironment *sysEnv);
void DFP_RoundFPInteger_Without_Inexact_Double(uint64_t b, int r, int rmc, uint64_t *result,
                                               DFP_SystemEnvironment *sysEnv);
void DFP_RoundFPInteger_Without_Inexact_Quad(const uint64_t *b, int r, int rmc, uint64_t *result,
                                             DFP_SystemEnvironment *sysEnv);

// Widening, exact. kind is the form of the caller: 2, the forms without a rounding field, is the
// only one of this build. decimal32 to decimal64 keeps a signalling NaN and leaves FR and FI;
// decimal64 to decimal128 quiets it (invalid operation) and clears FR and FI.
void DFP_Convert_Single_To_Double(uint64_t b, int kind, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Convert_Double_To_Quad(uint64_t b, int kind, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Convert_No_M_Single_To_Double(uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Convert_No_M_Double_To_Quad(uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv);

// Rounding to the shorter format (applyField: use field as the rounding-mode control). With a
// trapped overflow or underflow the scaled result stays in b's format and auxResult is 1.
// decimal64 to decimal32 keeps a signalling NaN; decimal128 to decimal64 quiets it.
void DFP_Round_Double_To_Single(uint64_t b, int applyField, int field, int kind, uint64_t *result,
                                DFP_SystemEnvironment *sysEnv);
void DFP_Round_Quad_To_Double(const uint64_t *b, int applyField, int field, int kind, uint64_t *result,
                              DFP_SystemEnvironment *sysEnv);
void DFP_Round_No_M_Double_To_Single(uint64_t b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
void DFP_Round_No_M_Quad_To_Double(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *sysEnv);
