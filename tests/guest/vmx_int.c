/* VMX integer, permute, polynomial and crypto instructions (-mcpu=power8), in either byte order.
   Registers are kept in the big-endian layout in both: a little-endian load or store reverses
   the register with vperm, so register byte i is memory byte i. Each line prints the 16 bytes of
   a result, four per group. Ends with an AES-128 round trip (FIPS-197 C.1) whose round keys the
   program expands itself. */
#include <stdio.h>
#include <string.h>

#include "vmx_harness.h"

static void bytes(quad *q, int first, int step)
{
    for (int i = 0; i < 16; i++)
        q->b[i] = (unsigned char)(first + step * i);
}

/* ---- AES-128 key expansion (FIPS-197 5.2) with an S-box computed here ---- */

static unsigned char sbox[256];

static unsigned char gmul(unsigned char x, unsigned char y)
{
    unsigned char p = 0;
    for (int i = 0; i < 8; i++) {
        if (y & 1) p ^= x;
        x = (unsigned char)((x << 1) ^ ((x & 0x80) ? 0x1B : 0));
        y >>= 1;
    }
    return p;
}

static void make_sbox(void)
{
    for (int x = 0; x < 256; x++) {
        unsigned char inv = 0;
        for (int y = 1; y < 256 && x; y++)
            if (gmul((unsigned char)x, (unsigned char)y) == 1) {
                inv = (unsigned char)y;
                break;
            }
        unsigned char s = inv;
        for (int r = 1; r <= 4; r++)
            s ^= (unsigned char)((inv << r) | (inv >> (8 - r)));
        sbox[x] = s ^ 0x63;
    }
}

static quad rk[11];

static void expand_key(const unsigned char *key)
{
    static const unsigned char rcon[10] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x1B, 0x36};
    unsigned char w[176];
    memcpy(w, key, 16);
    for (int i = 4; i < 44; i++) {
        unsigned char x[4] = {w[4 * i - 4], w[4 * i - 3], w[4 * i - 2], w[4 * i - 1]};
        if (i % 4 == 0) {
            unsigned char first = x[0];
            x[0] = sbox[x[1]] ^ rcon[i / 4 - 1];
            x[1] = sbox[x[2]];
            x[2] = sbox[x[3]];
            x[3] = sbox[first];
        }
        for (int k = 0; k < 4; k++)
            w[4 * i + k] = w[4 * i - 16 + k] ^ x[k];
    }
    for (int r = 0; r <= 10; r++)
        memcpy(rk[r].b, &w[16 * r], 16);
}

/* state = op(state, key) with the state in t. */
#define ROUND(insn, key)                                                                                    \
    __asm__ volatile("lvx 0,0,%2\n\t" LD(1, "%0") LD(2, "%1") insn " 1,1,2\n\t" ST(1, "%0")                 \
                     :                                                                                      \
                     : "r"(&t), "r"(key), "r"(&rev)                                                         \
                     : "v0", "v1", "v2", "memory")

static void print_state(const char *label)
{
    printf("%s ", label);
    for (int i = 0; i < 16; i++)
        printf("%02x", t.b[i]);
    printf("\n");
}

int main(void)
{
    /* Sums across: only the final sum is clamped. */
    CLEAR_VSCR();
    set(&a, 0x7FFFFFFF, 0x7FFFFFFF, 0x80000000, 0x80000000);
    set(&b, 5, 6, 7, 0);
    VX("vsumsws");
    show("vsumsws", &t);
    SHOW_VSCR();
    set(&a, 0x7FFFFFFF, 1, 1, 2);
    set(&b, 9, 0, 9, 3);
    VX("vsum2sws");
    show("vsum2sws", &t);
    SHOW_VSCR();

    /* Multiply-high-round-add: 0x8000 x 0x8000 + 0 clamps; 0x4000 x 1 rounds to 1. */
    CLEAR_VSCR();
    set(&a, 0x80004000, 0x8000, 0, 0);
    set(&b, 0x80000001, 0x8000, 0, 0);
    set(&c, 0, 0xFFFF, 0, 0);
    VA("vmhraddshs");
    show("vmhraddshs", &t);
    SHOW_VSCR();
    VA("vmhaddshs");
    show("vmhaddshs", &t);

    /* Widening multiplies and multiply-sums. */
    set(&a, 0x80000000, 0xFFFFFFFF, 0x80000000, 2);
    set(&b, 0x80000000, 3, 0x7FFFFFFF, 0xFFFFFFFE);
    VX("vmulesw");
    show("vmulesw", &t);
    VX("vmulosw");
    show("vmulosw", &t);
    VX("vmuleuw");
    show("vmuleuw", &t);
    VX("vmuluwm");
    show("vmuluwm", &t);
    set(&a, 0xFF80FF01, 0x7F7F7F7F, 0, 0x01020304);
    set(&b, 0xFF80FF01, 0x7F7F7F7F, 0, 0x05060708);
    set(&c, 0, 0x7FFFFFFF, 0, 0xFFFFFFF0);
    VA("vmsummbm");
    show("vmsummbm", &t);
    VA("vmsumubm");
    show("vmsumubm", &t);
    CLEAR_VSCR();
    VA("vmsumshs");
    show("vmsumshs", &t);
    VA("vmsumuhs");
    show("vmsumuhs", &t);
    SHOW_VSCR();
    VX("vmulesb");
    show("vmulesb", &t);
    VX("vmuloub");
    show("vmuloub", &t);

    /* Averages, minimum, maximum. */
    set(&a, 0x80000000, 0x7FFFFFFF, 0xFFFFFFFF, 0xFFFFFFFE);
    set(&b, 0x7FFFFFFF, 0x7FFFFFFF, 0, 0xFFFFFFFF);
    VX("vavgsw");
    show("vavgsw", &t);
    VX("vavguw");
    show("vavguw", &t);
    VX("vminsb");
    show("vminsb", &t);
    VX("vmaxuh");
    show("vmaxuh", &t);

    /* Compares, with CR field 6 from the record form. */
    set(&a, 0x807F0001, 0, 0xFFFFFFFF, 5);
    set(&b, 0x7F800001, 0, 0, 5);
    {
        unsigned long cr;
        __asm__ volatile("lvx 0,0,%5\n\t" LD(1, "%2") LD(2, "%3") "vcmpgtsb. 3,1,2\n\tmfcr %0\n\t" ST(3, "%1")
                         : "=&r"(cr)
                         : "r"(&t), "r"(&a), "r"(&b), "r"(&c), "r"(&rev)
                         : "v0", "v1", "v2", "v3", "memory", "cr6");
        show("vcmpgtsb.", &t);
        printf("cr6         %lx\n", (cr >> 4) & 0xF);
        __asm__ volatile("lvx 0,0,%5\n\t" LD(1, "%2") LD(2, "%3") "vcmpequw. 3,1,1\n\tmfcr %0\n\t" ST(3, "%1")
                         : "=&r"(cr)
                         : "r"(&t), "r"(&a), "r"(&b), "r"(&c), "r"(&rev)
                         : "v0", "v1", "v2", "v3", "memory", "cr6");
        printf("cr6         %lx\n", (cr >> 4) & 0xF);
    }
    VX("vcmpgtuw");
    show("vcmpgtuw", &t);
    VX("vcmpgtsd");
    show("vcmpgtsd", &t);

    /* Shifts, rotates, counts. */
    set(&a, 0x80018001, 0x81818181, 0x80000000, 0x00000001);
    set(&b, 0x00010010, 0x04030201, 0x0000003F, 0x00000021);
    VX("vrlh");
    show("vrlh", &t);
    VX("vrlb");
    show("vrlb", &t);
    VX("vsraw");
    show("vsraw", &t);
    VX("vslw");
    show("vslw", &t);
    VX("vsrad");
    show("vsrad", &t);
    VX("vrld");
    show("vrld", &t);
    set(&b, 0, 1, 0, 0x8001);
    VB("vclzd");
    show("vclzd", &t);
    VB("vpopcntd");
    show("vpopcntd", &t);
    VB("vclzb");
    show("vclzb", &t);
    set(&a, 0xFFFFFFFF, 0x0F0F0F0F, 0, 0x12345678);
    set(&b, 0, 0x00FF00FF, 0xFFFFFFFF, 0x12345678);
    VX("vandc");
    show("vandc", &t);
    VX("veqv");
    show("veqv", &t);
    VX("vorc");
    show("vorc", &t);

    /* Doubleword packs and the 128-bit sums. */
    CLEAR_VSCR();
    set(&a, 0, 0x80000000, 0xFFFFFFFF, 0x80000000);
    set(&b, 1, 0, 0, 7);
    VX("vpksdss");
    show("vpksdss", &t);
    SHOW_VSCR();
    VX("vpkudum");
    show("vpkudum", &t);
    set(&a, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF);
    set(&b, 0, 0, 0, 1);
    VX("vadduqm");
    show("vadduqm", &t);
    VX("vaddcuq");
    show("vaddcuq", &t);
    set(&a, 0, 0, 0, 10);
    set(&b, 0, 0, 0, 3);
    set(&c, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFE);
    VA("vsubeuqm");
    show("vsubeuqm", &t);
    VX("vsubcuq");
    show("vsubcuq", &t);
    set(&a, 0, 0, 0, 0);
    VX("vsubuqm");
    show("vsubuqm", &t);

    /* Polynomial multiply-sums. */
    set(&a, 0x00030000, 0xFFFFFFFF, 0x80000000, 0x12345678);
    set(&b, 0x00030000, 0xFFFFFFFF, 0x80000000, 0x9ABCDEF0);
    VX("vpmsumb");
    show("vpmsumb", &t);
    VX("vpmsumh");
    show("vpmsumh", &t);
    VX("vpmsumw");
    show("vpmsumw", &t);
    set(&a, 0, 1, 0, 0);
    set(&b, 0x12345678, 0x9ABCDEF0, 0, 0);
    VX("vpmsumd");
    show("vpmsumd", &t);

    /* Permutes and whole-register shifts. */
    bytes(&a, 0x00, 1);
    bytes(&b, 0x10, 1);
    set(&c, 0x1FE01105, 0x3F000000, 0x0F0E0D0C, 0x00000000);
    VA("vperm");
    show("vperm", &t);
    VA("vpermxor");
    show("vpermxor", &t);
    VA("vsel");
    show("vsel", &t);
    VI("vsldoi", 15);
    show("vsldoi15", &t);
    VI("vsldoi", 5);
    show("vsldoi5", &t);
    bytes(&a, 0x01, 1);
    set(&b, 0x12345678, 0, 0, 0xFF); /* n = 15 */
    VX("vslo");
    show("vslo", &t);
    VX("vsro");
    show("vsro", &t);
    set(&a, 0x80000000, 0x00000001, 0xF0000000, 0);
    set(&b, 0x03030303, 0x03030303, 0x03030303, 0x030303FB);
    VX("vsl");
    show("vsl", &t);
    VX("vsr");
    show("vsr", &t);
    set(&a, 0x12345678, 0x9ABCDEF0, 0x0FEDCBA9, 0x87654321);
    bytes(&b, 0x00, 1);
    VX("vbpermq");
    show("vbpermq", &t);
    bytes(&b, 0x70, 1);
    VX("vbpermq");
    show("vbpermq", &t);
    set(&b, 0x80402010, 0x08040201, 0xFF000000, 0);
    VB("vgbbd");
    show("vgbbd", &t);

    /* SHA-2 sigma functions. */
    set(&a, 0x6A09E667, 0xBB67AE85, 0x3C6EF372, 0xA54FF53A);
    __asm__ volatile(PRE "vshasigmaw 3,1,0,0\n\t" ST(3, "%0") OPERANDS);
    show("shasigmaw0", &t);
    __asm__ volatile(PRE "vshasigmaw 3,1,1,6\n\t" ST(3, "%0") OPERANDS);
    show("shasigmaw16", &t);
    __asm__ volatile(PRE "vshasigmad 3,1,0,5\n\t" ST(3, "%0") OPERANDS);
    show("shasigmad05", &t);
    __asm__ volatile(PRE "vshasigmad 3,1,1,15\n\t" ST(3, "%0") OPERANDS);
    show("shasigmad1f", &t);

    /* vsbox of zero, then AES-128 (FIPS-197 C.1). */
    set(&a, 0, 0, 0, 0);
    __asm__ volatile(PRE "vsbox 3,1\n\t" ST(3, "%0") OPERANDS);
    show("vsbox", &t);

    make_sbox();
    unsigned char key[16];
    for (int i = 0; i < 16; i++)
        key[i] = (unsigned char)i;
    expand_key(key);
    bytes(&t, 0x00, 0x11);
    ROUND("vxor", &rk[0]);
    for (int r = 1; r <= 9; r++)
        ROUND("vcipher", &rk[r]);
    ROUND("vcipherlast", &rk[10]);
    print_state("ct");
    ROUND("vxor", &rk[10]);
    for (int r = 9; r >= 1; r--)
        ROUND("vncipher", &rk[r]);
    ROUND("vncipherlast", &rk[0]);
    print_state("pt");
    return 0;
}
