// The instruction-match comparison: an instruction word and the machine state (MSR tags-active,
// PR, HV) against the patterns of the instruction-match register pairs IMAn (bits that are 0,
// and the control fields) and IMAn+8 (bits that are 1), n = 0..4. The partial form compares the
// primary and extended opcodes (two entries per pair), the full form the whole word. Each
// returns 0 for no match, else the entry's kind: 1, 2, or 3 (for a kind field of 0 or 3).
#pragma once

#include <cstdint>

struct IOPDesc;

// 1 when the word matches (z, o) and the machine state matches (z_state, o_state); the MSR is
// read (with its triggers) only after the word matched.
int IMC_Match_Pattern(IOPDesc *iop, uint32_t word, uint32_t z, uint32_t o, uint32_t z_state, uint32_t o_state);
int Part_IMC_Match(IOPDesc *iop, int n);
int Full_IMC_Match(IOPDesc *iop, int n);
