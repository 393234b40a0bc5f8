// (e) A call-heavy program: small non-inlined functions spread over several pages.
#include <stdio.h>

#define PAD __asm__(".skip 4096")
#define F(name, body)                                                                              \
    __attribute__((noinline)) unsigned long name(unsigned long x) { body; }

F(f0, return x * 3 + 1)
__attribute__((noinline, used)) static void pad0(void) { PAD; }
F(f1, return (x >> 1) ^ 0x55)
__attribute__((noinline, used)) static void pad1(void) { PAD; }
F(f2, return x + f0(x & 7))
__attribute__((noinline, used)) static void pad2(void) { PAD; }
F(f3, return f1(x) + f2(x >> 3))

int main(void)
{
    unsigned long acc = 0;
    for (unsigned long i = 0; i < 30000000; i++)
        acc += f3(i ^ acc);
    printf("calls %lx\n", acc);
    return 0;
}
