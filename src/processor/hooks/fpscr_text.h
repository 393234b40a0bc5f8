// The FPSCR rendered as text.
// Declared here for the floors that call it; defined by the floating-point unit
// (fp/fpscr_text_standin.cpp).
#pragma once

#include <cstdint>

// The FPSCR as text in the shared FPSCR text buffer (overwritten by the next call).
const char *Prepare_FPSCR(uint64_t fpscr);
