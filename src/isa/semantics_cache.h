// The cache-block operation shared by the cache-management instructions, the cache-operation
// performer, the replay of an operation on the other processors, and the routines that no row of
// this instruction table names (dcbi and the external-PID forms).
#pragma once

#include <cstdint>

#include "isa/hooks/cache_entries.h"

struct IOPDesc;

// The common routine of a cache instruction with its operation code (CACHE_OP_*), access kind
// (AXD_KIND_*; a touch is AXD_KIND_CACHE_TOUCH) and cache entry: stream hints, address and
// overflow check, translation, the touch and dcbz rules, then IOP_Do_Cache_Operation. 1 completed
// (the next-instruction address advanced), 0 an interrupt was raised.
int Cache_Block_Operation(IOPDesc *iop, uint32_t operation, uint16_t kind, CachePerformFunction perform);
// Performs the operation on the translated descriptor: reservation loss (dcbf), the block zeroing
// and its plug-in event (dcbz), transactional touch checks, and in the timed modes the cache
// entry. 1 done, 0 the cache model refused.
int IOP_Do_Cache_Operation(IOPDesc *iop, uint32_t operation, int ignored, CachePerformFunction perform);
// Whether the cache-management routines skip their operation: never.
int cache_op_treated_as_nop(void);
// Under SYNC_CACHE_OPERATIONS: performs the operation for every thread of the other processors.
void cache_broadcast(IOPDesc *iop, uint32_t operation, uint16_t kind, CachePerformFunction perform);

int semantic_dcbi(IOPDesc *iop);
int semantic_icbiep(IOPDesc *iop);
int semantic_dcbzep(IOPDesc *iop);
int semantic_dcbtstep(IOPDesc *iop);
int semantic_dcbtep(IOPDesc *iop);
int semantic_dcbfep(IOPDesc *iop);
int semantic_dcbstep(IOPDesc *iop);
