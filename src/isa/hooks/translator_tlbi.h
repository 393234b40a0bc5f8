// What the translation-management instructions ask of the translator: clearing its
// effective-address maps, dropping its segment-table entries of a tlbie, and its TLB-invalidation
// lock of the parallel mode. (Dropping the maps' entries of a segment is mmu/hooks/translator_xlate.h.)
// Declared here for the floors that call it; defined by the translator (translator/emat.cpp, the
// lock in translator/tlbi_standin.cpp).
#pragma once

#include <cstdint>

struct ThreadState;
struct segtab;

// Clears the effective-address maps of every thread of the thread's machine (tlbia).
void EMAT_TLBIA(ThreadState *thread, const char *reason);
// Clears the page entries a tlbie of va (page shift, IS) invalidates in every matching segment of
// the table; IS != 0 clears every map of the machine. A null table holds nothing.
void segtab_tlbie(segtab *table, ThreadState *thread, uint64_t va, int vsid_bits, int page_shift, int is);
// The TLB-invalidation lock, held around a tlbie or tlbiel in the parallel mode.
void pturbo_acquire_tlbi_lock(void);
void pturbo_release_tlbi_lock(void);
