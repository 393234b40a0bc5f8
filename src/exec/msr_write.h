// The MSR write of a thread with its side effects (interrupt re-checks, the 32-bit PC, translation
// flushes), and the trace interrupt raised after an instruction.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// Writes the MSR; return_address and new_pc go to the trace libraries (0 when none). file and
// line name the caller.
void _WriteMSR(ThreadState *thread, uint64_t value, uint64_t return_address, uint64_t new_pc,
               const char *file, int line);
// The interrupt re-checks after an MSR change from old_msr to new_msr.
void WriteMSR_interrupts(IOPDesc *iop, uint64_t old_msr, uint64_t new_msr, uint64_t return_address,
                         uint64_t new_pc, const char *file, int line);
// Raises the trace interrupt (type 4) for the instruction just completed; subtype 0 single step or
// branch trace, 279 CIABR match, 288 both.
PowerPCException *interrupt_TraceSingleStep(IOPDesc *iop, int32_t subtype);
