// FPSCR as text.
#include "processor/hooks/fpscr_text.h"

#include <cstdio>
#include <cstring>

namespace
{

// Names of FPSCR bits 0..29 (bit 0 = 0x80000000); bit 20 is reserved.
constexpr const char *bit_names[30] = {
    " FX",    " FEX",    " VX",     " OX",    " UX", " ZX", " XX", " VXSNAN", " VXISI", " VXIDI",
    " VXZDZ", " VXIMZ",  " VXVC",   " FR",    " FI", " C",  " FL", " FG",     " FE",    " FU",
    nullptr,  " VXSOFT", " VXSQRT", " VXCVI", " VE", " OE", " UE", " ZE",     " XE",    " NI",
};
constexpr const char *rounding_names[4] = {"", " RN(0)", " RN(+)", " RN(-)"};

} // namespace

const char *Prepare_FPSCR(uint64_t fpscr)
{
    static char text[256];
    size_t n = (size_t)snprintf(text, sizeof text, "0x%016lX", (unsigned long)fpscr);
    for (int bit = 0; bit < 30; bit++) {
        if (!bit_names[bit] || !(fpscr & (0x80000000ull >> bit))) continue;
        const size_t len = strlen(bit_names[bit]);
        memcpy(text + n, bit_names[bit], len + 1);
        n += len;
    }
    const char *rn = rounding_names[fpscr & 3];
    memcpy(text + n, rn, strlen(rn) + 1);
    return text;
}
