/* Hand-written edge cases of translated code, run standalone (write and exit through "sc"):
   stores and loads of every size and sign, update and indexed forms, byte-reversed forms,
   accesses that cross a page, a loop whose body crosses a page boundary, link and counter
   branches, a counter above 32 bits, and an instruction the program rewrites before it runs. The registers at the end tell what happened. */
    .section ".opd", "aw"
    .align 3
    .globl _start
_start:
    .quad .L.start, .TOC.@tocbase, 0

    .data
    .align 12
buf:
    .space 8192
msg:
    .ascii "edge: done\n"

    .text
    .align 2
.L.start:
    lis     31, buf@ha
    addi    31, 31, buf@l

    /* Sizes and signs. */
    lis     3, 0x1234
    ori     3, 3, 0x8765
    stw     3, 0(31)
    sth     3, 8(31)
    stb     3, 12(31)
    std     3, 16(31)
    lwz     4, 0(31)
    lha     5, 8(31)
    lhz     6, 8(31)
    lbz     7, 12(31)
    ld      8, 16(31)
    lwa     9, 20(31)

    /* Update and indexed forms. */
    addi    10, 31, 32
    stwu    3, 4(10)
    lwzu    11, -4(10)
    stdu    3, 8(10)
    ldu     12, 0(10)
    li      13, 8
    stwux   3, 10, 13
    li      13, -8
    lwzux   14, 10, 13
    lbzux   15, 10, 13
    lhzx    16, 31, 13
    stbx    3, 31, 13
    lbzx    17, 31, 13

    /* Byte-reversed forms. */
    stwbrx  3, 0, 31
    lwbrx   18, 0, 31
    addi    19, 31, 48
    stdbrx  8, 0, 19
    ldbrx   20, 0, 19
    lwz     21, 48(31)

    /* Accesses across the page boundary of the buffer. */
    addi    22, 31, 4092
    std     3, 0(22)
    lwz     23, 0(22)
    li      13, 2
    ldx     24, 22, 13
    lhz     25, 3(22)

    /* A loop whose body crosses into the next code page. */
    li      26, 100
    mtctr   26
    li      26, 0
    b       .Lloop
    .balign 4096
    .skip   4088
.Lloop:
    addi    26, 26, 3
    ori     26, 26, 1
    addis   26, 26, 1
    bdnz    .Lloop

    /* Link and counter branches. */
    bcl     20, 31, 1f
1:  mflr    27
    li      28, 0
    bl      .Lsub
    lis     29, .Lsub@ha
    addi    29, 29, .Lsub@l
    mtctr   29
    bctrl
    li      29, 5
    cmpwi   29, 5
    beq     2f
    li      29, 0
2:  cmpwi   29, 6
    bne     3f
    li      29, 0
3:
    /* A counter above 32 bits: bdnz tests the whole register in 64-bit mode. */
    li      5, 1
    sldi    6, 5, 32
    or      5, 5, 6
    mtctr   5
    li      7, 0
    bdnz    4f
    li      7, 1
4:  mfctr   30

    /* An instruction rewritten before it runs: "li 3,7" becomes "li 3,42". */
    lis     4, .Ltarget@ha
    addi    4, 4, .Ltarget@l
    lis     5, 0x3860
    ori     5, 5, 42
    li      6, 3
5:  stw     5, 0(4)
    dcbst   0, 4
    sync
    icbi    0, 4
    isync
.Ltarget:
    li      3, 7
    add     28, 28, 3
    addic.  6, 6, -1
    bne     5b

    /* write(1, msg, 11); exit(0) */
    li      0, 4
    li      3, 1
    lis     4, msg@ha
    addi    4, 4, msg@l
    li      5, 11
    sc
    li      0, 1
    li      3, 0
    sc

.Lsub:
    addi    28, 28, 1
    blr
