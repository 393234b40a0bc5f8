// The vector unit's decimal adder modelled from its digit cells: the +6 bias and -6 correction
// cells, the carry-save cell and the nibble adder that give each digit its generate, propagate
// (nine-detect), sum and sum-plus-one, and a parallel-prefix carry network. VSU_bcdadd (declared in
// bcd_helpers.h) is built on them; they are exported for the unit tests of the cells.
#pragma once

#include <cstdint>

// x + 6 for x = 0..9; 10..15 give 8..13.
uint8_t duplus6(uint8_t x);
// x - 6 for x = 6..15; 0..5 give 2..7.
uint8_t duminus6(uint8_t x);

// The carry-save cell of one digit pair: the half-sum and the carries (five bits, weight 2..16).
struct DigitCarrySave {
    uint8_t sum;
    uint8_t carry;
};
DigitCarrySave dudgt_csa2t2(uint8_t x, uint8_t y);

// The nibble adder cell on a carry-save pair.
struct DigitSum {
    uint8_t sum;       // the digit sum, four bits
    uint8_t sum_plus1; // the digit sum plus one, four bits
    bool generate;     // the digit sends a carry whatever comes in
    bool propagate;    // the digit sum is all ones: an incoming carry passes through
};
DigitSum dunibble_adder(DigitCarrySave in);
