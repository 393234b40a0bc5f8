/* A freestanding program that issues "sc" directly and prints, for each call, GPR3 and CR0[SO] as
   the call left them (SO is set before every call, so a served call must clear it): a served call
   (getpid), one the emulation does not serve below 325 (clock_getres, whose record must stay
   unwritten), a number above 324, gettimeofday, and writev with more entries than Linux takes.
   It then exits with status 3. */
struct outcome {
    long r3;
    unsigned long cr;
};

static struct outcome call(long number, long a, long b, long c)
{
    register long r0 __asm__("r0") = number;
    register long r3 __asm__("r3") = a;
    register long r4 __asm__("r4") = b;
    register long r5 __asm__("r5") = c;
    unsigned long so = 0x10000000, cr;
    __asm__ volatile("mtcrf 0x80, %[so]\n\tsc\n\tmfcr %[cr]"
                     : "+r"(r0), "+r"(r3), "+r"(r4), "+r"(r5), [cr] "=&r"(cr)
                     : [so] "r"(so)
                     : "memory", "cr0", "r6", "r7", "r8", "r9", "r10", "r11", "r12");
    struct outcome o = {r3, cr};
    return o;
}

static void put(const char *text)
{
    long n = 0;
    while (text[n])
        n++;
    call(4, 1, (long)text, n);
}

static void put_number(long value)
{
    char digits[24];
    int i = sizeof digits;
    digits[--i] = 0;
    unsigned long v = value < 0 ? -(unsigned long)value : (unsigned long)value;
    do {
        digits[--i] = (char)('0' + v % 10);
        v /= 10;
    } while (v);
    if (value < 0) digits[--i] = '-';
    put(digits + i);
}

static void report(const char *what, struct outcome o)
{
    put(what);
    put(": r3=");
    put_number(o.r3);
    put(" so=");
    put_number((long)((o.cr >> 28) & 1));
    put("\n");
}

static unsigned char record[32];
static unsigned long timeval[2];

void _start(void)
{
    report("getpid", call(20, 0, 0, 0));
    for (int i = 0; i < 32; i++)
        record[i] = 0xAA;
    report("clock_getres", call(247, 1, (long)record, 0));
    int untouched = 1;
    for (int i = 0; i < 32; i++)
        untouched &= record[i] == 0xAA;
    put(untouched ? "clock_getres record untouched\n" : "clock_getres record written\n");
    report("call 400", call(400, 0, 0, 0));
    report("gettimeofday", call(78, (long)timeval, 0, 0));
    report("writev of 0x7fffffff entries", call(146, 1, (long)record, 0x7fffffff));
    for (;;)
        call(1, 3, 0, 0);
}
