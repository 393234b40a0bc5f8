// Condition-register, SPR, SLB and TLB emitters. XER moves call out to its move routines, which mask
// and keep fields by the MSR and processor options. DEC, PURR, SPURR and the priority register are
// computed by call-outs and, with "turbo/mftb", the time base within the pass; registers with a slot
// and a plain read routine are loaded in line. The SLB and TLB instructions call out.
#include "translator/x86/cr_spr.h"

#include <cstddef>
#include <initializer_list>

#include "processor/config/processor_options.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/register_file.h"
#include "processor/spr/spr_routines.h"
#include "processor/spr/spr_table.h"
#include "translator/callouts.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/prologues.h"
#include "translator/x86/state_disp.h"
#include "translator/x86/system.h"
#include "translator/xframe.h"

namespace
{

constexpr uint32_t KIND_MFSPR_UNKNOWN = 224, KIND_MTSPR_UNKNOWN = 226;
// The time base and its upper half as mfspr reads them.
constexpr int SPR_NUMBER_TB = 268, SPR_NUMBER_TBU = 269, SPR_NUMBER_TBU_RO = 285;
constexpr int SPR_NUMBER_TSRL = 896, SPR_NUMBER_AMR = 29, SPR_NUMBER_UAMR = 13;
constexpr uint64_t MSR_HV_BIT = 0x1000000000000000ull;

const int RAX = HOST_RAX, R9 = HOST_R9, R10 = HOST_R10, R11 = HOST_R11;

// [REX] op ModRM(10, reg, rbx) disp32.
void rs(sink *s, std::initializer_list<uint8_t> opcode, int reg, int32_t disp, int wide)
{
    insn_template t{};
    int i = 0;
    for (uint8_t b : opcode)
        t.opcode[i++] = b;
    t.last_opcode = i - 1;
    set_modrm_base_disp32(&t, reg, disp, JIT_THREAD, wide);
    emit_insn(&t, s);
}

void bytes(sink *s, std::initializer_list<uint8_t> list)
{
    for (uint8_t b : list)
        sink_emit1(s, b);
}

// r9b = CR[a] op CR[b], complemented when asked; the result into CR[t].
void cr_logic(xframe *x, int t, int a, int b, uint8_t op, bool complement)
{
    sink *s = xframe_sink(x);
    rs(s, {0x8A}, R9, disp_CR_bit(a), 0); // mov r9b, CR[a]
    rs(s, {op}, R9, disp_CR_bit(b), 0);   // and/or/xor r9b, CR[b]
    if (complement) {
        bytes(s, {0x49, 0xF7, 0xD1});       // not r9
        bytes(s, {0x49, 0x83, 0xE1, 0x01}); // and r9, 1
    }
    rs(s, {0x88}, R9, disp_CR_bit(t), 0); // mov CR[t], r9b
}

// r9b = CR[a] op (not CR[b]).
void cr_logic_complement_b(xframe *x, int t, int a, int b, uint8_t op)
{
    sink *s = xframe_sink(x);
    rs(s, {0x8A}, R9, disp_CR_bit(a), 0);
    rs(s, {0x8A}, R10, disp_CR_bit(b), 0);
    bytes(s, {0x49, 0xF7, 0xD2});       // not r10
    bytes(s, {0x49, 0x83, 0xE2, 0x01}); // and r10, 1
    bytes(s, {0x45, op, 0xD1});         // and/or r9b, r10b
    rs(s, {0x88}, R9, disp_CR_bit(t), 0);
}

ProcessorState *core_of(xframe *x)
{
    MCM *chip = xframe_mcm(x);
    return chip && chip->machine ? GenericMachine__Processor(chip->machine, 0) : nullptr;
}

// A processor option of the machine's first core.
bool option_of(xframe *x, int option)
{
    ProcessorState *core = core_of(x);
    return core && core->options[option];
}

// Read routines that compute their value or have effects beyond a plain slot read: a register
// read through one of them is not loaded in line (unless handled by its own case below).
bool computed_read(SPRReadFn read)
{
#define QUARN_SPR_READ_MATCH(name) if (read == &name) return true;
    QUARN_SPR_BASE_READS(QUARN_SPR_READ_MATCH)
    QUARN_SPR_PMU_READS(QUARN_SPR_READ_MATCH)
    QUARN_SPR_PARTITION_READS(QUARN_SPR_READ_MATCH)
    QUARN_SPR_TM_READS(QUARN_SPR_READ_MATCH)
    QUARN_SPR_CORE_READS(QUARN_SPR_READ_MATCH)
    QUARN_SPR_PRIORITY_READS(QUARN_SPR_READ_MATCH)
#undef QUARN_SPR_READ_MATCH
    return false;
}

// Moves the interpreter does with nothing beside the routine: no move event, no alternative
// accessor, no 64-bit-only check.
bool plain_move(const spr_table_entry *entry, bool to)
{
    if (entry->only_64bit) return false;
    if (to) return !entry->mt_event && !entry->rdte->alternative_write_spr;
    return !entry->mf_event && !entry->rdte->alternative_read_spr && entry->read;
}

// The registers mtspr stores in line (masked); the others leave to the interpreter.
bool inline_store_register(int32_t id)
{
    switch (id) {
    case SPR_ID_LR:
    case SPR_ID_CTR:
    case SPR_ID_SRR0:
    case SPR_ID_SRR1:
    case SPR_ID_SPRG0:
    case SPR_ID_SPRG1:
    case SPR_ID_SPRG2:
    case SPR_ID_SPRG3:
    case SPR_ID_DAR:
    case SPR_ID_DSISR:
        return true;
    default:
        return false;
    }
}

// The guard of a privilege level; false when the level is not one the emitters handle.
bool privilege_guard(xframe *x, uint32_t level)
{
    switch (level) {
    case SPR_LEVEL_ANY:
        return true;
    case SPR_LEVEL_PRIVILEGED:
        jit_check_priv(x);
        return true;
    case SPR_LEVEL_HYPERVISOR:
        jit_check_hyp(x);
        return true;
    default:
        return false;
    }
}

// The slot of a register of width 4 (32-bit) or 8 (64-bit) in the thread state (thread scope) or
// the processor record (processor scope); false for any other width, kind or scope.
bool register_slot(const reg_desc_table_entry *rdte, int32_t *disp, int *wide, bool *in_core)
{
    if (!rdte || rdte->offset == 0) return false;
    if (rdte->scope == REG_SCOPE_THREAD)
        *in_core = false;
    else if (rdte->scope == REG_SCOPE_CORE)
        *in_core = true;
    else
        return false;
    if (rdte->size == 4 && rdte->reg_type == REG_TYPE_REG32)
        *wide = 0;
    else if (rdte->size == 8 && rdte->reg_type == REG_TYPE_REG64)
        *wide = 1;
    else
        return false;
    *disp = rdte->offset;
    return true;
}

// reg = the register's slot: [rbx + disp], or through the thread's processor pointer.
void load_slot(sink *s, int reg, int32_t disp, int wide, bool in_core)
{
    int base = JIT_THREAD;
    if (in_core) {
        emit_mov_load(s, RAX, (int32_t)offsetof(ThreadState, processor), JIT_THREAD, 1);
        base = RAX;
    }
    emit_mov_load(s, reg, disp, base, wide);
}

// A call-out whose result decides: 1 goes on, anything else leaves with the "unknown" exit (the
// call-out changed nothing then).
void unless_one_exit_unknown(xframe *x, uint32_t kind, uint32_t detail)
{
    sink *s = xframe_sink(x);
    bytes(s, {0x41, 0x81, 0xF9, 1, 0, 0, 0}); // cmp r9d, 1
    bytes(s, {0x0F, 0x84, 0, 0, 0, 0});       // je over
    const uint64_t over = sink_xpc(s);
    jit_exit_unknown(x, kind, detail);
    resolve_reference_here(s, over);
}

} // namespace

void jit_mcrf(xframe *x, int bf, int bfa)
{
    sink *s = xframe_sink(x);
    for (int i = 0; i < 4; i++) {
        rs(s, {0x8A}, RAX, disp_CR_bit(4 * bfa + i), 0);
        rs(s, {0x88}, RAX, disp_CR_bit(4 * bf + i), 0);
    }
}

void jit_crand(xframe *x, int bt, int ba, int bb)
{
    cr_logic(x, bt, ba, bb, 0x22, false);
}
void jit_cror(xframe *x, int bt, int ba, int bb)
{
    cr_logic(x, bt, ba, bb, 0x0A, false);
}
void jit_crxor(xframe *x, int bt, int ba, int bb)
{
    cr_logic(x, bt, ba, bb, 0x32, false);
}
void jit_crnand(xframe *x, int bt, int ba, int bb)
{
    cr_logic(x, bt, ba, bb, 0x22, true);
}
void jit_crnor(xframe *x, int bt, int ba, int bb)
{
    cr_logic(x, bt, ba, bb, 0x0A, true);
}
void jit_creqv(xframe *x, int bt, int ba, int bb)
{
    cr_logic(x, bt, ba, bb, 0x32, true);
}
void jit_crandc(xframe *x, int bt, int ba, int bb)
{
    cr_logic_complement_b(x, bt, ba, bb, 0x20);
}
void jit_crorc(xframe *x, int bt, int ba, int bb)
{
    cr_logic_complement_b(x, bt, ba, bb, 0x08);
}

void jit_mfcr(xframe *x, int rt)
{
    sink *s = xframe_sink(x);
    bytes(s, {0x4D, 0x31, 0xDB}); // xor r11, r11
    bytes(s, {0x4D, 0x31, 0xC9}); // xor r9, r9
    for (int k = 31; k >= 0; k--) {
        emit_mov_imm32(s, RAX, 1u << (31 - k), 0);
        rs(s, {0x80}, 7, disp_CR_bit(k), 0); // cmp byte CR[k], 0
        sink_emit1(s, 0);
        bytes(s, {0x41, 0x0F, 0x44, 0xC3}); // cmove eax, r11d
        bytes(s, {0x49, 0x09, 0xC1});       // or r9, rax
    }
    jit_set_GPR(x, rt, R9);
}

// mfocrf as the processor's options define it: the one selected field in place, the other bits
// zero, kept from RT or defined as the whole CR; the processor's other forms (no field or several
// selected, replicated or doubled values, no one-field form) are left to the interpreter.
void jit_mfocrf(xframe *x, int rt, uint32_t fxm)
{
    if (!option_of(x, PO_MFOCRF_SUPPORTED)) {
        jit_exit_invalid(x);
        return;
    }
    if (option_of(x, PO_OMFCR_IGNORE)) {
        jit_mfcr(x, rt);
        return;
    }
    if (fxm == 0 || (fxm & (fxm - 1)) != 0 || option_of(x, PO_OMFCR_REPLICATES_VALUE) ||
        option_of(x, PO_OMFCR_DOUBLES_NIBBLE)) {
        jit_exit_invalid(x);
        return;
    }
    if (option_of(x, PO_OMFCR_DEFINES_ALL_FIELDS)) {
        jit_mfcr(x, rt);
        return;
    }
    int f = 0;
    while (!(fxm & (0x80u >> f)))
        f++;
    sink *s = xframe_sink(x);
    bytes(s, {0x4D, 0x31, 0xDB}); // xor r11, r11
    bytes(s, {0x4D, 0x31, 0xC9}); // xor r9, r9
    for (int k = 4 * f; k < 4 * f + 4; k++) {
        emit_mov_imm32(s, RAX, 1u << (31 - k), 0);
        rs(s, {0x80}, 7, disp_CR_bit(k), 0); // cmp byte CR[k], 0
        sink_emit1(s, 0);
        bytes(s, {0x41, 0x0F, 0x44, 0xC3}); // cmove eax, r11d
        bytes(s, {0x49, 0x09, 0xC1});       // or r9, rax
    }
    if (!option_of(x, PO_OMFCR_BITS_ZERO)) {
        emit_get_GPR(x, R10, rt, 1);
        emit_mov_imm64(s, RAX, ~(uint64_t)(0xF0000000u >> (4 * f)));
        bytes(s, {0x49, 0x21, 0xC2}); // and r10, rax
        bytes(s, {0x4D, 0x09, 0xD1}); // or r9, r10
    }
    jit_set_GPR(x, rt, R9);
}

void jit_mtocrf(xframe *x, int rs_, uint32_t fxm)
{
    if (!option_of(x, PO_MTOCRF_SUPPORTED)) {
        jit_exit_invalid(x);
        return;
    }
    if (!option_of(x, PO_MTCRF_ALLOW_MULTIPLE_FIELDS)) {
        uint32_t first = 0x80;
        while (first && !(fxm & first))
            first >>= 1;
        fxm &= first; // the first field selected only
    }
    jit_mtcrf(x, rs_, fxm);
}

void jit_mtcrf(xframe *x, int rs_, uint32_t fxm)
{
    sink *s = xframe_sink(x);
    emit_get_GPR(x, R9, rs_, 0);
    int pending = 0;
    for (int f = 7; f >= 0; f--) {
        if (!(fxm & (0x80u >> f))) {
            pending += 4;
            continue;
        }
        if (pending) {
            bytes(s, {0x49, 0xC1, 0xE9, (uint8_t)pending}); // shr r9, pending
            pending = 0;
        }
        for (int i = 3; i >= 0; i--) {
            bytes(s, {0x49, 0xF7, 0xC1, 1, 0, 0, 0});          // test r9, 1
            rs(s, {0x0F, 0x95}, 0, disp_CR_bit(4 * f + i), 0); // setne CR[4f + i]
            bytes(s, {0x49, 0xD1, 0xE9});                      // shr r9, 1
        }
    }
}

void jit_check_hyp(xframe *x)
{
    sink *s = xframe_sink(x);
    emit_mov_imm64(s, RAX, MSR_HV_BIT);
    rs(s, {0x23}, RAX, disp_MSR(), 1);
    emit_jcc(s, CC_E, exit_hyper);
}

void jit_mfspr(xframe *x, uint32_t, int rt, int spr)
{
    ProcessorState *core = core_of(x);
    spr_table_entry *entry = core ? Index_SPR_Table(core, spr) : nullptr;
    if (!entry || !entry->valid || !entry->rdte) {
        jit_exit_unknown(x, KIND_MFSPR_UNKNOWN, (uint32_t)spr);
        return;
    }
    if (xframe_is_mftb(x) && (spr == SPR_NUMBER_TB || spr == SPR_NUMBER_TBU || spr == SPR_NUMBER_TBU_RO)) {
        jit_mftb(x, rt, spr == SPR_NUMBER_TB ? SPR_NUMBER_TB : SPR_NUMBER_TBU);
        return;
    }
    // Registers computed by a call-out: DEC counts down one per instruction of the pass; PURR,
    // SPURR and the priority register (all four outside PTURBO); XER folded from its split form.
    const void *callout = nullptr;
    bool inline_read = false;
    switch (entry->register_id) {
    case SPR_ID_DEC:
        if (!xframe_is_pturbo(x)) callout = reinterpret_cast<const void *>(jit_get_dec);
        break;
    case SPR_ID_PURR:
        if (!xframe_is_pturbo(x)) callout = reinterpret_cast<const void *>(jit_get_purr);
        break;
    case SPR_ID_SPURR:
        if (!xframe_is_pturbo(x)) callout = reinterpret_cast<const void *>(jit_get_spurr);
        break;
    case SPR_ID_TSRL:
        if (!xframe_is_pturbo(x) && spr == SPR_NUMBER_TSRL) callout = reinterpret_cast<const void *>(jit_get_tsrl);
        break;
    case SPR_ID_XER:
        callout = reinterpret_cast<const void *>(jit_get_xer);
        break;
    case SPR_ID_TIR:
        // The thread's number, in line; processors that fold it by the partition count call out.
        inline_read = !option_of(x, PO_GLENT_EN_4_LPAR_SYSTEM);
        if (!inline_read) callout = reinterpret_cast<const void *>(jit_get_tir);
        break;
    case SPR_ID_SPRG3:
        inline_read = true; // SPRG3 and its read-only alias (259) read the one slot
        break;
    default:
        inline_read = !computed_read(entry->read);
        break;
    }
    if (!plain_move(entry, false)) {
        callout = nullptr;
        inline_read = false;
    }
    sink *s = xframe_sink(x);
    if (callout) {
        if (!privilege_guard(x, entry->read_level)) {
            jit_exit_unknown(x, KIND_MFSPR_UNKNOWN, (uint32_t)spr);
            return;
        }
        if (entry->register_id == SPR_ID_DEC) emit_mov_reg(s, R9, JIT_TOGO, 0);
        jit_callout(s, R9, callout);
        jit_set_GPR(x, rt, R9);
        return;
    }
    int32_t disp = 0;
    int wide = 1;
    bool in_core = false;
    if (entry->register_id == SPR_ID_TIR && inline_read) {
        disp = (int32_t)offsetof(ThreadState, thread_id_in_core);
        wide = 0;
    } else if (!inline_read || !register_slot(entry->rdte, &disp, &wide, &in_core)) {
        jit_exit_unknown(x, KIND_MFSPR_UNKNOWN, (uint32_t)spr);
        return;
    }
    if (!privilege_guard(x, entry->read_level)) {
        jit_exit_unknown(x, KIND_MFSPR_UNKNOWN, (uint32_t)spr);
        return;
    }
    load_slot(s, R9, disp, wide, in_core);
    jit_set_GPR(x, rt, R9);
}

void jit_mtspr(xframe *x, uint32_t word, int spr, int rs_)
{
    ProcessorState *core = core_of(x);
    spr_table_entry *entry = core ? Index_SPR_Table(core, spr) : nullptr;
    if (!entry || !entry->valid || !entry->rdte) {
        jit_exit_unknown(x, KIND_MTSPR_UNKNOWN, (uint32_t)spr);
        return;
    }
    sink *s = xframe_sink(x);
    const int32_t id = entry->register_id;
    const void *callout = nullptr;
    if (id == SPR_ID_XER)
        callout = reinterpret_cast<const void *>(jit_set_xer);
    else if (id == SPR_ID_TSRL && spr == SPR_NUMBER_TSRL && !xframe_is_pturbo(x))
        callout = reinterpret_cast<const void *>(jit_set_tsrl);
    else if (id == SPR_ID_AMR && (spr == SPR_NUMBER_AMR || spr == SPR_NUMBER_UAMR))
        callout = reinterpret_cast<const void *>(jit_set_amr);
    if (!plain_move(entry, true)) {
        jit_exit_unknown(x, KIND_MTSPR_UNKNOWN, (uint32_t)spr);
        return;
    }
    if (callout) {
        if (!privilege_guard(x, entry->write_level)) {
            jit_exit_unknown(x, KIND_MTSPR_UNKNOWN, (uint32_t)spr);
            return;
        }
        jit_get_GPR(x, R9, rs_);
        emit_mov_imm32(s, R10, word, 0);
        if (callout == reinterpret_cast<const void *>(jit_set_amr)) {
            jit_callout(s, R9, callout);
            unless_one_exit_unknown(x, KIND_MTSPR_UNKNOWN, (uint32_t)spr);
        } else {
            jit_callout(s, -1, callout);
        }
        return;
    }
    int32_t disp = 0;
    int wide = 1;
    bool in_core = false;
    if (!inline_store_register(id) || !register_slot(entry->rdte, &disp, &wide, &in_core) || in_core) {
        jit_exit_unknown(x, KIND_MTSPR_UNKNOWN, (uint32_t)spr);
        return;
    }
    if (!privilege_guard(x, entry->write_level)) {
        jit_exit_unknown(x, KIND_MTSPR_UNKNOWN, (uint32_t)spr);
        return;
    }
    jit_get_GPR(x, R9, rs_);
    if (id == SPR_ID_SRR1)
        emit_mov_load(s, R11, disp_turbo(srr1_bits), JIT_THREAD, 1);
    else
        emit_mov_imm64(s, R11, entry->rdte->mask);
    bytes(s, {0x4D, 0x21, 0xD9}); // and r9, r11
    emit_mov_store(s, disp, JIT_THREAD, R9, wide);
}

namespace
{

// temp0 (and temp1) from GPRs, then the call-out; its result into RT when rt >= 0.
void slb_callout(xframe *x, int r0, int r1, int rt, const void *callout)
{
    sink *s = xframe_sink(x);
    if (r0 >= 0) emit_get_GPR(x, R9, r0, 1);
    if (r1 >= 0) emit_get_GPR(x, R10, r1, 1);
    jit_callout(s, rt >= 0 ? R9 : -1, callout);
    if (rt >= 0) jit_set_GPR(x, rt, R9);
}

void tlb_callout(xframe *x, uint32_t word, int rs, int rb, const void *callout)
{
    sink *s = xframe_sink(x);
    emit_mov_imm32(s, R9, (uint32_t)rs, 0);
    emit_get_GPR(x, R10, rb, 1);
    emit_mov_imm32(s, R11, word, 0);
    jit_callout(s, -1, callout);
}

} // namespace

void jit_slbmfee(xframe *x, int rt, int rb)
{
    slb_callout(x, rb, -1, rt, reinterpret_cast<const void *>(jit_do_slbmfee));
}

void jit_slbmfev(xframe *x, int rt, int rb)
{
    slb_callout(x, rb, -1, rt, reinterpret_cast<const void *>(jit_do_slbmfev));
}

void jit_slbmte(xframe *x, int rs, int rb)
{
    slb_callout(x, rs, rb, -1, reinterpret_cast<const void *>(jit_do_slbmte));
}

void jit_slbie(xframe *x, int rb)
{
    slb_callout(x, rb, -1, -1, reinterpret_cast<const void *>(jit_do_slbie));
}

void jit_slbia(xframe *x)
{
    slb_callout(x, -1, -1, -1, reinterpret_cast<const void *>(jit_do_slbia));
}

void jit_tlbie(xframe *x, uint32_t word, int rs, int rb)
{
    tlb_callout(x, word, rs, rb, reinterpret_cast<const void *>(jit_do_tlbie));
}

void jit_tlbiel(xframe *x, uint32_t word, int rs, int rb)
{
    tlb_callout(x, word, rs, rb, reinterpret_cast<const void *>(jit_do_tlbiel));
}
