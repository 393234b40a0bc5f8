// The calls the processor floor makes into the interrupt machinery (interrupts/, on a floor above,
// which defines them): the raisers the SPR moves use, the decrementer interrupts, taking a record
// off a thread's queue at reset, the MSR write with its side effects (the register accessors' MSR
// write goes through it), and the names of exception types and subtypes.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// Illegal-instruction form of the hypervisor emulation assist (type 28, subtype 221); the text is
// not used.
PowerPCException *interrupt_IllegalInstruction(IOPDesc *iop, const char *text);
// Program interrupt (type 2, subtype 218 "PROGRAM: Privileged Instruction", SRR1 bit 0x40000);
// returns the filed record or null.
PowerPCException *interrupt_PrivilegedInstruction(IOPDesc *iop);
// Program interrupt, transactional-memory bad thing (type 2, reason 277).
PowerPCException *interrupt_HTM_Bad_Thing(IOPDesc *iop, const char *text);
// Facility unavailable (type 43) with the FSCR cause.
PowerPCException *interrupt_FacilityUnavailable(IOPDesc *iop, uint64_t cause, const char *text);
// Hypervisor Facility Unavailable (type 44) with the facility number as cause.
PowerPCException *interrupt_HyperFacilityUnavailable(IOPDesc *iop, uint64_t cause, const char *name);

// The decrementer interrupts, raised asynchronously on the thread.
PowerPCException *interrupt_Decrementer(ThreadState *thread);
PowerPCException *interrupt_HV_Decrementer(ThreadState *thread);
// Takes the record off the thread's queue (the cause names why); the record is not freed.
void UnScheduleException(ThreadState *thread, PowerPCException *record, const char *cause);

// Writes the MSR with its side effects (interrupt re-checks, the 32-bit PC, translation flushes);
// return_address and new_pc go to the trace libraries (0 when none). file and line name the caller.
void _WriteMSR(ThreadState *thread, uint64_t value, uint64_t return_address, uint64_t new_pc,
               const char *file, int line);

// The exception table's name of a type (0 to 54); null above.
const char *Exception_Type_Name(int32_t type);
// The text of a subtype code (1 to 304); null for 0.
const char *est_string(int32_t subtype);
