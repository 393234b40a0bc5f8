// The vector micro-operation helpers the vector crypto and polynomial instructions use: the AES
// byte transformations on a 128-bit state (state byte 4c + r is row r of column c, byte 0 the most
// significant), the forward and inverse AES S-boxes, the XOR and rotate helpers.
#pragma once

#include <cstdint>

#include "processor/hooks/vsr_access.h"

// The AES forward and inverse S-boxes, indexed by the byte value.
extern const uint32_t VSU_AES_SBox[256];
extern const uint32_t VSU_AES_InvSBox[256];

// Every byte replaced by its forward (SubBytes) or inverse (InvSubBytes) S-box entry.
Vec128 VSU_SubBytes(Vec128 state);
Vec128 VSU_InvSubBytes(Vec128 state);
// Result byte 4c + r = input byte 4((c + r) mod 4) + r; the inverse with (c - r).
Vec128 VSU_ShiftRows(Vec128 state);
Vec128 VSU_InvShiftRows(Vec128 state);

// a XOR b (the 8-bit form XORs four bytes).
uint8_t Bitwise_Difference8(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
uint16_t Bitwise_Difference16(uint16_t a, uint16_t b);
uint32_t Bitwise_Difference32(uint32_t a, uint32_t b);
uint64_t Bitwise_Difference64(uint64_t a, uint64_t b);
// x rotated right by n (1 to the width - 1; other counts are taken modulo the width).
uint32_t Rotate_Right32(uint32_t x, uint32_t n);
uint64_t Rotate_Right64(uint64_t x, uint32_t n);
