/* A statically linked C-library program that shows its argument vector: argc, then every
   argv[i] with its length, its bytes outside printable ASCII written as \xNN. It then recurses
   deeply (the stack grows down over where a badly placed argument area would lie) and checks
   that every word and the vector's terminating null survived. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static void show(const char *word)
{
    for (const unsigned char *p = (const unsigned char *)word; *p; p++) {
        if (*p >= 0x20 && *p < 0x7F && *p != '\\')
            putchar(*p);
        else
            printf("\\x%02X", *p);
    }
}

/* Each level keeps a frame of its own filled with a pattern and returns a sum over it, so that
   the compiler cannot fold the recursion away. */
static unsigned long deep(int level)
{
    volatile unsigned char frame[256];
    for (unsigned i = 0; i < sizeof frame; i++)
        frame[i] = (unsigned char)(level + i);
    unsigned long sum = level > 0 ? deep(level - 1) : 0;
    return sum + frame[level % sizeof frame];
}

int main(int argc, char **argv)
{
    printf("argc %d\n", argc);
    char **saved = malloc(sizeof(char *) * (size_t)(argc > 0 ? argc : 1));
    for (int i = 0; i < argc; i++) {
        printf("argv[%d] %zu [", i, strlen(argv[i]));
        show(argv[i]);
        printf("]\n");
        saved[i] = strdup(argv[i]);
    }
    printf("argv[argc] %s\n", argv[argc] == NULL ? "null" : "not null");
    unsigned long sum = deep(4000);
    int intact = argv[argc] == NULL;
    for (int i = 0; i < argc; i++)
        if (strcmp(argv[i], saved[i]) != 0) {
            printf("argv[%d] changed\n", i);
            intact = 0;
        }
    printf("after recursion (%lu): %s\n", sum, intact ? "argv intact" : "argv damaged");
    return intact ? 0 : 1;
}
