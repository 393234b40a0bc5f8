// The translator's record of one guest physical page (frame_s): where its bytes live, its byte
// order and its translations for 32-bit and 64-bit mode. Frames are kept in the memory map's
// translated-page table; finding, making and dropping them come with that table.
#pragma once

#include <cstdint>

#include "processor/hooks/pturbo_locks.h"

struct AXD;
struct ThreadState;
struct ipt;
struct xframe;

struct frame_s {
    ipt *owner;                     // the table that holds the frame
    frame_s *next;                  // next frame of the same chain
    uint64_t pa;                    // guest physical address of the page
    int32_t little_endian;          // the access that created the frame was little-endian
    uint64_t host;                  // host address of the page's bytes
    uint64_t fast_write;            // biased host page address for stores; 0 without host memory
    uint64_t xframe32;              // biased translation for 32-bit mode; 0 none
    uint64_t xframe64;              // biased translation for 64-bit mode; 0 none
    int32_t check;                  // translations compare each instruction word before running it
    int32_t regtrigger_flush;       // a translation holds an MSR-write register-trigger exit
    pturbo_lock_s reservation_lock; // "frame_reservation"
    int32_t untranslatable;         // a translation came out unusable: fetches are left to the interpreter
};

// A frame of the table for the physical and host pages (both rounded down to 4 KB).
frame_s *frame_new(ipt *table, uint64_t pa, uint64_t host);
// Drops its translations and frees it; nothing for null.
void frame_free(frame_s *frame);
// After every installation of the page in a map; frames in check mode (all) need nothing.
void frame_update_for_sm_handling(frame_s *frame, AXD *axd, ThreadState *thread);
// The page's translation for 64-bit mode (wide) or 32-bit mode, made on first use with the
// machine's "turbo/minimum" as block length; null when none can be made.
xframe *frame_xlate(frame_s *frame, int wide);
// Frees both translations, restores the fast-write pointer and stops every parallel task.
void frame_drop_xlate(frame_s *frame);
