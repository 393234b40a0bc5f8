// Stand-in of the result class of binary floating point.
#include "translator/fp_hooks.h"

#include <cmath>

// STAND-IN: binary floating point's class function is not in the tree yet; the class codes of a
// double (quiet NaN 0x11, infinities 0x09/0x05, normals 0x08/0x04, denormals 0x18/0x14, zeros
// 0x12/0x02) are computed here. Weak, so that the floating-point unit's definition replaces it.
__attribute__((weak)) int micro_DBL_FPRF(double *value, int)
{
    const double v = *value;
    const bool negative = std::signbit(v);
    switch (std::fpclassify(v)) {
    case FP_NAN:
        return 0x11;
    case FP_INFINITE:
        return negative ? 0x09 : 0x05;
    case FP_ZERO:
        return negative ? 0x12 : 0x02;
    case FP_SUBNORMAL:
        return negative ? 0x18 : 0x14;
    default:
        return negative ? 0x08 : 0x04;
    }
}
