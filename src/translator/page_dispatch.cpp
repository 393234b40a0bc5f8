// The dispatch of page translation: the emitters of each operation kind.
#include "translator/page_dispatch.h"

#include "processor/config/processor_options.h"
#include "processor/hooks/machine_trigger_table.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_triggers.h"
#include "processor/run/modes.h"
#include "processor/run/smt.h"
#include "runtime/plugin_events.h"
#include "runtime/triggers.h"
#include "translator/crack.h"
#include "translator/fp_dispatch.h"
#include "translator/tt_triggers.h"
#include "translator/x86/branches.h"
#include "translator/x86/cr_spr.h"
#include "translator/x86/encoder.h"
#include "translator/x86/fixed_point.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/memory_access.h"
#include "translator/x86/multiple_string.h"
#include "translator/x86/reservation_emitters.h"
#include "translator/x86/system.h"
#include "translator/x86/prologues.h"
#include "translator/xframe.h"

namespace
{

enum : uint32_t {
    K_ADDIS = 16,
    K_B = 31,
    K_BA = 32,
    K_BC = 33,
    K_BCL = 34,
    K_BCA = 35,
    K_BCLA = 36,
    K_BCCTR = 37,
    K_BCCTRL = 38,
    K_BCLR = 39,
    K_BCLRL = 40,
    K_BL = 41,
    K_BLA = 42,
    K_EIEIO = 81,
    K_ISYNC = 164,
    K_OR = 252,
    K_ORI = 256,
    K_ORIS = 257,
    K_SYNC = 362,
    K_TLBSYNC = 368,
    K_XORI = 373,
    K_TM_FIRST = 375,
    K_TM_LAST = 385,
    K_SUPPORT = 386,
};

GenericMachine *machine_of(xframe *x)
{
    MCM *chip = xframe_mcm(x);
    return chip ? chip->machine : nullptr;
}

bool has_assoc_trigger(xframe *x, const char *name)
{
    GenericMachine *machine = machine_of(x);
    return machine && Assoc_Trigger_Search(Machine_Trigger_Table(machine), name) != nullptr;
}

bool in_pturbo(xframe *x)
{
    GenericMachine *machine = machine_of(x);
    return machine && machine->mode == MODE_PTURBO;
}

// Whether a thread of the machine has an armed MSR write trigger.
bool has_msr_write_trigger(xframe *x)
{
    return tt_has_msr_w_regtrigger(xframe_mcm(x)) != 0;
}

// LR = the address after the branch.
void set_lr_next(xframe *x)
{
    jit_get_PC(x, jit_temp0());
    jit_set_LR(x, jit_temp0());
}

void branch(xframe *x, uint32_t w, uint32_t kind)
{
    const uint32_t off = (uint32_t)(xframe_mpc(x) & 0xFFF);
    const uint32_t bo = field_RT(w), bi = field_RA(w);
    const int t0 = jit_temp0(), t1 = jit_temp1(), t2 = jit_temp2();
    switch (kind) {
    case K_B:
        if (field_LI(w) == 0) {
            if (has_assoc_trigger(x, "BRANCH_SELF"))
                jit_exit_unknown(x, 0, 0);
            else
                jit_branch_self(x);
        } else {
            jit_relative_branch(x, CC_ALWAYS, field_LI(w), off);
        }
        break;
    case K_BA:
        jit_get_simm32(x, t2, field_LI(w));
        jit_indirect_branch(x, CC_ALWAYS, t2);
        break;
    case K_BCL:
        set_lr_next(x);
        [[fallthrough]];
    case K_BC:
        jit_relative_branch(x, jit_bc(x, bo, bi, t0, t1), field_DS(w), off);
        break;
    case K_BCA:
        jit_get_simm32(x, t2, field_DS(w));
        jit_indirect_branch(x, jit_bc(x, bo, bi, t0, t1), t2);
        break;
    case K_BCCTR:
    case K_BCCTRL:
        jit_get_CTR(x, t2);
        if (kind == K_BCCTRL) set_lr_next(x);
        jit_indirect_branch(x, jit_bc(x, bo, bi, t0, t1), t2);
        break;
    case K_BCLR:
    case K_BCLRL:
        jit_get_LR(x, t2);
        if (kind == K_BCLRL) set_lr_next(x);
        jit_indirect_branch(x, jit_bc(x, bo, bi, t0, t1), t2);
        break;
    case K_BL:
        set_lr_next(x);
        jit_relative_branch(x, CC_ALWAYS, field_LI(w), off);
        break;
    case K_BLA:
        set_lr_next(x);
        jit_get_simm32(x, t2, field_LI(w));
        jit_indirect_branch(x, CC_ALWAYS, t2);
        break;
    default:
        jit_exit_unknown(x, kind, 0);
        break;
    }
}

// or rX,rX,rX: the SMT-priority and halt no-ops.
void or_self(xframe *x, uint32_t w)
{
    GenericMachine *machine = machine_of(x);
    const uint32_t r = field_RT(w);
    if (machine && machine->turbo_nop) {
        if (r == 1 && machine->turbo_delay_on_priority_low) jit_support_halt(x);
        return;
    }
    ProcessorState *core = machine ? GenericMachine__Processor(machine, 0) : nullptr;
    int32_t priority = SMTA_CONVERT_OR_VALUE(r);
    if (core && core->num_threads > 1 && priority != -1) {
        jit_smt_priority(x, priority);
        return;
    }
    if (r >= 10 && r <= 30 && has_assoc_trigger(x, "NOOP")) {
        jit_exit_unknown(x, 0, 0);
        return;
    }
    jit_or(x, (int)r, (int)r, (int)r, 0);
}

// Guest memory: the form of each load, store and cache-touch kind.
enum class Form : uint8_t { D, DS, X, X_EAO };
enum class Update : uint8_t { NONE, INVALID_RA0, UNKNOWN_RA0, UNKNOWN_RA0_OR_RT };
using memory_fn = void (*)(xframe *, int, int);

struct MemoryKind {
    uint32_t kind;
    Form form;
    Update update;
    int size_minus_1;
    memory_fn access; // load into / store from a register at the host address
    bool store;
    bool fpr;
};

constexpr MemoryKind memory_kinds[] = {
    {165, Form::D, Update::NONE, 0, jit_get_umem8, false, false},               // lbz
    {186, Form::D, Update::NONE, 1, jit_get_umem16, false, false},              // lhz
    {182, Form::D, Update::NONE, 1, jit_get_smem16, false, false},              // lha
    {203, Form::D, Update::NONE, 3, jit_get_umem32, false, false},              // lwz
    {169, Form::DS, Update::NONE, 7, jit_get_umem64, false, false},             // ld
    {192, Form::DS, Update::NONE, 3, jit_get_smem32, false, false},             // lwa
    {168, Form::X_EAO, Update::NONE, 0, jit_get_umem8, false, false},           // lbzx
    {185, Form::X_EAO, Update::NONE, 1, jit_get_smem16, false, false},          // lhax
    {206, Form::X_EAO, Update::NONE, 3, jit_get_umem32, false, false},          // lwzx
    {194, Form::X_EAO, Update::NONE, 3, jit_get_smem32, false, false},          // lwax
    {172, Form::X, Update::NONE, 7, jit_get_umem64, false, false},              // ldx
    {189, Form::X, Update::NONE, 1, jit_get_umem16, false, false},              // lhzx
    {201, Form::X, Update::NONE, 3, jit_get_umem32_bswap, false, false},        // lwbrx
    {202, Form::X, Update::NONE, 7, jit_get_umem64_bswap, false, false},        // ldbrx
    {166, Form::D, Update::INVALID_RA0, 0, jit_get_umem8, false, false},        // lbzu
    {204, Form::D, Update::INVALID_RA0, 3, jit_get_umem32, false, false},       // lwzu
    {171, Form::DS, Update::INVALID_RA0, 7, jit_get_umem64, false, false},      // ldu
    {183, Form::D, Update::UNKNOWN_RA0_OR_RT, 1, jit_get_smem16, false, false}, // lhau
    {187, Form::D, Update::UNKNOWN_RA0_OR_RT, 1, jit_get_umem16, false, false}, // lhzu
    {188, Form::X, Update::UNKNOWN_RA0_OR_RT, 1, jit_get_umem16, false, false}, // lhzux
    {205, Form::X, Update::UNKNOWN_RA0_OR_RT, 3, jit_get_umem32, false, false}, // lwzux
    {173, Form::X, Update::UNKNOWN_RA0_OR_RT, 7, jit_get_umem64, false, false}, // ldux
    {174, Form::D, Update::NONE, 7, jit_get_umem64, false, true},               // lfd
    {177, Form::X, Update::NONE, 7, jit_get_umem64, false, true},               // lfdx
    {175, Form::D, Update::INVALID_RA0, 7, jit_get_umem64, false, true},        // lfdu
    {176, Form::X, Update::INVALID_RA0, 7, jit_get_umem64, false, true},        // lfdux
    {308, Form::D, Update::NONE, 0, jit_put_umem8, true, false},                // stb
    {326, Form::D, Update::NONE, 1, jit_put_umem16, true, false},               // sth
    {335, Form::D, Update::NONE, 3, jit_put_umem32, true, false},               // stw
    {312, Form::DS, Update::NONE, 7, jit_put_umem64, true, false},              // std
    {311, Form::X, Update::NONE, 0, jit_put_umem8, true, false},                // stbx
    {329, Form::X, Update::NONE, 1, jit_put_umem16, true, false},               // sthx
    {350, Form::X, Update::NONE, 3, jit_put_umem32, true, false},               // stwx
    {316, Form::X, Update::NONE, 7, jit_put_umem64, true, false},               // stdx
    {337, Form::X, Update::NONE, 3, jit_put_umem32_bswap, true, false},         // stwbrx
    {338, Form::X, Update::NONE, 7, jit_put_umem64_bswap, true, false},         // stdbrx
    {309, Form::D, Update::INVALID_RA0, 0, jit_put_umem8, true, false},         // stbu
    {348, Form::D, Update::INVALID_RA0, 3, jit_put_umem32, true, false},        // stwu
    {314, Form::DS, Update::INVALID_RA0, 7, jit_put_umem64, true, false},       // stdu
    {349, Form::X, Update::INVALID_RA0, 3, jit_put_umem32, true, false},        // stwux
    {315, Form::X, Update::INVALID_RA0, 7, jit_put_umem64, true, false},        // stdux
    {327, Form::D, Update::UNKNOWN_RA0, 1, jit_put_umem16, true, false},        // sthu
    {318, Form::D, Update::NONE, 7, jit_put_umem64, true, true},                // stfd
    {319, Form::X, Update::NONE, 7, jit_put_umem64, true, true},                // stfdx
    {320, Form::D, Update::INVALID_RA0, 7, jit_put_umem64, true, true},         // stfdu
    {321, Form::X, Update::INVALID_RA0, 7, jit_put_umem64, true, true},         // stfdux
};

const MemoryKind *memory_kind(uint32_t kind)
{
    for (const MemoryKind &m : memory_kinds)
        if (m.kind == kind) return &m;
    return nullptr;
}

// EA into temp0: GPR[RA] + displacement (the displacement alone when RA is 0), or
// GPR[RB] + GPR[RA] with GPR[RA] in temp1 and GPR[RB] in temp2 for the indexed forms.
void effective_address(xframe *x, uint32_t w, Form form)
{
    const int t0 = jit_temp0(), t1 = jit_temp1(), t2 = jit_temp2();
    const uint32_t ra = field_RA(w), rb = field_RB(w);
    if (form == Form::D || form == Form::DS) {
        const int32_t d = form == Form::DS ? field_DS(w) : field_D(w);
        if (ra == 0) {
            jit_get_simm32(x, t0, d);
        } else {
            jit_get_GPR(x, t0, (int)ra);
            if (d != 0) jit_add_simm32(x, t0, d);
        }
        return;
    }
    if (ra) jit_get_GPR(x, t1, (int)ra);
    jit_get_GPR(x, t2, (int)rb);
    jit_mov(x, t0, t2);
    if (ra) jit_add_temps(x, t0, t1);
    if (form == Form::X_EAO) jit_eao_test(x, ra != 0, t1, t2, t0);
}

void memory_access(xframe *x, uint32_t w, const MemoryKind &m)
{
    const int t0 = jit_temp0(), t1 = jit_temp1(), t2 = jit_temp2();
    const uint32_t rt = field_RT(w), ra = field_RA(w);
    if (m.fpr) jit_check_fp(x, 1);
    switch (m.update) {
    case Update::NONE:
        break;
    case Update::INVALID_RA0:
        if (ra == 0) {
            jit_exit_invalid(x);
            return;
        }
        break;
    case Update::UNKNOWN_RA0:
        if (ra == 0) {
            jit_exit_unknown(x, m.kind, 0);
            return;
        }
        break;
    case Update::UNKNOWN_RA0_OR_RT:
        if (ra == 0 || ra == rt) {
            jit_exit_unknown(x, m.kind, 0);
            return;
        }
        break;
    }
    const bool update = m.update != Update::NONE;
    effective_address(x, w, m.form);
    if (update) jit_mov(x, t2, t0); // the EA for RA
    if (m.store) {
        jit_xlate_write(x, m.size_minus_1);
        const int data = update ? t0 : t2;
        if (m.fpr)
            jit_get_FPR(x, data, (int)rt);
        else
            jit_get_GPR(x, data, (int)rt);
        m.access(x, data, t1);
        if (update) jit_set_GPR(x, (int)ra, t2);
        jit_xlate_written(x);
    } else {
        jit_xlate_read(x, m.size_minus_1);
        m.access(x, t0, t1);
        if (m.fpr)
            jit_set_FPR(x, (int)rt, t0, 0);
        else
            jit_set_GPR(x, (int)rt, t0);
        if (update) jit_set_GPR(x, (int)ra, t2);
    }
}

// lbzux: the indexed update form with the overflow test.
void load_byte_update_indexed(xframe *x, uint32_t w)
{
    const uint32_t rt = field_RT(w), ra = field_RA(w);
    if (ra == 0 || ra == rt) {
        jit_exit_unknown(x, 167, 0);
        return;
    }
    effective_address(x, w, Form::X_EAO);
    jit_xlate_read(x, 0);
    jit_get_umem8(x, jit_temp2(), jit_temp1());
    jit_set_GPR(x, (int)rt, jit_temp2());
    jit_set_GPR(x, (int)ra, jit_temp0());
}

// dcbst, icbi, dcbt, dcbtst, dcbf: a read touch of the byte (or the exits of bit-accurate mode).
void cache_touch(xframe *x, uint32_t w, uint32_t kind)
{
    GenericMachine *machine = machine_of(x);
    const bool bit_accurate = machine && machine->bit_accurate;
    if ((kind == 62 || kind == 63) && bit_accurate) {
        jit_exit_invalid(x);
        return;
    }
    if (kind == 61 && !bit_accurate) return;
    effective_address(x, w, Form::X_EAO);
    jit_xlate_read(x, 0);
    jit_get_umem8(x, jit_temp0(), jit_temp1());
}

// The 6-bit shift of the MD and XS forms and the 6-bit mask bound of the MD and MDS forms.
int field_SH6(uint32_t w)
{
    return (int)(((w >> 11) & 31) | ((w >> 1) & 1) << 5);
}
int field_MB6(uint32_t w)
{
    return (int)(((w >> 6) & 31) | ((w >> 5) & 1) << 5);
}
// A 5-bit field sign-extended.
int32_t sext5(uint32_t v)
{
    return (int32_t)(v << 27) >> 27;
}

// Fixed-point, condition-register and SPR kinds; false for a kind they do not cover.
bool fixed_point(xframe *x, uint32_t w, uint32_t kind)
{
    const int rt = (int)field_RT(w), ra = (int)field_RA(w), rb = (int)field_RB(w);
    const int sh = (int)field_RB(w), mb = (int)field_RC(w), me = (int)((w >> 1) & 31);
    const int bf = (int)((w >> 23) & 7), l = (int)((w >> 21) & 1);
    const int record = (int)(w & 1);
    const int spr = (int)(((w >> 16) & 31) | ((w >> 11) & 31) << 5);
    const int t0 = jit_temp0(), t1 = jit_temp1();
    switch (kind) {
    case 1:
    case 2:
        jit_add(x, rt, ra, rb, record);
        break;
    case 5:
        jit_check_not_ta(x);
        jit_addc(x, rt, ra, rb, 0);
        break;
    case 9:
    case 10:
        jit_adde(x, rt, ra, rb, record);
        break;
    case 13:
        jit_addi(x, rt, ra, field_D(w));
        break;
    case 14:
    case 15:
        jit_check_not_ta(x);
        jit_addic(x, rt, ra, field_D(w), kind == 15);
        break;
    case 17:
    case 18:
        jit_addme(x, rt, ra, record);
        break;
    case 21:
    case 22:
        jit_addze(x, rt, ra, record);
        break;
    case 25:
    case 26:
        jit_and(x, ra, rt, rb, record);
        break;
    case 27:
    case 28:
        jit_andc(x, ra, rt, rb, record);
        break;
    case 29:
        jit_andi32_dot(x, ra, rt, field_UI(w));
        break;
    case 30:
        jit_andi32_dot(x, ra, rt, (uint32_t)field_S16(w));
        break;
    case 43:
    case 45:
        jit_get_GPR(x, t0, ra);
        jit_get_GPR(x, t1, rb);
        jit_cmp(x, bf, t0, t1, kind == 45, l);
        break;
    case 44:
        jit_cmpi(x, bf, ra, field_D(w), 0, l);
        break;
    case 46:
        jit_get_GPR(x, t0, ra);
        jit_get_simm32(x, t1, 0);
        jit_or_uimm16(x, t1, (uint16_t)field_UI(w));
        jit_cmp(x, bf, t0, t1, 1, l);
        break;
    case 47:
        jit_cntlzd(x, ra, rt);
        break;
    case 49:
        jit_cntlzw(x, ra, rt);
        break;
    case 51:
        jit_crand(x, rt, ra, rb);
        break;
    case 52:
        jit_crandc(x, rt, ra, rb);
        break;
    case 53:
        jit_creqv(x, rt, ra, rb);
        break;
    case 54:
        jit_crnand(x, rt, ra, rb);
        break;
    case 55:
        jit_crnor(x, rt, ra, rb);
        break;
    case 57:
        jit_cror(x, rt, ra, rb);
        break;
    case 58:
        jit_crorc(x, rt, ra, rb);
        break;
    case 59:
        jit_crxor(x, rt, ra, rb);
        break;
    case 65:
        jit_divd(x, rt, ra, rb, 0);
        break;
    case 69:
    case 70:
        jit_divdu(x, rt, ra, rb, record);
        break;
    case 71:
        jit_divduo(x, rt, ra, rb, 0);
        break;
    case 73:
        jit_divw(x, rt, ra, rb);
        break;
    case 77:
        jit_divwu(x, rt, ra, rb);
        break;
    case 82:
        jit_eqv(x, ra, rt, rb, 0);
        break;
    case 84:
    case 85:
        jit_extsb(x, ra, rt, record);
        break;
    case 86:
    case 87:
        jit_extsh(x, ra, rt, record);
        break;
    case 88:
    case 89:
        jit_extsw(x, ra, rt, record);
        break;
    case 207:
        jit_mcrf(x, bf, (int)((w >> 18) & 7));
        break;
    case 210:
        if (w & 0x100000)
            jit_mfocrf(x, rt, (w >> 12) & 0xFF);
        else
            jit_mfcr(x, rt);
        break;
    case 224:
        jit_mfspr(x, w, rt, spr);
        break;
    case 225:
        if (w & 0x100000)
            jit_mtocrf(x, rt, (w >> 12) & 0xFF);
        else
            jit_mtcrf(x, rt, (w >> 12) & 0xFF);
        break;
    case 226:
        jit_mtspr(x, w, spr, rt);
        break;
    case 227:
        jit_mulhd(x, rt, ra, rb);
        break;
    case 229:
        jit_mulhdu(x, rt, ra, rb);
        break;
    case 231:
        jit_mulhw(x, rt, ra, rb);
        break;
    case 233:
        jit_mulhwu(x, rt, ra, rb);
        break;
    case 235:
        jit_mulld(x, rt, ra, rb, 0);
        break;
    case 239:
        jit_mulli(x, rt, ra, field_D(w));
        break;
    case 240:
    case 241:
        jit_mullw(x, rt, ra, rb, record);
        break;
    case 244:
        jit_nand(x, ra, rt, rb, 0);
        break;
    case 246:
    case 247:
        jit_neg(x, rt, ra, record);
        break;
    case 250:
    case 251:
        jit_nor(x, ra, rt, rb, record);
        break;
    case 252:
        jit_or(x, ra, rt, rb, 0);
        break;
    case 253:
        jit_or(x, ra, rt, rb, 1);
        break;
    case 254:
        jit_orc(x, ra, rt, rb, 0);
        break;
    case 259:
        jit_rldcl(x, ra, rt, rb, field_MB6(w));
        break;
    case 261:
    case 262:
        jit_rldcr(x, ra, rt, rb, field_MB6(w), record);
        break;
    case 263:
    case 264:
        jit_rldic(x, ra, rt, field_SH6(w), field_MB6(w), record);
        break;
    case 265:
    case 266:
        jit_rldicl(x, ra, rt, field_SH6(w), field_MB6(w), record);
        break;
    case 267:
    case 268:
        jit_rldicr(x, ra, rt, field_SH6(w), field_MB6(w), record);
        break;
    case 269:
    case 270:
        jit_rldimi(x, ra, rt, field_SH6(w), field_MB6(w), record);
        break;
    case 271:
    case 272:
        if (kind == 271 && sh == 0 && ra == rt && AnyoneListening("Event_Magic_Inst"))
            jit_exit_unknown(x, 271, 0);
        else
            jit_rlwimi(x, ra, rt, sh, mb, me, record);
        break;
    case 273:
    case 274:
        jit_rlwinm(x, ra, rt, sh, mb, me, record);
        break;
    case 275:
        jit_rlwnm(x, ra, rt, rb, mb, me, 0);
        break;
    case 279:
    case 280:
        jit_check_ta(x);
        jit_selii(x, ra, sext5(field_RT(w)), sext5(field_RB(w)), (int)((w >> 7) & 15), record);
        break;
    case 281:
    case 282:
        jit_check_ta(x);
        jit_selir(x, ra, sext5(field_RT(w)), rb, (int)((w >> 7) & 15), record);
        break;
    case 283:
    case 284:
        jit_check_ta(x);
        jit_selri(x, ra, rt, sext5(field_RB(w)), (int)((w >> 7) & 15), record);
        break;
    case 285:
    case 286:
        jit_check_ta(x);
        jit_selrr(x, ra, rt, rb, (int)((w >> 7) & 15), record);
        break;
    case 292:
    case 293:
        jit_sld(x, ra, rt, rb, record);
        break;
    case 294:
        jit_slw(x, ra, rt, rb, 0);
        break;
    case 296:
    case 297:
        jit_srad(x, ra, rt, rb, record);
        break;
    case 298:
    case 299:
        jit_sradi(x, ra, rt, field_SH6(w), record);
        break;
    case 300:
        jit_sraw(x, ra, rt, rb, 0);
        break;
    case 302:
    case 303:
        jit_srawi(x, ra, rt, sh, record);
        break;
    case 304:
    case 305:
        jit_srd(x, ra, rt, rb, record);
        break;
    case 306:
    case 307:
        jit_srw(x, ra, rt, rb, record);
        break;
    case 339:
    case 340:
        jit_subf(x, rt, ra, rb, record);
        break;
    case 343:
    case 344:
        jit_subfe(x, rt, ra, rb, record);
        break;
    case 351:
        jit_subfc(x, rt, ra, rb, 0);
        break;
    case 353:
        jit_subfic(x, rt, ra, field_D(w));
        break;
    case 358:
        jit_subfze(x, rt, ra, 0);
        break;
    case 371:
    case 372:
        jit_xor(x, ra, rt, rb, record);
        break;
    case 374:
        jit_xori32(x, ra, rt, (uint32_t)field_S16(w));
        break;
    default:
        return false;
    }
    return true;
}

// Load/store multiple, the string forms, dcbz, load-and-reserve and store-conditional; false for
// other kinds. The multiple and string
// forms run in big-endian mode only, the doubleword ones in tags-active mode only.
bool multiple_or_string(xframe *x, uint32_t w, uint32_t kind)
{
    const int rt = (int)field_RT(w), ra = (int)field_RA(w), rb = (int)field_RB(w);
    switch (kind) {
    case 64:
        jit_dcbz(x, (int)((w >> 21) & 1), ra, rb);
        return true;
    case 199:
        jit_lwarx(x, rt, ra, rb);
        return true;
    case 347:
        jit_stwcx_dot(x, rt, ra, rb);
        return true;
    case 170:
    case 313:
        if (!xframe_machine64(x))
            jit_exit_invalid(x);
        else if (kind == 170)
            jit_ldarx(x, rt, ra, rb);
        else
            jit_stdcx_dot(x, rt, ra, rb);
        return true;
    case 190:
    case 333:
    case 196:
    case 330:
        jit_check_not_le(x);
        jit_check_ta(x);
        break;
    case 191:
    case 334:
    case 197:
    case 198:
    case 331:
    case 332:
        jit_check_not_le(x);
        break;
    default:
        return false;
    }
    switch (kind) {
    case 190:
        jit_lmd(x, rt, field_DS(w), ra);
        break;
    case 333:
        jit_stmd(x, rt, field_DS(w), ra);
        break;
    case 191:
        jit_lmw(x, rt, field_D(w), ra);
        break;
    case 334:
        jit_stmw(x, rt, field_D(w), ra);
        break;
    case 196:
        jit_lsdx(x, rt, ra, rb);
        break;
    case 330:
        jit_stsdx(x, rt, ra, rb);
        break;
    case 197:
        jit_lswi(x, rt, ra, rb);
        break;
    case 198:
        jit_lswx(x, rt, ra, rb);
        break;
    case 331:
        jit_stswi(x, rt, ra, rb);
        break;
    case 332:
        jit_stswx(x, rt, ra, rb);
        break;
    }
    return true;
}

// Traps, mfmsr and mftb; false for other kinds.
bool system_kind(xframe *x, uint32_t w, uint32_t kind)
{
    const int to = (int)field_RT(w), ra = (int)field_RA(w), rb = (int)field_RB(w);
    switch (kind) {
    case 369:
        jit_tw(x, to, ra, rb);
        return true;
    case 370:
        jit_twi(x, to, ra, field_D(w));
        return true;
    case 363:
    case 364:
        if (!xframe_machine64(x))
            jit_exit_mode(x);
        else if (kind == 363)
            jit_td(x, to, ra, rb);
        else
            jit_tdi(x, to, ra, field_D(w));
        return true;
    case 213:
        jit_check_priv(x);
        jit_mfmsr(x, to);
        return true;
    case 287:
    case 288:
    case 289:
    case 290:
    case 291:
        jit_check_priv(x);
        if (kind == 287)
            jit_slbia(x);
        else if (kind == 288)
            jit_slbie(x, rb);
        else if (kind == 289)
            jit_slbmfee(x, to, rb);
        else if (kind == 290)
            jit_slbmfev(x, to, rb);
        else
            jit_slbmte(x, to, rb);
        return true;
    case 366:
    case 367: {
        MCM *chip = xframe_mcm(x);
        ProcessorState *core = chip && chip->machine ? GenericMachine__Processor(chip->machine, 0) : nullptr;
        if (kind == 366 && core && !core->options[PO_TLBIE_SUPPORTED]) {
            jit_exit_invalid(x); // the interpreter makes it illegal
            return true;
        }
        jit_check_priv(x);
        if (kind == 366) {
            jit_check_hyp(x); // tlbie is the hypervisor's
            jit_tlbie(x, w, to, rb);
        } else {
            jit_tlbiel(x, w, to, rb);
        }
        return true;
    }
    case 222:
    case 223:
        if (has_msr_write_trigger(x) || AnyoneListening("Event_Core_Mode_Change")) {
            tt_handle_msr_w_regtrigger(x);
        } else {
            jit_check_priv(x);
            if (kind == 222)
                jit_mtmsr(x, to, (int)((w >> 16) & 1));
            else
                jit_mtmsrd(x, to, (int)((w >> 16) & 1));
        }
        return true;
    case 258: {
        MCM *chip = xframe_mcm(x);
        ProcessorState *core = chip && chip->machine ? GenericMachine__Processor(chip->machine, 0) : nullptr;
        if (core && !core->options[PO_RFID_SUPPORTED])
            jit_exit_invalid(x); // the interpreter makes it illegal
        else if (has_msr_write_trigger(x) || AnyoneListening("Event_Core_Exception_Return") ||
                 AnyoneListening("Event_Core_Mode_Change"))
            tt_handle_msr_w_regtrigger(x);
        else {
            jit_check_priv(x);
            jit_rfid(x);
        }
        return true;
    }
    case 277:
        // Standalone programs have their system calls emulated; the reserved levels and the form
        // without bit 30 are the interpreter's to judge.
        if (standalone_mode || ((w >> 5) & 0x7F) > 1 || !(w & 2))
            jit_exit_unknown(x, kind, 0);
        else if (has_msr_write_trigger(x) || tt_has_sctrigger(xframe_mcm(x)) ||
                 AnyoneListening("Event_Core_Exception") || AnyoneListening("Event_Core_Mode_Change"))
            tt_handle_msr_w_regtrigger(x);
        else
            jit_sc(x, (int)((w >> 5) & 0x7F));
        return true;
    case 209: {
        const int tbr = (int)(((w >> 16) & 31) | ((w >> 11) & 31) << 5);
        MCM *chip = xframe_mcm(x);
        ProcessorState *core = chip && chip->machine ? GenericMachine__Processor(chip->machine, 0) : nullptr;
        if (core && !core->options[PO_MFTB_SUPPORTED])
            jit_exit_invalid(x); // the interpreter makes it illegal
        else if (tbr != 268 && tbr != 269)
            jit_exit_unknown(x, 209, 0);
        else
            jit_mftb(x, to, tbr);
        return true;
    }
    default:
        return false;
    }
}

} // namespace

void translate_operation(xframe *x, uint32_t w, uint32_t kind)
{
    const int t0 = jit_temp0(), t1 = jit_temp1();
    const uint32_t rt = field_RT(w), ra = field_RA(w), rb = field_RB(w);

    if (kind >= K_B && kind <= K_BLA) {
        branch(x, w, kind);
        return;
    }
    if (kind >= K_TM_FIRST && kind <= K_TM_LAST) {
        jit_exit_htm(x);
        return;
    }
    if (const MemoryKind *m = memory_kind(kind)) {
        memory_access(x, w, *m);
        return;
    }
    if (multiple_or_string(x, w, kind) || system_kind(x, w, kind) || translate_fp_vector(x, w, kind)) return;
    switch (kind) {
    case 167:
        load_byte_update_indexed(x, w);
        break;
    case 60:
    case 61:
    case 62:
    case 63:
    case 163:
        cache_touch(x, w, kind);
        break;
    case K_ADDIS:
        if (ra == 0) {
            jit_get_simm32(x, t0, field_S16(w));
        } else {
            jit_get_GPR(x, t0, (int)ra);
            jit_add_simm32(x, t0, field_S16(w));
        }
        jit_set_GPR(x, (int)rt, t0);
        break;
    case K_ORI:
        if (ra == rt && field_UI(w) == 0) {
            jit_nop(x, (int)ra);
        } else {
            jit_get_GPR(x, t0, (int)rt);
            jit_or_uimm16(x, t0, (uint16_t)field_UI(w));
            jit_set_GPR(x, (int)ra, t0);
        }
        break;
    case K_ORIS:
        jit_get_GPR(x, t0, (int)rt);
        jit_or_uimm32(x, t0, (uint32_t)field_S16(w), t1);
        jit_set_GPR(x, (int)ra, t0);
        break;
    case K_OR:
        if (rt == ra && ra == rb)
            or_self(x, w);
        else
            jit_or(x, (int)ra, (int)rt, (int)rb, 0);
        break;
    case K_EIEIO:
    case K_TLBSYNC:
        if (kind == K_EIEIO && AnyoneListening("Event_Core_Sync_Instruction"))
            jit_exit_unknown(x, kind, 0);
        else if (in_pturbo(x))
            jit_store_barrier(x);
        break;
    case K_ISYNC:
        if (AnyoneListening("Event_Core_Sync_Instruction"))
            jit_exit_unknown(x, kind, 0);
        else
            jit_isync(x);
        break;
    case K_SYNC:
        if (AnyoneListening("Event_Core_Sync_Instruction"))
            jit_exit_unknown(x, kind, 0);
        else
            jit_store_barrier(x);
        break;
    case K_XORI:
        if (ra == 0 && rt == 0 && field_UI(w) == 0) {
            if (!in_pturbo(x)) jit_delay_1000(x);
        } else {
            jit_xori32(x, (int)ra, (int)rt, field_UI(w));
        }
        break;
    case K_SUPPORT:
        jit_support(x);
        break;
    default:
        if (!fixed_point(x, w, kind)) jit_exit_unknown(x, kind, 0);
        break;
    }
}
