// What turbo_go does around each pass of translated code: split and merge CR and XER, the
// deferred FPSCR result class, the SMT priority, the store-routine flag and instruction debugging.
#pragma once

#include <cstdint>

struct ThreadState;
struct xframe;

// Splits CR and XER into the flag bytes that translated code works on.
void jit_before(ThreadState *thread, xframe *x);
// XER from its copy and flag bytes (masked, marked written); the value written.
uint64_t jit_merge_xer(ThreadState *thread);
// Folds them back; returns left unchanged.
uint32_t jit_after(ThreadState *thread, uint32_t left);
// Rebuilds FPSCR[FPRF] from the pending result-class record.
int64_t turbo_update_FPSCR(ThreadState *thread, uint64_t a, uint64_t b, uint64_t c);
// A priority request of translated code: accepted priorities go to turbo.smt_priority (repeated
// requests for priority 2 count turbo.low_priority_count down); 0.
int32_t turbo_request_priority(ThreadState *thread, int32_t priority);
// Applies a changed turbo.smt_priority to the thread; returns the priority.
int32_t turbo_update_smt_priority(ThreadState *thread);
// turbo.simple_stores from the reservations held on the chip's memory map.
void turbo_update_simple_store_flag(ThreadState *thread);
// turbo.writer for the thread's data mode, width and the simple-store flag.
void turbo_update_writer(ThreadState *thread);
// The loaded libraries' instruction counter (counter 0) less one when the exit left the pass's
// last counted instruction to the interpreter, which counts it again.
void trc_uncount_unfinished(int32_t reason);
// Instruction debugging before and after a pass.
void INSTR_DEBUG_BEFORE(ThreadState *thread);
void INSTR_DEBUG_AFTER(ThreadState *thread);
