// System emitters: the MSR writes and the system call through their call-outs, the trap
// instructions (a compare and one conditional jump to the page's "trap" stub per TO bit), mfmsr,
// and the time-base read (counted in line with "turbo/mftb", otherwise completed by the run loop
// after it has synchronised time).
#pragma once

#include <cstdint>

struct xframe;

// tw/td TO,RA,RB and twi/tdi TO,RA,SI; TO 0 emits nothing.
void jit_tw(xframe *x, int to, int ra, int rb);
void jit_td(xframe *x, int to, int ra, int rb);
void jit_twi(xframe *x, int to, int ra, int32_t si);
void jit_tdi(xframe *x, int to, int ra, int32_t si);
// RT = MSR with the processor's marker bits.
void jit_mfmsr(xframe *x, int rt);
// RT = the time base (TBR 268) or its upper half (269).
void jit_mftb(xframe *x, int rt, int tbr);
// mtmsr and mtmsrd RS,L: the MSR change call-out, then "msr (not done)", "msr (done)" or on
// through the fetch routine.
void jit_mtmsr(xframe *x, int rs, int l);
void jit_mtmsrd(xframe *x, int rs, int l);
// rfid: the MSR change call-out, then "msr (not done)", or at SRR0 "msr (done)" or on through the
// fetch routine.
void jit_rfid(xframe *x);
// sc LEV: the system-call interrupt entered in place, on at its vector through the fetch routine
// (the "unknown" exit for a thread in chunky mode).
void jit_sc(xframe *x, int lev);
