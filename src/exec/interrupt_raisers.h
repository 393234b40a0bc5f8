// The interrupt raisers the semantic routines call (filed on the instruction's IOPDesc).
#pragma once

struct IOPDesc;
struct PowerPCException;

// Raises the illegal-instruction interrupt (hypervisor emulation assist, type 28, subtype 221) for the
// instruction; the text is accepted and not used. Returns the filed record, or null when none was filed.
PowerPCException *interrupt_IllegalInstruction(IOPDesc *iop, const char *text);
