// What the translation-management instructions ask of the translator: clearing its
// effective-address maps, dropping the maps' entries of a segment, and its TLB-invalidation lock of
// the parallel mode.
// Declared here for the floors that call it; defined by the translator (translator/emat.cpp, the
// lock in translator/tlbi_standin.cpp).
#pragma once

#include <cstdint>

struct ThreadState;

// Clears the thread's effective-address maps (tlbia).
void EMAT_TLBIA(ThreadState *thread, const char *reason);
// Drops the maps' entries of the 256 MB segment at ea (an SLB entry being replaced).
void EMAT_INVALIDATE_EA(ThreadState *thread, uint64_t ea, const char *reason);
// The TLB-invalidation lock, held around a tlbie or tlbiel in the parallel mode.
void pturbo_acquire_tlbi_lock(void);
void pturbo_release_tlbi_lock(void);
