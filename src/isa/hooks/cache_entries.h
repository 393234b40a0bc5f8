// The cache model's entry points for the cache-block and ordering instructions, and the
// cache-operation codes.
// Declared here for the floors that call it; defined by the cache model
// (cache/cache_entries_standin.cpp).
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;
struct MemoryClient;

// Cache operations (cacheOpName).
enum : uint32_t {
    CACHE_OP_INVALID = 0,
    CACHE_OP_LOAD = 1,
    CACHE_OP_STORE = 2,
    CACHE_OP_DCBT = 3,
    CACHE_OP_DCBTP = 4,
    CACHE_OP_DCBTST = 5,
    CACHE_OP_DCBST = 6,
    CACHE_OP_DCBF = 7,
    CACHE_OP_DCBI = 8,
    CACHE_OP_DCBZ = 9,
    CACHE_OP_UC_LD = 10,
    CACHE_OP_UC_STR = 11,
    CACHE_OP_NMP = 12,
    CACHE_OP_AMO = 13,
    CACHE_OP_ICBI = 14,
    CACHE_OP_TLBIE = 15,
    CACHE_OP_TLBIA = 16,
    CACHE_OP_SYNC = 17,
    CACHE_OP_PTESYN = 18,
    CACHE_OP_LWSYNC = 19,
    CACHE_OP_EIEIO = 20,
};

// A cache-block entry: (memory client, access descriptor) → 0 when the request was accepted.
typedef int (*CachePerformFunction)(MemoryClient *client, AXD *axd);

int Cache_dcbt(MemoryClient *client, AXD *axd);
int Cache_dcbtst(MemoryClient *client, AXD *axd);
int Cache_dcbst(MemoryClient *client, AXD *axd);
int Cache_dcbf(MemoryClient *client, AXD *axd);
int Cache_dcbz(MemoryClient *client, AXD *axd);
int Cache_icbi(MemoryClient *client, AXD *axd);
// The ordering entries: in simulation modes above 5 post "SYNC", "EIEIO" or "PTESYN"; answer 0.
int Cache_sync(MemoryClient *client, IOPDesc *iop);
int Cache_eieio(MemoryClient *client, IOPDesc *iop);
int Cache_ptesync(MemoryClient *client, IOPDesc *iop);
