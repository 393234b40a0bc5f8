// Routines of the simulator that translated code calls through the call-out sequence: the thread
// state and the three temporaries r9, r10, r11 as arguments, a 64-bit result. They never leave
// translated code by themselves; the emitted code tests the result.
#pragma once

#include <cstdint>

struct ThreadState;

extern "C" {
// The SMT-priority no-op with the priority in a: 2 asks to leave with "priority_low_low", 0 to go on.
uint64_t jit_set_priority(ThreadState *thread, uint64_t priority, uint64_t, uint64_t) noexcept;
// Instruction debugging: reports the last instruction and records the one at the word address.
uint64_t jit_debug_start_inst(ThreadState *thread, uint64_t word_address, uint64_t pc,
                              uint64_t text) noexcept;
// A store through a complex writer: revokes other threads' reservations on the line and returns
// the writer routine the thread is to use now.
uint64_t jit_do_complex_write(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry) noexcept;
// lwarx and ldarx: the thread's reservation on the granule of the access (EA, host address, page
// entry address); returns the host address to load from, or 0 to leave the instruction to the
// interpreter (exit "larx").
uint64_t jit_do_lwarx(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry) noexcept;
uint64_t jit_do_ldarx(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry) noexcept;
// stwcx. and stdcx.: consumes the thread's reservation, sets CR0 (and the XER condition-code bits
// where the processor keeps them) and returns where to store: the host address when the thread
// held the granule, the junk word otherwise.
uint64_t jit_do_stcx(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry) noexcept;
// mfspr DEC with the budget left after this instruction's count: DEC at the pass start less the
// instructions before this one (unchanged while time is frozen).
uint64_t jit_get_dec(ThreadState *thread, uint64_t left, uint64_t, uint64_t) noexcept;
// mfspr XER: XER folded from its split form and read as the move-from routine gives it.
uint64_t jit_get_xer(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept;
// mtspr XER (value, instruction word): the value written through the move-to routine as the
// instruction's row decides; the split form follows it; 0.
uint64_t jit_set_xer(ThreadState *thread, uint64_t value, uint64_t word, uint64_t) noexcept;
// mfspr PURR and SPURR: the raw registers.
uint64_t jit_get_purr(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept;
uint64_t jit_get_spurr(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept;
// The MSR change of mtmsr, mtmsrd and rfid from old to new with the budget left: 0 refused (the
// interpreter redoes the instruction: "msr (not done)"), 1 done but translated code must leave
// ("msr (done)": an interrupt to take, or the decrementer's limit), 2 go on through the fetch
// routine (the translation routines are reloaded).
uint64_t jit_do_msr_change(ThreadState *thread, uint64_t old_msr, uint64_t new_msr, uint64_t left,
                           int is_rfid) noexcept;
// mtmsr and mtmsrd (RS value, L, budget left): the MSR change of the instruction's new value.
uint64_t jit_do_mtmsr(ThreadState *thread, uint64_t rs, uint64_t l, uint64_t left) noexcept;
uint64_t jit_do_mtmsrd(ThreadState *thread, uint64_t rs, uint64_t l, uint64_t left) noexcept;
// rfid (budget left, the address after it): the MSR change to the MSR that SRR1 gives, resuming at
// SRR0 (turbo.pc); CFAR = the rfid's address when done. Returns to problem state are refused.
uint64_t jit_do_rfid(ThreadState *thread, uint64_t left, uint64_t pc, uint64_t) noexcept;
// sc (LEV, the address after it): SRR0 and SRR1, then the system-call (LEV 1: hypervisor) vector
// into turbo.pc and the interrupt's MSR; 0.
uint64_t jit_do_sc(ThreadState *thread, uint64_t lev, uint64_t pc, uint64_t) noexcept;
// mfspr TIR on processors that fold the thread number by the partition count: TIR as its move
// routine reads it.
uint64_t jit_get_tir(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept;
// mfspr 896 (the priority register): the thread's SMT priority brought up to date, then TSRL.
uint64_t jit_get_tsrl(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept;
// mtspr 896 (value): a request for the priority in bits 11:13 (value >> 50); 0.
uint64_t jit_set_tsrl(ThreadState *thread, uint64_t value, uint64_t, uint64_t) noexcept;
// mtspr AMR and UAMR (value, instruction word): the AMR move routine on a record carrying the
// word. 1 done; 0 when the routine raised an interrupt instead (nothing written: the interpreter
// redoes the instruction and raises it).
uint64_t jit_set_amr(ThreadState *thread, uint64_t value, uint64_t word, uint64_t) noexcept;
// slbmfee and slbmfev (RB value): the ESID or VSID word of the entry RB names.
uint64_t jit_do_slbmfee(ThreadState *thread, uint64_t rb, uint64_t, uint64_t) noexcept;
uint64_t jit_do_slbmfev(ThreadState *thread, uint64_t rb, uint64_t, uint64_t) noexcept;
// slbmte (RS value, RB value), slbie (RB value), slbia: the SLB change with the effective-address
// maps it makes stale; 0.
uint64_t jit_do_slbmte(ThreadState *thread, uint64_t rs, uint64_t rb, uint64_t) noexcept;
uint64_t jit_do_slbie(ThreadState *thread, uint64_t rb, uint64_t, uint64_t) noexcept;
uint64_t jit_do_slbia(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept;
// tlbie and tlbiel (RS field number, RB value, instruction word): the TLB invalidation of the
// instruction, global or local; 0.
uint64_t jit_do_tlbie(ThreadState *thread, uint64_t rs_number, uint64_t rb, uint64_t word) noexcept;
uint64_t jit_do_tlbiel(ThreadState *thread, uint64_t rs_number, uint64_t rb, uint64_t word) noexcept;
// After a store in parallel mode: releases what the store path took; 0.
uint64_t jit_do_xlate_written(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept;
// The parallel-mode path of exit_common: suspends the task until it is resumed.
uint64_t jit_do_pturbo_return(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept;
// Hooks of the debug translation routines: (thread, EA, host address, page entry address); 0.
uint64_t jit_xlate_fetch_hook(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry) noexcept;
uint64_t jit_xlate_read_hook(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry) noexcept;
uint64_t jit_xlate_write_hook(ThreadState *thread, uint64_t ea, uint64_t host, uint64_t entry) noexcept;
}
