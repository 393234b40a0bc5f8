// Bitmaps of 32 bits per 64-bit word.
#include "runtime/bitmap.h"

#include <cstdlib>

namespace
{

inline int64_t words_for(int64_t bits)
{
    return bits <= 0 ? 0 : (bits + 31) / 32;
}

inline bool bit_of(const uint64_t *map, int64_t n)
{
    return (map[n / 32] >> (n % 32)) & 1;
}

} // namespace

uint64_t *bm_alloc(int64_t bits)
{
    int64_t words = words_for(bits);
    return static_cast<uint64_t *>(calloc(words ? (size_t)words : 1, sizeof(uint64_t)));
}

void bm_free(uint64_t *map)
{
    free(map);
}

int64_t bm_ffs(const uint64_t *map, int64_t bits)
{
    int64_t words = words_for(bits);
    for (int64_t w = 0; w < words; w++) {
        uint32_t low = (uint32_t)map[w];
        if (!low) continue;
        int64_t number = w * 32 + __builtin_ctz(low) + 1;
        return number <= bits ? number : 0;
    }
    return 0;
}

int64_t bm_range_set(uint64_t *map, int64_t first, int64_t count, int value)
{
    int64_t changed = 0;
    if (first < 0) return 0;
    for (int64_t n = first; n < first + count; n++) {
        if (bit_of(map, n) == (value != 0)) continue;
        map[n / 32] ^= uint64_t(1) << (n % 32);
        changed++;
    }
    return changed;
}

int64_t bm_range_check(const uint64_t *map, int64_t first, int64_t count, int value)
{
    if (first < 0) return count > 0 ? 1 : 0;
    for (int64_t n = first; n < first + count; n++)
        if (bit_of(map, n) != (value != 0)) return n - first + 1;
    return 0;
}

int64_t bm_range_find(const uint64_t *map, int64_t bits, int value, int64_t count, int alignment_log2,
                      int64_t offset)
{
    if (count <= 0 || alignment_log2 < 0 || alignment_log2 > 62) return -1;
    int64_t limit = words_for(bits) * 32;
    int64_t step = int64_t(1) << alignment_log2;
    // The first aligned position at or after 0.
    int64_t p = (step - (offset % step + step) % step) % step;
    for (; p + count <= limit; p += step) {
        int64_t differing = bm_range_check(map, p, count, value);
        if (!differing) return p;
    }
    return -1;
}
