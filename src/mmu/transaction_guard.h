// The transaction guard of the instructions that are not performed in transactional state
// (interrupt returns, MSR moves, SLB, segment-register, TLB and cache instructions, the
// cache-inhibited loads and stores).
#pragma once

#include <cstdint>

struct IOPDesc;

// In transactional state (MSR[TS] = 0b10): fails the thread's transaction with cause 0x0180_0000
// at the instruction's address (debug text to categories 222-224), advances the next-instruction
// address and returns 1: the routine then returns 1 without performing the instruction. Otherwise 0.
int Transaction_Guard(IOPDesc *iop);
// The debug text of a transaction failure, when the transactional debug categories are on:
// "Thread %s, HTMTID_%08X. " followed by the text.
void HTM_Debug_Failure(IOPDesc *iop, const char *format, ...) __attribute__((format(printf, 2, 3)));
