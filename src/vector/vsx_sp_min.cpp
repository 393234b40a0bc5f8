// The single-precision minimum (see vsx_sp_min.h).
#include "vector/vsx_sp_min.h"

#include "fp/fp160.h"

namespace
{

constexpr uint32_t kQuiet = 0x00400000;

bool is_nan(uint32_t x)
{
    return (x & 0x7F800000) == 0x7F800000 && (x & 0x007FFFFF);
}
bool is_snan(uint32_t x)
{
    return is_nan(x) && !(x & kQuiet);
}

// a below b by sign and magnitude, -0 below +0.
bool less(uint32_t a, uint32_t b)
{
    const bool na = a >> 31, nb = b >> 31;
    if (na != nb) return na;
    const uint32_t ma = a & 0x7FFFFFFF, mb = b & 0x7FFFFFFF;
    return na ? ma > mb : ma < mb;
}

} // namespace

uint32_t vmicro_sp_min(IOPDesc *, uint32_t *out, uint32_t a, uint32_t b)
{
    FP160 temporary;
    FP160_Init(&temporary, "vmicro_sp_min::tmp");
    if (is_snan(a) || is_snan(b))
        FP160_Mark_Exception(&temporary, FP160_EXC_SNAN, 0, "vmicro_sp_min", "SNaN operand");

    if (is_snan(a))
        *out = a | kQuiet;
    else if (is_nan(a))
        *out = is_nan(b) ? a : b;
    else if (is_snan(b))
        *out = b | kQuiet;
    else if (is_nan(b))
        *out = a;
    else if (a == b)
        *out = (a >> 31) ? a : b; // equal: b when positive, a when negative
    else
        *out = less(a, b) ? a : b;
    return temporary.exceptions;
}
