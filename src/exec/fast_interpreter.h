// The fast interpreter of the LOOSE, FAST and WARMUP modes.
#pragma once

#include <cstdint>

struct ThreadState;

// Rotate masks: masks64[mb * 64 + me] has ones from big-endian bit mb through bit me, wrapping
// around when mb > me (all ones when mb = me + 1).
extern uint64_t masks64[64 * 64];
// CR field masks of an 8-bit field mask (bit 7 = CR field 0, the most significant nibble): every
// selected field's nibble (crfmasks), or only the nibble of the highest set bit (crfmasks1, 0 for 0).
extern uint32_t crfmasks[256];
extern uint32_t crfmasks1[256];

// Runs up to n instructions; returns the number executed and leaves the stopping instruction to
// the one-instruction interpreter.
uint32_t fast_go(ThreadState *thread, uint32_t n);
