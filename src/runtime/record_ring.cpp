// The record ring buffer.
#include "runtime/record_ring.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "runtime/alloc.h"
#include "runtime/hooks/print_header_hooks.h"

namespace
{

static_assert(offsetof(cbuf, maximum_record_length) == CBUF_HEADER_LENGTH, "the header is 16 bytes");

// The position after a record of length bytes at p: back to the start when fewer than the
// maximum record length bytes remain before the end.
uint8_t *advance(const cbuf *buffer, uint8_t *p, uint64_t length)
{
    p += length;
    if ((uint64_t)(buffer->end - p) < (uint64_t)buffer->maximum_record_length) p = buffer->start;
    return p;
}

uint16_t stored_length(const uint8_t *record)
{
    uint16_t length;
    memcpy(&length, record + 6, sizeof length);
    return length;
}

void drop_oldest(cbuf *buffer)
{
    buffer->read = advance(buffer, buffer->read, stored_length(buffer->read));
    buffer->record_count--;
}

} // namespace

cbuf *cbuf_new(const char *tag, int maximum_record_length, uint64_t size)
{
    if (!tag) tag = "";
    auto *buffer = QUARN_ZALLOC(1, cbuf);
    if (!buffer) {
        fprintf(stderr, "Can't allocate control struct for circular buffer %s\n", tag);
        return nullptr;
    }
    size = (size + 7) & ~uint64_t(7);
    buffer->start = size ? (uint8_t *)quarn_zalloc(size, 1, "cbuf data", __FILE__, __LINE__) : nullptr;
    if (!buffer->start) {
        fprintf(stderr, "Can't allocate circular buffer %s\n", tag);
        QUARN_FREE(buffer);
        return nullptr;
    }
    snprintf(buffer->tag, sizeof buffer->tag, "%s", tag);
    buffer->maximum_record_length = maximum_record_length;
    buffer->size = size;
    buffer->end = buffer->start + size;
    buffer->read = buffer->write = buffer->start;
    return buffer;
}

void cbuf_free(cbuf *buffer)
{
    if (!buffer) return;
    QUARN_FREE(buffer->start);
    QUARN_FREE(buffer);
}

bool cbuf_is_empty(const cbuf *buffer)
{
    return !buffer || buffer->record_count == 0;
}

bool cbuf_can_hold(const cbuf *buffer, int length)
{
    if (!buffer) return false;
    if (buffer->record_count == 0 || buffer->write > buffer->read) return true;
    if (buffer->write == buffer->read) return false;
    return length >= 0 && (uint64_t)length <= (uint64_t)(buffer->read - buffer->write);
}

void cbuf_set_reader_active(cbuf *buffer, int flag)
{
    if (buffer) buffer->reader_active = flag;
}

int cbuf_write(cbuf *buffer, const void *data, int length, int type)
{
    if (!buffer) return CBUF_ERROR;
    // The records must fit where they are placed: a record starts only where the maximum
    // record length remains, so the maximum must fit the buffer.
    int64_t total = (int64_t)length + CBUF_HEADER_LENGTH;
    if (length < 0 || length % 8 != 0 || total > buffer->maximum_record_length || total > 0xFFFF ||
        (uint64_t)buffer->maximum_record_length > buffer->size)
        return CBUF_ERROR;
    while (!cbuf_can_hold(buffer, (int)total)) {
        if (buffer->reader_active) return CBUF_FULL;
        drop_oldest(buffer);
    }
    buffer->type = (uint8_t)type;
    buffer->length = (uint16_t)total;
    buffer->time = GetRawTime(nullptr);
    memcpy(buffer->write, buffer, CBUF_HEADER_LENGTH);
    if (length) memcpy(buffer->write + CBUF_HEADER_LENGTH, data, (size_t)length);
    buffer->record_count++;
    buffer->write = advance(buffer, buffer->write, (uint64_t)total);
    return CBUF_OK;
}

int cbuf_read(cbuf *buffer, void *destination, int length)
{
    if (!buffer) return CBUF_ERROR;
    if (buffer->record_count == 0) return CBUF_EMPTY;
    uint16_t record = stored_length(buffer->read);
    int copied = length < 0 ? 0 : (length < record ? length : record);
    if (copied) memcpy(destination, buffer->read, (size_t)copied);
    drop_oldest(buffer);
    return copied < record ? CBUF_TRUNCATED : CBUF_OK;
}
