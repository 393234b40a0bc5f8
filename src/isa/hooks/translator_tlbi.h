// What the translation-management instructions ask of the translator: dropping its segment-table
// and effective-address map entries, and its TLB-invalidation lock of the parallel mode.
// Declared here for the floors that call it; defined by the translator
// (translator/tlbi_standin.cpp).
#pragma once

#include <cstdint>

struct ThreadState;

// Drops the segment-table entries a tlbie's RB designates.
void segtab_tlbie(ThreadState *thread, uint64_t rb);
// Clears the thread's effective-address maps (tlbia).
void EMAT_TLBIA(ThreadState *thread);
// Drops the maps' entries of the 256 MB segment at ea (an SLB entry being replaced).
void EMAT_INVALIDATE_EA(ThreadState *thread, uint64_t ea, const char *reason);
// The TLB-invalidation lock, held around a tlbie or tlbiel in the parallel mode.
void pturbo_acquire_tlbi_lock(void);
void pturbo_release_tlbi_lock(void);
