// Setting FPSCR status bits for an instruction: FPSCR_SetBit (limited to the row's FPSCR mask,
// with FX, VX and FEX kept up to date) and the result-class (FPRF) setters of stored results.
#pragma once

#include <cstdint>

#include "processor/regs/fpscr_bits.h"

struct IOPDesc;

// Sets (set non-zero) or clears the bits within the row's FPSCR mask; setting FI also sets XX
// (and FX when XX was clear); setting an exception bit sets FX when none of the bits was set
// before. Returns the FPSCR value written.
uint64_t FPSCR_SetBit(IOPDesc *iop, uint64_t bits, int set);

// FPRF from a stored result, when the row's mask has FPRF. precision 1: a single-precision result
// in double format; 2: the C bit is dropped (double and quad).
void Set_DBL_FPSCR_FPRF_Bits(IOPDesc *iop, const uint64_t *value, int precision);
void Set_SGL_FPSCR_FPRF_Bits(IOPDesc *iop, uint32_t value);
void Set_HALF_FPSCR_FPRF_Bits(IOPDesc *iop, uint16_t value);
// value: low word first.
void Set_QUAD_FPSCR_FPRF_Bits(IOPDesc *iop, const uint64_t *value, int precision);
// FPRF := code, written as the setters write it.
void Set_FPSCR_FPRF_Code(IOPDesc *iop, uint32_t code);
