// Bitmaps stored 32 bits to a 64-bit word (bit n is bit n mod 32 of word n / 32; the high
// halves stay zero): allocation, lowest set bit, setting, checking and finding runs of bits.
// Exported for outside users.
#pragma once

#include <cstdint>

// A zeroed map for the given number of bits, from the C library; bm_free releases it.
uint64_t *bm_alloc(int64_t bits);
void bm_free(uint64_t *map);
// The 1-based number of the lowest set bit among the first bits bits; 0 when none is set.
int64_t bm_ffs(const uint64_t *map, int64_t bits);
// Sets (value non-zero) or clears bits first .. first + count - 1; returns how many changed.
int64_t bm_range_set(uint64_t *map, int64_t first, int64_t count, int value);
// 0 when every bit of the run equals the value, else 1 + the distance of the first differing
// bit from first.
int64_t bm_range_check(const uint64_t *map, int64_t first, int64_t count, int value);
// The first position p, with p + offset a multiple of 2^alignment_log2, where count bits all
// equal to the value start, within the map rounded up to whole groups of 32 bits; -1 when
// there is none or count is 0.
int64_t bm_range_find(const uint64_t *map, int64_t bits, int value, int64_t count, int alignment_log2,
                      int64_t offset);
