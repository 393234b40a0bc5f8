// (b) A load/store loop over a small array: ld, std, addi, andi.
#include <stdio.h>

static unsigned long buffer[512];

int main(void)
{
    unsigned long sum = 0;
    for (long round = 0; round < 60000; round++) {
        for (int i = 0; i < 512; i++) {
            unsigned long v = buffer[i] + (unsigned long)i + sum;
            buffer[(i + 1) & 511] = v;
            sum += v & 0xff;
        }
    }
    printf("load_store %lx\n", sum);
    return 0;
}
