// The conditional-abort test of the transactional-memory instructions.
#pragma once

#include <cstdint>

struct IOPDesc;

// The test of tabortwc., tabortwci., tabortdc. and tabortdci.: aborts the transaction with cause 0
// when a TO condition (the word's bits 25..21) holds for a and b; otherwise nothing.
void IOP_TO_Abort_Check(IOPDesc *iop, int64_t a, int64_t b);
