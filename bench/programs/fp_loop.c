// (c) A scalar floating-point loop: fmul, fadd, fmadd, fdiv.
#include <stdio.h>

int main(void)
{
    double x = 1.0, y = 0.5, z = 0.0;
    for (long i = 1; i < 20000000; i++) {
        x = x * 1.0000001 + y;
        y = y * 0.9999999;
        z += x / (double)i;
        if (x > 1e6) x *= 1e-6;
    }
    printf("fp_loop %.6e %.6e %.6e\n", x, y, z);
    return 0;
}
