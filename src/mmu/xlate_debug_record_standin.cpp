// Stand-in of the translation-debug record.
#include "mmu/xlate_debug.h"

#include "processor/records/thread_state.h"
#include "runtime/utils.h"

// STAND-IN: the translation-debug record's narration (start, pause, end and fail of a
// translation, the three texts with their headers, the immediate DEBUG lines) is not built; the
// message is appended to the record's first text, as far as it fits.
__attribute__((weak)) void Record_Xlate_Debug(ThreadState *thread, AXD *, int, const char *text)
{
    if (!thread || !thread->xlate_debug || !text) return;
    Xlate_Debug_Buffer &first = thread->xlate_debug->buffers[0];
    safe_strcat(first.text, text, sizeof first.text);
}
