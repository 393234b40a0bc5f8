// What the run-boundary helpers need of binary floating point: the result class (FPRF) of a double.
#pragma once

#include <cstdint>

// The 5-bit FPRF class code of the value (form 3: a binary double).
int micro_DBL_FPRF(double *value, int form);
