// The decimal library's entry points, one per decimal instruction (the record forms share their
// plain form's). Decimal64 operands and 64-bit words go by value, decimal128 operands as the
// address of two words (most significant first); a result goes to one word or, for decimal128 and
// 128-bit BCD results, two; the caller's environment comes last. The caller writes the result only
// when the environment's resultKind is nonzero afterwards; the updated FPSCR image, its new bits
// and the condition field are in the environment.
#pragma once

#include <cstdint>

#include "dfp/dfp_environment.h"

void dadd(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
void daddq(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env);
void dsub(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
void dsubq(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env);
void dmul(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
void dmulq(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env);
void ddiv(uint64_t a, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
void ddivq(const uint64_t *a, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env);

void dcmpu(uint64_t a, uint64_t b, DFP_SystemEnvironment *env);
void dcmpuq(const uint64_t *a, const uint64_t *b, DFP_SystemEnvironment *env);
void dcmpo(uint64_t a, uint64_t b, DFP_SystemEnvironment *env);
void dcmpoq(const uint64_t *a, const uint64_t *b, DFP_SystemEnvironment *env);

void dtstdc(uint64_t a, int dcm, DFP_SystemEnvironment *env);
void dtstdcq(const uint64_t *a, int dcm, DFP_SystemEnvironment *env);
int dtstdg(uint64_t a, int dgm, DFP_SystemEnvironment *env);
int dtstdgq(const uint64_t *a, int dgm, DFP_SystemEnvironment *env);
void dtstex(uint64_t a, uint64_t b, DFP_SystemEnvironment *env);
void dtstexq(const uint64_t *a, const uint64_t *b, DFP_SystemEnvironment *env);
int dtstsf(uint64_t reference, uint64_t b, DFP_SystemEnvironment *env);
int dtstsfq(uint64_t reference, const uint64_t *b, DFP_SystemEnvironment *env);

void dqua(uint64_t a, uint64_t b, int rmc, uint64_t *result, DFP_SystemEnvironment *env);
void dquaq(const uint64_t *a, const uint64_t *b, int rmc, uint64_t *result, DFP_SystemEnvironment *env);
void dquai(int te, uint64_t b, int rmc, uint64_t *result, DFP_SystemEnvironment *env);
void dquaiq(int te, const uint64_t *b, int rmc, uint64_t *result, DFP_SystemEnvironment *env);
void drrnd(uint64_t k, uint64_t b, int rmc, uint64_t *result, DFP_SystemEnvironment *env);
void drrndq(uint64_t k, const uint64_t *b, int rmc, uint64_t *result, DFP_SystemEnvironment *env);
void drintx(uint64_t b, int r, int rmc, uint64_t *result, DFP_SystemEnvironment *env);
void drintxq(const uint64_t *b, int r, int rmc, uint64_t *result, DFP_SystemEnvironment *env);
void drintn(uint64_t b, int r, int rmc, uint64_t *result, DFP_SystemEnvironment *env);
void drintnq(const uint64_t *b, int r, int rmc, uint64_t *result, DFP_SystemEnvironment *env);

// dctdp reads a decimal32 from the low word; drsp writes one there (high word 0). drdpq's
// decimal64 result comes with a zero second word unless a trapped overflow or underflow leaves it
// in decimal128.
void dctdp(uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
void dctqpq(uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
void drsp(uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
void drdpq(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env);

void dcffix(uint64_t integer, uint64_t *result, DFP_SystemEnvironment *env);
void dcffixq(uint64_t integer, uint64_t *result, DFP_SystemEnvironment *env);
int dctfix(uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
int dctfixq(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env);
void ddedpd(int sp, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
void ddedpdq(int sp, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env);
void denbcd(int s, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
void denbcdq(int s, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env);

void dxex(uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
void dxexq(const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env);
void diex(uint64_t exponent, uint64_t b, uint64_t *result, DFP_SystemEnvironment *env);
void diexq(uint64_t exponent, const uint64_t *b, uint64_t *result, DFP_SystemEnvironment *env);
void dscli(int sh, uint64_t a, uint64_t *result, DFP_SystemEnvironment *env);
void dscliq(int sh, const uint64_t *a, uint64_t *result, DFP_SystemEnvironment *env);
void dscri(int sh, uint64_t a, uint64_t *result, DFP_SystemEnvironment *env);
void dscriq(int sh, const uint64_t *a, uint64_t *result, DFP_SystemEnvironment *env);
