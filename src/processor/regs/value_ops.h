// Value and access operations: 128-bit bit tests and addition, bit-field extraction, byte
// reversal of register values, the fixed XUCR0 cache-control answers and the byte-by-byte split
// test of an access.
#pragma once

#include <cstdint>

struct AXD;

// Bit b (0 the most significant) of the 128-bit value {low word, high word}.
uint32_t Test_Bit_128(const uint64_t value[2], uint32_t b);
// result = {a_low, a_high} + {b_low, b_high} + carry_in, each as {low, high}; the carry out of
// the 128-bit sum goes to *carry_out when given.
void Add_128_With_Carry(uint32_t *carry_out, uint64_t result[2], uint64_t a_low, uint64_t a_high,
                        uint64_t b_low, uint64_t b_high, uint64_t carry_in);
// Bits first..last (0 the most significant) of the value, right-aligned.
uint64_t Extract_bits(uint64_t value, uint32_t first, uint32_t last);
// The low length bytes of the value in reverse order (lengths 1, 2, 4, 8; bytes above them are
// dropped); another length is an error and gives the value unchanged.
uint64_t Reverse_RegValue(uint64_t value, int32_t length);

int TEST_BIT_XUCR0_FLSTA_AFLSTA(void);
int TEST_BIT_XUCR0_L2SIW(void);
int TEST_BIT_XUCR0_DC_DIS(void);
void REPORT_READ_BITS_XUCR0(void);
void REPORT_WRITTEN_BITS_XUCR0(void);
void SET_BIT_XUCR0_CUL(void);

// Whether the access is split into single bytes.
int Microcoded_byte_by_byte(const AXD *access);

void INIT_dcr_table(void);
void compute_isig(void);
