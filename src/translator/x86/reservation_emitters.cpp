// Load-and-reserve and store-conditional emitters.
#include "translator/x86/reservation_emitters.h"

#include <initializer_list>

#include "translator/callouts.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/memory_access.h"
#include "translator/x86/prologues.h"
#include "translator/xframe.h"

namespace
{

// Operation kinds, for the "unknown" exit of standalone translations.
enum : uint32_t { KIND_LDARX = 170, KIND_LWARX = 199, KIND_STDCX = 313, KIND_STWCX = 347 };

void bytes(sink *s, std::initializer_list<uint8_t> list)
{
    for (uint8_t b : list)
        sink_emit1(s, b);
}

// temp0 = GPR[RB] + GPR[RA] (GPR[RB] alone when RA is 0); a misaligned address leaves with "align"
// (the interpreter raises the alignment interrupt these forms require).
void aligned_ea(xframe *x, int ra, int rb, int size)
{
    const int t0 = jit_temp0(), t1 = jit_temp1();
    jit_get_GPR(x, t0, rb);
    if (ra) {
        jit_get_GPR(x, t1, ra);
        jit_add_temps(x, t0, t1);
    }
    jit_align_check(x, t0, (uint32_t)size - 1);
}

void load_and_reserve(xframe *x, int rt, int ra, int rb, int size, uint32_t kind)
{
    if (xframe_is_standalone(x)) {
        jit_exit_unknown(x, kind, 0);
        return;
    }
    sink *s = xframe_sink(x);
    const int t0 = jit_temp0(), t1 = jit_temp1(), t2 = jit_temp2();
    aligned_ea(x, ra, rb, size);
    jit_xlate_read_shadow(x, size - 1, 0); // temp1 = host address, rcx = the page entry
    emit_mov_reg(s, t2, jit_scratch1(), 1);
    jit_callout(s, t1, reinterpret_cast<const void *>(size == 8 ? jit_do_ldarx : jit_do_lwarx));
    bytes(s, {0x4D, 0x85, 0xD2}); // test r10, r10
    emit_jcc(s, CC_E, exit_larx);
    if (size == 8)
        jit_get_umem64(x, t0, t1);
    else
        jit_get_umem32(x, t0, t1);
    jit_set_GPR(x, rt, t0);
    jit_xlate_written(x);
}

void store_conditional(xframe *x, int rs, int ra, int rb, int size, uint32_t kind)
{
    if (xframe_is_standalone(x)) {
        jit_exit_unknown(x, kind, 0);
        return;
    }
    sink *s = xframe_sink(x);
    const int t0 = jit_temp0(), t1 = jit_temp1(), t2 = jit_temp2();
    aligned_ea(x, ra, rb, size);
    jit_xlate_store(x, size - 1, 0, MEM_TRACE_STORE); // temp1 = host address, rcx = the page entry
    emit_mov_reg(s, t2, jit_scratch1(), 1);
    jit_callout(s, t1, reinterpret_cast<const void *>(jit_do_stcx)); // guest memory or the junk word
    jit_get_GPR(x, t0, rs);
    if (size == 8)
        jit_put_umem64(x, t0, t1);
    else
        jit_put_umem32(x, t0, t1);
    jit_xlate_written(x);
}

} // namespace

void jit_lwarx(xframe *x, int rt, int ra, int rb)
{
    load_and_reserve(x, rt, ra, rb, 4, KIND_LWARX);
}

void jit_ldarx(xframe *x, int rt, int ra, int rb)
{
    load_and_reserve(x, rt, ra, rb, 8, KIND_LDARX);
}

void jit_stwcx_dot(xframe *x, int rs, int ra, int rb)
{
    store_conditional(x, rs, ra, rb, 4, KIND_STWCX);
}

void jit_stdcx_dot(xframe *x, int rs, int ra, int rb)
{
    store_conditional(x, rs, ra, rb, 8, KIND_STDCX);
}
