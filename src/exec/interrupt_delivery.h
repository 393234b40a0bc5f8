// What the engines call around each instruction of the interrupt machinery: flushing an
// instruction's raised interrupts to its thread, the interrupt check and delivery, the forced and
// inter-processor interrupts, the illegal-instruction report and the trace and floating-point
// interrupts raised after an instruction.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// Moves the first interrupt the instruction raised to its thread's queue; discards the others.
void FlushException(IOPDesc *iop);
// Delivers the first enabled queued interrupt; 1 when one was delivered.
int CheckInterrupts(IOPDesc *iop, int flag);
// Raises the interrupt that the thread's IRPT_CTL requests and clears the request; 1 when raised.
int process_wolk_IRPT_CTL_interrupt(IOPDesc *iop);
// Queues the inter-processor interrupt on the thread.
PowerPCException *interrupt_IPI(ThreadState *thread);
// Reports an instruction word without a semantic routine and raises or stops as configured.
void execute_illegal_instruction(IOPDesc *iop);
// The trace interrupt after an instruction (subtype 0, 279 or 288).
PowerPCException *interrupt_TraceSingleStep(IOPDesc *iop, int32_t subtype);
PowerPCException *interrupt_FloatingPointException(IOPDesc *iop, int flag);
