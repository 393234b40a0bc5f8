// The chip-revision refinement of the little-endian 32-byte crossing alignment rule.
#pragma once

struct AXD;
struct IOPDesc;

// 1 when a little-endian access crossing 32 bytes must raise the alignment interrupt on this chip
// revision, 0 when it need not.
int Vrill_LE_Align_DD2_1_Refine(IOPDesc *iop, AXD *axd);
