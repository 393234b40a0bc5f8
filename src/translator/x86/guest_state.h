// Guest-state access from translated code: moves between the thread state ([rbx + disp32]) and host
// registers for GPR, LR, CTR, PC, FPR, VSR and VR, the write-back of FPRs with the pending
// result-class record, the reload of the routine registers after call-outs that change the
// translation mode, and the byte-order selection of a page (which swap and vector doubleword
// emitters the memory emitters call). Only the value words are touched: no implemented-bits
// mask, no written flag.
#pragma once

#include <cstdint>

#include "translator/x86/sink.h"

struct xframe;

// GPR n into / from a host register, in the xframe's machine width or the given width.
void jit_get_GPR(xframe *x, int reg, int n);
void emit_get_GPR(xframe *x, int reg, int n, int wide);
void jit_set_GPR(xframe *x, int n, int reg);
void emit_set_GPR(xframe *x, int n, int reg, int wide);
void jit_get_LR(xframe *x, int reg);
void jit_get_CTR(xframe *x, int reg);
void jit_set_LR(xframe *x, int reg);
void jit_set_CTR(xframe *x, int reg);
// reg = rsi: the address of the following instruction.
void jit_get_PC(xframe *x, int reg);
// reg32 = edi: the budget left.
void jit_get_TOGO(xframe *x, int reg);

// FPR n (doubleword 0 of VSR n) into a host register.
void jit_get_FPR(xframe *x, int reg, int n);
// FPR n = reg, doubleword 1 of VSR n = 0 (through rax); with record_fprf the pending FPRF record.
void jit_set_FPR(xframe *x, int n, int reg, int record_fprf);
void emit_set_FPR(xframe *x, int n, int reg, int record_fprf);
void emit_set_FPR_from_xmm(xframe *x, int n, int xmm, int record_fprf);
// FPR n = the low doubleword of xmm; doubleword 1 unchanged.
void emit_xmm_to_fpr(xframe *x, int n, int xmm);
// Reserves an XMM register and loads FPR n into it; returns the register.
int emit_fpr_to_xmm(xframe *x, int n);
// The pending FPRF record: register n and its value (from a host register or an XMM register).
void set_fprf_from_xgpr(xframe *x, int n, int reg);
void set_fprf_from_xmm(xframe *x, int n, int xmm);

// One doubleword of VSR n.
void emit_vsr_set_dw0(xframe *x, int n, int reg);
void emit_vsr_set_dw1(xframe *x, int n, int reg);
void emit_vsr_get_dw1(xframe *x, int reg, int n);
// Whole 16-byte registers (doubleword 0 in the high half of the XMM register).
int from_VSX(xframe *x, int n);
void to_VSX(xframe *x, int n, int xmm);
int from_VR(xframe *x, int n);
void xmm_load(xframe *x, int xmm, int n);
void to_VR(xframe *x, int n, int xmm);
// Bytes 0 to 7 (first) and 8 to 15 (second) of VR n.
void emit_vsr_store_first(xframe *x, int n, int reg);
void emit_vsr_store_second(xframe *x, int n, int reg);
void emit_vsr_load_first(xframe *x, int reg, int n);
void emit_vsr_load_second(xframe *x, int reg, int n);

// r12, r13, r14, r15 = turbo.reader, turbo.writer, turbo.fetcher, turbo.data_emat.
void emit_reload_routines(sink *s);

// Byte-order selection, made per translating host thread at the start of each page translation.
using swap_emitter_fn = void (*)(sink *s, int reg, int wide);
using swap16_emitter_fn = void (*)(sink *s);
using vr_store_emitter_fn = void (*)(xframe *x, int n, int reg);
using vr_load_emitter_fn = void (*)(xframe *x, int reg, int n);

// After 32- and 64-bit loads and before such stores in the page's byte order, and the same for the
// byte-reversed accesses; the 16-bit forms act on ax.
extern thread_local swap_emitter_fn swap_emitter;
extern thread_local swap_emitter_fn swap_emitter_reversed;
extern thread_local swap16_emitter_fn swap16_emitter;
extern thread_local swap16_emitter_fn swap16_emitter_reversed;
// Put into a VR the doubleword a 16-byte load read from the lower address / the address + 8, and
// take from a VR the doubleword a 16-byte store writes to the lower address / the address + 8.
extern thread_local vr_store_emitter_fn vr_store_lower_dw;
extern thread_local vr_store_emitter_fn vr_store_upper_dw;
extern thread_local vr_load_emitter_fn vr_load_lower_dw;
extern thread_local vr_load_emitter_fn vr_load_upper_dw;

// The selected emitters where no swap is needed: they append nothing.
void emit_no_swap(sink *s, int reg, int wide);
void emit_no_swap16(sink *s);

void jit_init_set_LE_memory(void);
void jit_init_set_BE_memory(void);
void jit_init_set_LE_memory_vmx(void);
void jit_init_set_BE_memory_vmx(void);
