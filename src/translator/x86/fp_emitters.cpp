// Scalar floating-point emitters over SSE2 and x87.
#include "translator/x86/fp_emitters.h"

#include "translator/run_boundary.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/memory_access.h"
#include "translator/x86/sse.h"
#include "translator/x86/state_disp.h"
#include "translator/xframe.h"

namespace
{

// The register number of the pending record that names no FPR (fcmpu's difference).
constexpr int NO_FPR = 33;

enum : uint8_t {
    OP_SQRT = 0x51,
    OP_ADD = 0x58,
    OP_MUL = 0x59,
    OP_CVT = 0x5A,
    OP_SUB = 0x5C,
    OP_DIV = 0x5E,
};

// a = FPR fra; a = a op FPR fb; optionally rounded to single; FRT = a with the pending record.
void binary(xframe *x, uint8_t op, int frt, int fra, int frb, int single)
{
    sink *s = xframe_sink(x);
    const int a = emit_fpr_to_xmm(x, fra);
    const int b = emit_fpr_to_xmm(x, frb);
    if (a < 0 || b < 0) return;
    emit_sse_rr(s, SSE_F2, op, a, b);
    if (single) {
        emit_sse_rr(s, SSE_F2, OP_CVT, a, a); // cvtsd2ss
        emit_sse_rr(s, SSE_F3, OP_CVT, a, a); // cvtss2sd
    }
    emit_set_FPR_from_xmm(x, frt, a, 1);
}

// rax = FPR frb; r9 = mask; rax op= r9 (21 and, 09 or, 31 xor); FRT = rax.
void sign_op(xframe *x, uint8_t op, uint64_t mask, int frt, int frb)
{
    sink *s = xframe_sink(x);
    jit_get_FPR(x, HOST_RAX, frb);
    emit_mov_imm64(s, HOST_R9, mask);
    sink_emit1(s, 0x4C); // REX.W R: r9 as the source
    sink_emit1(s, op);
    sink_emit1(s, 0xC8); // ModRM 11 001 000
    jit_set_FPR(x, frt, HOST_RAX, 0);
}

// Truncation: the MXCSR of rounding mode 1 around cvtsd2si.
void truncate(xframe *x, int frt, int frb, int wide)
{
    sink *s = xframe_sink(x);
    const int b = emit_fpr_to_xmm(x, frb);
    if (b < 0) return;
    emit_stmxcsr(s, disp_turbo(conversion_save));
    emit_ldmxcsr(s, disp_turbo(mxcsr_by_rn) + 4);
    emit_sse_rr(s, SSE_F2, 0x2D, HOST_RAX, b, wide);
    emit_ldmxcsr(s, disp_turbo(conversion_save));
    jit_set_FPR(x, frt, HOST_RAX, 0);
}

enum : int { X87_ADD = 0, X87_SUB = 4, X87_SUBR = 5 };

void fused(xframe *x, int frt, int fra, int frb, int frc, int single, int step3, int negate)
{
    sink *s = xframe_sink(x);
    emit_x87_mem(s, 0xDD, 0, disp_FPR(fra), JIT_THREAD);     // fld qword FRA
    emit_x87_mem(s, 0xDC, 1, disp_FPR(frc), JIT_THREAD);     // fmul qword FRC
    emit_x87_mem(s, 0xDC, step3, disp_FPR(frb), JIT_THREAD); // fadd / fsub / fsubr qword FRB
    if (negate) {
        sink_emit1(s, 0xD9); // fchs
        sink_emit1(s, 0xE0);
    }
    if (single) {
        emit_x87_mem(s, 0xD9, 3, disp_FPR(frt), JIT_THREAD); // fstp dword
        emit_x87_mem(s, 0xD9, 0, disp_FPR(frt), JIT_THREAD); // fld dword
    }
    emit_x87_mem(s, 0xDD, 2, disp_FPR(frt), JIT_THREAD); // fst qword
    emit_mov_store_imm32(s, disp_turbo(pending_fprf_register), JIT_THREAD, (uint32_t)frt, 0);
    emit_x87_mem(s, 0xDD, 3, disp_turbo(pending_fprf_value), JIT_THREAD); // fstp qword
    sink_emit1(s, 0xD9);                                                  // fldz
    sink_emit1(s, 0xEE);
    emit_x87_mem(s, 0xDD, 3, disp_VSR_dw1(frt), JIT_THREAD);
}

} // namespace

void jit_fadd(xframe *x, int frt, int fra, int frb, int single)
{
    binary(x, OP_ADD, frt, fra, frb, single);
}

void jit_fsub(xframe *x, int frt, int fra, int frb, int single)
{
    binary(x, OP_SUB, frt, fra, frb, single);
}

void jit_fmul(xframe *x, int frt, int fra, int frc, int single)
{
    binary(x, OP_MUL, frt, fra, frc, single);
}

void jit_fdiv(xframe *x, int frt, int fra, int frb)
{
    binary(x, OP_DIV, frt, fra, frb, 0);
}

void jit_fsqrt(xframe *x, int frt, int frb)
{
    const int b = emit_fpr_to_xmm(x, frb);
    if (b < 0) return;
    emit_sse_rr(xframe_sink(x), SSE_F2, OP_SQRT, b, b);
    emit_set_FPR_from_xmm(x, frt, b, 1);
}

void jit_fre(xframe *x, int frt, int frb)
{
    sink *s = xframe_sink(x);
    const int b = emit_fpr_to_xmm(x, frb);
    const int t = xmm_reserve();
    if (b < 0 || t < 0) return;
    emit_movq_state_load(s, t, disp_turbo(one));
    emit_sse_rr(s, SSE_F2, OP_DIV, t, b);
    emit_set_FPR_from_xmm(x, frt, t, 1);
}

void jit_frsp(xframe *x, int frt, int frb)
{
    sink *s = xframe_sink(x);
    const int b = emit_fpr_to_xmm(x, frb);
    if (b < 0) return;
    emit_sse_rr(s, SSE_F2, OP_CVT, b, b);
    emit_sse_rr(s, SSE_F3, OP_CVT, b, b);
    emit_set_FPR_from_xmm(x, frt, b, 1);
}

void jit_fcfid(xframe *x, int frt, int frb)
{
    sink *s = xframe_sink(x);
    const int t = xmm_reserve();
    if (t < 0) return;
    jit_get_FPR(x, HOST_RAX, frb);
    emit_sse_rr(s, SSE_F2, 0x2A, t, HOST_RAX, 1); // cvtsi2sd t, rax
    emit_set_FPR_from_xmm(x, frt, t, 1);
}

void jit_fctiwz(xframe *x, int frt, int frb)
{
    truncate(x, frt, frb, 0);
}

void jit_fctidz(xframe *x, int frt, int frb)
{
    truncate(x, frt, frb, 1);
}

void jit_fmadd(xframe *x, int frt, int fra, int frb, int frc, int single)
{
    fused(x, frt, fra, frb, frc, single, X87_ADD, 0);
}

void jit_fmsub(xframe *x, int frt, int fra, int frb, int frc, int single)
{
    fused(x, frt, fra, frb, frc, single, X87_SUB, 0);
}

void jit_fnmadd(xframe *x, int frt, int fra, int frb, int frc, int single)
{
    fused(x, frt, fra, frb, frc, single, X87_ADD, 1);
}

void jit_fnmsub(xframe *x, int frt, int fra, int frb, int frc, int single)
{
    fused(x, frt, fra, frb, frc, single, X87_SUBR, 0);
}

void jit_fcmpu(xframe *x, int bf, int fra, int frb)
{
    sink *s = xframe_sink(x);
    const int a = emit_fpr_to_xmm(x, fra);
    const int b = emit_fpr_to_xmm(x, frb);
    if (a < 0 || b < 0) return;
    emit_sse_rr(s, SSE_66, 0x2E, a, b); // ucomisd
    sink_emit1(s, 0x0F);                // setnp al
    sink_emit1(s, 0x9B);
    sink_emit1(s, 0xC0);
    const int32_t lt = disp_CR_bit(4 * bf), gt = lt + 1, eq = lt + 2, so = lt + 3;
    emit_setcc_state(s, 0x2, lt); // setb
    emit_setcc_state(s, 0x7, gt); // seta
    emit_setcc_state(s, 0x4, eq); // sete
    emit_setcc_state(s, 0xA, so); // setp
    emit_and_state_byte(s, lt, HOST_RAX);
    emit_and_state_byte(s, gt, HOST_RAX);
    emit_and_state_byte(s, eq, HOST_RAX);
    emit_sse_rr(s, SSE_F2, OP_SUB, a, b);
    set_fprf_from_xmm(x, NO_FPR, a);
}

void jit_fsel(xframe *x, int frt, int fra, int frb, int frc)
{
    sink *s = xframe_sink(x);
    const int a = emit_fpr_to_xmm(x, fra);
    const int b = emit_fpr_to_xmm(x, frb);
    const int c = emit_fpr_to_xmm(x, frc);
    const int m = xmm_reserve();
    if (a < 0 || b < 0 || c < 0 || m < 0) return;
    emit_sse_rr(s, SSE_66, 0x57, m, m);       // xorpd m, m
    emit_sse_rr_ib(s, SSE_F2, 0xC2, m, a, 2); // cmplesd m, a: 0.0 <= FRA
    emit_sse_rr(s, SSE_66, 0x54, c, m);       // andpd c, m
    emit_sse_rr(s, SSE_66, 0x55, m, b);       // andnpd m, b
    emit_sse_rr(s, SSE_66, 0x56, c, m);       // orpd c, m
    emit_set_FPR_from_xmm(x, frt, c, 0);
}

void jit_fabs(xframe *x, int frt, int frb)
{
    sign_op(x, 0x21, 0x7FFFFFFFFFFFFFFFull, frt, frb);
}

void jit_fnabs(xframe *x, int frt, int frb)
{
    sign_op(x, 0x09, 0x8000000000000000ull, frt, frb);
}

void jit_fneg(xframe *x, int frt, int frb)
{
    sign_op(x, 0x31, 0x8000000000000000ull, frt, frb);
}

void jit_fmr(xframe *x, int frt, int frb)
{
    jit_get_FPR(x, HOST_RAX, frb);
    jit_set_FPR(x, frt, HOST_RAX, 0);
}

void jit_mffs(xframe *x, int frt)
{
    sink *s = xframe_sink(x);
    jit_callout(s, -1, reinterpret_cast<const void *>(&turbo_update_FPSCR));
    emit_mov_load(s, HOST_RAX, disp_FPSCR(), JIT_THREAD, 0);
    jit_set_FPR(x, frt, HOST_RAX, 0);
}

void jit_lfs(xframe *x, int frt)
{
    sink *s = xframe_sink(x);
    jit_xlate_read(x, 3);
    jit_get_umem32(x, HOST_RAX, jit_temp1());
    const int t = xmm_reserve();
    if (t < 0) return;
    emit_movq_to_xmm(s, t, HOST_RAX, 0);   // movd t, eax
    emit_sse_rr(s, SSE_F3, OP_CVT, t, t); // cvtss2sd
    emit_set_FPR_from_xmm(x, frt, t, 0);
}

void jit_stfs(xframe *x, int addr, int frs)
{
    sink *s = xframe_sink(x);
    emit_x87_mem(s, 0xDD, 0, disp_FPR(frs), JIT_THREAD); // fld qword
    emit_x87_mem(s, 0xD9, 3, 0, addr);                  // fstp dword [addr + 0]
    // The host-order word into the page's byte order.
    insn_template t{};
    t.opcode[0] = 0x8B;
    set_modrm_base_indirect(&t, HOST_RAX, addr, 0);
    emit_insn(&t, s);
    swap_emitter(s, HOST_RAX, 0);
    t = insn_template{};
    t.opcode[0] = 0x89;
    set_modrm_base_indirect(&t, HOST_RAX, addr, 0);
    emit_insn(&t, s);
}
