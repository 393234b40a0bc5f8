// Guest-state access emitters and the byte-order selection.
#include "translator/x86/guest_state.h"

#include "translator/x86/encoder.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/state_disp.h"
#include "translator/xframe.h"

thread_local swap_emitter_fn swap_emitter = emit_bswap;
thread_local swap_emitter_fn swap_emitter_reversed = emit_no_swap;
thread_local swap16_emitter_fn swap16_emitter = emit_bswap16;
thread_local swap16_emitter_fn swap16_emitter_reversed = emit_no_swap16;
thread_local vr_store_emitter_fn vr_store_lower_dw = emit_vsr_store_second;
thread_local vr_store_emitter_fn vr_store_upper_dw = emit_vsr_store_first;
thread_local vr_load_emitter_fn vr_load_lower_dw = emit_vsr_load_second;
thread_local vr_load_emitter_fn vr_load_upper_dw = emit_vsr_load_first;

namespace
{

// A prefixed two-byte-opcode XMM access of [rbx + disp32]: prefix [REX] 0f op ModRM disp32.
void emit_xmm_state(xframe *x, uint8_t prefix, uint8_t op, int xmm, int32_t disp)
{
    sink *s = xframe_sink(x);
    sink_emit1(s, prefix);
    insn_template t{};
    t.opcode[0] = 0x0F;
    t.opcode[1] = op;
    t.last_opcode = 1;
    set_modrm_base_disp32(&t, xmm, disp, JIT_THREAD, 0);
    emit_insn(&t, s);
}

// movq xmm, m64 / movq m64, xmm / movdqu xmm, m128 / movdqu m128, xmm.
void emit_movq_load(xframe *x, int xmm, int32_t disp)
{
    emit_xmm_state(x, 0xF3, 0x7E, xmm, disp);
}
void emit_movq_store(xframe *x, int xmm, int32_t disp)
{
    emit_xmm_state(x, 0x66, 0xD6, xmm, disp);
}
void emit_movdqu_load(xframe *x, int xmm, int32_t disp)
{
    emit_xmm_state(x, 0xF3, 0x6F, xmm, disp);
}
void emit_movdqu_store(xframe *x, int xmm, int32_t disp)
{
    emit_xmm_state(x, 0xF3, 0x7F, xmm, disp);
}

void load64(xframe *x, int reg, int32_t disp)
{
    emit_mov_load(xframe_sink(x), reg, disp, JIT_THREAD, 1);
}
void store64(xframe *x, int32_t disp, int reg)
{
    emit_mov_store(xframe_sink(x), disp, JIT_THREAD, reg, 1);
}

// Doubleword 1 of VSR n = 0: xor rax, rax; mov [rbx + dw1], rax.
void clear_dw1(xframe *x, int n)
{
    sink *s = xframe_sink(x);
    sink_emit1(s, 0x48);
    sink_emit1(s, 0x31);
    sink_emit1(s, 0xC0);
    store64(x, disp_VSR_dw1(n), HOST_RAX);
}

} // namespace

void jit_get_GPR(xframe *x, int reg, int n)
{
    emit_get_GPR(x, reg, n, xframe_machine64(x));
}

void emit_get_GPR(xframe *x, int reg, int n, int wide)
{
    emit_mov_load(xframe_sink(x), reg, disp_GPR(n), JIT_THREAD, wide);
}

void jit_set_GPR(xframe *x, int n, int reg)
{
    emit_set_GPR(x, n, reg, xframe_machine64(x));
}

void emit_set_GPR(xframe *x, int n, int reg, int wide)
{
    emit_mov_store(xframe_sink(x), disp_GPR(n), JIT_THREAD, reg, wide);
}

void jit_get_LR(xframe *x, int reg)
{
    emit_mov_load(xframe_sink(x), reg, disp_LR(), JIT_THREAD, xframe_machine64(x));
}

void jit_get_CTR(xframe *x, int reg)
{
    emit_mov_load(xframe_sink(x), reg, disp_CTR(), JIT_THREAD, xframe_machine64(x));
}

void jit_set_LR(xframe *x, int reg)
{
    emit_mov_store(xframe_sink(x), disp_LR(), JIT_THREAD, reg, xframe_machine64(x));
}

void jit_set_CTR(xframe *x, int reg)
{
    emit_mov_store(xframe_sink(x), disp_CTR(), JIT_THREAD, reg, xframe_machine64(x));
}

void jit_get_PC(xframe *x, int reg)
{
    emit_mov_reg(xframe_sink(x), reg, JIT_PC, xframe_machine64(x));
}

void jit_get_TOGO(xframe *x, int reg)
{
    emit_mov_reg(xframe_sink(x), reg, JIT_TOGO, 0);
}

void jit_get_FPR(xframe *x, int reg, int n)
{
    load64(x, reg, disp_FPR(n));
}

void jit_set_FPR(xframe *x, int n, int reg, int record_fprf)
{
    emit_set_FPR(x, n, reg, record_fprf);
}

void emit_set_FPR(xframe *x, int n, int reg, int record_fprf)
{
    store64(x, disp_FPR(n), reg);
    if (record_fprf) set_fprf_from_xgpr(x, n, reg); // before the clearing takes rax
    clear_dw1(x, n);
}

void emit_set_FPR_from_xmm(xframe *x, int n, int xmm, int record_fprf)
{
    emit_movq_store(x, xmm, disp_FPR(n));
    clear_dw1(x, n);
    if (record_fprf) set_fprf_from_xmm(x, n, xmm);
}

void emit_xmm_to_fpr(xframe *x, int n, int xmm)
{
    emit_movq_store(x, xmm, disp_FPR(n));
}

int emit_fpr_to_xmm(xframe *x, int n)
{
    int xmm = xmm_reserve();
    emit_movq_load(x, xmm, disp_FPR(n));
    return xmm;
}

void set_fprf_from_xgpr(xframe *x, int n, int reg)
{
    emit_mov_store_imm32(xframe_sink(x), disp_turbo(pending_fprf_register), JIT_THREAD, (uint32_t)n, 0);
    store64(x, disp_turbo(pending_fprf_value), reg);
}

void set_fprf_from_xmm(xframe *x, int n, int xmm)
{
    emit_mov_store_imm32(xframe_sink(x), disp_turbo(pending_fprf_register), JIT_THREAD, (uint32_t)n, 0);
    emit_movq_store(x, xmm, disp_turbo(pending_fprf_value));
}

void emit_vsr_set_dw0(xframe *x, int n, int reg)
{
    store64(x, disp_VSR_dw0(n), reg);
}

void emit_vsr_set_dw1(xframe *x, int n, int reg)
{
    store64(x, disp_VSR_dw1(n), reg);
}

void emit_vsr_get_dw1(xframe *x, int reg, int n)
{
    load64(x, reg, disp_VSR_dw1(n));
}

int from_VSX(xframe *x, int n)
{
    int xmm = xmm_reserve();
    emit_movdqu_load(x, xmm, disp_VSR(n));
    return xmm;
}

void to_VSX(xframe *x, int n, int xmm)
{
    emit_movdqu_store(x, xmm, disp_VSR(n));
}

int from_VR(xframe *x, int n)
{
    int xmm = xmm_reserve();
    emit_movdqu_load(x, xmm, disp_VR(n));
    return xmm;
}

void xmm_load(xframe *x, int xmm, int n)
{
    emit_movdqu_load(x, xmm, disp_VR(n));
}

void to_VR(xframe *x, int n, int xmm)
{
    emit_movdqu_store(x, xmm, disp_VR(n));
}

void emit_vsr_store_first(xframe *x, int n, int reg)
{
    store64(x, disp_VR(n), reg);
}

void emit_vsr_store_second(xframe *x, int n, int reg)
{
    store64(x, disp_VR(n) + 8, reg);
}

void emit_vsr_load_first(xframe *x, int reg, int n)
{
    load64(x, reg, disp_VR(n));
}

void emit_vsr_load_second(xframe *x, int reg, int n)
{
    load64(x, reg, disp_VR(n) + 8);
}

void emit_reload_routines(sink *s)
{
    emit_mov_load(s, JIT_READER, disp_turbo(reader), JIT_THREAD, 1);
    emit_mov_load(s, JIT_WRITER, disp_turbo(writer), JIT_THREAD, 1);
    emit_mov_load(s, JIT_FETCHER, disp_turbo(fetcher), JIT_THREAD, 1);
    emit_mov_load(s, JIT_DATA_EMAT, disp_turbo(data_emat), JIT_THREAD, 1);
}

void emit_no_swap(sink *, int, int) {}
void emit_no_swap16(sink *) {}

void jit_init_set_LE_memory(void)
{
    swap_emitter = emit_no_swap;
    swap_emitter_reversed = emit_bswap;
    swap16_emitter = emit_no_swap16;
    swap16_emitter_reversed = emit_bswap16;
    jit_init_set_LE_memory_vmx();
}

void jit_init_set_BE_memory(void)
{
    swap_emitter = emit_bswap;
    swap_emitter_reversed = emit_no_swap;
    swap16_emitter = emit_bswap16;
    swap16_emitter_reversed = emit_no_swap16;
    jit_init_set_BE_memory_vmx();
}

void jit_init_set_LE_memory_vmx(void)
{
    vr_store_lower_dw = emit_vsr_store_first;
    vr_store_upper_dw = emit_vsr_store_second;
    vr_load_lower_dw = emit_vsr_load_first;
    vr_load_upper_dw = emit_vsr_load_second;
}

void jit_init_set_BE_memory_vmx(void)
{
    vr_store_lower_dw = emit_vsr_store_second;
    vr_store_upper_dw = emit_vsr_store_first;
    vr_load_lower_dw = emit_vsr_load_second;
    vr_load_upper_dw = emit_vsr_load_first;
}
