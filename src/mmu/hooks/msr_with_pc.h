// The MSR write of an instruction together with its new next-instruction address.
// Declared here for the floors that call it (the transactional-memory model in mmu, the instruction
// semantics); defined by the cycle-level core (core/msr_with_pc_standin.cpp).
#pragma once

#include <cstdint>

struct IOPDesc;

// An instruction in flight in the cycle-level core keeps the new MSR in its record; otherwise the
// MSR's write triggers fire and the MSR write with its side effects is made (the value masked by
// the MSR's implemented bits), with the instruction address and the new next address.
void WRITE_MSR_WITH_PC(IOPDesc *iop, uint64_t msr, uint64_t cia, uint64_t nia);
