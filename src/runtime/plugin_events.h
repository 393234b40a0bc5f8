// The plug-in events fired by the instruction semantics, and the question whether any plug-in
// listens to an event (asked before arguments that cost something are prepared).
#pragma once

#include <cstdint>

struct ThreadState;

// True when a plug-in listens to the event of that name.
int AnyoneListening(const char *event_name);
// The magic-instruction event: (thread, code, value); the last listener's result, 0 with none.
int Event_Magic_Inst(ThreadState *thread, uint32_t code, uint64_t value);
// The privilege-mode change: (thread, new mode 0 problem / 1 privileged / 2 hypervisor, value).
int Event_Core_Mode_Change(ThreadState *thread, uint32_t mode, uint64_t value);

// STAND-IN support: what the stand-ins were asked (the listener rings are not built). Tests set
// `listening` to make AnyoneListening answer true.
struct PluginEventStandinLog {
    int listening;
    long magic_calls;
    ThreadState *magic_thread;
    uint32_t magic_code;
    long mode_change_calls;
    ThreadState *mode_change_thread;
    uint32_t mode;
};
extern PluginEventStandinLog plugin_event_standin_log;

// Synchronising-instruction kinds.
enum : int { SYNC_EVENT_ISYNC = 0, SYNC_EVENT_SYNC = 1, SYNC_EVENT_EIEIO = 2 };

void Event_DCBZ_Start_End(ThreadState *thread, uint64_t ea, uint64_t pa, int64_t size);
void Event_Core_Sync_Instruction(ThreadState *thread, int kind);
// code: the instruction's 15-bit field (word bits 11-25).
void Event_Attn_Inst(ThreadState *thread, uint32_t code);
// The power-saving events: a thread enters or leaves sleep or winkle.
void Event_Sleep_Enter_Inst(ThreadState *thread);
void Event_Winkle_Enter_Inst(ThreadState *thread);
void Event_Sleep_Exit_Inst(ThreadState *thread);
void Event_Winkle_Exit_Inst(ThreadState *thread);
// An interrupt of the type is being delivered to the thread.
void Event_Core_Exception(ThreadState *thread, int32_t type);
// The thread returns from an interrupt (rfid, hrfid, rfi, rfebb, rfscv).
void Event_Core_Exception_Return(ThreadState *thread);
