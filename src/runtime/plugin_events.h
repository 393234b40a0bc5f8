// The plug-in events: twenty named events that plug-ins listen to. A plug-in registers a listener
// function for an event by name; the simulator fires the event through the event's own function,
// which calls every listener in registration order. Callers ask AnyoneListening before preparing
// arguments that cost something; with nobody listening a firing function costs one comparison.
// Also the flags of the instruction-trace plug-in and its pool of saved fetch translations.
#pragma once

#include <cstdint>

struct FastMalloc;
struct IOPDesc;
struct ThreadState;

// A listener, and the layout of each event's ring head: a circular doubly linked ring; an empty
// ring's head points to itself both ways. A head's function is null and its owner holds the
// event's name; a listener's owner is the registering plug-in's record.
struct Listener {
    Listener *previous;
    Listener *next;
    void *function;
    void *owner;
};

// One row per event, in event order; the last row is {null, null}.
struct PE_Desc {
    const char *name;
    Listener *ring;
};
constexpr int PE_EVENT_COUNT = 20;
extern PE_Desc PE_Desc_Table[PE_EVENT_COUNT + 1];

// Synchronising-instruction kinds of Event_Core_Sync_Instruction.
enum : uint32_t { SYNC_EVENT_ISYNC = 0, SYNC_EVENT_SYNC = 1, SYNC_EVENT_EIEIO = 2 };

// Listener signatures, by event.
typedef int (*PE_IOP_Listener)(IOPDesc *iop);
typedef int (*PE_IOP_Pointer_Listener)(IOPDesc *iop, void *pointer);
typedef int (*PE_Thread_Listener)(ThreadState *thread);
typedef void (*PE_Thread_Notice_Listener)(ThreadState *thread);
typedef int (*PE_Thread_Word_Listener)(ThreadState *thread, uint32_t word);
typedef void (*PE_Thread_Word_Notice_Listener)(ThreadState *thread, uint32_t word);
typedef int (*PE_Thread_Word_Value_Listener)(ThreadState *thread, uint32_t word, uint64_t value);
typedef void (*PE_Thread_Word_Value_Notice_Listener)(ThreadState *thread, uint32_t word, uint64_t value);
typedef int (*PE_Thread_Range_Listener)(ThreadState *thread, uint64_t first, uint64_t second, uint32_t count);
typedef int (*PE_Nx_Listener)(uint32_t type, uint32_t instance, uint64_t value);

extern "C" {

// Appends a listener to the ring of the event of exactly that name and returns it; null for an
// unknown name (silently) or when no memory is left (a fatal error).
Listener *RegisterListener(const char *event_name, void *function, void *owner);
// Unlinks the first listener of the event whose function is the given one: 1, or 0 when there is
// none or the event is unknown. The record is not released (a firing walk may stand on it).
int UnRegisterListener(const char *event_name, void *function);
// The event's ring head, or null.
Listener *FindListener(const char *event_name);
// Non-zero when the event exists and has a listener.
int AnyoneListening(const char *event_name);

// The firing functions: each passes its arguments unchanged to every listener in registration
// order and returns the last listener's result (0 with none), the sum of all results, or nothing.
int Event_Instruction_PreExecution(IOPDesc *iop);
int Event_Instruction_Commit(IOPDesc *iop);
int Event_Pipeline_Flush_Begin(ThreadState *thread, uint32_t word, uint64_t value);
int Event_Instruction_Flush(IOPDesc *iop);
int Event_PTE_Access(IOPDesc *iop, void *pte);
// code: the instruction's 15-bit field (word bits 11-25).
void Event_Attn_Inst(ThreadState *thread, uint32_t code);
void Event_Sleep_Enter_Inst(ThreadState *thread);
void Event_Sleep_Exit_Inst(ThreadState *thread);
void Event_Winkle_Enter_Inst(ThreadState *thread);
void Event_Winkle_Exit_Inst(ThreadState *thread);
int Event_Magic_Inst(ThreadState *thread, uint32_t code, uint64_t value);
// An interrupt of the type is being delivered to the thread.
int Event_Core_Exception(ThreadState *thread, uint32_t type);
// The privilege mode changes: (thread, new mode 0 problem / 1 privileged / 2 hypervisor, value).
int Event_Core_Mode_Change(ThreadState *thread, uint32_t mode, uint64_t value);
int Event_Core_Sync_Instruction(ThreadState *thread, uint32_t kind);
int Event_Core_Exception_Return(ThreadState *thread);
// Never fired by the simulator.
void Event_MFSPR(ThreadState *thread, uint32_t spr, uint64_t value);
void Event_MTSPR(ThreadState *thread, uint32_t spr, uint64_t value);
// The sums of all listeners' results.
int Event_DCBZ_Start_End(ThreadState *thread, uint64_t ea, uint64_t pa, uint32_t size);
int Event_Clear_Pages(ThreadState *thread, uint64_t first, uint64_t last, uint32_t count);
int Event_Hvelo_Nx_Interrupt(uint32_t type, uint32_t instance, uint64_t value);

// The instruction-trace plug-in: Start sets the plug-in flag and clears the ramped-up flag; Stop
// clears the plug-in flag and releases the pool of saved fetch translations. Plug-ins call them.
void Quarn_Lumo_Plugin_Start(void);
void Quarn_Lumo_Plugin_Stop(void);

} // extern "C"

// The instruction-trace plug-in flag, read by the cycle-level core.
extern int qtPluginOn;
// Set once a cycle-level instruction has received a saved fetch translation.
extern int jqRampedUp;
// The pool "jqAXDPool" of saved fetch translations, created on first use.
extern FastMalloc *jqAXDPool;
