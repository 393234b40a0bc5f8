// FPR images as host doubles.
#include "fp/fp_text.h"

#include <cstring>

double FPR_ConvertFloat(uint64_t fpr)
{
    // The FPR holds a double-precision image; widening it to the working format and narrowing it
    // back toward zero at double precision is exact, so the bits are the value.
    double value;
    memcpy(&value, &fpr, sizeof value);
    return value;
}
