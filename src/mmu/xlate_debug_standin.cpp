// Stand-in of the translation debug narration.
#include "mmu/xlate_debug.h"

// STAND-IN: the translation debug record (its per-instruction texts, modes and summary) is not
// built; the texts are dropped.
__attribute__((weak)) void Xlate_Debug_Printf(ThreadState *, int32_t, AXD *, const char *, ...)
{
}
