// Dispatch of the floating-point, VMX and VSX kinds to their guards and emitters.
#include "translator/fp_dispatch.h"

#include "translator/page_dispatch.h"
#include "translator/x86/encoder.h"
#include "translator/x86/fp_emitters.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/memory_access.h"
#include "translator/x86/prologues.h"
#include "translator/xframe.h"

namespace
{

// EA into temp0 (r9): GPR[RA] + D (D alone when RA is 0), or GPR[RB] + GPR[RA].
void effective_address(xframe *x, uint32_t w, bool indexed)
{
    const int t0 = jit_temp0(), t1 = jit_temp1();
    const uint32_t ra = field_RA(w);
    if (!indexed) {
        if (ra == 0) {
            jit_get_simm32(x, t0, field_D(w));
        } else {
            jit_get_GPR(x, t0, (int)ra);
            if (field_D(w) != 0) jit_add_simm32(x, t0, field_D(w));
        }
        return;
    }
    jit_get_GPR(x, t0, (int)field_RB(w));
    if (ra) {
        jit_get_GPR(x, t1, (int)ra);
        jit_add_temps(x, t0, t1);
    }
}

// lfs, lfsx, lfsu, lfsux and the stfs forms.
void single_access(xframe *x, uint32_t w, bool store, bool indexed, bool update)
{
    const int t0 = jit_temp0(), t1 = jit_temp1(), t2 = jit_temp2();
    const int rt = (int)field_RT(w), ra = (int)field_RA(w);
    if (update && ra == 0) {
        jit_exit_invalid(x);
        return;
    }
    jit_check_fp(x, 0);
    effective_address(x, w, indexed);
    if (update) jit_mov(x, t2, t0); // the EA for RA; the translation keeps r11
    if (store) {
        jit_xlate_write(x, 7);
        jit_stfs(x, t1, rt);
        if (update) jit_set_GPR(x, ra, t2);
        jit_xlate_written(x);
    } else {
        jit_align_check(x, t0, 3);
        jit_lfs(x, rt);
        if (update) jit_set_GPR(x, ra, t2);
    }
}

bool floating_point(xframe *x, uint32_t w, uint32_t kind)
{
    const int rt = (int)field_RT(w), ra = (int)field_RA(w), rb = (int)field_RB(w), rc = (int)field_RC(w);
    switch (kind) {
    case 179: // lfs
    case 180: // lfsx
    case 178: // lfsu
    case 181: // lfsux
        single_access(x, w, false, kind == 180 || kind == 181, kind == 178 || kind == 181);
        return true;
    case 322: // stfs
    case 325: // stfsx
    case 323: // stfsu
    case 324: // stfsux
        single_access(x, w, true, kind == 325 || kind == 324, kind == 323 || kind == 324);
        return true;
    case 142:
        jit_check_fp(x, 1);
        jit_fmr(x, rt, rb);
        return true;
    case 134:
    case 136:
    case 138:
    case 140:
    case 144:
    case 146:
    case 148:
    case 150: {
        jit_check_fmadd(x);
        jit_check_fp(x, 0);
        const int single = kind == 136 || kind == 140 || kind == 146 || kind == 150;
        if (kind <= 136)
            jit_fmadd(x, rt, ra, rb, rc, single);
        else if (kind <= 140)
            jit_fnmadd(x, rt, ra, rb, rc, single);
        else if (kind <= 146)
            jit_fmsub(x, rt, ra, rb, rc, single);
        else
            jit_fnmsub(x, rt, ra, rb, rc, single);
        return true;
    }
    case 91:
    case 93:
    case 95:
    case 97:
    case 109:
    case 118:
    case 124:
    case 128:
    case 156:
    case 114:
    case 116:
    case 159:
    case 161:
    case 152:
    case 154:
    case 130:
    case 158:
    case 121:
    case 211:
        break;
    default:
        return false;
    }
    jit_check_fp(x, 0);
    switch (kind) {
    case 91:
        jit_fabs(x, rt, rb);
        break;
    case 93:
        jit_fnabs(x, rt, rb);
        break;
    case 95:
        jit_fneg(x, rt, rb);
        break;
    case 97:
        jit_fre(x, rt, rb);
        break;
    case 109:
        jit_fsqrt(x, rt, rb);
        break;
    case 118:
        jit_fcfid(x, rt, rb);
        break;
    case 124:
        jit_fctidz(x, rt, rb);
        break;
    case 128:
        jit_fctiwz(x, rt, rb);
        break;
    case 156:
        jit_frsp(x, rt, rb);
        break;
    case 114:
    case 116:
        jit_fadd(x, rt, ra, rb, kind == 116);
        break;
    case 159:
    case 161:
        jit_fsub(x, rt, ra, rb, kind == 161);
        break;
    case 152:
    case 154:
        jit_fmul(x, rt, ra, rc, kind == 154);
        break;
    case 130:
        jit_fdiv(x, rt, ra, rb);
        break;
    case 158:
        jit_fsel(x, rt, ra, rb, rc);
        break;
    case 121:
        jit_fcmpu(x, rt >> 2, ra, rb);
        break;
    case 211:
        jit_mffs(x, rt);
        break;
    }
    return true;
}

} // namespace

bool translate_fp_vector(xframe *x, uint32_t w, uint32_t kind)
{
    return floating_point(x, w, kind);
}
