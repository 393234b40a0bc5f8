// Putting a finished translation into an ERAT of the processor.
#pragma once

#include <cstdint>

struct AXD;
struct ERAT_Struct;
struct ThreadState;

// Inserts the translation of ea (its page shift, the two segment words) for the thread: the row is
// a hash of ea, the key ea at the large-page granularity when page_shift reaches the large-page
// shift, else at the base-page granularity. The thread's entry of that key is reused; otherwise a
// free way, else the least recently used one (its eviction told to the ERAT trigger). An ERAT
// without rows or ways takes nothing. Returns the trigger service's result.
int ERAT_AddMapping(ThreadState *thread, ERAT_Struct *erat, const AXD *translation, uint64_t ea,
                    int32_t page_shift, const uint64_t segment_words[2]);
