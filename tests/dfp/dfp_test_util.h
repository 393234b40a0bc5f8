// Helpers of the decimal library tests: numbers from text and back.
#pragma once

#include <cstdint>
#include <string>

#include "dfp/bcd_number.h"
#include "dfp/decimal_number.h"

namespace dfp_test
{

inline std::string str(const BCDnumber &n)
{
    char text[128];
    BCD_ToString(&n, text);
    return text;
}

// A finite number "[-]digits" with exponent e in format f.
inline DecimalNumber num(const DecimalFormat &f, const std::string &digits, int32_t e)
{
    DecimalNumber n{};
    n.format = f;
    n.type = Normal;
    const bool neg = !digits.empty() && digits[0] == '-';
    n.sign = neg ? 1 : 0;
    BCD_FromString(digits.c_str() + (neg ? 1 : 0), &n.coefficient.bcdnumber);
    n.exponent = e;
    return n;
}

inline DecimalNumber special(const DecimalFormat &f, int32_t type, int32_t sign = 0,
                             const std::string &payload = "0")
{
    DecimalNumber n = num(f, payload, 0);
    n.type = type;
    n.sign = sign;
    n.exponent = type == Infinity ? 0 : f.UxMin;
    return n;
}

// "[-]coefficientEexponent", "[-]Inf", "[-]NaN[payload]", "[-]sNaN[payload]" for checks.
inline std::string text(const DecimalNumber &n)
{
    std::string s = n.sign ? "-" : "";
    const std::string c = str(n.coefficient.bcdnumber);
    switch (n.type) {
    case Normal:
        return s + c + "E" + std::to_string(n.exponent);
    case Infinity:
        return s + "Inf";
    case QNaN:
        return s + "NaN" + (c == "0" ? "" : c);
    case SNaN:
        return s + "sNaN" + (c == "0" ? "" : c);
    default:
        return "Undefined";
    }
}

} // namespace dfp_test

#include "dfp/decimal_pack.h"
#include "dfp/dfp_environment.h"
#include "dfp/dfp_status_map.h"

namespace dfp_test
{

// What an operation leaves: the result (packed when delivered), the FPSCR image and CR field.
struct Outcome {
    DecimalNumber result;
    uint64_t word[2]; // decimal64 in word[0]; decimal128 in both
    uint64_t fpscr;
    uint32_t status;
    int32_t resultKind;
    uint8_t crValue, crMask;
};

// Runs op(env, result, status, roundingCase, intermediate) with the environment built from fpscr
// (the rounding mode from DRN), result in `format`, the intermediate in the matching wide format,
// then maps the status into the FPSCR image and packs a delivered result in its own format.
template <typename Op>
Outcome runOp(uint64_t fpscr, int32_t operation, const DecimalFormat &format, Op op, int recordForm = 0)
{
    DFP_SystemEnvironment sys{};
    sys.system = DFP_SYSTEM_HALVO;
    sys.fpscr = fpscr;
    sys.recordForm = recordForm;
    DFP_UserDirectivesInit(&sys);
    DFP_Environment env{};
    Build_Environment(operation, &sys, &env);
    Outcome o{};
    o.result.format = format;
    o.result.type = Undefined;
    BCD_SetZero(&o.result.coefficient.bcdnumber);
    DecimalIntermediate im{};
    im.decimalNumber.format = format.precision > 16 ? DFP_FormatWide128 : DFP_FormatWide64;
    DFP_RoundingCase rc{};
    uint32_t status = 0;
    op(env, o.result, status, rc, im);
    o.status = status;
    DFP_Status2Halvo(&env, status, 2, &o.result, &sys);
    o.fpscr = sys.fpscr;
    o.resultKind = sys.resultKind;
    o.crValue = sys.crValue;
    o.crMask = sys.crMask;
    if (o.resultKind) {
        if (o.result.format.precision == 34)
            DFP_Pack_Quad(&o.result, o.word);
        else if (o.result.format.precision == 16)
            DFP_Pack_Double(&o.result, &o.word[0]);
        else
            DFP_Pack_Single(&o.result, 1, &o.word[0]);
    }
    return o;
}

inline DecimalNumber d64(uint64_t word)
{
    DecimalNumber n;
    DFP_Unpack_Double(word, &n);
    return n;
}

inline DecimalNumber n64(const std::string &digits, int32_t e)
{
    return num(DFP_FormatDecimal64, digits, e);
}

constexpr uint64_t kDrn(int mode)
{
    return (uint64_t)mode << 32;
}

} // namespace dfp_test
