// The machine's transactional-memory block: what the register accessors touch of it.
#pragma once

#include <cstdint>

struct htm_data {
    uint32_t enabled;          // non-zero once the transactional-memory model has started
    int32_t max_nesting_level; // deepest transaction nesting allowed (1, 3 or 7 from SIM_CTRL)
};
