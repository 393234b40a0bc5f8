// Stand-ins of the process-tree operations the program loaders call.
#include "guest/process_tree.h"

// STAND-IN: the guest process tree is not built yet (no machine has one); nothing is recorded.
__attribute__((weak)) void PT_NewProcess(void *, int32_t, int32_t, int32_t) {}

// STAND-IN: see PT_NewProcess.
__attribute__((weak)) void PT_ExecProcess(void *, int32_t, const char *) {}

// STAND-IN: see PT_NewProcess.
__attribute__((weak)) void PT_LoadedFile(void *, int32_t, const char *, uint64_t, uint64_t, int32_t, int32_t,
                                         uint64_t)
{
}

// STAND-IN: see PT_NewProcess.
__attribute__((weak)) void PT_SetCurrentProcess(void *, int32_t, int32_t) {}
