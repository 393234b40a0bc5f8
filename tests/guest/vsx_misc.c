/* VSX conversions, compares, rounding to integral, square roots, software tests, minimum and
   maximum and sign operations in a big-endian program (-mcpu=power8), with FPSCR written by mtfsf
   (every enable 0) and read back by mffs. Each line prints the target's doublewords, the CR field
   the instruction sets (compares and tests; 0 otherwise) and FPSCR without FR. The estimates are
   left out: their values are the processor's own. */
#include <stdio.h>
#include <string.h>

typedef unsigned long u64;

static u64 bits(double d)
{
    u64 b;
    memcpy(&b, &d, sizeof b);
    return b;
}

static void set_fpscr(u64 value)
{
    double d;
    memcpy(&d, &value, sizeof d);
    __asm__ volatile("mtfsf 0xff,%0" : : "d"(d));
}

static u64 get_fpscr(void)
{
    double d;
    __asm__ volatile("mffs %0" : "=d"(d));
    return bits(d) & 0xFFFFFFFFul & ~0x40000ul;
}

static u64 fpscr_in;

static void show(const char *insn, const u64 *out, unsigned cr_field)
{
    printf("%-11s %016lx %016lx %x %08lx\n", insn, out[0], out[1], cr_field, get_fpscr());
}

/* XT (VSR 35) from XA (VSR 33) and XB (VSR 34); CR field 1 for the scalar compares and tests, CR6
   for the record forms. XT starts as 0xEE... so that an unwritten target shows. */
#define RUN(insn, operands, a0, a1, b0, b1)                                                                  \
    do {                                                                                                     \
        u64 in[6]                                                                                            \
            __attribute__((aligned(16))) = {a0, a1, b0, b1, 0xEEEEEEEEEEEEEEEEul, 0xEEEEEEEEEEEEEEEEul};     \
        u64 out[2] __attribute__((aligned(16)));                                                             \
        unsigned cr;                                                                                         \
        set_fpscr(fpscr_in);                                                                                 \
        __asm__ volatile("mtcrf 0xff,%5\n\tlxvd2x 33,0,%2\n\tlxvd2x 34,0,%3\n\tlxvd2x 35,0,%4\n\t" insn      \
                         " " operands "\n\tstxvd2x 35,0,%1\n\tmfcr %0"                                       \
                         : "=r"(cr)                                                                          \
                         : "r"(out), "r"(in), "r"(in + 2), "r"(in + 4), "r"(0)                               \
                         : "v1", "v2", "v3", "cr1", "cr6", "memory");                                        \
        show(insn, out, ((cr >> 24) & 0xF) | ((cr >> 4) & 0xF));                                             \
    } while (0)

/* The FPR word merges: FRT (f3) from FRA (f1) and FRB (f2). */
#define MERGE(insn, a0, b0)                                                                                  \
    do {                                                                                                     \
        u64 in[6] __attribute__((aligned(16))) = {                                                           \
            a0, 0x1111, b0, 0x2222, 0xEEEEEEEEEEEEEEEEul, 0xEEEEEEEEEEEEEEEEul};                             \
        u64 out[2] __attribute__((aligned(16)));                                                             \
        set_fpscr(fpscr_in);                                                                                 \
        __asm__ volatile("lxvd2x 1,0,%1\n\tlxvd2x 2,0,%2\n\tlxvd2x 3,0,%3\n\t" insn                          \
                         " 3,1,2\n\tstxvd2x 3,0,%0"                                                          \
                         :                                                                                   \
                         : "r"(out), "r"(in), "r"(in + 2), "r"(in + 4)                                       \
                         : "fr1", "fr2", "fr3", "memory");                                                   \
        show(insn, out, 0);                                                                                  \
    } while (0)

#define XS2(insn, b0, b1) RUN(insn, "35,34", 0, 0, b0, b1)
#define XS3(insn, a0, a1, b0, b1) RUN(insn, "35,33,34", a0, a1, b0, b1)
#define CMP(insn, a0, b0) RUN(insn, "1,33,34", a0, 0, b0, 0)
#define TST1(insn, b0, b1) RUN(insn, "1,34", 0, 0, b0, b1)

#define W2(a, b) (((u64)(a) << 32) | (b))

int main(void)
{
    const u64 one = bits(1.0), snan = 0x7FF0000000000001ul, qnan = 0x7FF8000000000000ul;
    const u64 minus_zero = 0x8000000000000000ul, inf = 0x7FF0000000000000ul, minus_inf = 0xFFF0000000000000ul;
    const u64 qnan_neg5 = 0xFFF8000000000005ul;

    /* rounding to integral */
    XS2("xsrdpi", bits(2.5), 0);
    XS2("xsrdpi", bits(-2.5), 0);
    XS2("xsrdpic", bits(2.5), 0);
    XS2("xsrdpic", bits(-2.5), 0);
    XS2("xsrdpiz", bits(-0.7), 0);
    XS2("xsrdpip", bits(-0.7), 0);
    XS2("xsrdpim", bits(0.2), 0);
    XS2("xsrdpi", snan, 0);
    XS2("xsrdpiz", minus_inf, 0);
    XS2("xsrdpi", bits(4503599627370497.0), 0);
    XS2("xvrdpi", bits(0.5), bits(-1.5));
    XS2("xvrdpic", bits(1.25), bits(7.0));
    XS2("xvrdpim", bits(-0.25), snan);
    XS2("xvrspi", W2(0x3FC00000, 0xC0200000), W2(0x7F800001, 0x80000000));
    XS2("xvrspiz", W2(0x3FC00000, 0xC0200000), W2(0x3F000000, 0xBF400000));
    XS2("xvrspip", W2(0x3FC00000, 0xC0200000), W2(0x3F000000, 0xBF400000));
    XS2("xvrspim", W2(0x3FC00000, 0xC0200000), W2(0x3F000000, 0xBF400000));
    XS2("xvrspic", W2(0x3FC00000, 0xC0200000), W2(0x3F000000, 0x4B800001));
    XS2("xsrsp", bits(1.0 + 1.0 / (1 << 24)), 0);
    XS2("xsrsp", bits(1e39), 0);
    XS2("xsrsp", snan, 0);

    /* conversions */
    XS2("xscvdpsxws", bits(1.5), 0);
    XS2("xscvdpuxws", bits(-3.0), 0);
    XS2("xscvdpsxws", bits(2147483648.0), 0);
    XS2("xscvdpsxws", bits(-2147483648.9), 0);
    XS2("xscvdpuxws", bits(-0.5), 0);
    XS2("xscvdpsxds", bits(-1e19), 0);
    XS2("xscvdpuxds", inf, 0);
    XS2("xscvdpuxds", qnan, 0);
    XS2("xscvdpsxds", snan, 0);
    XS2("xscvdpsp", bits(1.0 + 1.0 / (1 << 24)), 0);
    XS2("xscvdpsp", bits(1e39), 0);
    XS2("xscvdpsp", snan, 0);
    XS2("xscvspdp", W2(0x00000001, 0), 0);
    XS2("xscvspdp", W2(0x7F800001, 0), 0);
    XS2("xscvsxddp", 0x7FFFFFFFFFFFFFFFul, 0);
    XS2("xscvuxddp", 0xFFFFFFFFFFFFFFFFul, 0);
    fpscr_in = 1;
    XS2("xscvuxddp", 0xFFFFFFFFFFFFFFFFul, 0);
    XS2("xvcvuxwsp", W2(0xFFFFFFFF, 1), W2(0x80000000, 0x7FFFFFFF));
    fpscr_in = 0;
    XS2("xvcvuxwsp", W2(0xFFFFFFFF, 1), W2(0x80000000, 0x7FFFFFFF));
    XS2("xvcvsxwsp", W2(0xFFFFFFFF, 1), W2(0x80000000, 0x7FFFFFFF));
    XS2("xvcvdpsxws", bits(1.5), qnan);
    XS2("xvcvdpuxws", bits(-7.5), bits(4294967296.0));
    XS2("xvcvdpsxds", bits(-2.5), bits(1e300));
    XS2("xvcvdpuxds", bits(3.75), minus_inf);
    XS2("xvcvspsxws", W2(0x3FC00000, 0xCF000001), W2(0xFF800000, 0x4F000000));
    XS2("xvcvspuxws", W2(0x3FC00000, 0xBF000000), W2(0x4F800000, 0x7F800000));
    XS2("xvcvspsxds", W2(0xC0200000, 0x12345678), W2(0x5F000000, 0x12345678));
    XS2("xvcvspuxds", W2(0x40200000, 0x12345678), W2(0xFF800000, 0x12345678));
    XS2("xvcvsxwdp", W2(0x80000000, 0x12345678), W2(0x00000007, 0x9ABCDEF0));
    XS2("xvcvuxwdp", W2(0x80000000, 0x12345678), W2(0xFFFFFFFF, 0x9ABCDEF0));
    XS2("xvcvspdp", W2(0x7F800001, 0x12345678), W2(0x3EAAAAAB, 0x9ABCDEF0));
    XS2("xvcvdpsp", bits(1e39), bits(1.0 / 3.0));
    XS2("xvcvsxddp", 0x8000000000000001ul, 0x0020000000000001ul);
    XS2("xvcvuxddp", 0x8000000000000001ul, 5);
    XS2("xvcvsxdsp", 0xFFFFFFFFFFFFFFFFul, 0x0000000001000001ul);
    XS2("xvcvuxdsp", 0xFFFFFFFFFFFFFFFFul, 0x0000000001000001ul);

    /* compares */
    CMP("xscmpudp", 0, minus_zero);
    CMP("xscmpudp", minus_inf, inf);
    CMP("xscmpudp", qnan, one);
    CMP("xscmpudp", snan, one);
    CMP("xscmpodp", qnan, one);
    CMP("xscmpodp", one, snan);
    CMP("xscmpodp", bits(2.0), one);
    XS3("xvcmpgtsp.", W2(0x7FC00000, 0x3F800000), W2(0x3F800000, 0x40000000), W2(0x3F800000, 0x3F800000),
        W2(0x3F800000, 0xBF800000));
    XS3("xvcmpeqdp.", qnan, one, one, one);
    XS3("xvcmpeqdp.", 0, one, minus_zero, one);
    XS3("xvcmpeqsp.", W2(0x7F800001, 0), W2(1, 2), W2(0x7F800001, 0x80000000), W2(1, 3));
    XS3("xvcmpgedp.", inf, 0, inf, minus_zero);
    XS3("xvcmpgtdp.", inf, 0, inf, minus_zero);
    XS3("xvcmpgtdp.", snan, one, one, 0);
    XS3("xvcmpgesp.", W2(0x3F800000, 0x00000001), W2(0xFF800000, 0x7F800000), W2(0x3F800000, 0),
        W2(0xFF800000, 0x7F7FFFFF));

    /* square roots and tests */
    XS2("xssqrtdp", bits(-1.0), 0);
    XS2("xssqrtdp", minus_zero, 0);
    XS2("xssqrtdp", inf, 0);
    XS2("xssqrtdp", minus_inf, 0);
    XS2("xssqrtdp", snan, 0);
    XS2("xssqrtdp", qnan_neg5, 0);
    XS2("xssqrtdp", bits(4.0), 0);
    XS2("xvsqrtdp", bits(2.0), bits(-4.0));
    XS2("xvsqrtsp", W2(0x40800000, 0x3F800000), W2(0xBF800000, 0x7F800001));
    XS2("xssqrtsp", bits(4.0), 0);
    RUN("xstdivdp", "1,33,34", one, 0, 0, 0);
    RUN("xstdivdp", "1,33,34", one, 0, one, 0);
    RUN("xstdivdp", "1,33,34", qnan, 0, one, 0);
    RUN("xstdivdp", "1,33,34", one, 0, 1, 0);
    RUN("xvtdivdp", "1,33,34", one, one, one, 0x7FE0000000000000ul);
    RUN("xvtdivsp", "1,33,34", W2(0x3F800000, 0x3F800000), 0, W2(0x3F800000, 0x3F800000),
        W2(0x3F800000, 0x3F800000));
    TST1("xstsqrtdp", bits(4.0), 0);
    TST1("xstsqrtdp", bits(-4.0), 0);
    TST1("xstsqrtdp", 0x0010000000000000ul, 0);
    TST1("xstsqrtdp", 0x0360000000000000ul, 0);
    TST1("xstsqrtdp", 0, 0);
    TST1("xvtsqrtdp", one, inf);
    TST1("xvtsqrtsp", W2(0x3F800000, 0x3F800000), W2(0x3F800000, 0x00000001));

    /* minimum and maximum */
    XS3("xsmaxdp", 0, 0, minus_zero, 0);
    XS3("xsmaxdp", minus_zero, 0, 0, 0);
    XS3("xsmindp", 0, 0, minus_zero, 0);
    XS3("xsmindp", minus_zero, 0, 0, 0);
    XS3("xsmaxdp", qnan, 0, one, 0);
    XS3("xsmaxdp", one, 0, qnan, 0);
    XS3("xsmaxdp", qnan, 0, snan, 0);
    XS3("xsmaxdp", snan, 0, one, 0);
    XS3("xsmaxdp", minus_inf, 0, 1, 0);
    XS3("xsmindp", bits(-1.0), 0, bits(-2.0), 0);
    XS3("xvmaxdp", one, minus_zero, bits(2.0), 0);
    XS3("xvmindp", one, minus_zero, bits(2.0), 0);
    XS3("xvmaxsp", W2(0x3F800000, 0x80000000), W2(0xFF800000, 0x7FC00000), W2(0x40000000, 0),
        W2(0x00000001, 0x7F800001));
    XS3("xvminsp", W2(0x3F800000, 0x80000000), W2(0xFF800000, 0x7FC00000), W2(0x40000000, 0),
        W2(0x00000001, 0x3F800000));

    /* sign operations */
    XS2("xsnegdp", 0, 5);
    XS2("xsnegdp", snan, 0);
    XS2("xsabsdp", minus_inf, 7);
    XS2("xsnabsdp", one, 0);
    XS3("xscpsgndp", minus_zero, 0, qnan, 9);
    XS2("xvnegsp", W2(0x80000000, 0x7FC00000), W2(0x3F800000, 0));
    XS2("xvabssp", W2(0x80000000, 0xFFC00000), W2(0xBF800000, 0));
    XS2("xvnabssp", W2(0x80000000, 0x7FC00000), W2(0x3F800000, 0));
    XS2("xvabsdp", minus_zero, bits(-3.0));
    XS2("xvnegdp", minus_zero, bits(-3.0));
    XS2("xvnabsdp", minus_zero, bits(3.0));
    XS3("xvcpsgndp", minus_zero, 0, one, bits(-2.0));
    /* decimal add and subtract on vector registers (VR 1, 2 into VR 3), outcome in CR6 */
    RUN("bcdadd.", "3,1,2,0", 0, 0x1C, 0, 0x1C);
    RUN("bcdadd.", "3,1,2,1", 0, 0x1C, 0, 0x1C);
    RUN("bcdadd.", "3,1,2,0", 0x5000000000000000ul, 0xD, 0x5000000000000000ul, 0xD);
    RUN("bcdadd.", "3,1,2,0", 0x5000000000000000ul, 0xC, 0x5000000000000000ul, 0xC);
    RUN("bcdadd.", "3,1,2,0", 0, 0x5D, 0, 0x5C);
    RUN("bcdsub.", "3,1,2,0", 0, 0x3C, 0, 0x5C);
    RUN("bcdsub.", "3,1,2,0", 0, 0x123A, 0, 0x987B);
    RUN("bcdadd.", "3,1,2,0", 0x9999999999999999ul, 0x999999999999999Ful, 0, 0x1E);
    MERGE("fmrgew", 0x0123456789ABCDEFul, 0xFEDCBA9876543210ul);
    MERGE("fmrgow", 0x0123456789ABCDEFul, 0xFEDCBA9876543210ul);
    XS3("xvcpsgnsp", W2(0x80000000, 0), W2(0x80000000, 0), W2(0x3F800000, 0xBF800000),
        W2(0x7FC00000, 0xFFC00000));
    return 0;
}
