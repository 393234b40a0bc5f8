// The FPSCR rendered as text.
#pragma once

#include <cstdint>

// The FPSCR as text in the shared FPSCR text buffer (overwritten by the next call).
const char *Prepare_FPSCR(uint64_t fpscr);
