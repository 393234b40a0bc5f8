// The code sink.
#include "translator/x86/sink.h"

#include "runtime/message.h"

void sink_init(sink *s, void *start, uint64_t size)
{
    s->cursor = reinterpret_cast<uint64_t>(start);
    s->remaining = size;
    s->size = size;
    s->overflow = 0;
}

void sink_full(sink *s)
{
    s->overflow = 1;
    sim_error("sink_emit1 : sink (%lld) is full", (long long)s->size);
}
