// FPSCR as an instruction sees it: every read and write goes through the instruction record,
// which holds FPSCR in its cache (vector-scalar, vector and decimal instructions), in its own slot
// (the cycle-model form) or leaves it in the thread's register; records the bits written and the
// exceptions newly raised; and the summary step that folds them into FX, FEX, VX and
// FPSCR_CHANGE and raises the enabled-exception interrupt.
#pragma once

#include <cstdint>

#include "interrupts/hooks/fpscr_read.h"
#include "processor/regs/fpscr_bits.h"

struct IOPDesc;

// iGET_FPSCR, the instruction's FPSCR, is declared in interrupts/hooks/fpscr_read.h.
// Stores FPSCR where the instruction keeps it; the thread's register gets its write triggers and
// the value masked by its implemented bits. Returns 1.
int iSET_FPSCR(IOPDesc *iop, uint64_t value);

// Bits b..c (bit 0 = 0x80000000) become v; the field is recorded as written, and its set
// exception bits as newly raised.
void FPSCR_Set_Field(IOPDesc *iop, uint32_t b, uint32_t c, uint64_t v);
// VX from the invalid-operation bits, then FEX from the enabled exceptions. FX is left alone.
void FPSCR_Recompute_VX_FEX(IOPDesc *iop);
// FPSCR := (value AND mask) OR (FPSCR AND NOT mask), VX and FEX recomputed; every exception bit
// the value sets under the mask counts as newly raised (mtfsf, mtfsfi).
void FPSCR_Set_Masked(IOPDesc *iop, uint64_t value, uint64_t mask);

// The rounding mode of a floating-point instruction: 0 for a row of the vector class, else
// FPSCR[RN].
int IOP_FP_Rounding_Mode(IOPDesc *iop);

// Starts the accumulation of an instruction's new exceptions without a cache.
void FPSCR_Start_Instruction(IOPDesc *iop);
// For floating-point rows other than the simple moves: drops an active cache, then loads FPSCR
// into the cache and its saved copy, activates it and starts the accumulation.
void IOP_Cache_FPSCR(IOPDesc *iop);
// For the same rows: FPSCR := (cache AND m) OR (saved AND NOT m), m the row's mask with FX, FEX
// and VX, written once; then the summary step. Answers the summary step's answer.
int SET_FPSCR_FROM_CACHE(IOPDesc *iop);
// The summary step: FX, FEX and VX of the instruction's new exceptions with the current enables
// into fpscr_new_exc and FPSCR_CHANGE, then the enabled-exception check: 0 when the
// floating-point program interrupt was raised.
int IOP_Update_FPSCR_Summary(IOPDesc *iop);
