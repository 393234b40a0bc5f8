// Densely packed decimal encodings.
#include "dfp/decimal_pack.h"

#include "dfp/dfp_assert.h"

namespace
{
const char *const kPath = "common/dfp/DecimalFP_Pack";

// Layout of one interchange format.
struct Layout {
    DecimalFormat format;
    int bias, contBits, declets, maxBiased;
    const char *rangeMessage;
};

const Layout kSingle = {
    DFP_FormatDecimal32, ExpBias32, 6, 2, UxMax32 + ExpBias32, "biasedExp <= (UxMax32 + ExpBias32)"};
const Layout kDouble = {
    DFP_FormatDecimal64, ExpBias64, 8, 5, UxMax64 + ExpBias64, "biasedExp <= (UxMax64 + ExpBias64)"};
const Layout kQuad = {
    DFP_FormatDecimal128, ExpBias128, 12, 11, UxMax128 + ExpBias128, "biasedExp <= (UxMax128 + ExpBias128)"};

// The fields of an encoding, independent of its width: sign, combination, continuation and
// declets (declet 0 least significant).
struct Fields {
    uint32_t sign, combination, continuation;
    uint32_t declets[11];
};

int32_t unpackFields(const Fields &f, const Layout &l, DecimalNumber *number)
{
    uint32_t leadBits = 0, leadDigit = 0;
    const uint32_t firstCont = (f.continuation >> (l.contBits - 1)) & 1;
    const int32_t type = UnpackCombo(f.combination, firstCont, &leadBits, &leadDigit);
    number->format = l.format;
    number->type = type;
    number->sign = (int32_t)f.sign;
    number->exponent =
        type == Infinity ? -l.bias : (int32_t)((leadBits << l.contBits) | f.continuation) - l.bias;
    // Coefficient: the leading digit, then three digits per declet.
    BCDnumber *c = &number->coefficient.bcdnumber;
    BCD_SetZero(c);
    for (int d = 0; d < l.declets; d++) {
        const uint32_t digits = DPD2BCD(f.declets[d]);
        for (int k = 0; k < 3; k++)
            BCD_SetDigit(c, (uint32_t)(3 * d + k), (digits >> (4 * k)) & 0xF);
    }
    BCD_SetDigit(c, (uint32_t)(3 * l.declets), leadDigit);
    return type;
}

Fields packFields(const DecimalNumber *number, const Layout &l)
{
    Fields f{};
    f.sign = number->sign ? 1 : 0;
    if (number->type == Undefined) { // a signalling NaN with zero payload
        f.combination = 31;
        f.continuation = 1u << (l.contBits - 1);
        return f;
    }
    const BCDnumber *c = &number->coefficient.bcdnumber;
    for (int d = 0; d < l.declets; d++) {
        uint32_t digits = 0;
        for (int k = 0; k < 3; k++)
            digits |= BCD_GetDigit(c, (uint32_t)(3 * d + k)) << (4 * k);
        f.declets[d] = BCD2DPD(digits);
    }
    uint32_t leadBits = 0;
    const uint32_t leadDigit = BCD_GetDigit(c, (uint32_t)(3 * l.declets));
    if (number->type == Normal) {
        const int32_t biasedExp = number->exponent + l.bias;
        if (!(biasedExp >= 0 && biasedExp <= l.maxBiased)) DFP_Assert(l.rangeMessage, kPath, __LINE__);
        f.continuation = (uint32_t)biasedExp & ((1u << l.contBits) - 1);
        leadBits = (uint32_t)biasedExp >> l.contBits;
    } else if (number->type == SNaN) {
        f.continuation = 1u << (l.contBits - 1);
    }
    f.combination = PackCombo(number->type, leadBits, leadDigit);
    return f;
}

} // namespace

int32_t UnpackCombo(uint32_t combination, uint32_t firstContinuationBit, uint32_t *leadingExponentBits,
                    uint32_t *leadingDigit)
{
    combination &= 0x1F;
    if (combination < 24) {
        *leadingExponentBits = combination >> 3;
        *leadingDigit = combination & 7;
        return Normal;
    }
    if (combination < 30) {
        *leadingExponentBits = (combination >> 1) & 3;
        *leadingDigit = 8 + (combination & 1);
        return Normal;
    }
    *leadingExponentBits = 0;
    *leadingDigit = 0;
    if (combination == 30) return Infinity;
    return firstContinuationBit ? SNaN : QNaN;
}

uint32_t PackCombo(int32_t type, uint32_t leadingExponentBits, uint32_t leadingDigit)
{
    switch (type) {
    case Normal:
        DFP_CHECK(leadingExponentBits < 3, "ExpMSB < 3", kPath);
        if (leadingDigit <= 7) return (leadingExponentBits << 3) | leadingDigit;
        return 0x18 | (leadingExponentBits << 1) | (leadingDigit & 1);
    case QNaN:
    case SNaN:
        return 31;
    case Infinity:
        return 30;
    default:
        DFP_Assert("Unknown_DFP_type_in_PackCombo", kPath, __LINE__);
    }
}

// Densely packed decimal. Digits abcd efgh ijkm (BCD, a..m from the first digit's top bit) become
// the declet pqr stu v wxy; the large digits (8 and 9, top bit set) select the arrangement.
uint32_t BCD2DPD(uint32_t bcd)
{
    const uint32_t d2 = (bcd >> 8) & 0xF, d1 = (bcd >> 4) & 0xF, d0 = bcd & 0xF;
    const uint32_t a = d2 >> 3, e = d1 >> 3, i = d0 >> 3;
    const uint32_t bcd2 = d2 & 7, fgh = d1 & 7, jkm = d0 & 7;
    const uint32_t d = d2 & 1, h = d1 & 1, m = d0 & 1;
    const uint32_t fg = (d1 >> 1) & 3, jk = (d0 >> 1) & 3;
    uint32_t pqr, stu, wxy, v = 1;
    switch ((a << 2) | (e << 1) | i) {
    case 0: // all small
        pqr = bcd2, stu = fgh, wxy = jkm, v = 0;
        break;
    case 1: // last large
        pqr = bcd2, stu = fgh, wxy = m;
        break;
    case 2: // middle large
        pqr = bcd2, stu = (jk << 1) | h, wxy = 2 | m;
        break;
    case 3: // middle and last large
        pqr = bcd2, stu = 4 | h, wxy = 6 | m;
        break;
    case 4: // first large
        pqr = (jk << 1) | d, stu = fgh, wxy = 4 | m;
        break;
    case 5: // first and last large
        pqr = (fg << 1) | d, stu = 2 | h, wxy = 6 | m;
        break;
    case 6: // first and middle large
        pqr = (jk << 1) | d, stu = h, wxy = 6 | m;
        break;
    default: // all large
        pqr = d, stu = 6 | h, wxy = 6 | m;
        break;
    }
    return (pqr << 7) | (stu << 4) | (v << 3) | wxy;
}

uint32_t DPD2BCD(uint32_t dpd)
{
    const uint32_t pqr = (dpd >> 7) & 7, stu = (dpd >> 4) & 7, v = (dpd >> 3) & 1, wxy = dpd & 7;
    const uint32_t pq = pqr >> 1, r = pqr & 1, st = stu >> 1, u = stu & 1, wx = wxy >> 1, y = wxy & 1;
    uint32_t d2, d1, d0;
    if (!v) {
        d2 = pqr, d1 = stu, d0 = wxy;
    } else {
        switch (wx) {
        case 0:
            d2 = pqr, d1 = stu, d0 = 8 | y;
            break;
        case 1:
            d2 = pqr, d1 = 8 | u, d0 = (st << 1) | y;
            break;
        case 2:
            d2 = 8 | r, d1 = stu, d0 = (pq << 1) | y;
            break;
        default:
            switch (st) {
            case 0:
                d2 = 8 | r, d1 = 8 | u, d0 = (pq << 1) | y;
                break;
            case 1:
                d2 = 8 | r, d1 = (pq << 1) | u, d0 = 8 | y;
                break;
            case 2:
                d2 = pqr, d1 = 8 | u, d0 = 8 | y;
                break;
            default: // pq ignored: the non-canonical declets decode here too
                d2 = 8 | r, d1 = 8 | u, d0 = 8 | y;
                break;
            }
        }
    }
    return (d2 << 8) | (d1 << 4) | d0;
}

int32_t DFP_Unpack_Double(uint64_t bits, DecimalNumber *number)
{
    Fields f{};
    f.sign = (uint32_t)(bits >> SignShift64) & 1;
    f.combination = (uint32_t)(bits >> ComboShift64) & ComboMask64;
    f.continuation = (uint32_t)(bits >> ExpContShift64) & ExpContMask64;
    for (int d = 0; d < 5; d++)
        f.declets[d] = (uint32_t)(bits >> (10 * d)) & 0x3FF;
    return unpackFields(f, kDouble, number);
}

int32_t DFP_Unpack_Quad(const uint64_t words[2], DecimalNumber *number)
{
    const uint64_t hi = words[0], lo = words[1];
    Fields f{};
    f.sign = (uint32_t)(hi >> SignShift128) & 1;
    f.combination = (uint32_t)(hi >> ComboShift128) & ComboMask128;
    f.continuation = (uint32_t)(hi >> ExpContShift128) & ExpContMask128;
    for (int d = 0; d < 11; d++) {
        const int bit = 10 * d; // position in the 110-bit coefficient continuation
        uint64_t v;
        if (bit + 10 <= 64)
            v = lo >> bit;
        else if (bit >= 64)
            v = hi >> (bit - 64);
        else
            v = (lo >> bit) | (hi << (64 - bit));
        f.declets[d] = (uint32_t)v & 0x3FF;
    }
    return unpackFields(f, kQuad, number);
}

int32_t DFP_Unpack_Single(uint64_t bits, int system, DecimalNumber *number)
{
    const uint32_t word = system == 1 ? (uint32_t)bits : (uint32_t)(bits >> 32);
    Fields f{};
    f.sign = (word >> SignShift32) & 1;
    f.combination = (word >> ComboShift32) & ComboMask32;
    f.continuation = (word >> ExpContShift32) & ExpContMask32;
    for (int d = 0; d < 2; d++)
        f.declets[d] = (word >> (10 * d)) & 0x3FF;
    return unpackFields(f, kSingle, number);
}

void DFP_Pack_Double(const DecimalNumber *number, uint64_t *out)
{
    const Fields f = packFields(number, kDouble);
    uint64_t w = (uint64_t)f.sign << SignShift64 | (uint64_t)f.combination << ComboShift64 |
                 (uint64_t)f.continuation << ExpContShift64;
    for (int d = 0; d < 5; d++)
        w |= (uint64_t)f.declets[d] << (10 * d);
    *out = w;
}

void DFP_Pack_Quad(const DecimalNumber *number, uint64_t words[2])
{
    const Fields f = packFields(number, kQuad);
    uint64_t hi = (uint64_t)f.sign << SignShift128 | (uint64_t)f.combination << ComboShift128 |
                  (uint64_t)f.continuation << ExpContShift128;
    uint64_t lo = 0;
    for (int d = 0; d < 11; d++) {
        const int bit = 10 * d;
        const uint64_t v = f.declets[d];
        if (bit < 64) lo |= v << bit;
        if (bit + 10 > 64) hi |= bit >= 64 ? v << (bit - 64) : v >> (64 - bit);
    }
    words[0] = hi;
    words[1] = lo;
}

void DFP_Pack_Single(const DecimalNumber *number, int system, uint64_t *out)
{
    const Fields f = packFields(number, kSingle);
    uint32_t w = f.sign << SignShift32 | f.combination << ComboShift32 | f.continuation << ExpContShift32;
    for (int d = 0; d < 2; d++)
        w |= f.declets[d] << (10 * d);
    *out = system == 1 ? (uint64_t)w : (uint64_t)w << 32;
}

int DFP_ParsePackedBCD(int signCode, int count, const uint64_t *words, DecimalNumber *number)
{
    int32_t sign;
    switch (signCode) {
    case -1:
    case 0xA:
    case 0xC:
    case 0xE:
    case 0xF:
        sign = 0;
        break;
    case 0xB:
    case 0xD:
        sign = 1;
        break;
    default:
        return -1;
    }
    BCDnumber c;
    BCD_SetZero(&c);
    for (int i = 0; i < count && i < 32; i++) {
        const uint32_t nibble = (uint32_t)(words[i / 16] >> (60 - 4 * (i % 16))) & 0xF;
        if (nibble > 9) return -1;
        BCD_SetDigit(&c, (uint32_t)(count - 1 - i), nibble);
    }
    number->type = Normal;
    number->sign = sign;
    number->exponent = 0;
    BCD_Copy(&c, &number->coefficient.bcdnumber);
    return 0;
}
