// What the translation-state changes of this floor ask of the dynamic translator: dropping the
// effective-address maps around an address, its global translation lock (held by slbie and slbia
// in the parallel mode) and the trace library's tlbie record.
// Declared here for the floors that call it; defined by the translator (EMAT_INVALIDATE_EA in
// translator/emat.cpp, the lock in translator/pturbo_locks.cpp, trc_tlbie a stand-in in
// mmu/translator_xlate_standin.cpp until the translator builds it).
#pragma once

#include <cstdint>

struct ThreadState;

// Drops the thread's effective-address map entries of the segment or page holding ea.
void EMAT_INVALIDATE_EA(ThreadState *thread, uint64_t ea, const char *reason);
void pturbo_acquire_xlate_lock(void);
void pturbo_release_xlate_lock(void);
// Tells the trace library of a tlbie with its RB operand.
void trc_tlbie(uint64_t rb);
