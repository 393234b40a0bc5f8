// The translated-page tables (ipt): one per memory map, 2^20 chains of frames by host page number,
// made and released with the map; and every way in which translations are dropped: after a write
// through the memory map, by predicate over a table, for a whole machine, and by the full zap.
#pragma once

#include <cstdint>

#include "memory/hooks/page_tables.h"

struct AXD;
struct GenericMachine;
struct MCM;
struct MemoryClient;
struct frame_s;
struct ipt;
struct segtab;

constexpr uint32_t IPT_CHAINS = 1u << 20;

struct ipt {
    frame_s *chains[IPT_CHAINS]; // by (host address >> 12) & 0xFFFFF
    frame_s *set_aside;          // frames taken out of their chain (freed with the table)
    MCM *chip;
    int64_t frames;                     // frames in the chains: walks over the table stop early
    volatile int32_t locks[IPT_CHAINS]; // one spin word per chain, taken in PTURBO mode only
};

// Whole-machine flushes made so far (statistics).
extern int64_t turbo_xlate_flushes;

MCM *ipt_mcm(ipt *table);
// The frame whose host page holds the address; with create a missing one is made from the
// descriptor (physical page, byte order); with unlink the found frame moves to the set-aside list.
frame_s *ipt_lookup(ipt *table, uint64_t host, int create, int unlink, AXD *axd);
// Drops the translations of every frame for which the predicate is non-zero.
void ipt_xflush_frames(ipt *table, int (*predicate)(frame_s *frame));
// Frees every frame (and its translations) and empties the table.
void ipt_remove_frames(ipt *table);
int unconditional_flush_lambda(frame_s *frame);
int regtriggers_flush_lambda(frame_s *frame);

// Drops every translation of every chip of the machine; returns the chip count.
int32_t turbo_xlate_flush(GenericMachine *machine);
// Drops the translations of the frames marked as holding an MSR-write register-trigger exit.
int32_t tt_regtrigger_xlate_flush(GenericMachine *machine);
