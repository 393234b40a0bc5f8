// The functional reads and writes of the vector-scalar and floating-point registers of a thread.
// Declared here for the floors that call it; defined by the cycle-level core
// (core/vsr_access_standin.cpp, core/fpr_read_standin.cpp, core/fpr_write_standin.cpp).
#pragma once

#include <cstdint>

struct IOPDesc;

// Writes VSR index (0..63): doubleword 0 (the FPR half) is high, doubleword 1 low.
void WRITE_VSR_SIMPLE(IOPDesc *iop, uint32_t index, uint64_t high, uint64_t low, const char *operand);
// The 64-bit image of FPR index (0..31), doubleword 0 of its VSR, with its read triggers.
uint64_t READ_FPR_SIMPLE(IOPDesc *iop, uint32_t index, const char *operand);
// Writes FPR index (0..31): doubleword 0 of its VSR gets the image, doubleword 1 becomes 0.
void WRITE_FPR_SIMPLE(IOPDesc *iop, uint32_t index, uint64_t image, const char *operand);
