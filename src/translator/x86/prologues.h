// The frame of a translated page and the ways out of it: the frame prologue (entry from
// xframe_entry), the page's own 35 exit stubs and its fetch stub, the instruction prologue of each
// slot (trace record, self-modification check, budget test, counting, PC and budget steps,
// debugging), the page end, the exit emitters that jump to a stub, and the guards that test guest
// state and leave when an instruction may not run in translated code.
#pragma once

#include <cstdint>

#include "translator/x86/sink.h"

struct xframe;

// Host addresses of the stubs of the page being translated on this host thread. exit_larx is one
// process-wide variable that every frame prologue overwrites.
extern thread_local uint64_t exit_trap, exit_write, exit_read, exit_align, exit_eao_needed, exit_dcbz,
    exit_bit_accurate, exit_invalid, exit_mode, exit_msr_notdone, exit_delay_1000, exit_priority_low_low,
    exit_priority_change, exit_msr_done, exit_unknown, exit_htm, exit_synch_time, exit_limit, exit_xflush,
    exit_fp, exit_vmx, exit_vsx, exit_little_endian, exit_ta, exit_bogus, exit_load_test_loop_lbz,
    exit_branch_self, exit_interrupt, exit_priv, exit_hyper, exit_fetch, exit_pa_pctrigger, exit_ea_pctrigger,
    exit_msr_w_regtrigger, fetch;
extern uint64_t exit_larx;

// The address of exit_common (the start of the shared stub area).
extern uint64_t exit_common;

// The frame prologue, the stubs and the fetch stub; the page's list of in-page jumps starts empty.
void jit_start_frame(xframe *x);
// The instruction prologue of the slot under translation; count is the budget-test limit, or -1
// for no test.
void jit_start_inst(xframe *x, uint32_t word, uint32_t kind, int32_t count);
// Nothing: an instruction has no epilogue.
void jit_end_inst(xframe *x, uint32_t word);
// The page end (jmp r14) and the patching of the page's in-page jumps.
void jit_end_frame(xframe *x);
// Nothing: the no-op ori.
void jit_nop(xframe *x, int ra);

// Exits: a jump to one stub of the page.
void jit_delay_1000(xframe *x);
void jit_branch_self(xframe *x);
void jit_exit_bogus(xframe *x);
void jit_exit_bit_accurate(xframe *x);
void jit_exit_msr_w_regtrigger(xframe *x);
void jit_exit_pa_pctrigger(xframe *x);
void jit_exit_htm(xframe *x);
void jit_exit_invalid(xframe *x);
void jit_exit_mode(xframe *x);
// The jump to "fp" unless the machine's "turbo/fmadd" is on (then nothing).
void jit_check_fmadd(xframe *x);
// The kind and detail into the thread, then the "unknown" exit.
void jit_exit_unknown(xframe *x, uint32_t kind, uint32_t detail);
// The budget becomes 0, then the "unknown" exit with kind 0.
void jit_skip(xframe *x);
// The halt code 126 into turbo.support_code, then the "bogus" exit.
void jit_support_halt(xframe *x);
// The support code (GPR3, low word) into turbo.support_code, then the "bogus" exit.
void jit_support(xframe *x);
// An effective-address PC trigger on this slot: with flag, the exit; without, a run-time compare
// of the instruction's own address with ea.
void jit_exit_ea_pctrigger(xframe *x, uint64_t ea, int flag);
// The SMT-priority no-op: the priority call-out and its two done exits; nothing for -1.
void jit_smt_priority(xframe *x, int32_t priority);

// Guards.
void jit_check_priv(xframe *x);
void jit_check_fp(xframe *x, int flag);
void jit_check_vmx(xframe *x, int flag);
void jit_check_vsx(xframe *x, int flag);
void jit_check_exceptions_disabled(xframe *x);
void jit_check_ta(xframe *x);
void jit_check_not_ta(xframe *x);
void jit_check_not_le(xframe *x);
void jit_align_check(xframe *x, int reg, uint32_t mask);

// cmp dword [reg], imm32.
void emit_cmp_mem_imm32(sink *s, int reg, uint32_t imm32);
