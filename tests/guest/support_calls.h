/* Calls of a freestanding guest into the simulator through the support instruction (code in r3,
   arguments in r4 to r7, result in r3), and console prints through code 0. */
#pragma once

static long sim(long code, long a, long b, long c, long d)
{
    register long r3 __asm__("r3") = code;
    register long r4 __asm__("r4") = a;
    register long r5 __asm__("r5") = b;
    register long r6 __asm__("r6") = c;
    register long r7 __asm__("r7") = d;
    __asm__ volatile(".long 0x000EAEB0" : "+r"(r3) : "r"(r4), "r"(r5), "r"(r6), "r"(r7) : "memory");
    return r3;
}

static unsigned long length(const char *text)
{
    unsigned long n = 0;
    while (text[n])
        n++;
    return n;
}

/* Code 0: the text at its effective address (mode 1). */
static void print(const char *text)
{
    sim(0, (long)text, (long)length(text), 1, 0);
}

static void print_number(const char *label, long value)
{
    char text[64];
    int n = 0;
    while (label[n]) {
        text[n] = label[n];
        n++;
    }
    unsigned long magnitude = value < 0 ? -(unsigned long)value : (unsigned long)value;
    char digits[24];
    int d = 0;
    do {
        digits[d++] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (value < 0) text[n++] = '-';
    while (d)
        text[n++] = digits[--d];
    text[n++] = '\n';
    text[n] = 0;
    print(text);
}
