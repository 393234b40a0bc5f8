// BCDnumber: an unsigned decimal integer of up to 120 digits held in base-10000 units, and the
// operations of the decimal library on it (digit access, text and integer conversion, add,
// subtract, multiply, exact divide with remainder, compare, decimal shifts).
#pragma once

#include <cstdint>

constexpr int MAX_NUM_UNITS = 30;
constexpr const char *MAX_ULL_INT_STRING = "18446744073709551615";

// Unit i holds digits 4i..4i+3 (0..9999), least significant unit first. Writers keep the normal
// form: units at and above numUnits are zero, numUnits is the top nonzero unit + 1 (at least 1).
struct BCDnumber {
    uint32_t units[MAX_NUM_UNITS];
    int32_t numUnits;
};

// Housekeeping and access. Readers do not rely on the normal form.
void BCD_SetLeadingUnitsToZero(BCDnumber *n);
void BCD_PadWithZeroes(BCDnumber *n, int from, int top);
void BCD_Copy(const BCDnumber *src, BCDnumber *dst);
int BCD_Validate(const BCDnumber *n);
int BCD_GetNumUnits(const BCDnumber *n);
uint32_t BCD_GetNumDigits(const BCDnumber *n); // zero has one digit
uint32_t BCD_GetDigit(const BCDnumber *n, uint32_t k);
void BCD_SetDigit(BCDnumber *n, uint32_t k, uint32_t d);
int BCD_IsZero(const BCDnumber *n);
int BCD_CountTrailingZeros(const BCDnumber *n);                            // -1 for zero
void BCD_GetLowerDigits(const BCDnumber *src, uint32_t k, BCDnumber *dst); // src mod 10^k

// Constants and steps.
void BCD_SetZero(BCDnumber *n);
void BCD_SetOne(BCDnumber *n);
void BCD_SetNines(uint32_t k, BCDnumber *n); // 10^k - 1
void BCD_AddOne(BCDnumber *n);
void BCD_SubOne(BCDnumber *n); // n must not be zero

// Conversions. Text is decimal digits, most significant first; ToString needs 121 bytes.
void BCD_FromString(const char *text, BCDnumber *n);
void BCD_ToString(const BCDnumber *n, char *text);
void BCD_FromInteger(uint64_t v, BCDnumber *n);
int BCD_ToInteger(const BCDnumber *n, uint64_t *out); // 0 (out untouched) above 2^64 - 1

// Arithmetic and comparison; the destination may be a source.
int BCD_Compare(const BCDnumber *a, const BCDnumber *b);
void BCD_Add(const BCDnumber *a, const BCDnumber *b, BCDnumber *r);
void BCD_Subtract(const BCDnumber *a, const BCDnumber *b, BCDnumber *r); // a >= b
void BCD_Multiply(const BCDnumber *a, const BCDnumber *b, BCDnumber *r);
void BCD_Divide(const BCDnumber *a, const BCDnumber *b, BCDnumber *q, BCDnumber *rem);
void BCD_Divide_Large(const BCDnumber *a, const BCDnumber *b, BCDnumber *q, BCDnumber *rem);

// Decimal shifts.
void BCD_ShiftLeft(const BCDnumber *src, uint32_t k, BCDnumber *dst);
void BCD_ShiftRight(const BCDnumber *src, uint32_t k, BCDnumber *dst);
void BCD_ShiftRightOR(const BCDnumber *src, uint32_t k, BCDnumber *dst); // last digit sticky
void BCD_TakeLeadingUnits(const BCDnumber *src, int k, BCDnumber *dst);

// floor(10^(4k) / sqrt(a)); needs digits(a) + 8k below 120.
void BCD_InversSqrt(const BCDnumber *a, int k, BCDnumber *r);
