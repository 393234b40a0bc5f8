// Vector-scalar data for the cycle-level core: the bytes its load/store queue read or must write
// for the VSX storage rows, and the two micro-operations of cracked misaligned floating-point and
// VSX loads that move data between the scratch slot (GPR 32) and the vector-scalar registers.
// Byte buffers hold memory order, most significant byte of an element first; no element reversal
// is applied in little-endian mode.
#pragma once

#include <cstdint>

struct IOPDesc;
struct InstrInfo;

// Delivers loaded bytes to XT: 16 bytes (lxvd2x, lxvw4x only) fill both doublewords; lxvdsx
// splats 8 bytes; otherwise 8 bytes fill doubleword 0 and 4 bytes word 0, the rest zero. Any
// other size or row ends the program. Returns the instruction's row.
InstrInfo *VSX_Load_Data_To_Reg(IOPDesc *iop, const uint8_t *bytes, int size);
// The bytes a store writes from XS: all 16 (stxvd2x, stxvw4x and the games-mode halves only),
// doubleword 0 for 8, word 0 for 4. Another size is reported and leaves the buffer alone.
void VSX_Prepare_Store_Data(IOPDesc *iop, uint8_t *bytes, int size);
