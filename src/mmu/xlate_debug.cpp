// The translation-debug texts: formatting a message and printing the summary of a record.
#include "mmu/xlate_debug.h"

#include <cstdarg>
#include <cstdio>

#include "processor/records/thread_state.h"
#include "runtime/debug.h"
#include "runtime/message.h"

namespace
{
constexpr int DEBUG_XLATE = 27;
constexpr int DEBUG_XLATE_SUMMARY = 28;
} // namespace

void Xlate_Debug_Printf(ThreadState *thread, int type, AXD *axd, const char *format, ...)
{
    if (get_debug_flag(DEBUG_XLATE) <= 0) return;
    static thread_local char message[4096];
    message[0] = '\0';
    if (format) {
        va_list args;
        va_start(args, format);
        vsnprintf(message, sizeof message, format, args);
        va_end(args);
    }
    Record_Xlate_Debug(thread, axd, type, message);
}

void Print_Xlate_Debug_Summary(ThreadState *thread)
{
    if (!thread || !thread->xlate_debug) return;
    if (get_debug_flag(DEBUG_XLATE) <= 0 || get_debug_flag(DEBUG_XLATE_SUMMARY) <= 0) return;
    for (const Xlate_Debug_Buffer &entry : thread->xlate_debug->buffers) {
        if (entry.text[0] == '\0') continue;
        SIM_PRINT("\nEXXLATE Summary: ");
        SIM_PRINT_LONG_STRING(entry.text);
        SIM_PRINT("\n\n");
    }
}
