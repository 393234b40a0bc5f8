// The store-conditional's common end, also called by the cycle-level core's special-instruction
// path.
#pragma once

struct IOPDesc;

// CR0 = 0b000 || SO when failed (the access size becomes 0), else 0b001 || SO with the physical
// address appended to the held locks; FXCC under the XER-field rule; advances the next-instruction
// address.
void stcx_part2(IOPDesc *iop, int failed);
