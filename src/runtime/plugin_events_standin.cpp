// Stand-ins of the plug-in events the instruction semantics fire.
#include "runtime/plugin_events.h"

PluginEventStandinLog plugin_event_standin_log = {};

// STAND-IN: the event table with its listener rings (registration, firing in registration order)
// is not built; nobody listens unless a test says so.
__attribute__((weak)) int AnyoneListening(const char *)
{
    return plugin_event_standin_log.listening;
}

// STAND-IN: see AnyoneListening; the call is recorded, no listener runs.
__attribute__((weak)) int Event_Magic_Inst(ThreadState *thread, uint32_t code, uint64_t)
{
    plugin_event_standin_log.magic_calls++;
    plugin_event_standin_log.magic_thread = thread;
    plugin_event_standin_log.magic_code = code;
    return 0;
}

// STAND-IN: see AnyoneListening; the call is recorded, no listener runs.
__attribute__((weak)) int Event_Core_Mode_Change(ThreadState *thread, uint32_t mode, uint64_t)
{
    plugin_event_standin_log.mode_change_calls++;
    plugin_event_standin_log.mode_change_thread = thread;
    plugin_event_standin_log.mode = mode;
    return 0;
}


// STAND-IN: the plug-in event lists are not built; with no listener to call, firing an event does
// nothing.
__attribute__((weak)) void Event_DCBZ_Start_End(ThreadState *, uint64_t, uint64_t, int64_t) {}

// STAND-IN: see Event_DCBZ_Start_End.
__attribute__((weak)) void Event_Core_Sync_Instruction(ThreadState *, int) {}

// STAND-IN: see Event_DCBZ_Start_End.
__attribute__((weak)) void Event_Attn_Inst(ThreadState *, uint32_t) {}

// STAND-IN: see Event_DCBZ_Start_End; the power-saving events reach no listener.
__attribute__((weak)) void Event_Sleep_Enter_Inst(ThreadState *) {}
__attribute__((weak)) void Event_Winkle_Enter_Inst(ThreadState *) {}
__attribute__((weak)) void Event_Sleep_Exit_Inst(ThreadState *) {}
__attribute__((weak)) void Event_Winkle_Exit_Inst(ThreadState *) {}

// STAND-IN: see Event_DCBZ_Start_End.
__attribute__((weak)) void Event_Core_Exception(ThreadState *, int32_t) {}

// STAND-IN: see Event_DCBZ_Start_End.
__attribute__((weak)) void Event_Core_Exception_Return(ThreadState *) {}
