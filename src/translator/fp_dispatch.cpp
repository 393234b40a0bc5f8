// Dispatch of the floating-point, VMX and VSX kinds to their guards and emitters.
#include "translator/fp_dispatch.h"

#include "translator/page_dispatch.h"
#include "translator/x86/encoder.h"
#include "translator/x86/fp_emitters.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/memory_access.h"
#include "translator/x86/prologues.h"
#include "translator/x86/vector_emitters.h"
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

bool vmx(xframe *x, uint32_t w, uint32_t kind)
{
    const int rt = (int)field_RT(w), ra = (int)field_RA(w), rb = (int)field_RB(w), rc = (int)field_RC(w);
    const int record = (int)((w >> 10) & 1);
    switch (kind) {
    case 388:
    case 389:
    case 390:
    case 391:
    case 394:
    case 395:
    case 396:
    case 413:
    case 429:
    case 431:
    case 490:
    case 513:
    case 478:
    case 482:
    case 480:
    case 481:
    case 519:
    case 534:
        jit_check_vmx(x, 0);
        break;
    case 397:
    case 514:
        jit_check_fmadd(x);
        jit_check_vmx(x, 1);
        break;
    case 403:
    case 410:
    case 411:
    case 421:
    case 499:
    case 533:
        jit_check_vmx(x, 1);
        break;
    default:
        return false;
    }
    switch (kind) {
    case 388:
        jit_stvx(x, rt, ra, rb);
        break;
    case 389:
        jit_stvxl(x, rt, ra, rb);
        break;
    case 390:
        jit_lvx(x, rt, ra, rb);
        break;
    case 391:
        jit_lvxl(x, rt, ra, rb);
        break;
    case 394:
        jit_lvsl(x, rt, ra, rb);
        break;
    case 395:
        jit_vperm(x, rt, ra, rb, rc);
        break;
    case 396:
        jit_vsel(x, rt, ra, rb, rc);
        break;
    case 397:
        jit_vmaddfp(x, rt, ra, rb, rc);
        break;
    case 514:
        jit_vnmsubfp(x, rt, ra, rb, rc);
        break;
    case 403:
        jit_vaddfp(x, rt, ra, rb);
        break;
    case 410:
        jit_vadduhs(x, rt, ra, rb);
        break;
    case 411:
        jit_vadduwm(x, rt, ra, rb);
        break;
    case 421:
        jit_vctuxs(x, rt, ra, rb);
        break;
    case 499:
        jit_vsubuhs(x, rt, ra, rb);
        break;
    case 413:
        jit_vand(x, rt, ra, rb);
        break;
    case 429:
        jit_vmaxsw(x, rt, ra, rb);
        break;
    case 431:
        jit_vmaxuh(x, rt, ra, rb);
        break;
    case 490:
        jit_vsrw(x, rt, ra, rb);
        break;
    case 513:
        jit_vxor(x, rt, ra, rb);
        break;
    case 478:
        jit_vsplth(x, rt, (int)((w >> 16) & 7), rb);
        break;
    case 482:
        jit_vspltw(x, rt, (int)((w >> 16) & 3), rb);
        break;
    case 480:
        jit_vspltish(x, rt, ra);
        break;
    case 481:
        jit_vspltisw(x, rt, ra);
        break;
    case 519:
        jit_vcmpequw(x, rt, ra, rb, record);
        break;
    case 533:
        jit_vcmpgtfp(x, rt, ra, rb, record);
        break;
    case 534:
        jit_vsldoi(x, rt, ra, rb, (int)((w >> 6) & 15));
        break;
    }
    return true;
}

bool vsx(xframe *x, uint32_t w, uint32_t kind)
{
    const int ra = (int)field_RA(w), rb = (int)field_RB(w);
    const int xt = (int)(field_RT(w) | (w & 1) << 5);
    const int xa = (int)(field_RA(w) | ((w >> 2) & 1) << 5);
    const int xb = (int)(field_RB(w) | ((w >> 1) & 1) << 5);
    const int xc = (int)(field_RC(w) | ((w >> 3) & 1) << 5);
    const int two = (int)((w >> 8) & 3);
    switch (kind) {
    case 537:
    case 541:
        if (ra == 0) {
            jit_exit_invalid(x);
            return true;
        }
        jit_check_vsx(x, 1);
        if (kind == 537)
            jit_lxvd2ux(x, xt, ra, rb);
        else
            jit_stxvd2ux(x, xt, ra, rb);
        return true;
    case 535:
    case 536:
    case 538:
    case 539:
    case 540:
    case 542:
    case 543:
    case 546:
    case 578:
    case 579:
    case 580:
    case 592:
    case 593:
        jit_check_vsx(x, 1);
        break;
    case 544:
    case 560:
    case 563:
        jit_check_vsx(x, 0);
        break;
    case 545:
    case 561:
    case 549:
    case 558:
    case 576:
    case 559:
    case 577:
        jit_check_vsx(x, 0);
        jit_check_exceptions_disabled(x);
        break;
    default:
        if (kind < 550 || kind > 575 || (kind > 557 && kind < 568)) return false;
        jit_check_fmadd(x);
        jit_check_vsx(x, 0);
        jit_check_exceptions_disabled(x);
        break;
    }
    switch (kind) {
    case 535:
    case 536:
        jit_lxsdx(x, xt, ra, rb, kind == 536);
        return true;
    case 538:
        jit_lxvd2x(x, xt, ra, rb);
        return true;
    case 539:
        jit_lxvw4x(x, xt, ra, rb);
        return true;
    case 540:
        jit_stxsdx(x, xt, ra, rb);
        return true;
    case 542:
        jit_stxvd2x(x, xt, ra, rb);
        return true;
    case 543:
        jit_stxvw4x(x, xt, ra, rb);
        return true;
    case 544:
    case 560:
        jit_xabsdp(x, xt, xb, kind == 560);
        return true;
    case 545:
    case 561:
        jit_xadddp(x, xt, xa, xb, kind == 561);
        return true;
    case 546:
        jit_xscmpudp(x, (int)field_RT(w) >> 2, xa, xb);
        return true;
    case 549:
        jit_xsdivdp(x, xt, xa, xb);
        return true;
    case 558:
    case 576:
        jit_xmuldp(x, xt, xa, xb, kind == 576);
        return true;
    case 559:
    case 577:
        jit_xsubdp(x, xt, xa, xb, kind == 577);
        return true;
    case 563:
        jit_xvcpsgndp(x, xt, xa, xb);
        return true;
    case 578:
        jit_xxpermdi(x, xt, xa, xb, two);
        return true;
    case 579:
        jit_xxsldwi(x, xt, xa, xb, two);
        return true;
    case 580:
        jit_xsnegdp(x, xt, xb);
        return true;
    case 592:
        jit_xxspltw(x, xt, xb, (int)((w >> 16) & 3));
        return true;
    case 593:
        jit_xxsel(x, xt, xa, xb, xc);
        return true;
    }
    // The fused families: kinds 550-557 scalar, 568-575 vector, in the order madd, msub, nmadd,
    // nmsub, each as the A form (XT = XA x XB +/- XT) then the M form (XT = XA x XT +/- XB).
    const int vector = kind >= 568;
    const int index = (int)kind - (vector ? 568 : 550);
    const int m_form = index & 1;
    const int b = m_form ? xt : xb, c = m_form ? xb : xt;
    switch (index >> 1) {
    case 0:
        jit_xmadddp(x, xt, xa, b, c, vector);
        break;
    case 1:
        jit_xmsubdp(x, xt, xa, b, c, vector);
        break;
    case 2:
        jit_xnmadddp(x, xt, xa, b, c, vector);
        break;
    default:
        jit_xnmsubdp(x, xt, xa, b, c, vector);
        break;
    }
    return true;
}

} // namespace

bool translate_fp_vector(xframe *x, uint32_t w, uint32_t kind)
{
    return floating_point(x, w, kind) || vmx(x, w, kind) || vsx(x, w, kind);
}
