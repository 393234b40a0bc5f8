/* Several SMT threads add to one shared counter with lwarx/stwcx., standalone (write and exit
   through "sc"). Thread 0 enters at _start; the script starts every other thread at "secondary"
   (0x10100000). Each thread adds 1 to the counter ROUNDS (20000) times, and also sums its own private
   table, then counts itself done. Thread 0 waits until THREADS threads are done and prints the
   counter and the sum of the private sums in hex; the other threads park in a branch to self.
   THREADS comes from -DTHREADS. */
#ifndef ROUNDS
#define ROUNDS 20000
#endif

    .section ".opd", "aw"
    .align 3
    .globl _start
_start:
    .quad .L.start, .TOC.@tocbase, 0

    .data
    .align 7
counter:
    .long 0
    .align 7
done:
    .long 0
    .align 7
ticket:
    .long 0
    .align 7
sums:
    .space 8 * 16
line:
    .ascii "smt: counter 00000000 sum 00000000\n"
line_end:

    .section ".secondary", "ax"
    .align 2
secondary:
    bl      work
1:  b       1b

    .text
    .align 2
.L.start:
    bl      work
    lis     3, done@ha
    addi    3, 3, done@l
1:  lwz     4, 0(3)
    cmpwi   4, THREADS
    bne     1b
    isync

    /* counter and the sum of the private sums into the line */
    lis     3, counter@ha
    addi    3, 3, counter@l
    lwz     4, 0(3)
    lis     9, line@ha
    addi    9, 9, line@l
    addi    5, 9, 13
    bl      hex8
    lis     3, sums@ha
    addi    3, 3, sums@l
    li      4, 0
    li      6, 16
    mtctr   6
2:  ld      7, 0(3)
    add     4, 4, 7
    addi    3, 3, 8
    bdnz    2b
    addi    5, 9, 26
    bl      hex8

    li      0, 4            /* write(1, line, length) */
    li      3, 1
    mr      4, 9
    li      5, line_end - line
    sc
    li      0, 1            /* exit(0) */
    li      3, 0
    sc
    b       .

/* Eight hex digits of the low word of r4 at r5. */
hex8:
    li      6, 8
    mtctr   6
    addi    5, 5, 8
1:  rlwinm  7, 4, 0, 28, 31
    cmpwi   7, 10
    addi    7, 7, '0'
    blt     2f
    addi    7, 7, 'a' - '0' - 10
2:  stbu    7, -1(5)
    srwi    4, 4, 4
    bdnz    1b
    blr

/* The work of one thread; its number is a ticket taken atomically. */
work:
    lis     3, ticket@ha
    addi    3, 3, ticket@l
1:  lwarx   10, 0, 3
    addi    11, 10, 1
    stwcx.  11, 0, 3
    bne-    1b

    lis     3, counter@ha
    addi    3, 3, counter@l
    lis     6, ROUNDS@h
    ori     6, 6, ROUNDS@l
    mtctr   6
    li      12, 0           /* the private sum */
2:  lwarx   4, 0, 3
    addi    4, 4, 1
    stwcx.  4, 0, 3
    bne-    2b
    mfctr   6
    add     12, 12, 6
    xor     12, 12, 10
    bdnz    2b

    lis     3, sums@ha
    addi    3, 3, sums@l
    sldi    7, 10, 3
    stdx    12, 3, 7

    lis     3, done@ha
    addi    3, 3, done@l
    sync
3:  lwarx   4, 0, 3
    addi    4, 4, 1
    stwcx.  4, 0, 3
    bne-    3b
    blr
