// The translation debug narration: the texts of a translation step, recorded per thread and
// printed when translation debugging (debug category 27) is on.
#pragma once

#include <cstdint>

struct AXD;
struct ThreadState;

// Message types: commands, then the translation modes.
enum : int32_t {
    XLAT_DEBUG_UNKNOWN = 0,
    XLAT_DEBUG_START = 1,
    XLAT_DEBUG_INFO = 2,
    XLAT_DEBUG_PAUSE = 3,
    XLAT_DEBUG_FAIL = 4,
    XLAT_DEBUG_END = 5,
    XLAT_DEBUG_FLUSH = 6,
};

// Formats the text and records it for the thread's current translation of the access (axd may be
// null); nothing at all while translation debugging is off.
void Xlate_Debug_Printf(ThreadState *thread, int32_t type, AXD *axd, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
