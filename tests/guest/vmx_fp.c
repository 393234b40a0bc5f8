/* VMX single-precision floating point (-mcpu=power8), in either byte order: arithmetic, maximum
   and minimum, round to integral, fixed-point conversions with saturation, and compares with the
   CR field 6 summary, with VSCR[NJ] clear. Registers are kept in the big-endian layout in both
   byte orders (a little-endian load or store reverses the register with vperm). Each line prints
   the four words of a result. */
#include <stdio.h>
#include <string.h>

#include "vmx_harness.h"

#define VU(insn, uimm) __asm__ volatile(PRE insn " 3,2," #uimm "\n\t" ST(3, "%0") OPERANDS)
#define RECORD(insn)                                                                                        \
    do {                                                                                                    \
        unsigned long cr;                                                                                   \
        __asm__ volatile("lvx 0,0,%5\n\t" LD(1, "%2") LD(2, "%3") insn " 3,1,2\n\tmfcr %0\n\t" ST(3, "%1")     \
                         : "=&r"(cr)                                                                         \
                         : "r"(&t), "r"(&a), "r"(&b), "r"(&c), "r"(&rev)                                    \
                         : "v0", "v1", "v2", "v3", "memory", "cr6");                                        \
        show(insn, &t);                                                                                     \
        printf("cr6         %lx\n", (cr >> 4) & 0xF);                                                       \
    } while (0)

int main(void)
{
    CLEAR_VSCR();

    /* Add, subtract, multiply-add and negative multiply-subtract. */
    set(&a, 0x3F800000, 0x7F7FFFFF, 0x7F800000, 0x00800001);
    set(&b, 0x3F800000, 0x7F7FFFFF, 0xFF800000, 0x80800000);
    VX("vaddfp");
    show("vaddfp", &t);
    set(&a, 0x3F800000, 0x7F800001, 0x00800001, 0x7F800000);
    set(&b, 0xFFC00005, 0xFFC00000, 0x00800000, 0x7F800000);
    VX("vsubfp");
    show("vsubfp", &t);
    /* The assembler order is VRT, VRA, VRC, VRB: v1 x v2 + v4 here. Lane 0 is exactly 2^-46. */
    set(&a, 0x3F800001, 0x40000000, 0x7F800000, 0x3F800000);
    set(&b, 0x3F800001, 0x40400000, 0x00000000, 0x3F800000);
    set(&c, 0xBF800002, 0x3F800000, 0x3F800000, 0x00000000);
    VA("vmaddfp");
    show("vmaddfp", &t);
    VA("vnmsubfp");
    show("vnmsubfp", &t);
    set(&a, 0x7F800000, 0x00000000, 0x40000000, 0x00000000);
    set(&b, 0xFF800000, 0x3F800000, 0x40E00000, 0x00000000);
    set(&c, 0x3F800000, 0x7F800000, 0x40400000, 0x00000000);
    VA("vmaddfp");
    show("vmaddfp", &t);
    VA("vnmsubfp");
    show("vnmsubfp", &t);

    /* Maximum and minimum. */
    set(&a, 0x00000000, 0x80000000, 0xFF800000, 0x7F800001);
    set(&b, 0x80000000, 0x00000000, 0x7F7FFFFF, 0x3F800000);
    VX("vmaxfp");
    show("vmaxfp", &t);
    VX("vminfp");
    show("vminfp", &t);

    /* Round to integral. */
    set(&b, 0x40200000, 0xBF000000, 0x3FC00000, 0x3F000000);
    VB("vrfin");
    show("vrfin", &t);
    VB("vrfiz");
    show("vrfiz", &t);
    set(&b, 0x3F000001, 0xBF000001, 0xFF800000, 0x7F800001);
    VB("vrfip");
    show("vrfip", &t);
    VB("vrfim");
    show("vrfim", &t);

    /* Conversions from and to fixed point. */
    set(&b, 0xFFFFFFFF, 0x01000001, 1, 0);
    VU("vcfux", 0);
    show("vcfux", &t);
    set(&b, 1, 0xFFFFFFFF, 0, 0x7FFFFFFF);
    VU("vcfsx", 31);
    show("vcfsx31", &t);
    VU("vcfsx", 0);
    show("vcfsx", &t);
    CLEAR_VSCR();
    set(&b, 0x4F000000, 0xCF000000, 0xCF000001, 0x3FC00000);
    VU("vctsxs", 0);
    show("vctsxs", &t);
    SHOW_VSCR();
    CLEAR_VSCR();
    set(&b, 0xCF000000, 0xBFC00000, 0x7FC00000, 0x3F800000);
    VU("vctsxs", 0);
    show("vctsxs", &t);
    SHOW_VSCR();
    VU("vctsxs", 31);
    show("vctsxs31", &t);
    SHOW_VSCR();
    CLEAR_VSCR();
    set(&b, 0x3F800000, 0x4B800001, 0xBF800000, 0x4F800000);
    VU("vctuxs", 0);
    show("vctuxs", &t);
    SHOW_VSCR();
    CLEAR_VSCR();
    set(&b, 0xBF000000, 0x4F7FFFFF, 0x80000000, 0x3F7FFFFF);
    VU("vctuxs", 0);
    show("vctuxs", &t);
    SHOW_VSCR();

    /* Compares and their record forms. */
    set(&a, 0x40400000, 0xC0400000, 0x3F800000, 0x7FC00000);
    set(&b, 0x40000000, 0x40000000, 0x40000000, 0x40000000);
    RECORD("vcmpbfp.");
    set(&a, 0x3F800000, 0xBF800000, 0x00000000, 0x3F000000);
    RECORD("vcmpbfp.");
    set(&a, 0x00000000, 0x00000001, 0x7FC00000, 0x7F800000);
    set(&b, 0x80000000, 0x80000000, 0x7FC00000, 0x7F800000);
    RECORD("vcmpeqfp.");
    RECORD("vcmpgefp.");
    RECORD("vcmpgtfp.");
    set(&a, 0x40000000, 0x40000000, 0x40000000, 0x40000000);
    set(&b, 0x3F800000, 0x3F800000, 0x3F800000, 0xBF800000);
    RECORD("vcmpgtfp.");
    return 0;
}
