// VMX loads and stores: the quadword and element forms (lvx, lvxl, lvebx, lvehx, lvewx, stvx,
// stvxl, stvebx, stvehx, stvewx), the permute-control vectors lvsl and lvsr, the left/right
// partial accesses of the games-mode instruction set (lvlx, lvrx, stvlx, stvrx; no row names
// them), and the data placement the cycle-level core calls from its load/store queue.
//
// Addresses are forced to the access's natural alignment (no alignment interrupt). In
// little-endian data mode each access moves its bytes in little-endian order: an element load
// delivers the element's little-endian value, the quadword load the 16 bytes with the byte at
// EA + 15 first (so byte element i takes the byte at EA + 15 - i), and the quadword store writes
// the mirror image: doubleword 1 at EA and doubleword 0 at EA + 8, each least significant byte
// first, so that stvx then lvx returns the register unchanged. Under LE_REVERSE_VMX (see
// VMX_LE_Reverse_Active) the register value is reversed on top of that.
#pragma once

#include <cstdint>

struct InstrInfo;
struct IOPDesc;

namespace vmx
{
// The common routines of the element and quadword forms; n is 1, 2, 4 or 16. 1 done, 0 after an
// interrupt, a probe by the cycle-level core, or a bad size (reported).
int SIM_load_vector(IOPDesc *iop, int n);
int SIM_store_vector(IOPDesc *iop, int n);
} // namespace vmx

// 1 when register values are reversed for little-endian data: option LE_REVERSE_VMX, data in
// little-endian order, and LE_REVERSE_REG or a chip version of 0x300 or more.
int VMX_LE_Reverse_Active(IOPDesc *iop);
// Writes the low data-descriptor-size bytes of value at the data descriptor's address: 0 written,
// non-zero failed; when the cycle-level core probes, records the store request and returns 7.
uint32_t EA_Write_Memory_VMXReg(IOPDesc *iop, uint64_t value);
// The cycle-level core's delivery of loaded bytes (memory order) to VT: 16 bytes fill the
// register; 1, 2, 4 or 8 bytes fill the element the data address selects, the rest zero. Another
// size ends the program. Returns the instruction's row.
InstrInfo *VMX_Load_Data_To_Reg(IOPDesc *iop, const uint8_t *bytes, int size);
// The bytes a store writes, most significant first: all 16 of VS, or the element of the given
// size that the data address selects; another size is reported and leaves the buffer alone.
void VMX_Prepare_Store_Data(IOPDesc *iop, uint8_t *bytes, int size);

// The games-mode partial accesses.
int semantic_lvlx(IOPDesc *iop);
int semantic_lvrx(IOPDesc *iop);
int semantic_stvlx(IOPDesc *iop);
int semantic_stvrx(IOPDesc *iop);
