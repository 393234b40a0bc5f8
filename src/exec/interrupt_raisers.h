// The interrupt raisers the semantic routines call, and the filing of a raised record on the
// instruction's IOPDesc. A raiser returns the filed record, or null when none was filed (the
// transactional-memory model took the interrupt, or the record was a duplicate).
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// A fresh record of the thread's pool with type, subtype, priority and the current cycle.
PowerPCException *ThreadState__New_Exception(ThreadState *thread, int32_t type, int32_t subtype);
// The same for the instruction's thread, with the instruction's address (the fetch address of an
// instruction in flight, else the thread's PC) and its MSR image.
PowerPCException *IOP_New_Exception(IOPDesc *iop, int32_t type, int32_t subtype);
// Stores the detail text and files the record in the instruction's exception list in priority
// order (equal priorities keep arrival order); a duplicate (same type, subtype and address as the
// record it would follow) is freed instead. Returns the filed record or null.
PowerPCException *Take_Care_Of_Exception(IOPDesc *iop, PowerPCException *record, const char *text);
// Fills the record's SDAR from the instruction's storage operand address.
void Exception_Set_DAR_From_Instruction(IOPDesc *iop, PowerPCException *record, uint64_t address);

// Raises the illegal-instruction interrupt (hypervisor emulation assist, type 28, subtype 221);
// the text is accepted and not used.
PowerPCException *interrupt_IllegalInstruction(IOPDesc *iop, const char *text);
// The unimplemented-instruction form (type 28, subtype 220).
PowerPCException *interrupt_UnimplementedInstruction(IOPDesc *iop);
// The facility-unavailable interrupt (type 43) with the FSCR cause.
PowerPCException *interrupt_FacilityUnavailable(IOPDesc *iop, uint64_t cause, const char *text);

// The trap program interrupt (subtype 219, SRR1 0x20000).
PowerPCException *interrupt_TrapInstruction(IOPDesc *iop);
// The hypervisor system call (type 27) and the vectored system call (type 45, vector offset plus
// LEV x 32); both return to the instruction after the call.
PowerPCException *interrupt_HvSystemCall(IOPDesc *iop);
PowerPCException *interrupt_VectoredSystemCall(IOPDesc *iop, uint32_t lev);
