// A thread's transactional footprint: the lines its running transaction read or wrote, kept in four
// line stores (the data as the transaction sees it, the tags, the loaded and the stored bytes), with
// the counts the capacity rules use; the line fill, the conflict check of an access against every
// footprint, the commit to memory at the end of a transaction and the release when it fails.
#pragma once

#include <cstdint>

struct IOPDesc;
struct MemoryClient;
struct ThreadState;
struct cs_CacheStore_s;
struct htm_data;

struct htm_cache {
    int32_t thread_index;
    int32_t used_lines;   // valid lines of the footprint
    uint64_t start_count; // the thread's instruction count at its last outermost tbegin. (0: none)
    ThreadState *thread;
    cs_CacheStore_s *main;   // "htm-%03d": the line data; state 1 stored, 3 only read
    cs_CacheStore_s *tags;   // "htm-%03d-tags": byte 0, one bit per 16-byte granule
    cs_CacheStore_s *loads;  // "htm-%03d-loads": 0xFF where the transaction loaded
    cs_CacheStore_s *stores; // "htm-%03d-stores": 0xFF where the transaction stored
    int32_t stored_lines;    // lines stored into, bounded by the store-line limit
};

// Touch kinds of a conflict check.
enum : int {
    HTM_TOUCH_STORE = 0,
    HTM_TOUCH_LOAD = 1,
    HTM_TOUCH_FETCH = 2,
    HTM_TOUCH_DCBF = 3,
    HTM_TOUCH_DCBI = 4,
    HTM_TOUCH_CACHE_OP = 5,
    HTM_TOUCH_ICBI = 6,
    HTM_TOUCH_PBT = 7,
};

// Creates (and destroys) the four line stores of a footprint with the record's geometry.
void htm_cache_create_stores(htm_data *data, htm_cache *cache);
void htm_cache_destroy_stores(htm_cache *cache);
// Fills a line for the thread's transaction (as a store or a load); the line index, or -1 after
// recording a capacity failure.
int32_t htm_allocate_fill_new_line(ThreadState *thread, uint64_t paddr, int is_store);
// The capacity rule of the Glent generation (SIM_CTRL1 bit 59): 1 when the line may not be added
// because too many footprint lines share its address bits 7-8 or 7-15.
int HTM_GLENT_CACHE_OVERFLOW(ThreadState *thread, cs_CacheStore_s *main, uint64_t line_address);
// A store by an agent outside the processors (its machine and chip) fails every transaction that
// holds the line.
void htm_check_store_collision_external(MemoryClient *agent, uint64_t paddr);
// Called with each line just before commit writes it back or commit or release drops it. It does
// nothing here; a tool linked in may define its own (the definition here is weak).
void record_htm_cache_line_for_undo(ThreadState *thread, int32_t line, uint64_t paddr, cs_CacheStore_s *store);
// Whether the loads, stores and (given a text) tags stores hold the line address at the main store's
// line index, as the four stores must; a break is reported as a fatal error with the failing
// store's text.
bool htm_stores_agree(const htm_cache *cache, int32_t line, uint64_t paddr, const char *loads_text,
                      const char *stores_text, const char *tags_text = nullptr);
// Writes the footprint of the instruction's thread to memory and empties it (outermost tend.).
void commit_user_cache(IOPDesc *iop);
// Drops the footprint without writing it.
void release_cache(htm_cache *cache);
