// The line store: a set-associative store of cache lines with their data, a state per line and a
// replacement order per set (least recently used, insertion order or tree pseudo-LRU), addressed by
// physical address (or, virtually indexed, by a separate index address). The transactional
// footprint is built from four of them per thread.
#pragma once

#include <cstdint>

enum cs_CacheState : int32_t {
    cs_State_Invalid = 0,
    cs_State_M = 1,
    cs_State_E = 2,
    cs_State_S = 3,
    cs_State_T = 4,
    cs_State_Mu = 5,
    cs_State_SL = 6,
};

struct cs_LineInfo_s {
    uint64_t paddr;
    int32_t mesi_state;    // 0: invalid
    int32_t next_slot_ndx; // next way in the set's recency list; -1 at the end
};

struct cs_SetInfo_s {
    int32_t newest_slot_ndx; // most recent way; -1 when none
    uint32_t tree_bits;      // replacement mode 2
};

struct cs_CacheStore_s {
    char *name;
    uint64_t data_size;
    uint32_t line_size;
    int32_t line_log2;
    uint64_t line_offset_mask;
    int32_t slices;
    uint32_t line_count;
    int32_t lines_per_slice_log2;
    uint32_t ways;
    int32_t associativity_log2;
    uint32_t set_count;
    int32_t sets_per_slice_log2;
    int32_t index_shift;
    uint64_t set_mask;
    uint32_t alias_count;
    uint64_t line_address_mask;
    cs_LineInfo_s *line_info;
    cs_SetInfo_s *set_info;
    uint8_t *data;
    int32_t replacement_mode; // 0 LRU, 1 insertion order, 2 tree pseudo-LRU
    uint32_t *tree_set;       // per way: tree bits to set (mode 2)
    uint32_t *tree_keep;      // per way: tree bits to keep (mode 2)
    int32_t physically_indexed;
};

// A store of slices x 2^size_log2 bytes in lines of 2^line_log2 bytes, 2^associativity_log2 ways
// (negative: one fully associative set per slice); null after a configuration error.
cs_CacheStore_s *cs_CacheStore_init(const char *name, int32_t slices, int32_t size_log2, int32_t line_log2,
                                    int32_t associativity_log2, int32_t physically_indexed, int32_t mode);
void cs_CacheStore_FREE(cs_CacheStore_s *cs);

uint32_t cs_GetCongruenceSet(const cs_CacheStore_s *cs, uint64_t index_address, uint64_t paddr);
// The valid line holding the address, or -1; *first the set's first line index.
int32_t cs_LookupAddr(const cs_CacheStore_s *cs, uint64_t index_address, uint64_t paddr, int32_t *state,
                      int32_t *first = nullptr);
uint64_t cs_AliasForPaddr(const cs_CacheStore_s *cs, uint32_t alias, uint64_t paddr);
int32_t cs_LookupPhysicalAddr(const cs_CacheStore_s *cs, uint64_t paddr, int32_t *state,
                              uint64_t *index_address);
// The line to fill for the address: the first invalid way, else the victim; changes nothing.
int32_t cs_SelectNewLine(const cs_CacheStore_s *cs, uint64_t index_address, uint64_t paddr, int32_t unused,
                         int32_t *state);
int32_t cs_LoadLine(cs_CacheStore_s *cs, int32_t line, uint64_t index_address, uint64_t paddr,
                    const uint8_t *source, int32_t state);
int32_t cs_UnLoadLine(cs_CacheStore_s *cs, int32_t line, uint64_t paddr, uint8_t *destination);
int32_t cs_AbandonLine(cs_CacheStore_s *cs, int32_t line, uint64_t paddr, uint8_t *destination,
                       int32_t state);
int32_t cs_SetState(cs_CacheStore_s *cs, int32_t line, uint64_t paddr, int32_t state);
void cs_ReadPartial(cs_CacheStore_s *cs, int32_t line, uint64_t index_address, uint64_t paddr,
                    uint8_t *buffer, uint32_t length);
void cs_WritePartial(cs_CacheStore_s *cs, int32_t line, uint64_t index_address, uint64_t paddr,
                     const uint8_t *buffer, uint32_t length);
// Big-endian values of 1, 2, 4 or 8 bytes (other lengths read 0; writes store the low bytes).
uint64_t cs_ReadPartialReg(cs_CacheStore_s *cs, int32_t line, uint64_t index_address, uint64_t paddr,
                           uint32_t length);
void cs_WritePartialReg(cs_CacheStore_s *cs, int32_t line, uint64_t index_address, uint64_t paddr,
                        uint64_t value, uint32_t length);
int32_t cs_GetLineInfo(const cs_CacheStore_s *cs, int32_t line, uint64_t *paddr);
int32_t cs_GetLineState(const cs_CacheStore_s *cs, int32_t line);
uint32_t cs_GetLineSize(const cs_CacheStore_s *cs);
uint32_t cs_GetLineCount(const cs_CacheStore_s *cs);
uint32_t cs_GetCongruenceSetCount(const cs_CacheStore_s *cs);
uint32_t cs_GetAliasCount(const cs_CacheStore_s *cs);
uint64_t cs_MaskToMemoryBlockAddr(const cs_CacheStore_s *cs, uint64_t address);
// Prints the valid lines on standard error.
void cs_DumpCache(const cs_CacheStore_s *cs);
// The name of a state or transition value.
const char *cs_Prepare(int32_t state);
void dumpline(const uint8_t *bytes, uint32_t count);
