// The single-precision minimum of the vector units on 32-bit patterns: NaN rules (a signalling
// NaN wins and is quieted, a quiet NaN loses against a number) and -0 below +0.
#pragma once

#include <cstdint>

struct IOPDesc;

// *out := the minimum of a and b; returns the FP160 flags raised: 0x80 (SNaN) when either is a
// signalling NaN, else 0. FPSCR is not touched.
uint32_t vmicro_sp_min(IOPDesc *iop, uint32_t *out, uint32_t a, uint32_t b);
