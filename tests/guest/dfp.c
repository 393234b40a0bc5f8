/* Decimal floating point in a freestanding big-endian program: _Decimal64 and _Decimal128
   arithmetic, conversions to and from integers and between the formats, and compares, compiled to
   the hardware decimal instructions. Each result is printed as sign, coefficient digits (taken
   apart with ddedpd) and exponent (dxex), then the program exits. */
typedef _Decimal64 d64;
typedef _Decimal128 d128;

static long syscall3(long number, long a, long b, long c)
{
    register long r0 __asm__("r0") = number;
    register long r3 __asm__("r3") = a;
    register long r4 __asm__("r4") = b;
    register long r5 __asm__("r5") = c;
    __asm__ volatile("sc"
                     : "+r"(r0), "+r"(r3), "+r"(r4), "+r"(r5)
                     :
                     : "memory", "cr0", "r6", "r7", "r8", "r9", "r10", "r11", "r12");
    return r3;
}

static char line[128];
static int used;

static void put(const char *s)
{
    while (*s)
        line[used++] = *s++;
}

static void put_number(long v)
{
    char digits[24];
    int n = 0;
    unsigned long u = v < 0 ? -(unsigned long)v : (unsigned long)v;
    if (v < 0) line[used++] = '-';
    do {
        digits[n++] = (char)('0' + u % 10);
        u /= 10;
    } while (u);
    while (n)
        line[used++] = digits[--n];
}

static void flush(void)
{
    line[used++] = '\n';
    syscall3(4, 1, (long)line, used);
    used = 0;
}

/* Nibbles of one or two BCD words, leading zeros dropped (at least one digit). */
static void put_bcd(const unsigned long *words, int count)
{
    int started = 0;
    for (int w = 0; w < count; w++)
        for (int i = 60; i >= 0; i -= 4) {
            int d = (int)(words[w] >> i) & 0xF;
            if (d || started || (w == count - 1 && i == 0)) {
                line[used++] = (char)('0' + d);
                started = 1;
            }
        }
}

static void put_exponent(long biased, long bias)
{
    if (biased == -1)
        put("Inf");
    else if (biased == -2)
        put("NaN");
    else if (biased == -3)
        put("sNaN");
    else {
        put("E");
        put_number(biased - bias);
    }
}

/* Results pass through memory: the program keeps to the loads and stores of floating-point
   registers and the decimal instructions. */
static volatile d64 r64;
static volatile d128 r128;

static void show64(const char *label)
{
    union {
        d64 d;
        unsigned long u;
    } value = {r64}, bcd = {__builtin_ddedpd(0, r64)};
    put(label);
    put(" ");
    if (value.u >> 63) put("-");
    put_bcd(&bcd.u, 1);
    put_exponent(__builtin_dxex(r64), 398);
    flush();
}

static void show128(const char *label)
{
    /* ddedpdq gives the lowest 32 digits; the top two come from the coefficient shifted right. */
    union {
        d128 d;
        unsigned long u[2];
    } value = {r128}, low = {__builtin_ddedpdq(0, r128)},
      high = {__builtin_ddedpdq(0, __builtin_dscriq(r128, 32))};
    unsigned long digits[3] = {high.u[1], low.u[0], low.u[1]};
    put(label);
    put(" ");
    if (value.u[0] >> 63) put("-");
    put_bcd(digits, 3);
    put_exponent(__builtin_dxexq(r128), 6176);
    flush();
}

/* Operands through memory, so that the compiler folds nothing. */
static volatile d64 one = 1.DD, hundredth = 0.01DD, three = 3.DD, big = 9999999999999999.DD, tiny = 1E-20DD;
static volatile d64 two_and_half = 2.5DD, four = 4.DD, tenth = 0.1DD, twelve_seven = -12.7DD;
static volatile d128 one_q = 1.DL, seven_q = 7.DL;
static volatile long integer = 123456789;

void _start(void)
{
    r64 = one + hundredth;
    show64("add");
    r64 = one / three;
    show64("div");
    r64 = big + tiny;
    show64("round");
    r64 = two_and_half * four;
    show64("mul");
    r64 = hundredth - one;
    show64("sub");
    r64 = 0.DD;
    for (int i = 0; i < 10; i++)
        r64 = r64 + tenth;
    show64("sum");
    r64 = (d64)integer;
    show64("from_int");
    put("to_int ");
    put_number((long)twelve_seven);
    flush();
    r128 = one_q / seven_q;
    show128("div128");
    /* drdpq leaves the decimal64 in the even register of its pair and zero in the odd one; the
       compiler would move it with a binary floating-point instruction, so it is written here. */
    union {
        d128 q;
        d64 d[2];
        unsigned long u[2];
    } narrow;
    __asm__("drdpq %0,%1" : "=d"(narrow.q) : "d"(r128));
    r64 = narrow.d[0];
    show64("narrow");
    put("narrow_odd ");
    put_number((long)narrow.u[1]);
    flush();
    r128 = (d128)three;
    r128 = r128 * seven_q;
    show128("widen");
    put("compare ");
    put_number((one < three) + 2 * (three < one) + 4 * (one == one));
    flush();
    for (;;)
        syscall3(234, 0, 0, 0);
}
