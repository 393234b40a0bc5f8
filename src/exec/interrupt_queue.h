// The queue of a thread's pending interrupts.
#pragma once

struct PowerPCException;
struct ThreadState;

// Takes the exception off the thread's queue (the reason names the caller). The record is not
// freed.
void UnScheduleException(ThreadState *thread, PowerPCException *exception, const char *reason);
