// The dispatch of page translation: the emitters of each operation kind.
#include "translator/page_dispatch.h"

#include "exec/machine_trigger_table.h"
#include "exec/triggers.h"
#include "machine/generic_machine.h"
#include "machine/modes.h"
#include "processor/mcm.h"
#include "processor/processor_state.h"
#include "processor/smt.h"
#include "runtime/plugin_events.h"
#include "translator/crack.h"
#include "translator/xframe.h"
#include "x86/branches.h"
#include "x86/encoder.h"
#include "x86/guest_state.h"
#include "x86/host_regs.h"
#include "x86/prologues.h"

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
    jit_exit_unknown(x, K_OR, 0);
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
    switch (kind) {
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
            jit_exit_unknown(x, kind, 0);
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
            jit_exit_unknown(x, kind, 0);
        }
        break;
    case K_SUPPORT:
        jit_support(x);
        break;
    default:
        jit_exit_unknown(x, kind, 0);
        break;
    }
}
