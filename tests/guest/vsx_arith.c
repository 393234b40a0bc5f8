/* VSX floating-point arithmetic in a big-endian program (-mcpu=power8): add, subtract, multiply,
   divide and fused multiply-add in scalar and vector forms, with FPSCR written by mtfsf (every
   enable 0) and read back by mffs. Each line prints the result doublewords and FPSCR without FR,
   which the reference used for the expected file does not model. */
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

/* XT (VSR 35) from XA (VSR 33) and XB (VSR 34); XT's doublewords preset for the multiply-adds. */
#define RUN3(insn, a0, a1, b0, b1, t0, t1)                                                                  \
    do {                                                                                                    \
        u64 in[6] __attribute__((aligned(16))) = {a0, a1, b0, b1, t0, t1};                                  \
        u64 out[2] __attribute__((aligned(16)));                                                            \
        set_fpscr(fpscr_in);                                                                                \
        __asm__ volatile("lxvd2x 33,0,%1\n\tlxvd2x 34,0,%2\n\tlxvd2x 35,0,%3\n\t" insn                      \
                         " 35,33,34\n\tstxvd2x 35,0,%0"                                                     \
                         :                                                                                  \
                         : "r"(out), "r"(in), "r"(in + 2), "r"(in + 4)                                      \
                         : "v1", "v2", "v3", "memory");                                                     \
        u64 f = get_fpscr();                                                                                \
        printf("%-11s %016lx %016lx %08lx\n", insn, out[0], out[1], f);                                     \
    } while (0)

int main(void)
{
    const u64 one = bits(1.0), two = bits(2.0), three = bits(3.0), ten = bits(10.0);
    const u64 snan = 0x7FF0000000000001ul, qnan_neg5 = 0xFFF8000000000005ul;
    u64 fpscr_in = 0;

    RUN3("xsadddp", one, 0, snan, 0, 0, 0);
    RUN3("xsadddp", qnan_neg5, 0, snan, 0, 0, 0);
    RUN3("xsadddp", bits(0.1), 0, bits(0.2), 0, 0, 0);
    RUN3("xsmuldp", bits(1e300), 0, bits(1e10), 0, 0, 0);
    RUN3("xsmuldp", 0, 0, 0x7FF0000000000000ul, 0, 0, 0);
    RUN3("xsdivdp", one, 0, 0, 0, 0, 0);
    RUN3("xsdivdp", 0, 0, 0, 0, 0, 0);
    RUN3("xsdivdp", bits(-1.0), 0, 0, 0, 0, 0);
    fpscr_in = 3;
    RUN3("xssubdp", one, 0, one, 0, 0, 0);
    fpscr_in = 0;
    RUN3("xssubdp", one, 0, one, 0, 0, 0);
    RUN3("xsaddsp", bits(1.0), 0, bits(1e-9), 0, 0, 0);
    RUN3("xsmulsp", bits(3.0), 0, bits(1.0 / 3.0), 0, 0, 0);
    RUN3("xsdivsp", one, 0, three, 0, 0, 0);
    RUN3("xssubsp", bits(1e39), 0, bits(-1e39), 0, 0, 0);

    RUN3("xvdivdp", one, three, three, three, 0, 0);
    RUN3("xvadddp", one, 0x7FF0000000000000ul, one, 0xFFF0000000000000ul, 0, 0);
    RUN3("xvmuldp", bits(1.5), bits(-2.0), bits(4.0), bits(0.25), 0, 0);
    RUN3("xvsubdp", bits(1e308), snan, bits(-1e308), one, 0, 0);
    RUN3("xvaddsp", 0x3F80000040000000ul, 0x7F7FFFFF00000001ul, 0x3F8000003F800000ul, 0x7F7FFFFF00000001ul, 0, 0);
    RUN3("xvdivsp", 0x3F8000003F800000ul, 0x3F8000003F800000ul, 0x4040000040400000ul, 0x0000000040400000ul, 0,
         0);
    RUN3("xvmulsp", 0x7F80000000000000ul, 0x3F8000007FA00000ul, 0x000000003F800000ul, 0x4000000040000000ul, 0,
         0);

    RUN3("xsmaddadp", two, 0, three, 0, ten, 0);
    RUN3("xsmaddmdp", two, 0, three, 0, ten, 0);
    RUN3("xsmsubadp", two, 0, three, 0, ten, 0);
    RUN3("xsmsubmdp", two, 0, three, 0, ten, 0);
    RUN3("xsnmaddadp", two, 0, three, 0, ten, 0);
    RUN3("xsnmaddmdp", two, 0, three, 0, ten, 0);
    RUN3("xsnmsubadp", two, 0, three, 0, ten, 0);
    RUN3("xsnmsubmdp", two, 0, three, 0, ten, 0);
    RUN3("xsmaddadp", 0x3FF0000008000000ul, 0, 0x3FF0000008000000ul, 0, 0xBFF0000010000000ul, 0);
    RUN3("xsmaddadp", 0x7FF0000000000000ul, 0, 0, 0, 0x7FF8000000000003ul, 0);
    RUN3("xsmaddasp", bits(1e20), 0, bits(1e20), 0, one, 0);
    RUN3("xsnmsubasp", two, 0, three, 0, ten, 0);
    RUN3("xvmaddadp", two, snan, three, one, ten, one);
    RUN3("xvnmsubmdp", two, one, three, one, ten, one);
    RUN3("xvmaddasp", 0x3F8008003F800000ul, 0x7F7FFFFF40000000ul, 0x3F8008003F800000ul, 0x7F7FFFFF40000000ul,
         0xBF801000BF800000ul, 0x0000000040400000ul);
    RUN3("xvnmaddmsp", 0x4000000040000000ul, 0x4000000040000000ul, 0x4040000040400000ul, 0x4040000040400000ul,
         0x4120000041200000ul, 0x4120000041200000ul);
    return 0;
}
