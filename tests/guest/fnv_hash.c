/* The FNV-1a hash over a buffer filled with a byte pattern: byte loads and multiplies in a tight
   loop. */
#include <stdio.h>
#include <string.h>

static unsigned long fnv1a(const unsigned char *p, size_t n)
{
    unsigned long h = 0xcbf29ce484222325ul;
    for (size_t i = 0; i < n; i++) {
        h ^= p[i];
        h *= 0x100000001b3ul;
    }
    return h;
}

int main(void)
{
    static unsigned char buffer[65536];
    for (size_t i = 0; i < sizeof buffer; i++)
        buffer[i] = (unsigned char)(i * 7 + (i >> 8));
    printf("fnv: %016lx\n", fnv1a(buffer, sizeof buffer));
    memset(buffer + 100, 0, 1000);
    printf("fnv: %016lx\n", fnv1a(buffer, sizeof buffer));
    return 0;
}
