// The FPSCR as the instruction being executed reads and writes it.
#pragma once

#include <cstdint>

struct IOPDesc;

// The instruction's FPSCR: the thread's FPSCR after its read triggers.
uint64_t iGET_FPSCR(IOPDesc *iop);
// Fires the FPSCR write triggers, then stores the value under the implemented bits; returns 1.
int iSET_FPSCR(IOPDesc *iop, uint64_t value);
