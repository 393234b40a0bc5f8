// The simulator-only and implementation-specific instructions that no instruction-table row names.
#pragma once

struct IOPDesc;

// The reserved no-operation without its option test: in problem state with PCR 0x4 illegal, else
// it advances.
int semantic_makeitso(IOPDesc *iop);
// Counts the bytes of RS || RB (low words, RS first) up to and including the leftmost zero byte (8
// when none) into RA and XER bits 6:0; the dot form sets CR0 by where the zero byte lies.
int semantic_dlmzb(IOPDesc *iop);
int semantic_dlmzb_dot(IOPDesc *iop);
// RT := 0, behind the 2.05 compatibility gate and option POWERPC_V206.
int semantic_mfapidi(IOPDesc *iop);
