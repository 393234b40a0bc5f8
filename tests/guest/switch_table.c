/* A switch compiled to a jump table: indirect branches through CTR on every iteration. */
#include <stdio.h>

static unsigned long step(unsigned long acc, unsigned i)
{
    switch (i % 9) {
    case 0: return acc * 3 + 1;
    case 1: return acc ^ (acc >> 7);
    case 2: return acc + i;
    case 3: return acc - 17;
    case 4: return acc << 1;
    case 5: return acc | 0x10;
    case 6: return acc & 0xFFFFFFFFFFull;
    case 7: return acc + (acc >> 3);
    default: return ~acc;
    }
}

int main(int argc, char **argv)
{
    (void)argv;
    unsigned long acc = (unsigned long)argc;
    for (unsigned i = 0; i < 20000; i++)
        acc = step(acc, i);
    printf("switch: %lx\n", acc);
    return 0;
}
