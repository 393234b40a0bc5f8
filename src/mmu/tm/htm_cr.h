// The condition-register results of the transactional-memory instructions: a CR field (mirrored in
// XER's FXCC field where the processor has one) from a value, from the transaction state of an MSR,
// or from the doomed flag and the state; and tcheck, which reports the latter.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// CR field f := v (4 bits); also XER bits 24-27 when option FXCC_FIELD_IN_XER is on and either the
// thread is in tags-active mode or option HTM_OPS_SET_XER_FXCC_IN_TI_MODE is on.
void SET_TM_CR(IOPDesc *iop, uint32_t field, uint32_t value);
// CR field := 0 || TS || 0 of the msr.
void SET_TM_CR_From_MSR(IOPDesc *iop, uint64_t msr, uint32_t field);
// CR field := doomed || TS || 0 (doomed: the thread's transaction has recorded a failure).
void SET_TM_CR_From_Doomed_MSR(IOPDesc *iop, uint64_t msr, uint32_t field);
// tcheck: CR field bf := doomed || TS || 0 of the current MSR.
void htm_tcheck(IOPDesc *iop, uint32_t bf);
// A CR field of a thread outside any instruction (the abort-all command): CR field f := v (CR
// masked); XER bits 25-27 := bits 1-3 of v when the machine's FXCC flag is set. No change mask.
void FORCE_TM_CR(ThreadState *thread, uint32_t field, uint32_t value);
