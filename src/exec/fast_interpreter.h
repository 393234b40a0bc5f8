// The fast interpreter's mask tables (the interpreter, fast_go, is exec/hooks/engines.h).
#pragma once

#include <cstdint>

// Rotate masks: masks64[mb * 64 + me] has ones from big-endian bit mb through bit me, wrapping
// around when mb > me (all ones when mb = me + 1).
extern uint64_t masks64[64 * 64];
// CR field masks of an 8-bit field mask (bit 7 = CR field 0, the most significant nibble): every
// selected field's nibble (crfmasks), or only the nibble of the highest set bit (crfmasks1, 0 for 0).
extern uint32_t crfmasks[256];
extern uint32_t crfmasks1[256];
