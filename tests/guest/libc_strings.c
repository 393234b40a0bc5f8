/* A statically linked C-library program that exercises the library's string and memory routines
   (their vector forms in a little-endian build), sorting and formatted integer output. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int compare(const void *a, const void *b)
{
    return *(const int *)a - *(const int *)b;
}

int main(void)
{
    char *big = malloc(5000), *copy = malloc(5000);
    if (!big || !copy) return 1;
    for (int i = 0; i < 4999; i++)
        big[i] = (char)('a' + i % 26);
    big[4999] = 0;
    memcpy(copy, big, 5000);
    memmove(copy + 3, copy, 1000);
    memset(copy + 2000, 'z', 777);
    printf("%zu %zu %d %d\n", strlen(big), strlen(copy + 1), strcmp(big, copy), memcmp(big, copy, 3));
    printf("%s\n", strchr(big, 'q') ? "q" : "-");
    int v[100];
    for (int i = 0; i < 100; i++)
        v[i] = (i * 7919) % 101;
    qsort(v, 100, sizeof v[0], compare);
    printf("%d %d %d\n", v[0], v[50], v[99]);
    char buffer[64];
    snprintf(buffer, sizeof buffer, "%08d|%-5s|%x", 25, "ab", 0xbeef);
    puts(buffer);
    char *tail = strdup(big + 4990);
    printf("%s %zu\n", tail, strspn(big, "abc"));
    free(big);
    free(copy);
    free(tail);
    return 0;
}
