// The instruction-match decision: whether a core must compare instruction words with its
// instruction-match register pairs.
#pragma once

#include <cstdint>

struct ProcessorState;

// After a write of IMA n (0-4, 8-12): arms the core's check when the pair (IMA n mod 8 + 8 OR
// IMA n mod 8) has a bit of the compare mask. The check is never disarmed here.
void Decide_if_we_want_to_check_IMC(ProcessorState *core, int32_t n, uint64_t value);
