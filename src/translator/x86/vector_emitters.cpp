// VMX and VSX emitters over SSE2, SSSE3 and x87.
#include "translator/x86/vector_emitters.h"

#include <cstddef>
#include <initializer_list>

#include "translator/jit_stubs.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/memory_access.h"
#include "translator/x86/prologues.h"
#include "translator/x86/sse.h"
#include "translator/x86/state_disp.h"
#include "translator/xframe.h"

namespace
{

// Operation kinds named by the exits of the emitters.
enum : uint32_t { K_VPERM = 395, K_VCMPEQUW = 519, K_VCMPGTFP = 533 };

inline int32_t disp_VSCR()
{
    return (int32_t)(offsetof(ThreadState, VSCR) + offsetof(decltype(ThreadState::VSCR), value));
}

// Word w (ISA numbering, 0 the most significant) of VSR n.
inline int32_t disp_VSR_word(int n, int w)
{
    return disp_VSR(n) + 12 - 4 * w;
}

enum : uint8_t {
    PAND = 0xDB,
    PANDN = 0xDF,
    POR = 0xEB,
    PXOR = 0xEF,
    PADDD = 0xFE,
    PADDUSW = 0xDD,
    PSUBUSW = 0xD9,
    PCMPEQD = 0x76,
    ANDPD = 0x54,
    ANDNPD = 0x55,
    ORPD = 0x56,
    XORPD = 0x57,
    ADDP = 0x58,
    MULP = 0x59,
    CVT = 0x5A,
    SUBP = 0x5C,
    DIVP = 0x5E,
    CMPP = 0xC2,
    PSHUFD = 0x70,
    SHUFPS = 0xC6,
    PEXTRW = 0xC5,
};

void rr(xframe *x, uint8_t prefix, uint8_t op, int reg, int rm)
{
    emit_sse_rr(xframe_sink(x), prefix, op, reg, rm);
}

bool ok(std::initializer_list<int> regs)
{
    for (int r : regs)
        if (r < 0) return false;
    return true;
}

// a = VR va op VR vb; VR vt = a.
void vr_binary(xframe *x, uint8_t prefix, uint8_t op, int vt, int va, int vb)
{
    const int a = from_VR(x, va), b = from_VR(x, vb);
    if (!ok({a, b})) return;
    rr(x, prefix, op, a, b);
    to_VR(x, vt, a);
}

// EA of an indexed form into r9 (r10 holds GPR[RA] when RA is not 0).
void indexed_ea(xframe *x, int ra, int rb)
{
    emit_get_GPR(x, HOST_R9, rb, 1);
    if (ra) {
        emit_get_GPR(x, HOST_R10, ra, 1);
        emit_add_reg(xframe_sink(x), HOST_R9, HOST_R10, 1);
    }
}

// The address steps of lvx and stvx: EA, the overflow test, the quadword alignment.
void quadword_ea(xframe *x, int ra, int rb)
{
    indexed_ea(x, ra, rb);
    emit_get_GPR(x, HOST_R11, rb, 1);
    jit_eao_test(x, ra != 0, HOST_R10, HOST_R11, HOST_R9);
    emit_and_imm32(xframe_sink(x), HOST_R9, 0xFFFFFFF0u, 1);
}

// The address steps of the VSX accesses: EA, word alignment, overflow test.
void vsx_ea(xframe *x, int ra, int rb, bool align, bool overflow)
{
    indexed_ea(x, ra, rb);
    if (align) jit_align_check(x, HOST_R9, 3);
    if (overflow) {
        emit_get_GPR(x, HOST_R11, rb, 1);
        jit_eao_test(x, ra != 0, HOST_R10, HOST_R11, HOST_R9);
    }
}

void next_address(xframe *x, int8_t step)
{
    emit_add_imm8(xframe_sink(x), HOST_R10, step, 1);
}

// A raw 32-bit load or store at [r10] in the page's byte order.
void word_at_r10(xframe *x, int reg, bool store)
{
    if (store)
        jit_put_umem32(x, reg, HOST_R10);
    else
        jit_get_umem32(x, reg, HOST_R10);
}

// jne rel32 with the displacement left open; returns where it ends.
uint64_t jne_forward(sink *s)
{
    sink_emit1(s, 0x0F);
    sink_emit1(s, 0x85);
    emit_imm32(s, 0);
    return sink_xpc(s);
}

uint64_t jmp_forward(sink *s)
{
    sink_emit1(s, 0xE9);
    emit_imm32(s, 0);
    return sink_xpc(s);
}

// xmm = the 64-bit constant in both halves (through r9).
void broadcast64(xframe *x, int xmm, uint64_t value)
{
    sink *s = xframe_sink(x);
    emit_mov_imm64(s, HOST_R9, value);
    emit_movq_to_xmm(s, xmm, HOST_R9, 1);
    emit_sse_rr_ib(s, SSE_66, PSHUFD, xmm, xmm, 0x44);
}

enum : int { X87_ADD = 0, X87_SUB = 4, X87_SUBR = 5 };

// One doubleword of the fused family: t = a x b op c.
void fused_dw(xframe *x, int32_t t, int32_t a, int32_t b, int32_t c, int op, int negate)
{
    sink *s = xframe_sink(x);
    emit_x87_mem(s, 0xDD, 0, a, JIT_THREAD);
    emit_x87_mem(s, 0xDC, 1, b, JIT_THREAD);
    emit_x87_mem(s, 0xDC, op, c, JIT_THREAD);
    if (negate) {
        sink_emit1(s, 0xD9);
        sink_emit1(s, 0xE0);
    }
    emit_x87_mem(s, 0xDD, 3, t, JIT_THREAD);
}

void fused(xframe *x, int xt, int xa, int xb, int xc, int vector, int op, int negate)
{
    fused_dw(x, disp_VSR_dw0(xt), disp_VSR_dw0(xa), disp_VSR_dw0(xb), disp_VSR_dw0(xc), op, negate);
    if (vector) {
        // Doubleword 0 of XT may be an operand: its new value must not reach doubleword 1.
        fused_dw(x, disp_VSR_dw1(xt), disp_VSR_dw1(xa), disp_VSR_dw1(xb), disp_VSR_dw1(xc), op, negate);
    } else {
        sink *s = xframe_sink(x);
        sink_emit1(s, 0xD9); // fldz
        sink_emit1(s, 0xEE);
        emit_x87_mem(s, 0xDD, 3, disp_VSR_dw1(xt), JIT_THREAD);
    }
}

// xsadddp/xvadddp family: whole registers for the vector forms.
void vsx_binary(xframe *x, uint8_t op, int xt, int xa, int xb, int vector)
{
    sink *s = xframe_sink(x);
    const int a = from_VSX(x, xa), b = from_VSX(x, xb);
    if (!ok({a, b})) return;
    emit_sse_rr(s, SSE_66, op, a, b);
    if (!vector) {
        emit_psrldq(s, a, 8);
        emit_pslldq(s, a, 8);
    }
    to_VSX(x, xt, a);
}

// SAT when any result halfword of a equals value.
void halfword_sat(xframe *x, int a, uint32_t value)
{
    sink *s = xframe_sink(x);
    emit_mov_imm32(s, HOST_R10, 1, 0);
    emit_mov_imm32(s, HOST_R11, 0, 0);
    for (int j = 0; j < 8; j++) {
        emit_sse_rr_ib(s, SSE_66, PEXTRW, HOST_R9, a, (uint8_t)j);
        emit_cmp_imm32(s, HOST_R9, value, 0);
        emit_cmov_reg(s, 0x4, HOST_R11, HOST_R10, 0); // cmove
    }
    emit_vscr_or(x, HOST_R11, HOST_R9);
}

void madd_family(xframe *x, int vt, int va, int vb, int vc, bool negate_difference)
{
    sink *s = xframe_sink(x);
    const int a = xmm_reserve(), b = xmm_reserve(), c = xmm_reserve(), d = xmm_reserve();
    if (!ok({a, b, c, d})) return;
    emit_xmm_zero(s, d);
    for (int high = 1; high >= 0; high--) {
        auto pair = [&](int into, int vr) {
            xmm_load(x, a, vr);
            if (high) emit_psrldq(s, a, 8);
            emit_sse_rr(s, SSE_NP, CVT, into, a); // cvtps2pd
        };
        pair(b, va);
        pair(c, vc);
        emit_sse_rr(s, SSE_66, MULP, b, c); // exact
        pair(c, vb);
        emit_sse_rr(s, SSE_66, negate_difference ? SUBP : ADDP, b, c);
        emit_sse_rr(s, SSE_66, CVT, c, b); // cvtpd2ps: one rounding to single
        if (high) emit_pslldq(s, c, 8);
        emit_sse_rr(s, SSE_66, POR, d, c);
    }
    if (negate_difference) {
        broadcast64(x, a, 0x8000000080000000ull);
        emit_sse_rr(s, SSE_66, PXOR, d, a);
    }
    to_VR(x, vt, d);
}

} // namespace

int emit_vsr_dw1_to_xmm(xframe *x, int n)
{
    const int xmm = xmm_reserve();
    if (xmm >= 0) emit_movq_state_load(xframe_sink(x), xmm, disp_VSR_dw1(n));
    return xmm;
}

void emit_vsr_set_word(xframe *x, int n, int w, int reg)
{
    emit_mov_store(xframe_sink(x), disp_VSR_word(n, w), JIT_THREAD, reg, 0);
}

void emit_vsr_get_word(xframe *x, int reg, int n, int w)
{
    emit_mov_load(xframe_sink(x), reg, disp_VSR_word(n, w), JIT_THREAD, 0);
}

void emit_vr_get_word(xframe *x, int reg, int n, int w)
{
    emit_vsr_get_word(x, reg, 32 + n, w);
}

void emit_vscr_or(xframe *x, int flag, int scratch)
{
    sink *s = xframe_sink(x);
    emit_mov_load(s, scratch, disp_VSCR(), JIT_THREAD, 0);
    emit_or_reg(s, scratch, flag, 0);
    emit_mov_store(s, disp_VSCR(), JIT_THREAD, scratch, 0);
}

void jit_lvx(xframe *x, int vrt, int ra, int rb)
{
    quadword_ea(x, ra, rb);
    jit_xlate_read(x, 0);
    jit_get_umem64(x, HOST_R11, HOST_R10);
    vr_store_lower_dw(x, vrt, HOST_R11);
    next_address(x, 8);
    jit_get_umem64(x, HOST_R11, HOST_R10);
    vr_store_upper_dw(x, vrt, HOST_R11);
}

void jit_lvxl(xframe *x, int vrt, int ra, int rb)
{
    jit_lvx(x, vrt, ra, rb);
}

void jit_stvx(xframe *x, int vrs, int ra, int rb)
{
    quadword_ea(x, ra, rb);
    jit_xlate_write(x, 0);
    vr_load_lower_dw(x, HOST_R11, vrs);
    jit_put_umem64(x, HOST_R11, HOST_R10);
    next_address(x, 8);
    vr_load_upper_dw(x, HOST_R11, vrs);
    jit_put_umem64(x, HOST_R11, HOST_R10);
    jit_xlate_written(x);
}

void jit_stvxl(xframe *x, int vrs, int ra, int rb)
{
    jit_stvx(x, vrs, ra, rb);
}

void jit_lvsl(xframe *x, int vrt, int ra, int rb)
{
    sink *s = xframe_sink(x);
    const int a = xmm_reserve(), b = xmm_reserve();
    if (!ok({a, b})) return;
    indexed_ea(x, ra, rb);
    emit_and_imm32(s, HOST_R9, 15, 1);
    uint64_t ends[16];
    for (int k = 0; k < 16; k++) {
        emit_cmp_imm32(s, HOST_R9, (uint32_t)k, 0);
        const uint64_t next = jne_forward(s);
        uint64_t high = 0, low = 0;
        for (int i = 0; i < 8; i++) {
            high = high << 8 | (uint64_t)(k + i);
            low = low << 8 | (uint64_t)(k + 8 + i);
        }
        emit_mov_imm64(s, HOST_R10, high);
        emit_movq_to_xmm(s, a, HOST_R10, 1);
        emit_pslldq(s, a, 8);
        emit_mov_imm64(s, HOST_R10, low);
        emit_movq_to_xmm(s, b, HOST_R10, 1);
        emit_sse_rr(s, SSE_66, ORPD, a, b);
        ends[k] = jmp_forward(s);
        resolve_reference_here(s, next);
    }
    for (uint64_t end : ends)
        resolve_reference_here(s, end);
    to_VR(x, vrt, a);
}

void jit_vperm(xframe *x, int vrt, int vra, int vrb, int vrc)
{
    if (!turbo_host_has_SSSE3) {
        jit_exit_unknown(x, K_VPERM, 0);
        return;
    }
    sink *s = xframe_sink(x);
    const int a = xmm_reserve(), b = xmm_reserve(), c = xmm_reserve();
    if (!ok({a, b, c})) return;
    auto splat_byte = [&](int xmm, uint64_t value) {
        emit_mov_imm64(s, HOST_R9, value);
        emit_movq_to_xmm(s, xmm, HOST_R9, 1);
        emit_sse_rr(s, SSE_F2, 0x12, xmm, xmm); // movddup
    };
    splat_byte(a, 0x1010101010101010ull);
    xmm_load(x, b, vrc);
    rr(x, SSE_66, PAND, b, a); // bit 0x10: VRB
    splat_byte(a, 0x0F0F0F0F0F0F0F0Full);
    xmm_load(x, c, vrc);
    rr(x, SSE_66, PAND, c, a);
    rr(x, SSE_66, PXOR, c, a); // 15 - index: the lane of the ISA byte
    emit_psllq(s, b, 3);       // 0x10 -> 0x80
    rr(x, SSE_66, POR, c, b);
    xmm_load(x, b, vra);
    emit_sse_rr(s, SSE_66, 0x38, b, c, 0, 0x00); // pshufb b, c: VRA bytes, 0 where VRB is chosen
    splat_byte(a, 0x8080808080808080ull);
    rr(x, SSE_66, PXOR, c, a);
    xmm_load(x, a, vrb);
    emit_sse_rr(s, SSE_66, 0x38, a, c, 0, 0x00);
    rr(x, SSE_66, POR, a, b);
    to_VR(x, vrt, a);
}

void jit_vsel(xframe *x, int vrt, int vra, int vrb, int vrc)
{
    const int a = from_VR(x, vra), b = from_VR(x, vrb), c = from_VR(x, vrc);
    if (!ok({a, b, c})) return;
    rr(x, SSE_66, PAND, b, c);
    rr(x, SSE_66, PANDN, c, a);
    rr(x, SSE_66, POR, b, c);
    to_VR(x, vrt, b);
}

void jit_vsldoi(xframe *x, int vrt, int vra, int vrb, int shb)
{
    sink *s = xframe_sink(x);
    const int a = from_VR(x, vra), b = from_VR(x, vrb);
    if (!ok({a, b})) return;
    emit_pslldq(s, a, (uint8_t)shb);
    emit_psrldq(s, b, (uint8_t)(16 - shb));
    rr(x, SSE_66, POR, a, b);
    to_VR(x, vrt, a);
}

void jit_vsplth(xframe *x, int vrt, int uim, int vrb)
{
    sink *s = xframe_sink(x);
    const int b = from_VR(x, vrb), c = xmm_reserve(), d = xmm_reserve();
    if (!ok({b, c, d})) return;
    rr(x, SSE_66, XORPD, d, d);
    emit_psrldq(s, b, (uint8_t)(14 - 2 * uim));
    emit_mov_imm32(s, HOST_R9, 0xFFFF, 0);
    emit_movq_to_xmm(s, c, HOST_R9, 0);
    rr(x, SSE_66, ANDPD, b, c);
    for (int i = 0; i < 8; i++) {
        emit_pslldq(s, d, 2);
        rr(x, SSE_66, ORPD, d, b);
    }
    to_VR(x, vrt, d);
}

void jit_vspltw(xframe *x, int vrt, int uim, int vrb)
{
    const int b = from_VR(x, vrb), a = xmm_reserve();
    if (!ok({a, b})) return;
    emit_sse_rr_ib(xframe_sink(x), SSE_66, PSHUFD, a, b, (uint8_t)((3 - uim) * 0x55));
    to_VR(x, vrt, a);
}

void jit_vspltisw(xframe *x, int vrt, int sim)
{
    sink *s = xframe_sink(x);
    const int b = xmm_reserve(), a = xmm_reserve();
    if (!ok({a, b})) return;
    const int32_t value = (int32_t)((uint32_t)sim << 27) >> 27;
    emit_mov_imm32(s, HOST_R9, (uint32_t)value, 0);
    emit_movq_to_xmm(s, b, HOST_R9, 0);
    emit_sse_rr_ib(s, SSE_66, PSHUFD, a, b, 0);
    to_VR(x, vrt, a);
}

void jit_vspltish(xframe *x, int vrt, int sim)
{
    sink *s = xframe_sink(x);
    const int b = xmm_reserve(), a = xmm_reserve();
    if (!ok({a, b})) return;
    const int32_t value = (int32_t)((uint32_t)sim << 27) >> 27;
    emit_mov_imm32(s, HOST_R9, (uint32_t)value & 0xFFFF, 0);
    emit_movq_to_xmm(s, b, HOST_R9, 0);
    emit_sse_rr_ib(s, SSE_F2, PSHUFD, b, b, 0); // pshuflw: the low four halfwords
    emit_sse_rr_ib(s, SSE_66, PSHUFD, a, b, 0); // and the dword pairs everywhere
    to_VR(x, vrt, a);
}

void jit_vand(xframe *x, int vrt, int vra, int vrb)
{
    vr_binary(x, SSE_66, PAND, vrt, vra, vrb);
}

void jit_vxor(xframe *x, int vrt, int vra, int vrb)
{
    vr_binary(x, SSE_66, PXOR, vrt, vra, vrb);
}

void jit_vadduwm(xframe *x, int vrt, int vra, int vrb)
{
    vr_binary(x, SSE_66, PADDD, vrt, vra, vrb);
}

void jit_vadduhs(xframe *x, int vrt, int vra, int vrb)
{
    const int a = from_VR(x, vra), b = from_VR(x, vrb);
    if (!ok({a, b})) return;
    rr(x, SSE_66, PADDUSW, a, b);
    to_VR(x, vrt, a);
    halfword_sat(x, a, 0xFFFF);
}

void jit_vsubuhs(xframe *x, int vrt, int vra, int vrb)
{
    const int a = from_VR(x, vra), b = from_VR(x, vrb);
    if (!ok({a, b})) return;
    rr(x, SSE_66, PSUBUSW, a, b);
    to_VR(x, vrt, a);
    halfword_sat(x, a, 0);
}

// Per word: the single widened exactly, scaled by 2^UIM exactly, truncated to 64 bits; values not
// above 0 (and NaN) give 0, values past 0xFFFFFFFF give 0xFFFFFFFF; SAT when a word is
// 0xFFFFFFFF.
void jit_vctuxs(xframe *x, int vrt, int uim, int vrb)
{
    sink *s = xframe_sink(x);
    const int scale = xmm_reserve(), v = xmm_reserve(), zero = xmm_reserve();
    if (!ok({scale, v, zero})) return;
    emit_mov_imm64(s, HOST_R10, (uint64_t)(1023 + uim) << 52); // 2^UIM
    emit_movq_to_xmm(s, scale, HOST_R10, 1);
    emit_xmm_zero(s, zero);
    emit_mov_imm32(s, HOST_R10, 0, 0); // SAT of the instruction
    for (int w = 0; w < 4; w++) {
        emit_sse_mem(s, SSE_66, 0x6E, v, disp_VSR_word(32 + vrb, w), JIT_THREAD); // movd
        emit_sse_rr(s, SSE_F3, CVT, v, v);                                        // cvtss2sd
        emit_sse_rr(s, SSE_F2, MULP, v, scale);                                   // mulsd
        emit_sse_rr(s, SSE_F2, 0x2C, HOST_RAX, v, 1);                             // cvttsd2si rax
        emit_mov_imm32(s, HOST_R11, 0xFFFFFFFFu, 0);
        emit_sse_rr(s, SSE_66, 0x2F, v, zero);                  // comisd v, 0 (flags only)
        emit_mov_imm32(s, HOST_R9, 0, 0);
        emit_cmov_reg(s, 0x6, HOST_RAX, HOST_R9, 1);             // cmovbe: not above 0, or NaN
        sink_emit1(s, 0x4C); // cmp rax, r11
        sink_emit1(s, 0x39);
        sink_emit1(s, 0xD8);
        emit_cmov_reg(s, 0x7, HOST_RAX, HOST_R11, 1); // cmova: saturate
        emit_cmp_imm32(s, HOST_RAX, 0xFFFFFFFFu, 0);
        emit_mov_imm32(s, HOST_R9, 1, 0);
        emit_cmov_reg(s, 0x4, HOST_R10, HOST_R9, 0); // cmove: SAT
        emit_mov_store(s, disp_VSR_word(32 + vrt, w), JIT_THREAD, HOST_RAX, 0);
    }
    emit_vscr_or(x, HOST_R10, HOST_R9);
}

void jit_vmaxuh(xframe *x, int vrt, int vra, int vrb)
{
    sink *s = xframe_sink(x);
    const int a = from_VR(x, vra), b = from_VR(x, vrb), c = xmm_reserve(), d = xmm_reserve();
    if (!ok({a, b, c, d})) return;
    rr(x, SSE_66, XORPD, d, d);
    for (int j = 0; j < 8; j++) {
        emit_sse_rr_ib(s, SSE_66, PEXTRW, HOST_R9, a, (uint8_t)j);
        emit_sse_rr_ib(s, SSE_66, PEXTRW, HOST_R11, a, (uint8_t)j);
        emit_sse_rr_ib(s, SSE_66, PEXTRW, HOST_R10, b, (uint8_t)j);
        sink_emit1(s, 0x45); // cmp r9d, r10d
        sink_emit1(s, 0x39);
        sink_emit1(s, 0xD1);
        emit_cmov_reg(s, 0x2, HOST_R11, HOST_R10, 0); // cmovb
        emit_movq_to_xmm(s, c, HOST_R11, 0);
        emit_pslldq(s, c, (uint8_t)(2 * j));
        rr(x, SSE_66, ORPD, d, c);
    }
    to_VR(x, vrt, d);
}

void jit_vmaxsw(xframe *x, int vrt, int vra, int vrb)
{
    sink *s = xframe_sink(x);
    for (int w = 0; w < 4; w++) {
        emit_vr_get_word(x, HOST_R9, vra, w);
        emit_vr_get_word(x, HOST_R10, vrb, w);
        sink_emit1(s, 0x45); // cmp r9d, r10d
        sink_emit1(s, 0x39);
        sink_emit1(s, 0xD1);
        emit_cmov_reg(s, 0xC, HOST_R9, HOST_R10, 0); // cmovl
        emit_vsr_set_word(x, 32 + vrt, w, HOST_R9);
    }
}

void jit_vsrw(xframe *x, int vrt, int vra, int vrb)
{
    sink *s = xframe_sink(x);
    const int a = from_VR(x, vra), b = from_VR(x, vrb), c = xmm_reserve(), d = xmm_reserve();
    if (!ok({a, b, c, d})) return;
    emit_xmm_zero(s, c);
    for (int j = 0; j < 4; j++) {
        emit_movq_from_xmm(s, HOST_RCX, b, 0);
        emit_movq_from_xmm(s, HOST_R9, a, 0);
        emit_and_imm32(s, HOST_RCX, 0x1F, 0);
        sink_emit1(s, 0x41); // shr r9d, cl
        sink_emit1(s, 0xD3);
        sink_emit1(s, 0xE9);
        emit_movq_to_xmm(s, d, HOST_R9, 0);
        emit_pslldq(s, d, (uint8_t)(4 * j));
        rr(x, SSE_66, POR, c, d);
        emit_psrldq(s, b, 4);
        emit_psrldq(s, a, 4);
    }
    to_VR(x, vrt, c);
}

void jit_vaddfp(xframe *x, int vrt, int vra, int vrb)
{
    vr_binary(x, SSE_NP, ADDP, vrt, vra, vrb);
}

void jit_vmaddfp(xframe *x, int vrt, int vra, int vrb, int vrc)
{
    madd_family(x, vrt, vra, vrb, vrc, false);
}

void jit_vnmsubfp(xframe *x, int vrt, int vra, int vrb, int vrc)
{
    madd_family(x, vrt, vra, vrb, vrc, true);
}

void jit_vcmpequw(xframe *x, int vrt, int vra, int vrb, int record)
{
    const int a = from_VR(x, vra), b = from_VR(x, vrb);
    if (!ok({a, b})) return;
    if (record) {
        jit_exit_unknown(x, K_VCMPEQUW, 0);
        return;
    }
    rr(x, SSE_66, PCMPEQD, b, a);
    to_VR(x, vrt, b);
}

void jit_vcmpgtfp(xframe *x, int vrt, int vra, int vrb, int record)
{
    const int a = from_VR(x, vra), b = from_VR(x, vrb);
    if (!ok({a, b})) return;
    if (record) {
        jit_exit_unknown(x, K_VCMPGTFP, 0);
        return;
    }
    emit_sse_rr_ib(xframe_sink(x), SSE_NP, CMPP, b, a, 1); // cmpltps b, a: VRA > VRB
    to_VR(x, vrt, b);
}

void jit_vrefp(xframe *x, int vrt, int vrb)
{
    const int b = from_VR(x, vrb), a = xmm_reserve();
    if (!ok({a, b})) return;
    rr(x, SSE_NP, 0x53, a, b); // rcpps
    to_VR(x, vrt, a);
}

void jit_lxsdx(xframe *x, int xt, int ra, int rb, int splat)
{
    vsx_ea(x, ra, rb, true, false);
    jit_xlate_read(x, 15);
    jit_get_umem64(x, HOST_R11, HOST_R10);
    emit_vsr_set_dw0(x, xt, HOST_R11);
    if (splat) emit_vsr_set_dw1(x, xt, HOST_R11);
}

void jit_lxvd2x(xframe *x, int xt, int ra, int rb)
{
    vsx_ea(x, ra, rb, true, true);
    jit_xlate_read(x, 15);
    jit_get_umem64(x, HOST_R11, HOST_R10);
    emit_vsr_set_dw0(x, xt, HOST_R11);
    next_address(x, 8);
    jit_get_umem64(x, HOST_R11, HOST_R10);
    emit_vsr_set_dw1(x, xt, HOST_R11);
}

void jit_lxvd2ux(xframe *x, int xt, int ra, int rb)
{
    vsx_ea(x, ra, rb, true, false);
    emit_mov_reg(xframe_sink(x), HOST_R11, HOST_R9, 1);
    jit_xlate_read(x, 15);
    emit_set_GPR(x, ra, HOST_R11, 1);
    jit_get_umem64(x, HOST_R11, HOST_R10);
    emit_vsr_set_dw0(x, xt, HOST_R11);
    next_address(x, 8);
    jit_get_umem64(x, HOST_R11, HOST_R10);
    emit_vsr_set_dw1(x, xt, HOST_R11);
}

void jit_lxvw4x(xframe *x, int xt, int ra, int rb)
{
    vsx_ea(x, ra, rb, true, true);
    jit_xlate_read(x, 15);
    for (int w = 0; w < 4; w++) {
        if (w) next_address(x, 4);
        word_at_r10(x, HOST_R11, false);
        emit_vsr_set_word(x, xt, w, HOST_R11);
    }
}

void jit_stxsdx(xframe *x, int xs, int ra, int rb)
{
    vsx_ea(x, ra, rb, false, false);
    jit_xlate_write(x, 15);
    jit_get_FPR(x, HOST_R11, xs);
    jit_put_umem64(x, HOST_R11, HOST_R10);
    jit_xlate_written(x);
}

void jit_stxvd2x(xframe *x, int xs, int ra, int rb)
{
    vsx_ea(x, ra, rb, true, true);
    jit_xlate_write(x, 15);
    jit_get_FPR(x, HOST_R11, xs);
    jit_put_umem64(x, HOST_R11, HOST_R10);
    next_address(x, 8);
    emit_vsr_get_dw1(x, HOST_R11, xs);
    jit_put_umem64(x, HOST_R11, HOST_R10);
    jit_xlate_written(x);
}

void jit_stxvd2ux(xframe *x, int xs, int ra, int rb)
{
    vsx_ea(x, ra, rb, false, false);
    emit_mov_reg(xframe_sink(x), HOST_R11, HOST_R9, 1);
    jit_xlate_write(x, 15);
    emit_set_GPR(x, ra, HOST_R11, 1);
    jit_get_FPR(x, HOST_R11, xs);
    jit_put_umem64(x, HOST_R11, HOST_R10);
    next_address(x, 8);
    emit_vsr_get_dw1(x, HOST_R11, xs);
    jit_put_umem64(x, HOST_R11, HOST_R10);
    jit_xlate_written(x);
}

void jit_stxvw4x(xframe *x, int xs, int ra, int rb)
{
    vsx_ea(x, ra, rb, true, true);
    jit_xlate_write(x, 15);
    for (int w = 0; w < 4; w++) {
        if (w) next_address(x, 4);
        emit_vsr_get_word(x, HOST_R11, xs, w);
        word_at_r10(x, HOST_R11, true);
    }
    jit_xlate_written(x);
}

void jit_xadddp(xframe *x, int xt, int xa, int xb, int vector)
{
    if (vector) {
        vsx_binary(x, ADDP, xt, xa, xb, 1);
        return;
    }
    sink *s = xframe_sink(x);
    const int a = emit_fpr_to_xmm(x, xa), b = emit_fpr_to_xmm(x, xb);
    if (!ok({a, b})) return;
    emit_sse_rr(s, SSE_F2, ADDP, a, b);
    emit_pslldq(s, a, 8);
    to_VSX(x, xt, a);
}

void jit_xsubdp(xframe *x, int xt, int xa, int xb, int vector)
{
    vsx_binary(x, SUBP, xt, xa, xb, vector);
}

void jit_xmuldp(xframe *x, int xt, int xa, int xb, int vector)
{
    vsx_binary(x, MULP, xt, xa, xb, vector);
}

void jit_xsdivdp(xframe *x, int xt, int xa, int xb)
{
    const int a = emit_fpr_to_xmm(x, xa), b = emit_fpr_to_xmm(x, xb);
    if (!ok({a, b})) return;
    emit_sse_rr(xframe_sink(x), SSE_F2, DIVP, a, b);
    emit_xmm_to_fpr(x, xt, a);
}

void jit_xmadddp(xframe *x, int xt, int xa, int xb, int xc, int vector)
{
    fused(x, xt, xa, xb, xc, vector, X87_ADD, 0);
}

void jit_xmsubdp(xframe *x, int xt, int xa, int xb, int xc, int vector)
{
    fused(x, xt, xa, xb, xc, vector, X87_SUB, 0);
}

void jit_xnmadddp(xframe *x, int xt, int xa, int xb, int xc, int vector)
{
    fused(x, xt, xa, xb, xc, vector, X87_ADD, 1);
}

void jit_xnmsubdp(xframe *x, int xt, int xa, int xb, int xc, int vector)
{
    fused(x, xt, xa, xb, xc, vector, X87_SUBR, 0);
}

void jit_xabsdp(xframe *x, int xt, int xb, int vector)
{
    sink *s = xframe_sink(x);
    emit_mov_imm64(s, HOST_R10, 0x7FFFFFFFFFFFFFFFull);
    jit_get_FPR(x, HOST_RCX, xb);
    emit_and_reg(s, HOST_RCX, HOST_R10, 1);
    if (vector) {
        emit_vsr_get_dw1(x, HOST_RAX, xb); // before doubleword 0 of XT changes
        emit_and_reg(s, HOST_RAX, HOST_R10, 1);
        emit_vsr_set_dw1(x, xt, HOST_RAX);
    } else {
        emit_mov_imm32(s, HOST_RAX, 0, 1);
        emit_vsr_set_dw1(x, xt, HOST_RAX);
    }
    emit_vsr_set_dw0(x, xt, HOST_RCX);
}

void jit_xsnegdp(xframe *x, int xt, int xb)
{
    sink *s = xframe_sink(x);
    emit_mov_imm64(s, HOST_R10, 0x8000000000000000ull);
    jit_get_FPR(x, HOST_RCX, xb);
    sink_emit1(s, 0x4C); // xor rcx, r10
    sink_emit1(s, 0x31);
    sink_emit1(s, 0xD1);
    emit_vsr_set_dw0(x, xt, HOST_RCX);
    emit_mov_imm32(s, HOST_R10, 0, 1);
    emit_vsr_set_dw1(x, xt, HOST_R10);
}

void jit_xvcpsgndp(xframe *x, int xt, int xa, int xb)
{
    sink *s = xframe_sink(x);
    emit_mov_imm64(s, HOST_R9, 0x8000000000000000ull);
    emit_mov_imm64(s, HOST_R10, 0x7FFFFFFFFFFFFFFFull);
    for (int dw = 0; dw < 2; dw++) {
        const int32_t a = dw ? disp_VSR_dw1(xa) : disp_VSR_dw0(xa);
        const int32_t b = dw ? disp_VSR_dw1(xb) : disp_VSR_dw0(xb);
        emit_mov_load(s, HOST_RAX, a, JIT_THREAD, 1);
        emit_and_reg(s, HOST_RAX, HOST_R9, 1);
        emit_mov_load(s, HOST_RCX, b, JIT_THREAD, 1);
        emit_and_reg(s, HOST_RCX, HOST_R10, 1);
        emit_or_reg(s, HOST_RAX, HOST_RCX, 1);
        emit_mov_store(s, dw ? disp_VSR_dw1(xt) : disp_VSR_dw0(xt), JIT_THREAD, HOST_RAX, 1);
    }
}

void jit_xscmpudp(xframe *x, int bf, int xa, int xb)
{
    sink *s = xframe_sink(x);
    const int a = emit_fpr_to_xmm(x, xa), b = emit_fpr_to_xmm(x, xb);
    if (!ok({a, b})) return;
    emit_sse_rr(s, SSE_66, 0x2E, a, b); // ucomisd
    emit_jcc(s, 0xA, exit_invalid);      // jp: unordered
    const int32_t lt = disp_CR_bit(4 * bf);
    emit_setcc_state(s, 0x2, lt);
    emit_setcc_state(s, 0x7, lt + 1);
    emit_setcc_state(s, 0x4, lt + 2);
    emit_setcc_state(s, 0xA, lt + 3);
    emit_mov_store_imm32(s, disp_turbo(pending_fpcc_field), JIT_THREAD, (uint32_t)bf, 0);
}

void jit_xxpermdi(xframe *x, int xt, int xa, int xb, int dm)
{
    const int p = (dm & 2) ? emit_vsr_dw1_to_xmm(x, xa) : emit_fpr_to_xmm(x, xa);
    const int q = (dm & 1) ? emit_vsr_dw1_to_xmm(x, xb) : emit_fpr_to_xmm(x, xb);
    if (!ok({p, q})) return;
    emit_movq_state_store(xframe_sink(x), p, disp_VSR_dw0(xt));
    emit_movq_state_store(xframe_sink(x), q, disp_VSR_dw1(xt));
}

void jit_xxsldwi(xframe *x, int xt, int xa, int xb, int shw)
{
    sink *s = xframe_sink(x);
    const int a = from_VSX(x, xa), b = from_VSX(x, xb);
    if (!ok({a, b})) return;
    emit_pslldq(s, a, (uint8_t)(4 * shw));
    emit_psrldq(s, b, (uint8_t)(16 - 4 * shw));
    emit_sse_rr(s, SSE_NP, ORPD, a, b); // orps
    to_VSX(x, xt, a);
}

void jit_xxspltw(xframe *x, int xt, int xb, int uim)
{
    const int a = from_VSX(x, xb);
    if (a < 0) return;
    emit_sse_rr_ib(xframe_sink(x), SSE_NP, SHUFPS, a, a, (uint8_t)((3 - uim) * 0x55));
    to_VSX(x, xt, a);
}

void jit_xxsel(xframe *x, int xt, int xa, int xb, int xc)
{
    const int a = from_VSX(x, xa), b = from_VSX(x, xb), c = from_VSX(x, xc);
    if (!ok({a, b, c})) return;
    rr(x, SSE_66, ANDPD, b, c);
    rr(x, SSE_66, ANDNPD, c, a);
    rr(x, SSE_66, ORPD, b, c);
    to_VSX(x, xt, b);
}
