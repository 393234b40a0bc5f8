// The signed packed-decimal add and subtract of bcdadd. and bcdsub.: bcdadd_sub (the digit-serial
// software path for valid operands) and the vector unit's decimal adder VSU_bcdadd, which serves
// operands with an invalid digit or sign code and, with ENABLE_VMX_BCD_HARDWARE_ROUTINES, every
// operand. A packed quadword holds 31 digits, most significant first, and the sign code in its
// last nibble (0xA, 0xC, 0xE, 0xF plus; 0xB, 0xD minus; 0..9 invalid). The condition field is
// 0b1000 negative, 0b0100 positive, 0b0010 zero, 0b0001 overflow or invalid operand.
#pragma once

#include <cstdint>

#include "processor/hooks/vsr_access.h"

struct IOPDesc;

// *result and *condition from A op B (op 0 add, 1 subtract); ps 1 writes plus as 0xF, else 0xC;
// minus is 0xD. Returns non-zero when an operand had an invalid digit or sign code.
int bcdadd_sub(IOPDesc *iop, Vec128 *result, uint8_t *condition, Vec128 a, Vec128 b, int ps, int op);

// The adder on big-endian digit arrays (entries 0..30 the digits, most significant first; entry
// 31 the sign code).
void VSU_bcdadd(uint8_t *result, uint8_t *condition, const uint8_t *a, const uint8_t *b, int op, int ps);
