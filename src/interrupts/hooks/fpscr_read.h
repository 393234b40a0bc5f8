// An instruction's FPSCR as it sees it (its cache, its cycle-model slot or the thread's register),
// read by the enabled-exception check.
// Declared here for the floors that call it; defined by the floating-point unit (fp/fpscr.cpp).
#pragma once

#include <cstdint>

struct IOPDesc;

// The instruction's FPSCR: the cache while active, else the cycle-model slot, else the thread's
// register (its read triggers fire, or only the deferred read flag is set).
uint64_t iGET_FPSCR(IOPDesc *iop);
