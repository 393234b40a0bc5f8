// FP160 arithmetic: add, multiply, divide and square root, exact or with their lost bits kept
// as a sticky bit or the inexact flag, so that one rounding gives the correctly rounded result.
// The IEEE special values are handled and marked on the result. Every operation returns its
// result in its first operand (the whole record, label and flags included).
#pragma once

#include "fp/fp160.h"

// a := a + b. mode decides only the sign of an exact zero sum (-0 in mode 3). graph: the all-ones
// exponent is an ordinary exponent (no NaN or infinity handling).
void FP160_Add_GMode(FP160 *a, const FP160 *b, int mode, int graph);
void FP160_Add(FP160 *a, const FP160 *b, int mode);
// a := a * b with the full 256-bit product: the low 128 bits stay in ext_hi/ext_lo.
void FP160_Multiply_GMode(FP160 *a, const FP160 *b, int graph);
void FP160_Multiply(FP160 *a, const FP160 *b);
// a := a / b; a quad-precision dividend (src_format 5) divides the full 128-bit significands.
void FP160_Divide_GMode(FP160 *a, const FP160 *b, int graph);
void FP160_Divide(FP160 *a, const FP160 *b);
// a := sqrt(|a|) for a finite non-zero a: 56 root bits and a sticky bit (double precision or
// narrower); FP160_Q_Sqrt works on the whole 128-bit significand.
void FP160_Sqrt(FP160 *a);
void FP160_Q_Sqrt(FP160 *a);

// 1 when operand is a NaN: result becomes a quieted copy of it, marked QNaN or SNaN.
int FP160_CheckNaN_Operand(FP160 *result, const FP160 *operand);
// 1 when operand is a NaN: result is only marked.
int FP160_CheckSNaN_Operand(FP160 *result, const FP160 *operand);
