// SLB maintenance and the segment instructions: slbie and slbia (with the ERAT and effective-address
// map invalidation they cause), the slbia instruction body, the segment-register writes of mtsr,
// mtsrin, mtsrd and mtsrdin, and the workers of slbfee. and slbie. SLB_Reset is the processor's
// (processor/translation/tlb_slb_erat.h).
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// Invalidates every SLB entry that RB designates (segment size, ESID, class, TA and no-access
// selectors), then the ERATs; raises the translation version.
void micro_slbie(ThreadState *thread, uint64_t rb);
// Invalidates every SLB entry but entry 0, the effective-address maps and the ERATs.
void micro_slbia(ThreadState *thread);
// The slbia instruction: privileged; in a transaction the transaction fails instead. 1 done,
// 0 an interrupt was raised.
int core_slbia(IOPDesc *iop);
// Segment register n (SLB entry n modulo the SLB size) with the 32-bit value; rb the mtsrin RB.
// Invalidates nothing: the callers empty the ERATs and raise the translation version.
void WriteSR(ThreadState *thread, uint32_t n, uint32_t value, uint64_t rb);
// slbfee.: RT := the VSID word of RB's segment (0 when none), CR0 EQ when found. 1 done, 0 an
// interrupt was raised.
int core_slbfee_dot(IOPDesc *iop);
// slbie: micro_slbie with RB (32 bits in 32-bit mode). Always 1.
int core_slbie(IOPDesc *iop);
