// The translation-debug record's texts: recording a message while translation debugging is on
// and printing the summary of the last translations.
#pragma once

#include <cstdint>

struct AXD;
struct ThreadState;

// Message types of the record.
enum : int {
    XLATE_DEBUG_START = 0,
    XLATE_DEBUG_MODE = 1,
    XLATE_DEBUG_INFO = 2,
    XLATE_DEBUG_END = 3,
};

// Appends the formatted text to the thread's record (only while debug category 27 is on).
void Xlate_Debug_Printf(ThreadState *thread, int type, AXD *axd, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
// Prints the record's texts when debug categories 27 and 28 are both on.
void Print_Xlate_Debug_Summary(ThreadState *thread);
