/* Breakpoints and watch points: a loop calls tick() (placed at 0x10200000) 3000 times; tick adds
   to the watched counter and reads the watched table (both at 0x10100000); every 512 calls the
   loop makes a getpid system call. The linker places the two sections. */
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

volatile long counter __attribute__((section(".watched"))) = 1;
volatile long table[8] __attribute__((section(".watched"))) = {3, 1, 4, 1, 5, 9, 2, 6};

__attribute__((noinline, section(".hook"))) long tick(long i)
{
    counter += i;
    return table[i & 7];
}

static const char text[] = "watch_loop done\n";

void _start(void)
{
    long sum = 0;
    for (long i = 0; i < 3000; i++) {
        sum += tick(i);
        if ((i & 511) == 0) syscall3(20, 0, 0, 0);
    }
    syscall3(4, 1, (long)text, sizeof text - 1);
    for (;;)
        syscall3(1, sum & 0x7F, 0, 0);
}
