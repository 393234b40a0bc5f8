/* String and memory routines of the C library: copies, lengths, comparisons and searches, with
   the results printed. */
#include <stdio.h>
#include <string.h>

int main(void)
{
    static char a[4096], b[4096];
    for (int i = 0; i < 4000; i++)
        a[i] = (char)('a' + i % 26);
    a[4000] = 0;
    memcpy(b, a, 4001);
    size_t n = strlen(b);
    int same = strcmp(a, b);
    b[2500] = 'Z';
    int diff = strcmp(a, b);
    const char *q = strchr(a, 'q');
    memmove(b + 1, b, 3000);
    char word[32];
    strncpy(word, a + 3, 10);
    word[10] = 0;
    printf("strings: n=%zu same=%d diff=%d q=%td word=%s b=%.8s\n", n, same, diff > 0 ? 1 : -1,
           q - a, word, b);
    return 0;
}
