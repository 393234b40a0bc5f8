/* The harness of the VMX guest programs: 16-byte operands a, b, c and the target t, loaded into
   v1, v2, v4 and stored from v3, kept in the big-endian register layout in both byte orders (in
   little-endian mode a vperm with the control in v0 reverses each register), and the print of a
   result as four words. */
#pragma once

#include <stdio.h>

typedef struct {
    unsigned char b[16];
} __attribute__((aligned(16))) quad;

static quad a, b, c, t;
/* Loaded with lvx in little-endian mode, the bytes 0..15 give the byte-reversing vperm control. */
static const quad rev = {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}};

#ifdef __LITTLE_ENDIAN__
#define FIX(r) "vperm " #r "," #r "," #r ",0\n\t"
#else
#define FIX(r)
#endif
#define LD(r, p) "lvx " #r ",0," p "\n\t" FIX(r)
#define ST(r, p) FIX(r) "stvx " #r ",0," p "\n\t"
#define OPERANDS : : "r"(&t), "r"(&a), "r"(&b), "r"(&c), "r"(&rev) : "v0", "v1", "v2", "v3", "v4", "memory"
#define PRE "lvx 0,0,%4\n\t" LD(1, "%1") LD(2, "%2") LD(4, "%3")

/* VT = op(VA, VB), op(VA, VB, VC), op(VB), op(VA) or op(VA, VB, immediate), through v1-v4. */
#define VX(insn) __asm__ volatile(PRE insn " 3,1,2\n\t" ST(3, "%0") OPERANDS)
#define VA(insn) __asm__ volatile(PRE insn " 3,1,2,4\n\t" ST(3, "%0") OPERANDS)
#define VB(insn) __asm__ volatile(PRE insn " 3,2\n\t" ST(3, "%0") OPERANDS)
#define VI(insn, imm) __asm__ volatile(PRE insn " 3,1,2," #imm "\n\t" ST(3, "%0") OPERANDS)
#define CLEAR_VSCR() __asm__ volatile("vspltisw 5,0\n\tmtvscr 5" ::: "v5")
#define SHOW_VSCR()                                                                                         \
    do {                                                                                                    \
        __asm__ volatile("lvx 0,0,%1\n\tmfvscr 3\n\t" ST(3, "%0") : : "r"(&t), "r"(&rev) : "v0", "v3", "memory"); \
        show("vscr", &t);                                                                                   \
    } while (0)

static void show(const char *name, const quad *q)
{
    printf("%-12s", name);
    for (int i = 0; i < 16; i++)
        printf(i % 4 == 3 && i < 15 ? "%02x " : "%02x", q->b[i]);
    printf("\n");
}

static void set(quad *q, unsigned w0, unsigned w1, unsigned w2, unsigned w3)
{
    unsigned w[4] = {w0, w1, w2, w3};
    for (int i = 0; i < 16; i++)
        q->b[i] = (unsigned char)(w[i / 4] >> (24 - 8 * (i % 4)));
}
