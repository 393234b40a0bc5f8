// The interrupts a tool injects into a thread: the asynchronous raisers that queue a record on the
// thread directly, the instruction raisers the interrupt commands use, and the hand-over of what an
// instruction raised to its thread's queue.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// Asynchronous raisers: each queues one record on the thread.
PowerPCException *interrupt_Decrementer(ThreadState *thread);
PowerPCException *interrupt_HV_Decrementer(ThreadState *thread);
PowerPCException *interrupt_IPI(ThreadState *thread);
PowerPCException *interrupt_SystemReset(ThreadState *thread);
PowerPCException *interrupt_System_Error(ThreadState *thread);
PowerPCException *interrupt_PerfMonitor(ThreadState *thread, uint64_t data_address);

// Raisers on an instruction record.
PowerPCException *interrupt_FPUnavailable(IOPDesc *iop);
PowerPCException *interrupt_VMX_Assist(IOPDesc *iop);
PowerPCException *interrupt_MER(IOPDesc *iop);
PowerPCException *interrupt_PreciseMachineCheck(IOPDesc *iop);
PowerPCException *interrupt_MachineCheck(IOPDesc *iop, uint64_t address);

// Moves the first record the instruction raised to its thread's queue and discards the others.
void FlushException(IOPDesc *iop);
