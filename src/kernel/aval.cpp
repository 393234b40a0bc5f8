// Versioned values.
#include "kernel/aval.h"

#include <cstring>

#include "kernel/storage.h"

namespace
{

// The value-broadcast module: per kernel, pools of 64-byte value blocks and 32-byte reader records.
struct broadcast_pools_s {
    heap_s values;
    heap_s readers;
};

constexpr size_t SMALL_VALUE = 64;
static_assert(sizeof(aval_reader_s) == 32, "reader records are 32 bytes");

void *pools_init(module_s *, void *owner, void *data)
{
    auto *pools = static_cast<broadcast_pools_s *>(data);
    if (!pools) return nullptr;
    space_s *space = tsim_space(static_cast<tsim_s *>(owner));
    heap_init(&pools->values, space, SMALL_VALUE);
    heap_init(&pools->readers, space, sizeof(aval_reader_s));
    return pools;
}

void pools_fini(module_s *, void *, void *entry, void *)
{
    auto *pools = static_cast<broadcast_pools_s *>(entry);
    heap_cleanup(&pools->values);
    heap_cleanup(&pools->readers);
}

module_s broadcast_module = {-1, sizeof(broadcast_pools_s), pools_init, pools_fini, 0, nullptr, nullptr};

broadcast_pools_s *pools_of(tsim_s *tsim)
{
    auto *pools = static_cast<broadcast_pools_s *>(tsim_module_data(tsim, &broadcast_module));
    if (!pools) tsim_error("can't get per tsim data for aval");
    return pools;
}

} // namespace

int aval_init(aval_s *aval, tsim_s *tsim, size_t size)
{
    aval->tsim = tsim;
    aval->size = size;
    aval->version = 0;
    aval->valid = 0;
    aval->readers = nullptr;
    aval->value = nullptr;
    if (size <= SMALL_VALUE) {
        broadcast_pools_s *pools = pools_of(tsim);
        if (pools) aval->value = heap_get(&pools->values);
    } else {
        aval->value = TSIM_GET(tsim, size);
    }
    if (aval->value) memset(aval->value, 0, size);
    return aval->value ? 1 : 0;
}

aval_s *aval_new(tsim_s *tsim, size_t size)
{
    auto *aval = static_cast<aval_s *>(TSIM_GET(tsim, sizeof(aval_s)));
    if (!aval || !aval_init(aval, tsim, size)) {
        tsim_error("can't allocate aval");
        if (aval) tsim_put(tsim, aval);
        return nullptr;
    }
    return aval;
}

int aval_get(aval_s *aval, uint64_t version, void *destination, counter_s *counter)
{
    if (!aval->value) return 0;
    if (aval->valid && aval->version == version) {
        memcpy(destination, aval->value, aval->size);
        return 1;
    }
    broadcast_pools_s *pools = pools_of(aval->tsim);
    auto *reader = pools ? static_cast<aval_reader_s *>(heap_get(&pools->readers)) : nullptr;
    if (!reader) return 0;
    reader->destination = destination;
    reader->counter = counter;
    reader->version = version;
    reader->next = aval->readers;
    aval->readers = reader;
    if (counter) counter_up(counter);
    return 0;
}

void aval_set(aval_s *aval, uint64_t version, const void *source)
{
    if (!aval->value) return;
    memcpy(aval->value, source, aval->size);
    aval->version = version;
    aval->valid = 1;
    broadcast_pools_s *pools = pools_of(aval->tsim);
    for (aval_reader_s **link = &aval->readers; *link;) {
        aval_reader_s *reader = *link;
        if (reader->version != version) {
            link = &reader->next;
            continue;
        }
        *link = reader->next;
        memcpy(reader->destination, aval->value, aval->size);
        counter_s *counter = reader->counter;
        if (pools) heap_put(&pools->readers, reader);
        if (counter) counter_down(counter);
    }
}

int aval_mine(aval_s *aval, uint64_t version)
{
    return aval->valid && aval->version == version ? 1 : 0;
}

void aval_cleanup(aval_s *aval)
{
    broadcast_pools_s *pools = pools_of(aval->tsim);
    if (aval->readers) tsim_error("aval has readers");
    while (aval_reader_s *reader = aval->readers) {
        aval->readers = reader->next;
        if (pools) heap_put(&pools->readers, reader);
    }
    if (aval->value) {
        if (aval->size <= SMALL_VALUE) {
            if (pools) heap_put(&pools->values, aval->value);
        } else {
            tsim_put(aval->tsim, aval->value);
        }
    }
    aval->value = nullptr;
}

void aval_free(aval_s *aval)
{
    if (!aval) return;
    aval_cleanup(aval);
    tsim_put(aval->tsim, aval);
}
