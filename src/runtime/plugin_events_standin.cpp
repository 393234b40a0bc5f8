// Stand-ins of the plug-in events fired by the load, store, cache and ordering instructions.
#include "runtime/plugin_events.h"

// STAND-IN: the plug-in event lists are not built; with no listener to call, firing an event does
// nothing.
__attribute__((weak)) void Event_DCBZ_Start_End(ThreadState *, uint64_t, uint64_t, int64_t) {}

// STAND-IN: see Event_DCBZ_Start_End.
__attribute__((weak)) void Event_Core_Sync_Instruction(ThreadState *, int) {}

// STAND-IN: see Event_DCBZ_Start_End.
__attribute__((weak)) void Event_Attn_Inst(ThreadState *, uint32_t) {}
