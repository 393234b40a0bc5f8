// The hole device.
#include "memory/hole.h"

#include "runtime/alloc.h"

void HOLE_SETUP_FUNCTION(GenericMachine *machine, void *instance, uint32_t number)
{
    hole *h = static_cast<hole *>(instance);
    if (!h) return;
    h->machine = machine;
    h->number = number;
}

void *HOLE_INIT_MMAPI_FUNCTION(const char *, PropertyList *, InstanceLink *, uint64_t start, uint64_t end)
{
    hole *h = QUARN_ZALLOC(1, hole);
    if (!h) return nullptr;
    h->start = start;
    h->end = end;
    h->size = (int64_t)(end - start + 1);
    return h;
}

// The record is kept, as a hole's quit does nothing; every element of the hole shares it.
void HOLE_QUIT_MMAPI_FUNCTION(void *) {}

int HOLE_READ_MMAPI_FUNCTION(MMAPI_Access *, void *, uint64_t, uint64_t *, int)
{
    return 0;
}

int HOLE_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *, uint64_t, uint64_t, int)
{
    return 0;
}

int HOLE_BLOCK_READ_MMAPI_FUNCTION(MMAPI_Access *, void *, uint64_t, uint64_t, void *)
{
    return 0;
}

int HOLE_BLOCK_WRITE_MMAPI_FUNCTION(MMAPI_Access *, void *, uint64_t, uint64_t, const void *)
{
    return 0;
}

MMAPIentry_s G_MMAPI_HOLE = {MMAPI_VERSION,
                             HOLE_INIT_MMAPI_FUNCTION,
                             HOLE_QUIT_MMAPI_FUNCTION,
                             HOLE_READ_MMAPI_FUNCTION,
                             HOLE_WRITE_MMAPI_FUNCTION,
                             HOLE_BLOCK_READ_MMAPI_FUNCTION,
                             HOLE_BLOCK_WRITE_MMAPI_FUNCTION,
                             nullptr};
