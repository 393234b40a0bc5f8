// The read of an SPR for an instruction through the core's SPR table (also the entry the
// cycle-level core uses while it supplies operands).
#pragma once

#include <cstdint>

struct IOPDesc;

// The SPR's value; *leave_target becomes 1 when the read routine stopped the thread instead and
// the instruction must write nothing.
uint64_t GET_spr(IOPDesc *iop, int32_t spr, int32_t *leave_target);
