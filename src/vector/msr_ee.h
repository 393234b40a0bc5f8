// MSR[EE] set or cleared by an instruction, and the workers of wrtee and wrteei (exported; this
// processor's instruction table has no rows for them).
#pragma once

struct IOPDesc;

// Reads the MSR (read triggers), sets or clears EE (0x8000) and writes it through the MSR write
// with its side effects and write triggers (the cycle-level core's result record in that mode).
void IOP_Set_MSR_EE(IOPDesc *iop, int on);
// wrteei: EE := instruction bit 16. Returns 1.
int core_wrteei(IOPDesc *iop);
// wrtee: EE := bit 48 (mask 0x8000) of RS. Returns 1.
int core_wrtee(IOPDesc *iop);
