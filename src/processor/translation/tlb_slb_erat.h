// The translation caches as the processor sets them up and tears them down: TLB creation with its
// geometry checks, the TLB way to replace, printing a congruence class, SLB entries and the
// segment-register image, the ERAT way to replace, and releasing TLB, SLB and ERATs.
#pragma once

#include <cstdint>

struct ERAT_Struct;
struct ProcessorState;
struct SLB;
struct TLB;
struct ThreadState;

// The configured TLB ("number_of_TLB_entries", "TLB_associativity", "TLB_repl_policy",
// "TLB_tlbie_clears_class").
struct TLB_Geometry {
    int32_t entries;
    int32_t assoc;
    int32_t repl_policy;
    int32_t tlbie_clears_class;
};

// A new TLB named "%s_%cTLB" (core name or "<unknown>", letter). Entries and associativity must be
// powers of two, with at least 128 classes for hash kind 1 and 16 for the others; otherwise a fatal
// internal error.
TLB *TLB_new(TLB_Geometry geometry, ProcessorState *core, char letter, int32_t hash_kind);
// Frees entries, name, trigger record and the TLB (nothing for null).
void TLB_Quit(TLB *tlb);
// The replacement hint of the class whose first entry is first: 2^(assoc - way - 1) plus
// first × 2^(assoc - log2 assoc), for the way the policy replaces.
uint64_t TLB_Define_Replacement_Hint(TLB *tlb, int32_t first);
// Prints the congruence class of an entry; with duplicates_only only a full class with two
// entries of equal PTE words.
void TLB_print_class(TLB *tlb, int32_t entry, int32_t duplicates_only);

// Clears an SLB entry and sets its owner.
void SLBE_Init(SLB *entry, ThreadState *thread);
// Frees the thread's SLB array.
void SLB_Quit(ThreadState *thread);
// Clears every entry of the thread's SLB (ESID and VSID words and the fields derived from them);
// the written flags stay.
void SLB_Reset(ThreadState *thread);
// The 32-bit segment-register image of SLB slot n.
uint32_t ReadSR(ThreadState *thread, uint32_t n);

// The way to replace in an ERAT row: way 0 with fewer than two valid ways, else the least
// recently used valid way (the first on ties).
int32_t ERAT_LRU_Way(ERAT_Struct *erat, int32_t row);
// Frees the ERAT's entries (with their names), row counts and trigger record.
void ERAT_Destroy(ERAT_Struct *erat);
