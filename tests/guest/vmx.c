/* Vector instructions in a big-endian program (-mcpu=power8): saturating add and VSCR, packs,
   merges, permute-control vectors, VSX permutes and splats, a GPR move and VMX stores and loads.
   Each line prints the four words of a result register as the big-endian memory image holds
   them (word element 0 first). */
#include <stdio.h>
#include <string.h>

typedef struct {
    unsigned int w[4];
} __attribute__((aligned(16))) quad;

static quad a, b, t;

static void show(const char *name, const quad *q)
{
    printf("%-10s %08x %08x %08x %08x\n", name, q->w[0], q->w[1], q->w[2], q->w[3]);
}

static void set(quad *q, unsigned w0, unsigned w1, unsigned w2, unsigned w3)
{
    q->w[0] = w0;
    q->w[1] = w1;
    q->w[2] = w2;
    q->w[3] = w3;
}

/* VT = op(VA, VB) for a VX-form instruction, through v1, v2 and v3. */
#define VX(insn)                                                                                            \
    __asm__ volatile("lvx 1,0,%1\n\tlvx 2,0,%2\n\t" insn " 3,1,2\n\tstvx 3,0,%0"                            \
                     :                                                                                      \
                     : "r"(&t), "r"(&a), "r"(&b)                                                            \
                     : "v1", "v2", "v3", "memory")

/* XT = op(XA, XB) with an immediate, on VSR 33, 34 and 35 (the VMX registers 1-3). */
#define XX3(insn, imm)                                                                                      \
    __asm__ volatile("lvx 1,0,%1\n\tlvx 2,0,%2\n\t" insn " 35,33,34," #imm "\n\tstvx 3,0,%0"                 \
                     :                                                                                      \
                     : "r"(&t), "r"(&a), "r"(&b)                                                            \
                     : "v1", "v2", "v3", "memory")

int main(void)
{
    /* vaddubs with saturation, then mfvscr. */
    set(&a, 0xFF80057F, 0, 0, 0);
    set(&b, 0x01FF0501, 0, 0, 0);
    __asm__ volatile("vspltisw 0,0\n\tmtvscr 0" ::: "v0");
    VX("vaddubs");
    show("vaddubs", &t);
    __asm__ volatile("mfvscr 3\n\tstvx 3,0,%0" : : "r"(&t) : "v3", "memory");
    show("vscr", &t);

    /* vpkshss: halfwords {-129, 128, 127, 0} and {-128, 256, 0x7FFF, 0x8000}. */
    __asm__ volatile("vspltisw 0,0\n\tmtvscr 0" ::: "v0");
    set(&a, 0xFF7F0080, 0x007F0000, 0, 0);
    set(&b, 0xFF800100, 0x7FFF8000, 0, 0);
    VX("vpkshss");
    show("vpkshss", &t);
    __asm__ volatile("mfvscr 3\n\tstvx 3,0,%0" : : "r"(&t) : "v3", "memory");
    show("vscr", &t);

    /* Merges. */
    set(&a, 1, 2, 3, 4);
    set(&b, 5, 6, 7, 8);
    VX("vmrgew");
    show("vmrgew", &t);
    VX("vmrgow");
    show("vmrgow", &t);
    VX("vmrghw");
    show("vmrghw", &t);
    VX("vmrglw");
    show("vmrglw", &t);

    /* Unsigned and signed saturating subtracts and the carry words. */
    set(&a, 0x00058000, 0x80000000, 5, 4);
    set(&b, 0x01057FFF, 0x00000001, 5, 5);
    VX("vsububs");
    show("vsububs", &t);
    VX("vsubshs");
    show("vsubshs", &t);
    VX("vsubsws");
    show("vsubsws", &t);
    VX("vsubcuw");
    show("vsubcuw", &t);
    VX("vaddcuw");
    show("vaddcuw", &t);

    /* Permute-control vectors with sh = 5. */
    {
        unsigned long sh = 5;
        __asm__ volatile("lvsl 3,0,%1\n\tstvx 3,0,%0" : : "r"(&t), "r"(sh) : "v3", "memory");
        show("lvsl", &t);
        __asm__ volatile("lvsr 3,0,%1\n\tstvx 3,0,%0" : : "r"(&t), "r"(sh) : "v3", "memory");
        show("lvsr", &t);
    }

    /* VSX permutes. */
    set(&a, 0xA0, 0xA1, 0xA2, 0xA3);
    set(&b, 0xB0, 0xB1, 0xB2, 0xB3);
    XX3("xxpermdi", 0);
    show("xxpermdi0", &t);
    XX3("xxpermdi", 1);
    show("xxpermdi1", &t);
    XX3("xxpermdi", 2);
    show("xxpermdi2", &t);
    XX3("xxpermdi", 3);
    show("xxpermdi3", &t);
    XX3("xxsldwi", 0);
    show("xxsldwi0", &t);
    XX3("xxsldwi", 1);
    show("xxsldwi1", &t);
    XX3("xxsldwi", 2);
    show("xxsldwi2", &t);
    XX3("xxsldwi", 3);
    show("xxsldwi3", &t);
    __asm__ volatile("lvx 2,0,%1\n\txxspltw 35,34,3\n\tstvx 3,0,%0" : : "r"(&t), "r"(&b) : "v2", "v3", "memory");
    show("xxspltw3", &t);
    __asm__ volatile("lvx 1,0,%1\n\tlvx 2,0,%2\n\txxlxor 35,33,34\n\tstvx 3,0,%0"
                     :
                     : "r"(&t), "r"(&a), "r"(&b)
                     : "v1", "v2", "v3", "memory");
    show("xxlxor", &t);

    /* mtvsrwa and mtvsrwz of 0x0000000080000001. */
    {
        unsigned long dw0;
        long value = 0x80000001L;
        __asm__ volatile("mtvsrwa 35,%1\n\tmfvsrd %0,35" : "=r"(dw0) : "r"(value) : "v3");
        printf("mtvsrwa    %016lx\n", dw0);
        __asm__ volatile("mtvsrwz 35,%1\n\tmfvsrd %0,35" : "=r"(dw0) : "r"(value) : "v3");
        printf("mtvsrwz    %016lx\n", dw0);
    }

    /* Splat immediates and a splat of an element. */
    __asm__ volatile("vspltisb 3,-16\n\tstvx 3,0,%0" : : "r"(&t) : "v3", "memory");
    show("vspltisb", &t);
    __asm__ volatile("lvx 2,0,%1\n\tvspltw 3,2,2\n\tstvx 3,0,%0" : : "r"(&t), "r"(&b) : "v2", "v3", "memory");
    show("vspltw", &t);

    /* Stores and loads: a round trip through stvx and lvx, then a halfword element store. */
    {
        static quad buffer;
        set(&a, 0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F);
        __asm__ volatile("lvx 1,0,%1\n\tstvx 1,0,%0" : : "r"(&buffer), "r"(&a) : "v1", "memory");
        __asm__ volatile("lvx 3,0,%1\n\tstvx 3,0,%0" : : "r"(&t), "r"(&buffer) : "v3", "memory");
        show("lvx", &t);
        set(&b, 0xF0F1F2F3, 0xF4F5F6F7, 0xF8F9FAFB, 0xFCFDFEFF);
        __asm__ volatile("lvx 2,0,%1\n\tstvehx 2,0,%0"
                         :
                         : "r"((char *)&buffer + 6), "r"(&b)
                         : "v2", "memory");
        show("stvehx", &buffer);
        __asm__ volatile("lvx 2,0,%1\n\tstvewx 2,0,%0"
                         :
                         : "r"((char *)&buffer + 9), "r"(&b)
                         : "v2", "memory");
        show("stvewx", &buffer);
    }
    return 0;
}
