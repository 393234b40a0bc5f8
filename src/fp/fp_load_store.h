// The floating-point loads and stores: D-, X- and update forms of lfs/lfd/stfs/stfd, stfiwx, the
// paired doubleword forms with their micro-op forms, the external-PID forms, and their workers.
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;

// Rows the table names are declared in decode/semantics.h; these have no row.
int semantic_lfdepx(IOPDesc *iop);
int semantic_stfdepx(IOPDesc *iop);
int semantic_lfdp_ucode(IOPDesc *iop);
int semantic_lfdpx_ucode(IOPDesc *iop);
int semantic_stfdp_ucode(IOPDesc *iop);
int semantic_stfdpx_ucode(IOPDesc *iop);

// The skeletons: facility checks, address generation, the access, the next address.
int semantic_d_load_fp(IOPDesc *iop);
int semantic_x_load_fp(IOPDesc *iop);
int semantic_d_store_fp(IOPDesc *iop);
int semantic_x_store_fp(IOPDesc *iop);

// Workers: 1 done, 0 an interrupt was raised (RA of an update form written after the access, or
// before it for an address-only run).
int load_fp(IOPDesc *iop, uint32_t frt, uint32_t ra);
int store_fp(IOPDesc *iop, uint32_t frs, uint32_t ra);
// Writes the loaded value (the access's bytes) as the FPR image: byte-reversed for a little-endian
// access, converted from single precision for accesses below 8 bytes.
void Load_Value_To_FRT(IOPDesc *iop, uint32_t frt, uint64_t value);
// The transactional hook of a load target: reads the MSR through its triggers only.
void HTM_SmodeUndefTargetFPR(IOPDesc *iop, AXD *axd, uint32_t frt);
// Marks FPR n single precision (row access size 4) or double precision.
void Define_FP_representation(IOPDesc *iop, uint32_t n);
