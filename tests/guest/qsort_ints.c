/* Sorting through a compare callback: qsort of pseudo-random integers (indirect calls into the
   callback across pages), then a checksum of the sorted array. */
#include <stdio.h>
#include <stdlib.h>

static int compare(const void *a, const void *b)
{
    int x = *(const int *)a, y = *(const int *)b;
    return (x > y) - (x < y);
}

int main(void)
{
    enum { N = 3000 };
    static int values[N];
    unsigned seed = 12345;
    for (int i = 0; i < N; i++) {
        seed = seed * 1103515245u + 12345u;
        values[i] = (int)(seed >> 8) - (1 << 22);
    }
    qsort(values, N, sizeof values[0], compare);
    unsigned long sum = 0;
    int sorted = 1;
    for (int i = 0; i < N; i++) {
        sum = sum * 31 + (unsigned)values[i];
        if (i && values[i - 1] > values[i]) sorted = 0;
    }
    printf("qsort: sorted=%d first=%d last=%d sum=%lx\n", sorted, values[0], values[N - 1], sum);
    return 0;
}
