// The code sink: an append-only byte buffer with a write cursor over memory it does not own.
// Every byte of generated host code goes through sink_emit1. A sink that runs out of room reports
// the fatal error once per dropped byte and remembers that it overflowed, so that what was
// written into it is never entered.
#pragma once

#include <cstdint>

struct sink {
    uint64_t cursor;    // host address of the next byte
    uint64_t remaining; // bytes that may still be appended
    uint64_t size;      // the size given at initialisation (for the overflow message)
    int32_t overflow;   // set when a byte found no room; the cursor no longer moves
};

void sink_init(sink *s, void *start, uint64_t size);

// The host address at which the next byte goes.
inline uint64_t sink_xpc(const sink *s)
{
    return s->cursor;
}

// Reports "sink_emit1 : sink (%lld) is full" and marks the sink overflowed.
void sink_full(sink *s);

// Appends the low 8 bits of byte; a full sink drops it (see sink_full).
inline void sink_emit1(sink *s, uint32_t byte)
{
    if (__builtin_expect(s->remaining == 0, 0)) {
        sink_full(s);
        return;
    }
    *reinterpret_cast<uint8_t *>(s->cursor) = (uint8_t)byte;
    s->cursor++;
    s->remaining--;
}
