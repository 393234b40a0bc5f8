// Stand-ins of the translation-debug record.
#include "mmu/xlate_debug.h"

// STAND-IN: the translation-debug record is not built; texts are not recorded.
__attribute__((weak)) void Xlate_Debug_Printf(ThreadState *, int, AXD *, const char *, ...) {}

// STAND-IN: the translation-debug record is not built; there is nothing to print.
__attribute__((weak)) void Print_Xlate_Debug_Summary(ThreadState *) {}
