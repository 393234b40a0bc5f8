// Stand-in of the FPSCR text.
#include "processor/hooks/fpscr_text.h"

#include <cstdio>

// STAND-IN: the names of the set FPSCR bits are missing; the text is the value in hexadecimal.
__attribute__((weak)) const char *Prepare_FPSCR(uint64_t fpscr)
{
    static char text[32];
    snprintf(text, sizeof text, "0x%016lX", (unsigned long)fpscr);
    return text;
}
