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

inline DecimalNumber special(const DecimalFormat &f, int32_t type, int32_t sign = 0, const std::string &payload = "0")
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
