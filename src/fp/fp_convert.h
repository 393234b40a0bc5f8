// Conversions between the storage formats, the integers and the FP160 working value: widening a
// stored pattern or an integer into FP160, rounding a value to an integral value and to a 64- or
// 32-bit integer with saturation (overflow is flagged on the value).
#pragma once

#include <cstdint>

#include "fp/fp160.h"

// Each widening initialises the value with the label, sets sign, exponent and significand from
// the stored pattern (exactly; denormals are normalised), and sets src_format.
void FP160_ConvertFromDP(FP160 *value, const uint64_t *word, const char *label);
// denormals_are_zero or graph: a denormal becomes a zero of its sign. graph: exponent 255 is an
// ordinary exponent.
void FP160_VX_ConvertFromSP_Source(FP160 *value, uint32_t word, int denormals_are_zero, int graph,
                                   const char *label);
void FP160_ConvertFromHP(FP160 *value, uint16_t half, const char *label);
// quad: low word first.
void FP160_ConvertFromQP(FP160 *value, const uint64_t *quad, const char *label);
void FP160_ConvertFromSI64(FP160 *value, int64_t integer, const char *label);
void FP160_ConvertFromUI64(FP160 *value, uint64_t integer, const char *label);
void FP160_ConvertFromSI32(FP160 *value, int32_t integer, const char *label);
void FP160_ConvertFromUI32(FP160 *value, uint32_t integer, const char *label);

// Rounds the value to an integral value in the mode; a NaN is marked and, unless keep_signalling,
// quieted. Returns 0.
int FP160_MakeIntegral(FP160 *value, int mode, int keep_signalling);
// The value rounded in the mode to a saturated integer; out of range marks overflow. NaNs are the
// callers'.
int64_t FP160_Make_Int64(FP160 *value, int mode);
// Negative integers saturate to 0; -0 gives 0.
uint64_t FP160_Make_UInt64(FP160 *value, int mode);
// Any negative sign, -0 included, saturates to 0 with overflow.
uint64_t FP160_Make_Q_UInt64(FP160 *value, int mode);
// The 32-bit forms always round toward zero.
int32_t FP160_Make_Int32(FP160 *value);
uint32_t FP160_Make_UInt32(FP160 *value);
uint32_t FP160_Make_Q_UInt32(FP160 *value);
