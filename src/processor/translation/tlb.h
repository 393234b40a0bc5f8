// The processor's TLB: page-table entries cached in congruence classes of `assoc` ways
// (class c holds entries c × assoc … c × assoc + assoc − 1), with its replacement policy and
// trigger record.
#pragma once

#include <cstdint>

#include "runtime/utils.h"

struct ProcessorState;

// Replacement policies.
enum : int32_t { TLB_REPL_RANDOM = 0, TLB_REPL_LRU = 1 };
// {0 "RANDOM", 1 "LRU"}.
extern const IDNamePair TLB_REPL_POLICY_NAMES[];

// Hash kinds: 1 the generation-8 class hash (128 classes), 0 the generic hash.
enum : int32_t { TLB_HASH_GENERIC = 0, TLB_HASH_GEN8 = 1 };

// A trigger record of a TLB or an ERAT: the procedure name (interned, or null) and whether it is on.
struct TLB_Trigger_Desc {
    char *procedure;
    int32_t enabled;
};

struct TLB_ENTRY_t {
    int32_t index; // the entry's own position
    int32_t valid;
    uint64_t tag;
    int32_t lpidr;      // partition of the translation
    int32_t seg_size;   // segment size shift: 28 (256 MB) or 40 (1 TB)
    int32_t page_shift; // hash page offset bits
    uint64_t pte_addr;  // real address of the PTE (0 when written through the indexed interfaces)
    uint64_t pte_upper; // the PTE's first doubleword
    uint64_t pte_lower; // the PTE's second doubleword
    uint32_t stamp;     // LRU stamp; larger is more recent
};

struct TLB {
    ProcessorState *processor;
    char *name;                 // 64 bytes: "%s_%cTLB"
    int32_t hash_kind;          // TLB_HASH_*
    int32_t repl_policy;        // TLB_REPL_*
    int32_t tlbie_clears_class; // every tlbie invalidates a whole class
    int32_t num_entries;        // a power of two
    int32_t assoc;              // a power of two
    int32_t entry_bits;         // log2(num_entries)
    int32_t assoc_bits;         // log2(assoc)
    uint32_t lru_counter;       // stamp given to the next entry used (LRU)
    int32_t rr_way;             // the rotating way of the RANDOM policy
    TLB_ENTRY_t *entries;
    TLB_Trigger_Desc *trigger; // null until a trigger is set
};

constexpr int TLB_NAME_SIZE = 64;
