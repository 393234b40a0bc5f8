// The MSR write of a thread with its side effects (interrupt re-checks, the 32-bit PC, translation
// flushes), and the trace interrupt raised after an instruction.
#pragma once

#include <cstdint>

// _WriteMSR is declared with the processor floor's calls into this one.
#include "processor/hooks/interrupt_hooks.h"

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

// The interrupt re-checks after an MSR change from old_msr to new_msr.
void WriteMSR_interrupts(IOPDesc *iop, uint64_t old_msr, uint64_t new_msr, uint64_t return_address,
                         uint64_t new_pc, const char *file, int line);
// Raises the trace interrupt (type 4) for the instruction just completed; subtype 0 single step or
// branch trace, 279 CIABR match, 288 both.
PowerPCException *interrupt_TraceSingleStep(IOPDesc *iop, int32_t subtype);
