// Floating-point values as text.
#include "fp/fp_text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

const char *Prepare_FPDouble(double value)
{
    static char buffer[64];
    if (std::isnan(value))
        snprintf(buffer, sizeof buffer, "%s", std::signbit(value) ? "-NaN" : "+NaN");
    else if (std::isinf(value))
        snprintf(buffer, sizeof buffer, "%s", value < 0 ? "-INF" : "+INF");
    else
        snprintf(buffer, sizeof buffer, "%G", value);
    return buffer;
}

double FPR_ConvertFloat(uint64_t fpr)
{
    // The FPR holds a double-precision image; widening it to the working format and narrowing it
    // back toward zero at double precision is exact, so the bits are the value.
    double value;
    memcpy(&value, &fpr, sizeof value);
    return value;
}
