/* Hardware transactional memory: a committed transaction, aborts with a code (the failure record in
   TEXASR and TFIAR, the return to the failure handler), nesting, tendall, a suspended section,
   tcheck, the isolation of an aborted transaction's stores, and a footprint overflow. Prints only
   outside transactions. */
#include <htmintrin.h>
#include <stdio.h>

static unsigned long texasr_code(unsigned long texasr)
{
    return texasr >> 56;
}

int main(void)
{
    long value = 1;
    unsigned long failures = 0;

    if (__builtin_tbegin(0)) {
        value = 2;
        __builtin_tend(0);
    } else {
        failures++;
    }
    printf("commit: value %ld failures %lu\n", value, failures);

    for (unsigned code = 0x5A; code <= 0x5C; code++) {
        if (__builtin_tbegin(0)) {
            __builtin_tabort(code);
            __builtin_tend(0);
            printf("abort %x: not taken\n", code);
        } else {
            unsigned long texasr = __builtin_get_texasr();
            unsigned long tfiar = __builtin_get_tfiar();
            unsigned long tfhar = __builtin_get_tfhar();
            printf("abort %x: code %lx abort %lu fs %lu exact %lu tfiar after tfhar %d\n", code,
                   texasr_code(texasr), (texasr >> 32) & 1, (texasr >> 27) & 1, (texasr >> 26) & 1,
                   (tfiar & ~3ul) > tfhar);
        }
    }

    int depth = 0;
    if (__builtin_tbegin(0)) {
        depth = 1;
        if (__builtin_tbegin(0)) {
            depth = 2;
            __builtin_tend(0);
        }
        __builtin_tend(0);
    }
    printf("nested: depth %d level after %lu\n", depth, __builtin_get_texasr() & 0xfff);

    depth = 0;
    if (__builtin_tbegin(0)) {
        if (__builtin_tbegin(0)) {
            depth = 2;
            __builtin_tendall();
        }
    }
    printf("tendall: depth %d\n", depth);

    unsigned long cr = 0;
    if (__builtin_tbegin(0)) {
        __builtin_tsuspend();
        cr = __builtin_tcheck();
        __builtin_tresume();
        __builtin_tend(0);
    }
    printf("suspended: tcheck %lx\n", cr);

    /* A store of an aborted transaction never reaches memory; a committed one does. */
    static volatile long shared = 10;
    if (__builtin_tbegin(0)) {
        shared = 99;
        __builtin_tabort(1);
        __builtin_tend(0);
    }
    printf("isolation: after abort %ld\n", shared);
    if (__builtin_tbegin(0)) {
        shared = 42;
        __builtin_tend(0);
    }
    printf("isolation: after commit %ld\n", shared);

    int inner = 0;
    if (__builtin_tbegin(0)) {
        inner = 1;
        __builtin_tabort(0);
        __builtin_tend(0);
    } else {
        unsigned long texasr = __builtin_get_texasr();
        printf("abort 0: code %lx abort %lu checkpointed inner %d\n", texasr_code(texasr), (texasr >> 32) & 1,
               inner);
    }

    /* Seventeen lines 512 bytes apart share one set of the 16-way footprint: the transaction
       overflows it, and none of its stores reaches memory. */
    static volatile char lines[17 * 512] __attribute__((aligned(512)));
    int completed = 0;
    if (__builtin_tbegin(0)) {
        for (int i = 0; i < 17; i++)
            lines[i * 512] = 1;
        completed = 1;
        __builtin_tend(0);
    }
    unsigned long texasr = __builtin_get_texasr();
    printf("overflow: completed %d code %lx footprint %lu first line %d\n", completed, texasr_code(texasr),
           (texasr >> 53) & 1, lines[0]);
    return 0;
}
