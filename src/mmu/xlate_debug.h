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

// While debug category 27 is on, formats the message (a missing format gives an empty one) in a
// 4096-byte buffer of the calling host thread and hands it to Record_Xlate_Debug.
void Xlate_Debug_Printf(ThreadState *thread, int type, AXD *axd, const char *format, ...)
    __attribute__((format(printf, 4, 5)));
// With debug categories 27 and 28 both on and a record on the thread: "\nEXXLATE Summary: ", the
// text and "\n\n" for each of the record's three texts that is not empty.
void Print_Xlate_Debug_Summary(ThreadState *thread);
// Records a message of the type in the thread's translation-debug record.
void Record_Xlate_Debug(ThreadState *thread, AXD *axd, int type, const char *text);
