/* A statically linked C-library program that allocates, fills, reallocates and frees heap blocks
   from 16 bytes to several MiB (small ones come from the program break, large ones from anonymous
   mappings) and checks every byte, across realloc, while other blocks stay live. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The 8-byte word k of block b (every length is a multiple of 8, so the words cover every byte):
   it depends on both, so a block that overlaps another one or that lost its contents in a move
   shows. */
static uint64_t pattern(unsigned b, size_t k)
{
    return ((uint64_t)b + 1) * 0x9E3779B97F4A7C15ull ^ (uint64_t)k * 0x100000001B3ull;
}

static void fill(unsigned char *p, unsigned b, size_t from, size_t to)
{
    uint64_t *w = (uint64_t *)p;
    for (size_t k = from / 8; k < to / 8; k++)
        w[k] = pattern(b, k);
}

static int check(const unsigned char *p, unsigned b, size_t length, const char *when)
{
    const uint64_t *w = (const uint64_t *)p;
    for (size_t k = 0; k < length / 8; k++)
        if (w[k] != pattern(b, k)) {
            printf("block %u: word %zu of %zu wrong %s\n", b, k, length / 8, when);
            return 0;
        }
    return 1;
}

int main(void)
{
    static const size_t sizes[] = {16, 200, 4000, 70000, 140000, 1 << 20, 3 << 20}; /* multiples of 8 */
    enum { N = sizeof sizes / sizeof sizes[0] };
    unsigned char *blocks[N];
    size_t lengths[N];
    int ok = 1;
    for (unsigned b = 0; b < N; b++) {
        lengths[b] = sizes[b];
        blocks[b] = malloc(lengths[b]);
        if (!blocks[b]) {
            printf("malloc of %zu failed\n", lengths[b]);
            return 2;
        }
        if ((uintptr_t)blocks[b] % 16 != 0) printf("block %u misaligned\n", b);
        fill(blocks[b], b, 0, lengths[b]);
    }
    for (unsigned b = 0; b < N; b++)
        ok &= check(blocks[b], b, lengths[b], "after malloc");
    /* Grow every block (small ones across the mapping threshold), then shrink them again. */
    for (unsigned b = 0; b < N; b++) {
        size_t grown = lengths[b] < 100000 ? lengths[b] * 40 + 300000 : lengths[b] + (lengths[b] >> 1);
        grown &= ~(size_t)7;
        unsigned char *p = realloc(blocks[b], grown);
        if (!p) {
            printf("realloc to %zu failed\n", grown);
            return 2;
        }
        ok &= check(p, b, lengths[b], "after growing");
        fill(p, b, lengths[b], grown);
        blocks[b] = p;
        lengths[b] = grown;
    }
    for (unsigned b = 0; b < N; b++)
        ok &= check(blocks[b], b, lengths[b], "after every block grew");
    for (unsigned b = 0; b < N; b++) {
        size_t shrunk = (lengths[b] / 5 + 8) & ~(size_t)7;
        unsigned char *p = realloc(blocks[b], shrunk);
        if (!p) {
            printf("realloc to %zu failed\n", shrunk);
            return 2;
        }
        blocks[b] = p;
        lengths[b] = shrunk;
        ok &= check(p, b, shrunk, "after shrinking");
    }
    /* Free every other block and allocate new ones in the holes while the rest stay live. */
    for (unsigned b = 0; b < N; b += 2) {
        free(blocks[b]);
        lengths[b] = sizes[N - 1 - b];
        blocks[b] = malloc(lengths[b]);
        if (!blocks[b]) {
            printf("malloc of %zu failed\n", lengths[b]);
            return 2;
        }
        fill(blocks[b], b + 100, 0, lengths[b]);
    }
    for (unsigned b = 0; b < N; b++)
        ok &= check(blocks[b], b % 2 ? b : b + 100, lengths[b], "at the end");
    for (unsigned b = 0; b < N; b++)
        free(blocks[b]);
    printf("heap %s\n", ok ? "ok" : "damaged");
    return ok ? 0 : 1;
}
