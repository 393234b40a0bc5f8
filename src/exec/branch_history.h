// The branch-history rolling buffer BHRBE0-31 and the call signature in CSIGR. The taken-branch
// entries themselves are declared for the branches in isa/hooks/branch_history.h.
#pragma once

#include <cstdint>

struct IOPDesc;

// Inserts value at entry index after moving entries index..30 one place down (entry 31 is lost);
// the entry holds a value when value or undefined_bits is non-zero. Fires the entry's write
// triggers; stores unmasked, without the written flag.
void SET_BHRBE(IOPDesc *iop, int32_t index, uint64_t value, uint64_t undefined_bits);
