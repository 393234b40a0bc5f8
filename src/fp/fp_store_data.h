// The store-data producers of the floating-point stores: the memory image of the source FPR.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;

// 8-byte stores: the FPR's image; 4-byte stores: its single-precision word. The FPR comes from
// operand slot S in the cycle-model form.
uint64_t store_fp_data(IOPDesc *iop, AXD *axd, int frs, int status);
// The FPR image's low 32 bits, zero-extended (stfiwx).
uint64_t stfiwx_store_data(IOPDesc *iop, AXD *axd, int frs, int status);
