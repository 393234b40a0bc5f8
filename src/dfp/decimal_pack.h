// The decimal32, decimal64 and decimal128 interchange encodings (densely packed decimal
// coefficients): combination field, declets, unpacking into and packing from DecimalNumber, and the
// signed packed-decimal input of the encode operations.
#pragma once

#include <cstdint>

#include "dfp/decimal_number.h"

// Bit positions counted from the least significant end of the (first) word.
constexpr int SignShift32 = 31, SignShift64 = 63, SignShift128 = 63;
constexpr int ComboShift32 = 26, ComboShift64 = 58, ComboShift128 = 58;
constexpr uint32_t ComboMask32 = 0x1F, ComboMask64 = 0x1F, ComboMask128 = 0x1F;
constexpr int ExpContShift32 = 20, ExpContShift64 = 50, ExpContShift128 = 46;
constexpr uint32_t ExpContMask32 = 0x3F, ExpContMask64 = 0xFF, ExpContMask128 = 0xFFF;
constexpr int32_t UxMax32 = 90, UxMax64 = 369, UxMax128 = 6111;
constexpr int32_t ExpBias32 = 101, ExpBias64 = 398, ExpBias128 = 6176;

// The type a combination field encodes, with its two leading exponent bits and leading digit.
int32_t UnpackCombo(uint32_t combination, uint32_t firstContinuationBit, uint32_t *leadingExponentBits,
                    uint32_t *leadingDigit);
uint32_t PackCombo(int32_t type, uint32_t leadingExponentBits, uint32_t leadingDigit);

// Three BCD digits (first in bits 8-11) to a canonical declet, and a declet (canonical or not) back.
uint32_t BCD2DPD(uint32_t bcd);
uint32_t DPD2BCD(uint32_t dpd);

// Each returns the type found. The decimal32 word is the low word of `bits` for system 1 and the
// high word otherwise; decimal128 words are most significant first.
int32_t DFP_Unpack_Double(uint64_t bits, DecimalNumber *number);
int32_t DFP_Unpack_Quad(const uint64_t words[2], DecimalNumber *number);
int32_t DFP_Unpack_Single(uint64_t bits, int system, DecimalNumber *number);

void DFP_Pack_Double(const DecimalNumber *number, uint64_t *out);
void DFP_Pack_Quad(const DecimalNumber *number, uint64_t words[2]);
void DFP_Pack_Single(const DecimalNumber *number, int system, uint64_t *out);

// The `count` most significant nibbles of words[0] (then words[1]) as digits, with signCode -1
// (unsigned), 0xA/0xC/0xE/0xF (plus) or 0xB/0xD (minus). Sets number to that integer in its own
// format and returns 0, or returns -1 for a bad sign code or a digit nibble above 9.
int DFP_ParsePackedBCD(int signCode, int count, const uint64_t *words, DecimalNumber *number);
