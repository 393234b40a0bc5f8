/* A freestanding program that talks to the system through "sc" alone: write(1, text, 18), then
   exit(0). The call number goes in r0, the arguments in r3..r5. */
static long syscall3(long number, long a, long b, long c)
{
    register long r0 __asm__("r0") = number;
    register long r3 __asm__("r3") = a;
    register long r4 __asm__("r4") = b;
    register long r5 __asm__("r5") = c;
    __asm__ volatile("sc" : "+r"(r0), "+r"(r3), "+r"(r4), "+r"(r5) : : "memory", "cr0", "r6", "r7", "r8",
                     "r9", "r10", "r11", "r12");
    return r3;
}

static const char text[] = "hello, standalone\n";

void _start(void)
{
    syscall3(4, 1, (long)text, sizeof text - 1);
    for (;;)
        syscall3(1, 0, 0, 0);
}
