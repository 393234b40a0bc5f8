// BCDnumber operations.
#include "dfp/bcd_number.h"

#include <cassert>
#include <cstring>

#include "dfp/dfp_assert.h"

namespace
{

const char *const kPath = "common/dfp/BCDnumber";
constexpr uint32_t kPow10[5] = {1, 10, 100, 1000, 10000};

// Index of the highest nonzero unit at or below numUnits - 1, or -1 for zero.
int topIndex(const BCDnumber *n)
{
    int i = n->numUnits;
    if (i > MAX_NUM_UNITS) i = MAX_NUM_UNITS;
    for (i--; i >= 0; i--)
        if (n->units[i] != 0) return i;
    return -1;
}

// Significant unit count, at least 1.
int sigUnits(const BCDnumber *n)
{
    const int t = topIndex(n);
    return t < 0 ? 1 : t + 1;
}

uint32_t unitDigits(uint32_t u)
{
    return u < 10 ? 1 : u < 100 ? 2 : u < 1000 ? 3 : 4;
}

// Sets numUnits from the highest nonzero unit of the 30.
void normalise(BCDnumber *n)
{
    n->numUnits = MAX_NUM_UNITS;
    n->numUnits = sigUnits(n);
}

// dst = src * 10000^k (units move up); the result fits.
void shiftUnitsUp(const BCDnumber *src, int k, BCDnumber *dst)
{
    BCDnumber t{};
    const int n = sigUnits(src);
    for (int i = 0; i < n && i + k < MAX_NUM_UNITS; i++)
        t.units[i + k] = src->units[i];
    normalise(&t);
    *dst = t;
}

} // namespace

void BCD_SetLeadingUnitsToZero(BCDnumber *n)
{
    for (int i = n->numUnits < 0 ? 0 : n->numUnits; i < MAX_NUM_UNITS; i++)
        n->units[i] = 0;
}

void BCD_PadWithZeroes(BCDnumber *n, int from, int top)
{
    for (int i = from < 0 ? 0 : from; i < MAX_NUM_UNITS; i++)
        n->units[i] = 0;
    if (top >= MAX_NUM_UNITS) top = MAX_NUM_UNITS - 1;
    n->numUnits = 1;
    for (int i = top; i >= 1; i--)
        if (n->units[i] != 0) {
            n->numUnits = i + 1;
            break;
        }
}

void BCD_Copy(const BCDnumber *src, BCDnumber *dst)
{
    int n = src->numUnits;
    if (n > MAX_NUM_UNITS) n = MAX_NUM_UNITS;
    if (n < 1) n = 1;
    if (src != dst) std::memmove(dst->units, src->units, sizeof(uint32_t) * (size_t)n);
    BCD_PadWithZeroes(dst, n, n - 1);
}

int BCD_Validate(const BCDnumber *n)
{
    for (int i = 0; i < MAX_NUM_UNITS; i++)
        if (n->units[i] > 9999) return 0;
    return 1;
}

int BCD_GetNumUnits(const BCDnumber *n)
{
    return n->numUnits;
}

uint32_t BCD_GetNumDigits(const BCDnumber *n)
{
    const int t = topIndex(n);
    if (t < 0) return 1;
    return 4 * (uint32_t)t + unitDigits(n->units[t]);
}

uint32_t BCD_GetDigit(const BCDnumber *n, uint32_t k)
{
    if (k >= BCD_GetNumDigits(n)) return 0;
    return (n->units[k / 4] / kPow10[k % 4]) % 10;
}

void BCD_SetDigit(BCDnumber *n, uint32_t k, uint32_t d)
{
    if (k >= 4 * MAX_NUM_UNITS) return;
    BCD_SetLeadingUnitsToZero(n);
    const uint32_t u = k / 4;
    const uint32_t old = (n->units[u] / kPow10[k % 4]) % 10;
    n->units[u] = (uint32_t)((int64_t)n->units[u] + (int64_t)kPow10[k % 4] * ((int64_t)d - (int64_t)old));
    int top = (int)u > n->numUnits - 1 ? (int)u : n->numUnits - 1;
    BCD_PadWithZeroes(n, top + 1, top);
}

int BCD_IsZero(const BCDnumber *n)
{
    return topIndex(n) < 0;
}

int BCD_CountTrailingZeros(const BCDnumber *n)
{
    const int t = topIndex(n);
    if (t < 0) return -1;
    int count = 0;
    for (int i = 0; i <= t; i++) {
        uint32_t u = n->units[i];
        if (u == 0) {
            count += 4;
            continue;
        }
        while (u % 10 == 0) {
            u /= 10;
            count++;
        }
        break;
    }
    return count;
}

void BCD_GetLowerDigits(const BCDnumber *src, uint32_t k, BCDnumber *dst)
{
    BCDnumber t{};
    const int n = sigUnits(src);
    for (int i = 0; i < n; i++) {
        const uint32_t lo = 4 * (uint32_t)i;
        if (lo + 4 <= k)
            t.units[i] = src->units[i];
        else if (lo < k)
            t.units[i] = src->units[i] % kPow10[k - lo];
    }
    normalise(&t);
    *dst = t;
}

void BCD_SetZero(BCDnumber *n)
{
    std::memset(n, 0, sizeof *n);
    n->numUnits = 1;
}

void BCD_SetOne(BCDnumber *n)
{
    BCD_SetZero(n);
    n->units[0] = 1;
}

void BCD_SetNines(uint32_t k, BCDnumber *n)
{
    BCD_SetZero(n);
    if (k > 4 * MAX_NUM_UNITS) k = 4 * MAX_NUM_UNITS;
    uint32_t i = 0;
    for (; 4 * (i + 1) <= k; i++)
        n->units[i] = 9999;
    if (k % 4) n->units[i] = kPow10[k % 4] - 1;
    normalise(n);
}

void BCD_AddOne(BCDnumber *n)
{
    BCD_SetLeadingUnitsToZero(n);
    for (int i = 0; i < MAX_NUM_UNITS; i++) {
        if (n->units[i] < 9999) {
            n->units[i]++;
            break;
        }
        DFP_CHECK(i + 1 < MAX_NUM_UNITS, "BCD_GetNumDigits(num) < 120", kPath);
        n->units[i] = 0;
    }
    normalise(n);
}

void BCD_SubOne(BCDnumber *n)
{
    DFP_CHECK(!BCD_IsZero(n), "!BCD_IsZero(num)", kPath);
    BCD_SetLeadingUnitsToZero(n);
    for (int i = 0; i < MAX_NUM_UNITS; i++) {
        if (n->units[i] > 0) {
            n->units[i]--;
            break;
        }
        n->units[i] = 9999;
    }
    normalise(n);
}

void BCD_FromString(const char *text, BCDnumber *n)
{
    size_t len = std::strlen(text);
    assert(len >= 1 && len <= 4 * MAX_NUM_UNITS);
    if (len > 4 * MAX_NUM_UNITS) { // outside the contract: keep the low 120 digits
        text += len - 4 * MAX_NUM_UNITS;
        len = 4 * MAX_NUM_UNITS;
    }
    BCD_SetZero(n);
    for (size_t i = 0; i < len; i++) {
        const size_t pos = len - 1 - i; // digit i from the right
        n->units[i / 4] += (uint32_t)(text[pos] - '0') * kPow10[i % 4];
    }
    normalise(n);
}

void BCD_ToString(const BCDnumber *n, char *text)
{
    const uint32_t digits = BCD_GetNumDigits(n);
    for (uint32_t i = 0; i < digits; i++)
        text[i] = (char)('0' + BCD_GetDigit(n, digits - 1 - i));
    text[digits] = '\0';
}

void BCD_FromInteger(uint64_t v, BCDnumber *n)
{
    BCD_SetZero(n);
    for (int i = 0; v != 0; i++) {
        n->units[i] = (uint32_t)(v % 10000);
        v /= 10000;
    }
    normalise(n);
}

int BCD_ToInteger(const BCDnumber *n, uint64_t *out)
{
    char text[4 * MAX_NUM_UNITS + 1];
    BCD_ToString(n, text);
    const size_t len = std::strlen(text);
    const size_t maxLen = std::strlen(MAX_ULL_INT_STRING);
    if (len > maxLen || (len == maxLen && std::strcmp(text, MAX_ULL_INT_STRING) > 0)) return 0;
    uint64_t v = 0;
    for (size_t i = 0; i < len; i++)
        v = v * 10 + (uint64_t)(text[i] - '0');
    *out = v;
    return 1;
}

int BCD_Compare(const BCDnumber *a, const BCDnumber *b)
{
    const int ta = topIndex(a), tb = topIndex(b);
    if (ta != tb) return ta > tb ? 1 : -1;
    for (int i = ta; i >= 0; i--)
        if (a->units[i] != b->units[i]) return a->units[i] > b->units[i] ? 1 : -1;
    return 0;
}

void BCD_Add(const BCDnumber *a, const BCDnumber *b, BCDnumber *r)
{
    const int na = sigUnits(a), nb = sigUnits(b);
    const BCDnumber *lng = na >= nb ? a : b;
    const int nl = na >= nb ? na : nb, ns = na >= nb ? nb : na;
    BCDnumber t{};
    for (int i = 0; i < ns; i++)
        t.units[i] = a->units[i] + b->units[i];
    for (int i = ns; i < nl; i++)
        t.units[i] = lng->units[i];
    uint32_t carry = 0;
    for (int i = 0; i < nl; i++) {
        t.units[i] += carry;
        carry = t.units[i] >= 10000 ? 1 : 0;
        if (carry) t.units[i] -= 10000;
    }
    if (carry) {
        DFP_CHECK(nl < MAX_NUM_UNITS, "BCD_GetNumUnits(r) <= MAX_NUM_UNITS", kPath);
        t.units[nl] = carry;
    }
    normalise(&t);
    *r = t;
}

void BCD_Subtract(const BCDnumber *a, const BCDnumber *b, BCDnumber *r)
{
    DFP_CHECK(BCD_Compare(a, b) >= 0, "BCD_Compare(a, b) >= 0", kPath);
    const int na = sigUnits(a), nb = sigUnits(b);
    BCDnumber t{};
    // Ten's complement per unit: a + (10000^na - b), then the final carry is the 10000^na.
    t.units[0] = a->units[0] + 10000 - (nb > 0 ? b->units[0] : 0);
    for (int i = 1; i < nb; i++)
        t.units[i] = a->units[i] + 9999 - b->units[i];
    for (int i = nb > 1 ? nb : 1; i < na; i++)
        t.units[i] = a->units[i] + 9999;
    uint32_t carry = 0;
    for (int i = 0; i < na; i++) {
        t.units[i] += carry;
        carry = t.units[i] / 10000;
        t.units[i] %= 10000;
    }
    normalise(&t);
    *r = t;
}

void BCD_Multiply(const BCDnumber *a, const BCDnumber *b, BCDnumber *r)
{
    const int na = sigUnits(a), nb = sigUnits(b);
    DFP_CHECK(na + nb <= MAX_NUM_UNITS, "BCD_GetNumUnits(a) + BCD_GetNumUnits(b) <= MAX_NUM_UNITS", kPath);
    BCDnumber t{};
    for (int i = 0; i < na; i++)
        for (int j = 0; j < nb; j++)
            t.units[i + j] += a->units[i] * b->units[j];
    uint32_t carry = 0;
    for (int i = 0; i < na + nb - 1; i++) {
        t.units[i] += carry;
        carry = t.units[i] / 10000;
        t.units[i] %= 10000;
    }
    t.units[na + nb - 1] += carry;
    normalise(&t);
    *r = t;
}

void BCD_ShiftLeft(const BCDnumber *src, uint32_t k, BCDnumber *dst)
{
    if (BCD_IsZero(src)) {
        BCD_SetZero(dst);
        return;
    }
    DFP_CHECK(BCD_GetNumDigits(src) + k <= 4 * MAX_NUM_UNITS, "BCD_GetNumDigits(src) + shift <= 120", kPath);
    char text[128];
    BCD_ToString(src, text);
    const size_t len = std::strlen(text);
    std::memset(text + len, '0', k);
    text[len + k] = '\0';
    BCD_FromString(text, dst);
}

void BCD_ShiftRight(const BCDnumber *src, uint32_t k, BCDnumber *dst)
{
    if (k >= BCD_GetNumDigits(src)) {
        BCD_SetZero(dst);
        return;
    }
    BCDnumber t{};
    const int n = sigUnits(src), whole = (int)(k / 4);
    for (int i = whole; i < n; i++)
        t.units[i - whole] = src->units[i];
    normalise(&t);
    char text[128];
    BCD_ToString(&t, text);
    const size_t len = std::strlen(text);
    text[len - k % 4] = '\0';
    BCD_FromString(text, dst);
}

void BCD_ShiftRightOR(const BCDnumber *src, uint32_t k, BCDnumber *dst)
{
    if (k > 4 * MAX_NUM_UNITS) k = 4 * MAX_NUM_UNITS;
    bool lost = false;
    if (k > 0) {
        BCDnumber low;
        BCD_GetLowerDigits(src, k, &low);
        lost = !BCD_IsZero(&low);
    }
    BCDnumber t;
    BCD_ShiftRight(src, k, &t);
    const bool sticky = lost || t.units[0] % 10 != 0;
    t.units[0] = t.units[0] - t.units[0] % 10 + (sticky ? 1 : 0);
    normalise(&t);
    *dst = t;
}

void BCD_TakeLeadingUnits(const BCDnumber *src, int k, BCDnumber *dst)
{
    DFP_CHECK(!BCD_IsZero(src), "!BCD_IsZero(a)", kPath);
    DFP_CHECK(k >= 1 && k <= MAX_NUM_UNITS, "k >= 1 && k <= MAX_NUM_UNITS", kPath);
    const int n = sigUnits(src);
    BCDnumber t{};
    if (n >= k)
        for (int i = 0; i < k; i++)
            t.units[i] = src->units[n - k + i];
    else
        for (int i = 0; i < n; i++)
            t.units[k - n + i] = src->units[i];
    t.numUnits = k;
    *dst = t;
}

namespace
{

// |x - y| into d.
void absDiff(const BCDnumber *x, const BCDnumber *y, BCDnumber *d)
{
    if (BCD_Compare(x, y) >= 0)
        BCD_Subtract(x, y, d);
    else
        BCD_Subtract(y, x, d);
}

// Exact division by a Newton-Raphson reciprocal in base 10000; b is nonzero. The reciprocal and
// its products are kept as mantissas of W units (TakeLeadingUnits); the quotient estimate is taken
// from the leading units of X * a and corrected to the exact quotient.
void divideNewton(const BCDnumber *a, const BCDnumber *b, BCDnumber *q, BCDnumber *rem)
{
    const int cmp = BCD_Compare(a, b);
    if (cmp < 0) {
        BCDnumber r = *a;
        BCD_SetZero(q);
        BCD_Copy(&r, rem);
        return;
    }
    if (cmp == 0) {
        BCD_SetOne(q);
        BCD_SetZero(rem);
        return;
    }
    const int na = sigUnits(a), nb = sigUnits(b);
    int s = na - nb;
    BCDnumber t;
    shiftUnitsUp(b, s, &t);
    if (BCD_Compare(a, &t) >= 0) s++;
    int W = s + 2, W1 = s + 3;
    if (s <= 1) {
        W = 4;
        W1 = 5;
    }

    BCDnumber B, two, X, T, E, XE, Xn, D;
    BCD_TakeLeadingUnits(b, W, &B);
    BCD_FromInteger(2, &two);
    BCD_TakeLeadingUnits(&two, W1, &two);
    const uint64_t top2 = (uint64_t)B.units[W - 1] * 10000 + B.units[W - 2];
    BCD_FromInteger(1000000000000ull / top2, &X);
    BCD_TakeLeadingUnits(&X, W, &X);

    bool lastRound = false;
    for (int iter = 0; iter < 64; iter++) {
        BCD_Multiply(&B, &X, &T);
        BCD_TakeLeadingUnits(&T, T.units[sigUnits(&T) - 1] > 5000 ? W : W1, &T);
        BCD_Subtract(&two, &T, &E);
        // X * E must fit the 30 units: drop E's lowest unit when it would not.
        if (W + sigUnits(&E) > MAX_NUM_UNITS) BCD_TakeLeadingUnits(&E, sigUnits(&E) - 1, &E);
        BCD_Multiply(&X, &E, &XE);
        BCD_TakeLeadingUnits(&XE, W, &Xn);
        absDiff(&X, &Xn, &D);
        X = Xn;
        if (lastRound) break;
        if (sigUnits(&D) <= 2) {
            if (W > 4) break;
            lastRound = true;
        }
    }

    BCDnumber P, Q, tenB, diff;
    BCD_Multiply(&X, a, &P);
    BCD_FromInteger(10, &tenB);
    BCD_Multiply(&tenB, b, &tenB);
    int units = s, readjusts = 0;
    for (;;) {
        if (units >= 1)
            BCD_TakeLeadingUnits(&P, units, &Q);
        else
            BCD_SetZero(&Q);
        BCD_Multiply(&Q, b, &T);
        absDiff(a, &T, &diff);
        if (BCD_Compare(&diff, &tenB) <= 0) break;
        DFP_CHECK(readjusts++ == 0, "readjusts++ == 0", kPath);
        units = BCD_Compare(&T, a) < 0 ? s + 1 : s - 1;
    }
    // Final correction to the exact quotient.
    while (BCD_Compare(&T, a) > 0) {
        BCD_SubOne(&Q);
        BCD_Subtract(&T, b, &T);
    }
    BCDnumber R;
    BCD_Subtract(a, &T, &R);
    while (BCD_Compare(&R, b) >= 0) {
        BCD_AddOne(&Q);
        BCD_Subtract(&R, b, &R);
    }
    normalise(&Q);
    *q = Q;
    *rem = R;
}

} // namespace

void BCD_Divide(const BCDnumber *a, const BCDnumber *b, BCDnumber *q, BCDnumber *rem)
{
    if (sigUnits(a) > 13) {
        BCD_Divide_Large(a, b, q, rem);
        return;
    }
    DFP_CHECK(!BCD_IsZero(b), "!BCD_IsZero(b)", kPath);
    divideNewton(a, b, q, rem);
}

void BCD_Divide_Large(const BCDnumber *a, const BCDnumber *b, BCDnumber *q, BCDnumber *rem)
{
    DFP_CHECK(!BCD_IsZero(b), "!BCD_IsZero(b)", kPath);
    const int na = sigUnits(a), nb = sigUnits(b);
    // The top part has 13 units; for divisors of 13 units or more it has one unit more than the
    // divisor, so that every step shortens the dividend.
    const int topUnits = nb + 1 > 13 ? nb + 1 : 13;
    const int k = 4 * (na - topUnits);
    if (k <= 0) {
        divideNewton(a, b, q, rem);
        return;
    }
    BCDnumber hi, lo, q1, r1, q2, r2;
    BCD_ShiftRight(a, (uint32_t)k, &hi);
    BCD_GetLowerDigits(a, (uint32_t)k, &lo);
    divideNewton(&hi, b, &q1, &r1);
    BCD_ShiftLeft(&r1, (uint32_t)k, &r1);
    BCD_Add(&lo, &r1, &lo);
    BCD_Divide_Large(&lo, b, &q2, &r2);
    BCD_ShiftLeft(&q1, (uint32_t)k, &q1);
    BCD_Add(&q1, &q2, q);
    *rem = r2;
}

void BCD_InversSqrt(const BCDnumber *a, int k, BCDnumber *r)
{
    DFP_CHECK(!BCD_IsZero(a), "!BCD_IsZero(a)", kPath);
    // M = floor(10^(8k) / a); the result is floor(sqrt(M)), which equals floor(10^(4k) / sqrt(a)).
    BCDnumber M, rem, x, y, two, sum, five;
    BCD_SetOne(&M);
    BCD_ShiftLeft(&M, 8 * (uint32_t)k, &M);
    BCD_Divide(&M, a, &M, &rem);
    if (BCD_IsZero(&M)) {
        BCD_SetZero(r);
        return;
    }
    // Integer Newton iteration from above: x' = floor((x + floor(M / x)) / 2) until it stops falling.
    BCD_SetOne(&x);
    BCD_ShiftLeft(&x, (BCD_GetNumDigits(&M) + 1) / 2, &x);
    BCD_FromInteger(2, &two);
    BCD_FromInteger(5, &five);
    for (;;) {
        BCD_Divide(&M, &x, &y, &rem);
        BCD_Add(&x, &y, &sum);
        BCD_Multiply(&sum, &five, &sum);
        BCD_ShiftRight(&sum, 1, &y);
        if (BCD_Compare(&y, &x) >= 0) break;
        x = y;
    }
    *r = x;
}
