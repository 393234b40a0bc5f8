/* The C library's formatting and parsing of floating-point numbers: printf with %f, %e, %g and %a
   in several precisions, strtod and strtof of decimal and hexadecimal texts, conversions between
   doubles, floats and integers, and a little arithmetic in double and float. */
#include <stdio.h>
#include <stdlib.h>

static volatile double values[] = {
    0.0, -0.0, 1.0, -1.5, 0.1, 2.0 / 3.0, 3.14159265358979, 1e-310, 2.2250738585072014e-308,
    1.7976931348623157e308, 123456789.987654321, -0.000123456, 1e21, 0.5, 2.5, 1e100,
};

static const char *texts[] = {
    "0", "-0.0", "1e-5", "3.14159265358979323846", "2.5e10", "1e-320", "1e400", "-1e-400", "0x1.8p3",
    "123456789012345678901234567890", "0.1", "nan", "-inf", "  42.5xyz", "4.9406564584124654e-324",
    "2.4703282292062327e-324", "1.00000000000000011102230246251565404236316680908203125",
};

int main(void)
{
    for (unsigned i = 0; i < sizeof values / sizeof values[0]; i++) {
        double v = values[i];
        printf("%u: %f %.3f %e %.10e %g %.17g %a\n", i, v, v, v, v, v, v, v);
    }
    for (unsigned i = 0; i < sizeof texts / sizeof texts[0]; i++) {
        char *end;
        double d = strtod(texts[i], &end);
        float f = strtof(texts[i], NULL);
        printf("strtod(\"%s\") = %.17g %a rest \"%s\"; strtof = %.9g %a\n", texts[i], d, d, end, f, (double)f);
    }
    volatile double x = 1234.5678;
    volatile float y = 3.3f;
    volatile long n = -123456789012L;
    volatile int k = -7;
    volatile unsigned u = 4000000000u;
    printf("to int %d %ld %u %lld\n", (int)x, (long)-x, (unsigned)x, (long long)(x * 1e9));
    printf("from int %.1f %.1f %.1f %.9g\n", (double)n, (double)k, (double)u, (double)(float)n);
    printf("float %.9g %.9g %.9g %.9g\n", y * 3.0f, y / 7.0f, (float)x, y + (float)x);
    double sum = 0;
    for (int i = 1; i <= 100; i++)
        sum += 1.0 / i;
    printf("harmonic %.17g\n", sum);
    float fsum = 0;
    for (int i = 1; i <= 100; i++)
        fsum += 1.0f / i;
    printf("harmonic float %.9g\n", fsum);
    return 0;
}
