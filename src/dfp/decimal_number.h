// DecimalNumber and DecimalIntermediate: the unpacked operands, results and unrounded
// intermediates of the decimal library, their five formats and the routines that create, copy and
// classify them.
#pragma once

#include <cstdint>

#include "dfp/bcd_number.h"

struct DecimalFormat {
    int32_t precision;  // coefficient digits
    int32_t UxMax;      // largest exponent of the coefficient-integer form
    int32_t Emin;       // 2 - precision - UxMax: exponent of the smallest normal number 1E(Emin)
    int32_t UxMin;      // Emin - precision + 1: the smallest exponent; the bias is -UxMin
    int32_t biasAdjust; // exponent scaling of a trapped overflow or underflow
};

constexpr DecimalFormat DFP_MakeFormat(int32_t precision, int32_t UxMax, int32_t biasAdjust)
{
    return {precision, UxMax, 2 - precision - UxMax, 2 - precision - UxMax - precision + 1, biasAdjust};
}

constexpr DecimalFormat DFP_FormatDecimal32 = DFP_MakeFormat(7, 90, 144);
constexpr DecimalFormat DFP_FormatDecimal64 = DFP_MakeFormat(16, 369, 576);
constexpr DecimalFormat DFP_FormatDecimal128 = DFP_MakeFormat(34, 6111, 9216);
constexpr DecimalFormat DFP_FormatWide64 = DFP_MakeFormat(17, 770, 576);     // decimal32/64 intermediates
constexpr DecimalFormat DFP_FormatWide128 = DFP_MakeFormat(35, 12290, 9216); // decimal128 intermediates

enum DecimalType : int32_t { Undefined = 0, Normal = 1, QNaN = 2, SNaN = 3, Infinity = 4 };

struct DecimalCoefficient {
    BCDnumber bcdnumber;
};

// A finite value is (-1)^sign * coefficient * 10^exponent; a NaN's coefficient is its payload, an
// unpacked infinity's the trailing digits of its encoding.
struct DecimalNumber {
    DecimalFormat format;
    int32_t type;
    int32_t sign;
    int32_t exponent;
    DecimalCoefficient coefficient;
};

// An unrounded result. To be rounded into precision P it stands for
// coefficient * 10^(exponent - (precision - P)): exponent is that of the last digit the rounded
// result keeps, the coefficient carries precision - P digits below it, and sticky is 1 when nonzero
// digits were dropped below those.
struct DecimalIntermediate {
    DecimalNumber decimalNumber;
    int32_t sticky;
};

void DFP_SetFormat(int32_t precision, int32_t UxMax, int32_t biasAdjust, DecimalNumber *number);
void DFP_CopyFormat(const DecimalNumber *from, DecimalNumber *to);

// 0 zero (exponent 0), 1 smallest subnormal, 2 smallest normal, 3 largest finite number, in the
// format of formatSource. The intermediate form keeps the intermediate's own format.
void DFP_OpSetSpecificNumber(DecimalNumber *number, const DecimalNumber *formatSource, int which);
void DFP_ImSetSpecificNumber(DecimalIntermediate *intermediate, const DecimalNumber *formatSource, int which);

void DFP_InitOperand(const DecimalNumber *formatSource, DecimalNumber *number);
void DFP_CopyOperand(const DecimalNumber *from, DecimalNumber *to);
void DFP_CopyOperandValue(const DecimalNumber *from, DecimalNumber *to);
void DFP_CopyIntermediate(const DecimalIntermediate *from, DecimalIntermediate *to);
void DFP_SetValueOperand(int32_t type, int32_t sign, int32_t exponent, const BCDnumber *coefficient,
                         DecimalNumber *number);
void DFP_OperandToIntermediate(const DecimalNumber *number, DecimalIntermediate *intermediate);
int32_t DFP_ExponentBias(const DecimalNumber *number);
int32_t DFP_Default_SNAN_Unbiased_Exponent(const DecimalNumber *number);

void DFP_OpSetInfinity(DecimalNumber *number);
void DFP_OpSetDefaultQNaN(DecimalNumber *number);
void DFP_Form_QNAN_Result(const DecimalNumber *from, DecimalNumber *result);
void DFP_Form_SNAN_Result(const DecimalNumber *from, DecimalNumber *result);

int DFP_OpIsNAN(const DecimalNumber *number);
int DFP_OpIsQNAN(const DecimalNumber *number);
int DFP_OpIsSNAN(const DecimalNumber *number);
int DFP_OpIsInfinity(const DecimalNumber *number); // 1 for +inf, -1 for -inf
int DFP_OpIsZero(const DecimalNumber *number);
int DFP_OpIsNormal(const DecimalNumber *number);
int DFP_OpIsSubnormal(const DecimalNumber *number);
int DFP_OpIsExtremeExponent(const DecimalNumber *number);
int DFP_ImIsPositive(const DecimalIntermediate *intermediate);
