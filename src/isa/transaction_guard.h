// The guard of instructions that are not performed inside a transaction (interrupt returns, MSR
// moves, translation and cache management, power saving, wait).
#pragma once

struct IOPDesc;

// In transactional state (MSR.TS = 0b10): fails the transaction (cause 0x1800000 at the current
// instruction address), advances the next-instruction address and returns 1; the routine then
// returns 1 without performing the instruction. Otherwise 0.
int HTM_Transaction_Guard(IOPDesc *iop, const char *name);
