// Signed packed-decimal add and subtract (see bcd_helpers.h).
#include "isa/bcd_helpers.h"

#include "processor/config/processor_options.h"
#include "processor/regs/iop_registers.h"

namespace
{

constexpr uint8_t LT = 8, GT = 4, EQ = 2, SO = 1;

// Nibble n (0 the most significant, 31 the sign) of the quadword.
uint8_t nibble(Vec128 v, int n)
{
    const uint64_t w = n < 16 ? v.high : v.low;
    return (uint8_t)((w >> (60 - 4 * (n & 15))) & 0xF);
}

void set_nibble(Vec128 *v, int n, uint8_t x)
{
    uint64_t &w = n < 16 ? v->high : v->low;
    const int shift = 60 - 4 * (n & 15);
    w = (w & ~(0xFull << shift)) | ((uint64_t)(x & 0xF) << shift);
}

bool is_minus(uint8_t sign)
{
    return sign == 0xB || sign == 0xD;
}

// Digit arrays, little-endian form: entry 0 the sign, entries 1..31 the digits from the least
// significant. 1 when a digit is above 9.
int ConvertFromPacked(uint8_t *digits, Vec128 v)
{
    int invalid = 0;
    digits[0] = nibble(v, 31);
    for (int i = 1; i < 32; i++) {
        digits[i] = nibble(v, 31 - i);
        if (digits[i] > 9) invalid = 1;
    }
    return invalid;
}

void ConvertToPacked(const uint8_t *digits, Vec128 *v)
{
    for (int i = 0; i < 32; i++)
        set_nibble(v, 31 - i, digits[i]);
}

void BCDadd(uint8_t *r, uint8_t *carry, const uint8_t *a, const uint8_t *b)
{
    int c = 0;
    for (int i = 1; i < 32; i++) {
        int d = a[i] + b[i] + c;
        c = d >= 10;
        r[i] = (uint8_t)(c ? d - 10 : d);
    }
    *carry = (uint8_t)c;
}

void BCDsub(uint8_t *r, int8_t *borrow, const uint8_t *a, const uint8_t *b)
{
    int c = 0;
    for (int i = 1; i < 32; i++) {
        int d = a[i] - b[i] - c;
        c = d < 0;
        r[i] = (uint8_t)(c ? d + 10 : d);
    }
    *borrow = (int8_t)(c ? -1 : 0);
}

int BCD_lt(const uint8_t *a, const uint8_t *b)
{
    for (int i = 31; i >= 1; i--)
        if (a[i] != b[i]) return a[i] < b[i];
    return 0;
}

int BCD_zero(const uint8_t *a)
{
    for (int i = 1; i < 32; i++)
        if (a[i]) return 0;
    return 1;
}

uint8_t normal_sign(uint8_t sign)
{
    return is_minus(sign) ? 0xD : 0xC;
}

} // namespace

int bcdadd_sub(IOPDesc *iop, Vec128 *result, uint8_t *condition, Vec128 a, Vec128 b, int ps, int op)
{
    uint8_t da[32], db[32];
    const int invalid = ConvertFromPacked(da, a) | ConvertFromPacked(db, b);
    const bool sign_valid = da[0] >= 0xA && db[0] >= 0xA;
    if (sign_valid && !invalid && !IOP_Option(iop, PO_ENABLE_VMX_BCD_HARDWARE_ROUTINES)) {
        const uint8_t sa = normal_sign(da[0]);
        uint8_t sb = normal_sign(db[0]);
        if (op) sb = sb == 0xC ? 0xD : 0xC;
        uint8_t r[32] = {};
        uint8_t carry = 0, sign;
        if (sa == sb) {
            BCDadd(r, &carry, da, db);
            sign = sa;
        } else {
            int8_t borrow;
            if (BCD_lt(da, db)) {
                BCDsub(r, &borrow, db, da);
                sign = sb;
            } else {
                BCDsub(r, &borrow, da, db);
                sign = sa;
            }
        }
        uint8_t cr;
        if (BCD_zero(r) && !carry) {
            cr = EQ;
            sign = 0xC;
        } else if (BCD_zero(r)) {
            cr = (sa == 0xD && sb == 0xD) ? LT : GT;
            sign = cr == LT ? 0xD : 0xC;
        } else {
            cr = sign == 0xD ? LT : GT;
        }
        if (carry) cr |= SO;
        r[0] = sign == 0xD ? 0xD : (ps ? 0xF : 0xC);
        *result = Vec128{0, 0};
        ConvertToPacked(r, result);
        *condition = cr;
        return 0;
    }
    uint8_t ba[32], bb[32], br[32];
    for (int n = 0; n < 32; n++) {
        ba[n] = nibble(a, n);
        bb[n] = nibble(b, n);
    }
    VSU_bcdadd(br, condition, ba, bb, op, ps);
    *result = Vec128{0, 0};
    for (int n = 0; n < 32; n++)
        set_nibble(result, n, br[n]);
    return sign_valid ? invalid : 1;
}
