// The register moves between GPRs and CR, XER, LR, CTR, the MSR, the time base and the FPRs
// (workers core_<name>, which the cycle-level core reuses), the next-address rule of mtspr, and
// the routines through which the MSR moves and interrupt returns commit a new MSR.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// Each returns 1 when done, 0 when it raised an interrupt (the target is then unchanged).
int core_mfcr(IOPDesc *iop);  // mfcr and mfocrf
int core_mtcrf(IOPDesc *iop); // mtcrf and mtocrf
int core_mfxer(IOPDesc *iop);
int core_mtxer(IOPDesc *iop);
int core_mcrxr(IOPDesc *iop);
int core_mcrxrt(IOPDesc *iop); // CR field BF := XER's TGCC field
int core_mflr(IOPDesc *iop);
int core_mtlr(IOPDesc *iop);
int core_mfctr(IOPDesc *iop);
int core_mtctr(IOPDesc *iop);
int core_mfmsr(IOPDesc *iop);
int core_mftb(IOPDesc *iop);
int core_mftgpr(IOPDesc *iop);
// RT := the 64-bit image of FPR[FRB]; no row of the instruction table names it.
int semantic_mftgpr(IOPDesc *iop);
// FRT := GPR RB (doubleword 1 of the VSR becomes 0), without the floating-point availability
// check; gated like mftgpr. No row of the instruction table names it either.
int core_mffgpr(IOPDesc *iop);
int semantic_mffgpr(IOPDesc *iop);

// After a completed mtspr: advances the next-instruction address, except for the SPR 882 (the
// program counter) under processor option IAR, whose write has set it.
void MTSPR_Advance_NIA(IOPDesc *iop);

// ---- committing a new MSR ----

// CFAR := cia (not for "mtmsr" and "mtmsrd"); the next-instruction address := nia, whole when the
// new MSR has SF (or, with TAGS_ACTIVE, TA without LE), else its low 32 bits; then the MSR write
// with the new next address.
void Write_MSR_And_NIA(IOPDesc *iop, uint64_t msr, uint64_t cia, uint64_t nia);
// TSRL for the instruction, with its read triggers.
uint64_t Read_TSRL_For_Instruction(IOPDesc *iop);
// TSRL := thread priority 4 (medium), with its write triggers; returns the new TSRL.
uint64_t Drop_Thread_Priority_To_Medium(IOPDesc *iop);
// Fires Event_Core_Mode_Change with the new privilege mode (2 hypervisor, 1 privileged, 0 problem
// state) when a plug-in listens and the two MSR values differ in it.
void Signal_Core_Mode_Change(ThreadState *thread, uint64_t old_msr, uint64_t new_msr);
// GPR n := value for the instruction (the second result slot in the cycle-model form).
void Write_GPR_For_Instruction(IOPDesc *iop, uint32_t n, uint64_t value);
