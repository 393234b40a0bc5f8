/* Compiled vector code (-O3 -mcpu=power8): VSX intrinsics on doubles and floats (square root,
   minimum and maximum, compares and selects, rounding, conversions, absolute value and copy-sign)
   and loops the compiler vectorises itself (conversions between int, float and double, sums,
   clamps). Prints what the computation gives; the same on both byte orders. */
#include <altivec.h>
#include <math.h>
#include <stdio.h>
#include <string.h>

#define N 64

static double da[N], db[N], dr[N];
static float fa[N], fr[N];
static int ia[N], ir[N];
static long la[N];

static unsigned long bits(double d)
{
    unsigned long b;
    memcpy(&b, &d, sizeof b);
    return b;
}

static unsigned fbits(float f)
{
    unsigned b;
    memcpy(&b, &f, sizeof b);
    return b;
}

__attribute__((noinline)) static void to_double(void)
{
    for (int i = 0; i < N; i++)
        dr[i] = (double)ia[i] * 0.5;
}

__attribute__((noinline)) static void to_float(void)
{
    for (int i = 0; i < N; i++)
        fr[i] = (float)da[i];
}

__attribute__((noinline)) static void to_int(void)
{
    for (int i = 0; i < N; i++)
        ir[i] = (int)(fa[i] * 3.0f);
}

__attribute__((noinline)) static void long_to_double(void)
{
    for (int i = 0; i < N; i++)
        dr[i] = (double)la[i] / 3.0;
}

__attribute__((noinline)) static void clamp(void)
{
    for (int i = 0; i < N; i++)
        dr[i] = fmin(fmax(da[i], -10.0), 10.0);
}

__attribute__((noinline)) static void roots(void)
{
    for (int i = 0; i < N; i++)
        dr[i] = sqrt(fabs(da[i])) + copysign(1.0, db[i]);
}

static unsigned long checksum_d(const double *v)
{
    unsigned long h = 1469598103934665603ul;
    for (int i = 0; i < N; i++)
        h = (h ^ bits(v[i])) * 1099511628211ul;
    return h;
}

static unsigned long checksum_f(const float *v)
{
    unsigned long h = 1469598103934665603ul;
    for (int i = 0; i < N; i++)
        h = (h ^ fbits(v[i])) * 1099511628211ul;
    return h;
}

static unsigned long checksum_i(const int *v)
{
    unsigned long h = 1469598103934665603ul;
    for (int i = 0; i < N; i++)
        h = (h ^ (unsigned)v[i]) * 1099511628211ul;
    return h;
}

int main(void)
{
    for (int i = 0; i < N; i++) {
        ia[i] = (i * 7919) % 1000 - 500;
        la[i] = ((long)i * 104729 * 104729) - 3000000000000l;
        da[i] = (i - 31.5) * 1.37e3 / (i + 1);
        db[i] = (i & 3) == 1 ? -0.0 : (double)(i - 40);
        fa[i] = (float)(i - 20) / 7.0f;
    }

    to_double();
    printf("to_double %016lx %.17g\n", checksum_d(dr), dr[5]);
    to_float();
    printf("to_float %016lx %.9g\n", checksum_f(fr), (double)fr[9]);
    to_int();
    printf("to_int %016lx %d %d\n", checksum_i(ir), ir[0], ir[63]);
    long_to_double();
    printf("long_to_double %016lx %.17g\n", checksum_d(dr), dr[40]);
    clamp();
    printf("clamp %016lx %g %g\n", checksum_d(dr), dr[0], dr[63]);
    roots();
    printf("roots %016lx %.17g\n", checksum_d(dr), dr[17]);

    vector double x = {2.0, -0.0}, y = {-9.5, 4.0};
    vector double s = vec_sqrt(vec_abs(y));
    vector double mx = vec_max(x, y), mn = vec_min(x, y);
    vector bool long long gt = vec_cmpgt(x, y), ge = vec_cmpge(x, y), eq = vec_cmpeq(x, y);
    printf("sqrt %016lx %016lx\n", bits(s[0]), bits(s[1]));
    printf("max %016lx %016lx min %016lx %016lx\n", bits(mx[0]), bits(mx[1]), bits(mn[0]), bits(mn[1]));
    printf("cmp %016lx %016lx %016lx %016lx %016lx %016lx\n", (unsigned long)gt[0], (unsigned long)gt[1],
           (unsigned long)ge[0], (unsigned long)ge[1], (unsigned long)eq[0], (unsigned long)eq[1]);
    vector double sel = vec_sel(y, x, gt);
    printf("sel %016lx %016lx\n", bits(sel[0]), bits(sel[1]));

    vector double r = {2.5, -3.5};
    vector double rn = vec_round(r), rf = vec_floor(r), rc = vec_ceil(r), rt = vec_trunc(r), ri = vec_rint(r);
    printf("round %g %g floor %g %g ceil %g %g trunc %g %g rint %g %g\n", rn[0], rn[1], rf[0], rf[1], rc[0], rc[1],
           rt[0], rt[1], ri[0], ri[1]);

    vector float f = {1.5f, -2.25f, 16.0f, -0.0f}, g = {0.5f, 3.0f, -1.0f, 7.0f};
    vector float fs = vec_sqrt(vec_abs(f)), fmx = vec_max(f, g), fmn = vec_min(f, g), fcp = vec_cpsgn(g, f);
    vector bool int fgt = vec_cmpgt(f, g);
    vector float fround = vec_round(f * 1.7f);
    printf("fsqrt %08x %08x %08x %08x\n", fbits(fs[0]), fbits(fs[1]), fbits(fs[2]), fbits(fs[3]));
    printf("fmax %g %g %g %g fmin %g %g %g %g\n", fmx[0], fmx[1], fmx[2], fmx[3], fmn[0], fmn[1], fmn[2], fmn[3]);
    printf("fcpsgn %g %g %g %g fgt %x %x %x %x\n", fcp[0], fcp[1], fcp[2], fcp[3], fgt[0], fgt[1], fgt[2], fgt[3]);
    printf("fround %g %g %g %g\n", fround[0], fround[1], fround[2], fround[3]);

    vector double d2 = {1e10, -7.75};
    vector signed long long ll = vec_cts(d2, 0);
    vector unsigned long long ull = vec_ctu(vec_abs(d2), 0);
    vector double back = vec_ctf(ll, 0);
    printf("cts %ld %ld ctu %lu %lu ctf %g %g\n", (long)ll[0], (long)ll[1], (unsigned long)ull[0],
           (unsigned long)ull[1], back[0], back[1]);
    return 0;
}
