// The functional reads and writes of the vector-scalar, vector and floating-point registers of a
// thread. Declared here for the floors that call it; defined by the cycle-level core
// (core/vsr_access_standin.cpp, core/vmxr_access_standin.cpp, core/fpr_read_standin.cpp,
// core/fpr_write_standin.cpp).
#pragma once

#include <cstdint>

struct IOPDesc;

// A 128-bit register value: doubleword 1 (bits 64..127) in low, doubleword 0 (bits 0..63, the FPR
// half) in high. Bits, bytes and elements are numbered from the most significant end.
struct Vec128 {
    uint64_t low;
    uint64_t high;
};

// Writes VSR index (0..63): doubleword 0 (the FPR half) is high, doubleword 1 low.
void WRITE_VSR_SIMPLE(IOPDesc *iop, uint32_t index, uint64_t high, uint64_t low, const char *operand);
// VSR index (0..63), without triggers.
Vec128 READ_VSR_SIMPLE(IOPDesc *iop, uint32_t index, const char *operand);
// VR index (0..31), that is VSR 32 + index, without triggers.
Vec128 READ_VMXR_SIMPLE(IOPDesc *iop, uint32_t index, const char *operand);
// Stores both doublewords of VR index (0..31): no mask, no written flag, no triggers.
void WRITE_VMXR_SIMPLE(IOPDesc *iop, uint32_t index, uint64_t low, uint64_t high, const char *operand);
// The 64-bit image of FPR index (0..31), doubleword 0 of its VSR, with its read triggers.
uint64_t READ_FPR_SIMPLE(IOPDesc *iop, uint32_t index, const char *operand);
// Writes FPR index (0..31): doubleword 0 of its VSR gets the image, doubleword 1 becomes 0.
void WRITE_FPR_SIMPLE(IOPDesc *iop, uint32_t index, uint64_t image, const char *operand);
