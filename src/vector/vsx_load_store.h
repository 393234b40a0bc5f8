// The vector-scalar loads and stores: the vector forms (lxvd2x, lxvw4x, stxvd2x, stxvw4x), the
// scalar forms (lxsdx, stxsdx and the word-scalar lxswx, stxswx), the splat lxvdsx, the
// single-precision and integer-word forms (lxsspx, lxsiwax, lxsiwzx, stxsspx, stxsiwx) and the
// update forms the cycle-level core cracks ("ux"). The routines of the instruction table are
// declared with the table (decode/semantics.h); those without a row are declared here.
//
// Elements move in big-endian element order (element i at EA + i x size). Each element is in the
// data byte order of the access: a little-endian access byte-reverses each element over its own
// size, and option LE_REVERSE_REG reverses it once more. A vector load that fails on a later
// element writes nothing; a vector store that fails on a later element leaves the earlier ones
// written.
#pragma once

#include <cstdint>

struct IOPDesc;

namespace vsx
{

// The workers; n is the element size (4 or 8). 1 done, 0 interrupt raised or address only.
int SIM_load_vector(IOPDesc *iop, int n);
int SIM_store_vector(IOPDesc *iop, int n);
int SIM_load_scalar(IOPDesc *iop, int n);
int SIM_store_scalar(IOPDesc *iop, int n);
// Writes one element of a vector or scalar store: the address-only record (kind 2, result 7)
// or EA_Write_Memory_Reg_Part2. 0 done.
uint32_t store_vsx_value(IOPDesc *iop, uint64_t value);

} // namespace vsx

// Update forms (update_form set, then the base routine) and the word-scalar forms, which need
// option EXTENDED_VSX_INSTRUCTIONS_SUPPORTED (else the illegal-instruction interrupt with the
// mnemonic).
int semantic_lxvd2ux(IOPDesc *iop);
int semantic_lxvw4ux(IOPDesc *iop);
int semantic_lxsdux(IOPDesc *iop);
int semantic_lxswx(IOPDesc *iop);
int semantic_lxswux(IOPDesc *iop);
int semantic_stxvd2ux(IOPDesc *iop);
int semantic_stxvw4ux(IOPDesc *iop);
int semantic_stxsdux(IOPDesc *iop);
int semantic_stxswx(IOPDesc *iop);
int semantic_stxswux(IOPDesc *iop);
