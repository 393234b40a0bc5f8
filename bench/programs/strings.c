// (f) The C library's string functions over large buffers: memcpy, strlen, strcmp.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define SIZE (1 << 20)

int main(void)
{
    char *a = malloc(SIZE), *b = malloc(SIZE);
    if (!a || !b) return 1;
    for (int i = 0; i < SIZE - 1; i++)
        a[i] = (char)('a' + i % 26);
    a[SIZE - 1] = 0;
    unsigned long total = 0;
    for (int round = 0; round < 200; round++) {
        memcpy(b, a, SIZE);
        b[SIZE - 2 - round] = 'A';
        total += strlen(b) + (unsigned long)(strcmp(a, b) > 0);
    }
    printf("strings %lu\n", total);
    free(a);
    free(b);
    return 0;
}
