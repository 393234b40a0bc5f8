// The asynchronous raisers and queue services that the time registers and the processor
// interrupt hook call (the interrupt machinery provides them).
#pragma once

#include <cstdint>

struct PowerPCException;
struct ThreadState;

// Stores the detail text and files the record on the thread's queue of pending exceptions.
void Async_Take_Care_Of_Exception(ThreadState *thread, PowerPCException *record, const char *text);
// Unschedules and frees the record of the thread's persistent slot, emptying the slot.
void lower_persistent_exception(ThreadState *thread, int32_t slot);
// The decrementer (type 18) and hypervisor-decrementer (type 26) interrupts; the record raised,
// or null.
PowerPCException *interrupt_Decrementer(ThreadState *thread);
PowerPCException *interrupt_HV_Decrementer(ThreadState *thread);
// 1 when the record woke the thread out of an instruction-triggered power-saving state.
int CheckExceptionWakeup(ThreadState *thread, PowerPCException *record);
