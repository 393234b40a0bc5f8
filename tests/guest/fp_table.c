/* Binary floating point through compiled C code: a table of operands through add, subtract,
   multiply, divide, fused multiply-add, square root, single-precision arithmetic and the
   conversions to and from integers, in each of the four rounding modes. Every result is printed
   as its bit pattern with the exception flags it raised. */
#include <fenv.h>
#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

static uint64_t dbits(double d)
{
    uint64_t b;
    memcpy(&b, &d, sizeof b);
    return b;
}

static uint32_t fbits(float f)
{
    uint32_t b;
    memcpy(&b, &f, sizeof b);
    return b;
}

/* The raised flags as letters: Invalid, Divide by zero, Overflow, Underflow, Inexact. */
static const char *flags(void)
{
    static char text[6];
    int n = 0;
    text[n++] = fetestexcept(FE_INVALID) ? 'I' : '-';
    text[n++] = fetestexcept(FE_DIVBYZERO) ? 'Z' : '-';
    text[n++] = fetestexcept(FE_OVERFLOW) ? 'O' : '-';
    text[n++] = fetestexcept(FE_UNDERFLOW) ? 'U' : '-';
    text[n++] = fetestexcept(FE_INEXACT) ? 'X' : '-';
    text[n] = 0;
    feclearexcept(FE_ALL_EXCEPT);
    return text;
}

static volatile double operands[][3] = {
    {1.0, 3.0, 0.5},
    {-2.5, 0.1, 1e-300},
    {1e308, 10.0, -1e308},
    {0x1p-1070, 0x1p-3, 0.0},
    {-0.0, 0.0, -0.0},
    {INFINITY, -INFINITY, 2.0},
    {NAN, 1.0, 1.0},
    {123456789.123, -987654.321, 1e-5},
    {0x1.fffffffffffffp0, 0x1.0000000000001p0, -2.0},
    {3.4e38, 3.4e38, 1.0},
};

static const struct {
    int mode;
    const char *name;
} modes[] = {
    {FE_TONEAREST, "nearest"},
    {FE_TOWARDZERO, "zero"},
    {FE_UPWARD, "up"},
    {FE_DOWNWARD, "down"},
};

/* Each result is stored before the flags are read, so that they are the operation's own. */
#define D(name, expr)                                                                              \
    do {                                                                                           \
        volatile double r_ = (expr);                                                               \
        printf(" %s %016llx %s", name, (unsigned long long)dbits(r_), flags());                    \
    } while (0)
#define F(name, expr)                                                                              \
    do {                                                                                           \
        volatile float r_ = (expr);                                                                \
        printf(" %s %08x %s", name, fbits(r_), flags());                                           \
    } while (0)
#define L(name, expr)                                                                              \
    do {                                                                                           \
        volatile unsigned long r_ = (unsigned long)(expr);                                         \
        printf(" %s %016lx %s", name, r_, flags());                                                \
    } while (0)

int main(void)
{
    for (unsigned m = 0; m < sizeof modes / sizeof modes[0]; m++) {
        fesetround(modes[m].mode);
        printf("mode %s\n", modes[m].name);
        for (unsigned i = 0; i < sizeof operands / sizeof operands[0]; i++) {
            /* Every operand is read afresh, so that no operation is shared between lines. */
#define a operands[i][0]
#define b operands[i][1]
#define c operands[i][2]
#define fa ((float)operands[i][0])
#define fb ((float)operands[i][1])
#define fc ((float)operands[i][2])
            feclearexcept(FE_ALL_EXCEPT);
            printf("%u", i);
            D("add", a + b);
            D("sub", a - b);
            D("mul", a * b);
            D("div", a / b);
            printf("\n%u", i);
            D("fma", fma(a, b, c));
            D("fms", fma(a, b, -c));
            D("nfma", -fma(a, b, c));
            D("sqrt", sqrt(a));
            printf("\n%u", i);
            F("single", (float)a);
            F("adds", fa + fb);
            F("muls", fa * fb);
            F("divs", fa / fb);
            F("fmas", fmaf(fa, fb, fc));
            printf("\n%u", i);
            L("long", (long)a);
            L("int", (unsigned)(int)b);
            D("rint", rint(a));
            D("floor", floor(b));
            D("fromlong", (double)(long)(c * 1e6));
            printf("\n%u cmp %d%d%d%d\n", i, a < b, a == b, a > b, isunordered(a, b));
#undef a
#undef b
#undef c
#undef fa
#undef fb
#undef fc
        }
    }
    fesetround(FE_TONEAREST);
    volatile long big = 0x7FFFFFFFFFFFFC01L;
    volatile unsigned long ubig = 0xFFFFFFFFFFFFFFFFUL;
    printf("fromlong %016llx fromulong %016llx\n", (unsigned long long)dbits((double)big),
           (unsigned long long)dbits((double)ubig));
    return 0;
}
