// Mailboxes: a bounded ring of slots with blocking put and get. The mailbox hands out slot
// indexes only; the caller keeps the items in a ring of its own (Mbox_index maps a position
// to a slot).
#pragma once

#include <cstdint>

#include "kernel/tsim.h"

struct mbox_s {
    tsim_s *tsim;
    char *name;
    int32_t count; // filled slots
    int32_t capacity;
    int32_t get_index; // next slot to read
    int32_t put_index; // next slot to write
    jobq_s putq;       // "putq": waiting for a free slot
    jobq_s getq;       // "getq": waiting for a filled slot
};

void mbox_init(mbox_s *mbox, tsim_s *tsim, const char *name, int capacity);
mbox_s *mbox_new(tsim_s *tsim, const char *name, int capacity);
// Reports queues with waiting jobs (which stay blocked) and frees the name.
void mbox_cleanup(mbox_s *mbox);
void mbox_free(mbox_s *mbox);

// A slot index, or -1 when none is available now.
int mbox_try_put(mbox_s *mbox);
int mbox_try_get(mbox_s *mbox);
// A slot index, waiting until one is available.
int mbox_put(mbox_s *mbox);
int mbox_get(mbox_s *mbox);
