// What the per-format operations share: the two register formats (decimal64 and decimal128) with
// their wide intermediate formats and result kinds, unpacking and packing by format, and the
// preparation of result numbers and intermediates.
#pragma once

#include <cstdint>

#include "dfp/decimal_number.h"
#include "dfp/decimal_pack.h"
#include "dfp/dfp_coverage.h"
#include "dfp/dfp_environment.h"
#include "dfp/dfp_status_map.h"

// A register format: decimal64 (one word) or decimal128 (two words, most significant first).
struct DFP_RegisterFormat {
    DecimalFormat format;
    DecimalFormat wide; // the intermediate format of its roundings
    int32_t resultKind; // 2 or 3
    int32_t quad;       // 0 or 1: added to the decimal64 operation identifier
};

constexpr DFP_RegisterFormat DFP_Decimal64 = {DFP_FormatDecimal64, DFP_FormatWide64, 2, 0};
constexpr DFP_RegisterFormat DFP_Decimal128 = {DFP_FormatDecimal128, DFP_FormatWide128, 3, 1};

inline void DFP_UnpackWords(const DFP_RegisterFormat &f, const uint64_t *words, DecimalNumber *number)
{
    if (f.quad)
        DFP_Unpack_Quad(words, number);
    else
        DFP_Unpack_Double(words[0], number);
}

// Packs the result into one or two words, delivered or not (a result without a type packs as
// the signalling-NaN pattern; the caller writes nothing unless resultKind says so).
inline void DFP_PackWords(const DFP_RegisterFormat &f, const DecimalNumber *number, uint64_t *words)
{
    if (f.quad)
        DFP_Pack_Quad(number, words);
    else
        DFP_Pack_Double(number, words);
}

// A zero (exponent 0) of the format.
inline void DFP_SetZeroOfFormat(const DecimalFormat &format, DecimalNumber *number)
{
    DFP_SetFormat(format.precision, format.UxMax, format.biasAdjust, number);
    DFP_OpSetSpecificNumber(number, number, 0);
}

// A number of the format whose type is Undefined: filled only by an operation that delivers.
inline void DFP_SetClearedOfFormat(const DecimalFormat &format, DecimalNumber *number)
{
    DFP_SetZeroOfFormat(format, number);
    number->type = Undefined;
}

inline void DFP_SetClearedIntermediate(const DecimalFormat &wide, DecimalIntermediate *intermediate)
{
    DFP_SetClearedOfFormat(wide, &intermediate->decimalNumber);
    intermediate->sticky = 0;
}
