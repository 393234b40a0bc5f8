// The decimal adder of the vector unit as a circuit of digit cells (see bcd_adder.h). Digits are
// processed in a 34-digit working width. An effective addition biases B's digits by +6 so that a
// decimal carry is a carry out of the nibble; an effective subtraction adds A to the ones'
// complement (15 - digit) of B with a carry in of 1, and forms B - A the same way, the end carry
// choosing the non-negative difference. Digits that send no carry are corrected by -6. Operands
// with digits above 9 run through the same cells, which fixes the hardware's result for them.
#include "isa/bcd_adder.h"

#include "isa/bcd_helpers.h"

namespace
{

constexpr uint8_t LT = 8, GT = 4, EQ = 2, SO = 1;
constexpr int WIDTH = 34;  // working digits
constexpr int DIGITS = 31; // digits of an operand

// The carry into each digit from the digits' generate and propagate signals and the carry in,
// resolved by a parallel-prefix network over spans of 1, 2, 4, 8, 16 and 32 digits. carry[i] is the
// carry into digit i; carry[WIDTH] the end carry.
void prefix_carries(const DigitSum *d, bool carry_in, bool *carry)
{
    bool g[WIDTH], p[WIDTH];
    for (int i = 0; i < WIDTH; i++) {
        g[i] = d[i].generate;
        p[i] = d[i].propagate;
    }
    for (int span = 1; span < WIDTH; span *= 2) {
        bool ng[WIDTH], np[WIDTH];
        for (int i = 0; i < WIDTH; i++) {
            if (i >= span) {
                ng[i] = g[i] || (p[i] && g[i - span]);
                np[i] = p[i] && p[i - span];
            } else {
                ng[i] = g[i];
                np[i] = p[i];
            }
        }
        for (int i = 0; i < WIDTH; i++) {
            g[i] = ng[i];
            p[i] = np[i];
        }
    }
    carry[0] = carry_in;
    for (int i = 0; i < WIDTH; i++)
        carry[i + 1] = g[i] || (p[i] && carry_in);
}

// x + y (+1 with carry_in) digit by digit, each digit of y first passed through the bias cell when
// bias is set; out gets the corrected digits, *beyond the carry out of the operand's last digit;
// the return value is the end carry.
bool add_digits(const uint8_t *x, const uint8_t *y, bool bias, bool carry_in, uint8_t *out, bool *beyond)
{
    DigitSum d[WIDTH];
    for (int i = 0; i < WIDTH; i++)
        d[i] = dunibble_adder(dudgt_csa2t2(x[i], bias ? duplus6(y[i]) : y[i]));
    bool carry[WIDTH + 1];
    prefix_carries(d, carry_in, carry);
    for (int i = 0; i < WIDTH; i++) {
        const uint8_t digit = carry[i] ? d[i].sum_plus1 : d[i].sum;
        out[i] = carry[i + 1] ? digit : duminus6(digit);
    }
    *beyond = carry[DIGITS];
    return carry[WIDTH];
}

bool sign_minus(uint8_t sign)
{
    const uint8_t low = sign & 7;
    return low == 1 || low == 3 || low == 5;
}

} // namespace

uint8_t duplus6(uint8_t x)
{
    return (uint8_t)(((x & 9) | (~x & 2) | ((x & 2) << 2) | ((x & 4) << 1) | ((x & 4) ^ 4 ^ ((x & 2) << 1))) &
                     0xF);
}

uint8_t duminus6(uint8_t x)
{
    return (uint8_t)(((~x & 2) | (x & 1) | (((x & 2) << 1) ^ (x & 4)) | (x > 13 ? 8 : 0)) & 0xF);
}

DigitCarrySave dudgt_csa2t2(uint8_t x, uint8_t y)
{
    return DigitCarrySave{(uint8_t)((x ^ y) & 0xF), (uint8_t)(((x & y) & 0xF) << 1)};
}

DigitSum dunibble_adder(DigitCarrySave in)
{
    const unsigned total = in.sum + in.carry;
    DigitSum d;
    d.sum = (uint8_t)(total & 0xF);
    d.sum_plus1 = (uint8_t)((total + 1) & 0xF);
    d.generate = total >= 16;
    d.propagate = (total & 0xF) == 0xF;
    return d;
}

void VSU_bcdadd(uint8_t *result, uint8_t *condition, const uint8_t *a, const uint8_t *b, int op, int ps)
{
    const bool a_minus = sign_minus(a[31]);
    const bool b_minus = sign_minus(b[31]);
    const bool subtract = (a_minus != (op != 0)) != b_minus;

    bool invalid = a[31] <= 9 || b[31] <= 9;
    uint8_t x[WIDTH] = {}, y[WIDTH] = {};
    bool a_zero = true, b_zero = true, equal = true;
    for (int i = 0; i < DIGITS; i++) {
        x[i] = a[30 - i] & 0xF;
        y[i] = b[30 - i] & 0xF;
        if (x[i] > 9 || y[i] > 9) invalid = true;
        a_zero = a_zero && x[i] == 0;
        b_zero = b_zero && y[i] == 0;
        equal = equal && x[i] == y[i];
    }

    uint8_t r[WIDTH];
    bool overflow = false, s = false;
    if (!subtract) {
        add_digits(x, y, true, false, r, &overflow);
    } else {
        uint8_t not_x[WIDTH], not_y[WIDTH], b_minus_a[WIDTH];
        for (int i = 0; i < WIDTH; i++) {
            not_x[i] = (uint8_t)(15 - x[i]);
            not_y[i] = (uint8_t)(15 - y[i]);
        }
        bool unused;
        const bool a_not_below = add_digits(x, not_y, false, true, r, &unused);
        add_digits(y, not_x, false, true, b_minus_a, &unused);
        s = !a_not_below;
        if (s)
            for (int i = 0; i < WIDTH; i++)
                r[i] = b_minus_a[i];
    }
    for (int i = 0; i < DIGITS; i++)
        result[30 - i] = r[i];

    const uint8_t so = (overflow || invalid) ? SO : 0;
    const bool zero = (a_zero && b_zero) || (subtract && equal);
    const bool negative = (b_minus != (op != 0)) != (subtract && !s);
    if (zero) {
        result[31] = ps ? 0xF : 0xC;
        *condition = so | (invalid ? 0 : EQ);
    } else if (negative) {
        result[31] = 0xD;
        *condition = so | (invalid ? 0 : LT);
    } else {
        result[31] = ps ? 0xF : 0xC;
        *condition = so | (invalid ? 0 : GT);
    }
}
