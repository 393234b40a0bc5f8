// Hand-written register accessors: registers whose value is composed from other state (TIR,
// TSRL, TFMR, CTRL) or whose write changes other state (HID0, SIM_CTRL), the FPSCR summary of
// the decimal floating-point instructions, and the instruction-level readers that semantics and
// interrupt code call directly.
#pragma once

#include <cstdint>

#include "processor/regs/fpscr_bits.h"

struct IOPDesc;
struct Register_File_Entry;
struct ThreadState;

// The thread's number within its core, whatever the TIR slot holds.
uint32_t COOKED_GET_TIR(ThreadState *thread, uint32_t kind);
// The HID0 slot of the thread's core.
uint64_t COOKED_GET_HID0(ThreadState *thread, uint32_t kind);
// Stores the value masked into the core's HID0 (written), then the split-core test.
void COOKED_SET_HID0(ThreadState *thread, uint64_t value);
// Masked store (written); with Dravo_DSCR the DSCR mask follows bit 48; with the machine's
// transactional-memory model enabled, bits 62 and 63 set the maximum nesting level.
void COOKED_SET_SIM_CTRL(ThreadState *thread, uint64_t value, uint32_t kind);
// With Dravo_DSCR set on the thread's core: DSCR's implemented bits become 0x3F when bit 48 of the
// value is set, else 0x1F (one description serves all threads of the core).
void Apply_Dravo_DSCR_Mask(ThreadState *thread, uint64_t value);
// TSRL as built from the thread's priority state; the write through the SMT code (masked).
uint64_t COOKED_GET_TSRL(ThreadState *thread, uint32_t kind);
void COOKED_SET_TSRL(ThreadState *thread, uint64_t value);
// (thread's timer-facility bits AND 0x7F) OR (core's timer-facility word AND NOT 0x7F).
uint64_t RAW_GET_TFMR(ThreadState *thread);
// The architected CTRL value, computed on a blank instruction record of the thread.
uint32_t cooked_get_CTRL(ThreadState *thread, uint32_t kind);
uint32_t GUESS_CTRL(ThreadState *thread, uint32_t kind);
// The register-file read of the core's CTRL: GUESS_CTRL of the entry's owner thread.
int Read_Register_CTRL(Register_File_Entry *entry, void *value);
// The register-file write of the core's CTRL: FORCE_CTRL on the entry's owner thread, then the
// entry's slot takes the value masked by its implemented bits.
void Write_Register_CTRL(Register_File_Entry *entry, const void *value, const void *mask);

// An FPSCR value and the exception bits an instruction produced.
struct FPSCR_Pair {
    uint64_t fpscr;
    uint64_t fpscrUpdate;
};
// Replaces the exception bits of the FPSCR by the new ones, sets VX, FEX and FX from them and
// stores the result (masked, no written flag, no trigger) in the thread's FPSCR_CHANGE.
void Set_FPSCR_With_Summary(IOPDesc *iop, const FPSCR_Pair *pair);

// ---- instruction-level readers ----

// GPR n as an operand: the operand slot the cycle-level core supplied (no trigger) when the
// record uses its slots, else the thread's GPR offered to its read triggers.
uint64_t Read_GPR_RA_Operand(IOPDesc *iop, uint32_t n);
uint64_t Read_GPR_RB_Operand(IOPDesc *iop, uint32_t n);
// LPIDR of the partition core, with its read triggers.
uint32_t Fetch_LPIDR(IOPDesc *iop);
// 1 when HID1 bit (47 - (n AND 3)) is clear: writing IMA n is enabled.
int ENABLED_IMA_WRITE(IOPDesc *iop, int32_t n);
// (MMCR0 >> 18) AND 3.
uint32_t Get_MMCR0_Bits_18_19(IOPDesc *iop);
// An idle thread of the core for an assist thread; null for an assist thread itself or when
// APSCR bit 32 is set.
ThreadState *Select_Available_Assist_Thread(IOPDesc *iop);
// Non-zero when the branch is not to be recorded in the branch-history buffer under MMCRA's
// instruction-filtering mode; *target_only 1 when only its target is recorded.
int BHRB_Field_Filtered(IOPDesc *iop, uint32_t link, uint32_t *target_only);

// Instruction-table forms of the branches.
enum : uint32_t { BRANCH_FORM_I = 8, BRANCH_FORM_B = 3, BRANCH_FORM_XL = 20 };
