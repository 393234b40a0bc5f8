// Helpers the floating-point and vector routines share beside the assignment test of
// isa/fp_result_writes.h: the packed-decimal digit normaliser.
#pragma once

#include <cstdint>

// Normalises the 31 digit nibbles of a 16-byte packed-decimal value (byte 0 first; the low nibble
// of byte 0 is the sign and is never touched) into out: digit + carry, and a result above 9 gets
// 6 added with a carry into the next digit (0xA becomes 0 with a carry). Only the digit nibbles of
// out are written; the carry out of the last digit is dropped.
void BCD_ConvertToValidBCD(const uint8_t value[16], uint8_t out[16]);
