// (a) A tight register loop: nine instructions ending in bdnz.
#include <stdio.h>

int main(void)
{
    unsigned long a = 1, b = 2, c = 3, n = 200000000;
    __asm__ volatile("mtctr %3\n"
                     "1:\n"
                     "add %0,%0,%1\n"
                     "xor %1,%1,%2\n"
                     "addi %2,%2,3\n"
                     "rldicl %0,%0,1,0\n"
                     "subf %1,%2,%1\n"
                     "or %2,%2,%0\n"
                     "andi. %2,%2,0x7fff\n"
                     "add %0,%0,%2\n"
                     "bdnz 1b\n"
                     : "+r"(a), "+r"(b), "+r"(c)
                     : "r"(n)
                     : "ctr", "cr0");
    printf("reg_loop %lx %lx %lx\n", a, b, c);
    return 0;
}
