/* A statically linked C-library program: formatted output through the library, a heap block and
   a normal exit. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(void)
{
    char *copy = malloc(64);
    if (!copy) return 1;
    strcpy(copy, "glibc");
    printf("hello, %s %d\n", copy, 42);
    free(copy);
    return 0;
}
