// Text renderings of the floating-point library: host doubles, FP160 values, the trace hook and
// the library's exported message function.
#pragma once

#include <cstddef>

#include "fp/fp160.h"

// "+NaN"/"-NaN" by the sign bit, "+INF"/"-INF", else "%G"; returns what snprintf returns.
int Prepare_FPDouble(char *text, size_t size, double number);
// One line: label, sign, biased and unbiased exponent, significand words, the value rounded to
// double and its class ("Norm(DP,SP)", ...). The value is unchanged; returns snprintf's result.
int FP160_ToString(char *text, size_t size, const char *label, const FP160 *value);
// The trace hook: with debug category 100 on, renders the value and the message into private
// buffers. It writes nothing and changes nothing.
void FP160_Trace(const FP160 *value, const char *label, const char *message, ...)
    __attribute__((format(printf, 3, 4)));
// Level 0 prints "FATAL ERROR : %s" and ends the process with status -1; level 1 prints
// "WARNING : %s"; other levels print nothing. Returns the formatted length.
int Error(int level, const char *format, ...) __attribute__((format(printf, 2, 3)));
