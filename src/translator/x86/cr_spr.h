// Condition-register logic and moves; the moves to and from special-purpose registers (in line for
// registers with a slot and a plain read, through call-outs for XER, DEC, PURR, SPURR, the priority
// register and AMR; every other SPR leaves with the "unknown" exit and the SPR number); the SLB and
// TLB instructions through their call-outs.
#pragma once

#include <cstdint>

struct xframe;

void jit_mcrf(xframe *x, int bf, int bfa);
void jit_crand(xframe *x, int bt, int ba, int bb);
void jit_cror(xframe *x, int bt, int ba, int bb);
void jit_crxor(xframe *x, int bt, int ba, int bb);
void jit_crnand(xframe *x, int bt, int ba, int bb);
void jit_crnor(xframe *x, int bt, int ba, int bb);
void jit_creqv(xframe *x, int bt, int ba, int bb);
void jit_crandc(xframe *x, int bt, int ba, int bb);
void jit_crorc(xframe *x, int bt, int ba, int bb);
// RT = the 32-bit CR; CR fields selected by FXM from RS.
void jit_mfcr(xframe *x, int rt);
void jit_mtcrf(xframe *x, int rs, uint32_t fxm);
// The one-field forms as the processor's options define them (else an exit to the interpreter).
void jit_mfocrf(xframe *x, int rt, uint32_t fxm);
void jit_mtocrf(xframe *x, int rs, uint32_t fxm);
// The hypervisor-state guard: exit "hyper" when MSR[HV] is clear.
void jit_check_hyp(xframe *x);
void jit_mfspr(xframe *x, uint32_t word, int rt, int spr);
void jit_mtspr(xframe *x, uint32_t word, int spr, int rs);
// slbmfee/slbmfev (RT, RB), slbmte (RS, RB), slbie (RB), slbia, tlbie/tlbiel (word, RS, RB).
void jit_slbmfee(xframe *x, int rt, int rb);
void jit_slbmfev(xframe *x, int rt, int rb);
void jit_slbmte(xframe *x, int rs, int rb);
void jit_slbie(xframe *x, int rb);
void jit_slbia(xframe *x);
void jit_tlbie(xframe *x, uint32_t word, int rs, int rb);
void jit_tlbiel(xframe *x, uint32_t word, int rs, int rb);
