// Conversions between the storage formats, the integers and the FP160 working value: widening a
// stored pattern into FP160.
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
