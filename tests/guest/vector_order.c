/* The element order of the vector loads and stores in a little-endian program: the bytes 00..0F
   at a 16-byte-aligned address loaded with lvx and lxvd2x (the two doublewords printed as numbers,
   doubleword 0 first), and the bytes that stvx and stxvd2x write back from the lvx result. */
#include <stdio.h>

static unsigned char bytes[16] __attribute__((aligned(16)));
static unsigned char out[16] __attribute__((aligned(16)));

static void show_register(const char *name, unsigned long dw0, unsigned long dw1)
{
    printf("%-8s %016lx %016lx\n", name, dw0, dw1);
}

static void show_memory(const char *name)
{
    printf("%-8s", name);
    for (int i = 0; i < 16; i++)
        printf(" %02x", out[i]);
    printf("\n");
}

int main(void)
{
    unsigned long dw0, dw1;
    for (int i = 0; i < 16; i++)
        bytes[i] = (unsigned char)i;

    __asm__ volatile("lvx 2,0,%2\n\tmfvsrd %0,34\n\txxpermdi 34,34,34,2\n\tmfvsrd %1,34"
                     : "=r"(dw0), "=r"(dw1)
                     : "r"(bytes)
                     : "v2");
    show_register("lvx", dw0, dw1);
    __asm__ volatile("lxvd2x 34,0,%2\n\tmfvsrd %0,34\n\txxpermdi 34,34,34,2\n\tmfvsrd %1,34"
                     : "=r"(dw0), "=r"(dw1)
                     : "r"(bytes)
                     : "v2");
    show_register("lxvd2x", dw0, dw1);

    __asm__ volatile("lvx 2,0,%0\n\tstvx 2,0,%1" : : "r"(bytes), "r"(out) : "v2", "memory");
    show_memory("stvx");
    __asm__ volatile("lvx 2,0,%0\n\tstxvd2x 34,0,%1" : : "r"(bytes), "r"(out) : "v2", "memory");
    show_memory("stxvd2x");
    __asm__ volatile("lxvw4x 34,0,%0\n\tstxvw4x 34,0,%1" : : "r"(bytes), "r"(out) : "v2", "memory");
    show_memory("lxvw4x");
    return 0;
}
