// (d) A mixed C program: qsort of 4 M ints through a compare callback, an FNV hash and an FP sum.
#include <stdio.h>
#include <stdlib.h>

#define COUNT (4 * 1024 * 1024)

static int compare(const void *a, const void *b)
{
    int x = *(const int *)a, y = *(const int *)b;
    return (x > y) - (x < y);
}

int main(void)
{
    int *values = malloc(COUNT * sizeof *values);
    if (!values) return 1;
    unsigned seed = 12345;
    for (int i = 0; i < COUNT; i++) {
        seed = seed * 1103515245u + 12345u;
        values[i] = (int)(seed >> 4);
    }
    qsort(values, COUNT, sizeof *values, compare);
    unsigned long hash = 0xcbf29ce484222325ul;
    double sum = 0;
    for (int i = 0; i < COUNT; i++) {
        hash = (hash ^ (unsigned)values[i]) * 0x100000001b3ul;
        sum += values[i] * 0.5;
    }
    printf("mixed %d %lx %.1f\n", values[COUNT / 2], hash, sum);
    free(values);
    return 0;
}
