// The record ring buffer ("cbuf"), exported for outside users: variable-length records, each
// stored behind a copy of the 16-byte header {tag, type, total length, time stamp}; a writer
// overwrites the oldest records, or is refused while a reader is active.
#pragma once

#include <cstdint>

struct cbuf {
    // The header copied in front of every stored record.
    char tag[5];                   // the buffer's name, cut to 4 characters
    uint8_t type;                  // type byte of the record being written
    uint16_t length;               // total length of the record being written, header included (host order)
    uint64_t time;                 // time stamp of the record being written (machine cycles)
    int32_t maximum_record_length; // no record is longer; a record starts only where this many
                                   // bytes remain before the end
    int32_t reader_active;         // 0: writers drop the oldest records; else writers are refused
    uint64_t size;                 // buffer bytes, a multiple of 8
    int64_t record_count;
    uint8_t *start, *end; // the buffer and one past its end
    uint8_t *read, *write;
};

constexpr int CBUF_HEADER_LENGTH = 16;

// Results of cbuf_write and cbuf_read.
enum : int {
    CBUF_OK = 0,
    CBUF_ERROR = 1,     // no buffer, or a length the buffer cannot take
    CBUF_TRUNCATED = 2, // the record was longer than the destination
    CBUF_EMPTY = 3,
    CBUF_FULL = 4, // a reader is active and the record does not fit
};

// A zeroed buffer of size bytes (rounded up to a multiple of 8); null, with a line on standard
// error, when it cannot be allocated.
cbuf *cbuf_new(const char *tag, int maximum_record_length, uint64_t size);
void cbuf_free(cbuf *buffer);
// Stores length bytes of data as one record of the given type, stamped with the machine's cycle
// count. The length must be a multiple of 8 and at most the maximum record length - 16 (and the
// record no longer than the buffer and its 16-bit length field): otherwise CBUF_ERROR and nothing
// is written.
int cbuf_write(cbuf *buffer, const void *data, int length, int type);
// Copies the oldest record, header included, cut to length bytes, and drops it.
int cbuf_read(cbuf *buffer, void *destination, int length);
bool cbuf_is_empty(const cbuf *buffer);
// Whether a record of length bytes (header included) fits without dropping anything.
bool cbuf_can_hold(const cbuf *buffer, int length);
void cbuf_set_reader_active(cbuf *buffer, int flag);
