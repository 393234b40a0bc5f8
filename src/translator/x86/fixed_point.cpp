// The fixed-point emitters.
#include "translator/x86/fixed_point.h"

#include <initializer_list>

#include "processor/config/processor_options.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "runtime/utils.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/prologues.h"
#include "translator/x86/state_disp.h"
#include "translator/xframe.h"

namespace
{

constexpr uint64_t MSR_TA_BIT = 0x4000000000000000ull;
constexpr uint64_t UPPER_WORD = 0xFFFFFFFF00000000ull;
// Host condition codes.
enum : int { CC_O = 0, CC_NB = 3, CC_S = 8, CC_NL = 0xD, CC_LE = 0xE, CC_G = 0xF, CC_A = 7, CC_BE = 6 };
// XER flag bytes of the carry-out bit 0x10000000 and of the condition-code bits 0x08000000 to
// 0x01000000.
constexpr int XER_FLAG_OC = 3;
constexpr int XER_FLAG_CC0 = 4;

const int RAX = HOST_RAX, RCX = HOST_RCX, RDX = HOST_RDX, R9 = HOST_R9, R10 = HOST_R10, R11 = HOST_R11;

void bytes(sink *s, std::initializer_list<uint8_t> list)
{
    for (uint8_t b : list)
        sink_emit1(s, b);
}

uint8_t rex_bits(int wide, int reg, int rm)
{
    return (uint8_t)((wide ? REX_W : 0) | (reg >= 8 ? REX_R : 0) | (rm >= 8 ? REX_B : 0));
}

// [REX] op ModRM(11, reg, rm).
void rr(sink *s, std::initializer_list<uint8_t> opcode, int reg, int rm, int wide)
{
    insn_template t{};
    int i = 0;
    for (uint8_t b : opcode)
        t.opcode[i++] = b;
    t.last_opcode = i - 1;
    t.has_modrm = 1;
    t.modrm = (uint8_t)(0xC0 | (reg & 7) << 3 | (rm & 7));
    t.rex = rex_bits(wide, reg, rm);
    emit_insn(&t, s);
}

// [REX] op ModRM(10, reg, rbx) disp32: an operand in the thread state.
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

// ALU operation op r/m(dst), reg(src): add 01, or 09, adc 11, sub 29, and 21, xor 31, cmp 39.
void alu(sink *s, uint8_t op, int dst, int src, int wide)
{
    rr(s, {op}, src, dst, wide);
}
// Group-1 operation with a 32-bit immediate: /0 add, /1 or, /2 adc, /4 and, /5 sub, /6 xor, /7 cmp.
void alu_imm(sink *s, int ext, int r, uint32_t imm, int wide)
{
    rr(s, {0x81}, ext, r, wide);
    emit_imm32(s, imm);
}
// Group-3 unary: /2 not, /3 neg, /4 mul, /5 imul, /6 div, /7 idiv.
void unary(sink *s, int ext, int r, int wide)
{
    rr(s, {0xF7}, ext, r, wide);
}
// Group-2 shift or rotate by an immediate: /0 rol, /4 shl, /5 shr, /7 sar.
void shift_imm(sink *s, int ext, int r, uint8_t count, int wide)
{
    rr(s, {0xC1}, ext, r, wide);
    sink_emit1(s, count);
}
// The same by cl.
void shift_cl(sink *s, int ext, int r, int wide)
{
    rr(s, {0xD3}, ext, r, wide);
}
// setcc into a thread-state byte.
void set_state(sink *s, int cc, int32_t disp)
{
    rs(s, {0x0F, (uint8_t)(0x90 + cc)}, 0, disp, 0);
}
// movzx reg, byte [rbx + disp].
void load_byte(sink *s, int reg, int32_t disp)
{
    rs(s, {0x0F, 0xB6}, reg, disp, 1);
}
// cmp r, 0 in the width.
void compare_zero(sink *s, int r, int wide)
{
    emit_cmp_imm32(s, r, 0, wide);
}
// mov reg, reg (full register when wide; 32-bit moves zero-extend).
void mov(sink *s, int dst, int src, int wide)
{
    emit_mov_reg(s, dst, src, wide);
}

sink *out(xframe *x)
{
    return xframe_sink(x);
}
int mode64(xframe *x)
{
    return xframe_mode64(x);
}
bool bit_accurate(xframe *x)
{
    MCM *chip = xframe_mcm(x);
    return chip && chip->machine && chip->machine->bit_accurate;
}
void get(xframe *x, int reg, int n)
{
    jit_get_GPR(x, reg, n);
}
void get32(xframe *x, int reg, int n)
{
    emit_get_GPR(x, reg, n, 0);
}
void put(xframe *x, int n, int reg)
{
    jit_set_GPR(x, n, reg);
}
int32_t ca()
{
    return disp_XER_flag(XER_FLAG_CA);
}

// CR0 of a record form computed by a compare of the result with 0 in the mode's width.
void record_compare(xframe *x, int r, int record)
{
    if (!record) return;
    compare_zero(out(x), r, mode64(x));
    emit_set_cr_field(x, 0, 0);
}

// A two-operand logical operation rax = GPR[RB] op GPR[RS], optionally complemented.
enum class Logic { AND, OR, ANDC, ORC, NAND, NOR, EQV };

void logical(xframe *x, Logic op, int ra, int rs_, int rb, int record)
{
    sink *s = out(x);
    get(x, RAX, rb);
    if (op == Logic::ANDC || op == Logic::ORC) unary(s, 2, RAX, 1);
    get(x, R9, rs_);
    switch (op) {
    case Logic::AND:
    case Logic::ANDC:
    case Logic::NAND:
        alu(s, 0x21, RAX, R9, 1);
        break;
    case Logic::OR:
    case Logic::ORC:
    case Logic::NOR:
        alu(s, 0x09, RAX, R9, 1);
        break;
    case Logic::EQV:
        alu(s, 0x31, RAX, R9, 1);
        break;
    }
    const bool complement = op == Logic::NAND || op == Logic::NOR || op == Logic::EQV;
    if (complement) unary(s, 2, RAX, 1);
    put(x, ra, RAX);
    if (!record) return;
    if (complement) {
        record_compare(x, RAX, 1);
    } else {
        // The logical operation's own flags equal a compare with 0; in 32-bit mode the low word.
        if (!mode64(x)) compare_zero(s, RAX, 0);
        emit_set_cr_field(x, 0, 0);
    }
}

// Bit-accurate copy of the rotated word into bits 0 to 31 (wrapping masks of rlwinm and rlwnm).
void replicate_upper(sink *s, int result, int copy)
{
    shift_imm(s, 0, copy, 32, 1);
    emit_mov_imm64(s, RAX, UPPER_WORD);
    alu(s, 0x21, copy, RAX, 1);
    alu(s, 0x09, result, copy, 1);
}

// rlwinm and rlwnm once the word to rotate is in r9d and (for rlwnm) the amount in cl.
void rotate_word_and_mask(xframe *x, int ra, int sh, int by_cl, int mb, int me, int record)
{
    sink *s = out(x);
    const bool wrap = bit_accurate(x) && me < mb;
    if (by_cl)
        shift_cl(s, 0, R9, 0);
    else
        shift_imm(s, 0, R9, (uint8_t)sh, 0);
    if (wrap) mov(s, R10, R9, 1);
    alu_imm(s, 4, R9, mask32((uint32_t)mb, (uint32_t)me), 0);
    if (wrap) replicate_upper(s, R9, R10);
    if (record) {
        if (mode64(x) || wrap) compare_zero(s, R9, mode64(x));
        emit_set_cr_field(x, 0, 0);
    }
    put(x, ra, R9);
}

// 64-bit rotate of r9 by an immediate, then a mask (or one shift when the mask makes it one).
void rotate_doubleword(xframe *x, int ra, int rs_, int sh, uint64_t mask, int shift_ext, int shift,
                       int record)
{
    sink *s = out(x);
    get(x, R9, rs_);
    if (shift_ext >= 0) {
        shift_imm(s, shift_ext, R9, (uint8_t)shift, 1);
    } else {
        shift_imm(s, 0, R9, (uint8_t)sh, 1);
        emit_mov_imm64(s, RAX, mask);
        alu(s, 0x21, R9, RAX, 1);
    }
    put(x, ra, R9);
    record_compare(x, R9, record);
}

// A processor option of the machine's first core.
bool core_option(xframe *x, int option)
{
    MCM *chip = xframe_mcm(x);
    ProcessorState *core = chip && chip->machine ? GenericMachine__Processor(chip->machine, 0) : nullptr;
    return core && core->options[option];
}

// Processors whose algebraic shifts clear XER[OC] outside tags-active mode: the OC byte is cleared
// when MSR[TA] is clear.
void shift_clears_oc(xframe *x)
{
    if (!core_option(x, PO_ARITHMETIC_SHIFT_FORCES_XER_OC_ZERO)) return;
    sink *s = out(x);
    emit_mov_imm64(s, RAX, MSR_TA_BIT);
    rs(s, {0x23}, RAX, disp_MSR(), 1);
    bytes(s, {0x0F, 0x85, 0, 0, 0, 0});
    const uint64_t over = sink_xpc(s);
    rs(s, {0xC6}, 0, disp_XER_flag(XER_FLAG_OC), 0);
    sink_emit1(s, 0);
    resolve_reference_here(s, over);
}

// The carry out of the tag bits (XER[OC]) of processors that set it with every carrying addition:
// the carry out of bit 48 of x + y + c, or of bit 24 when RA has any of its 16 high bits set,
// computed from the operands before the addition. With carry_in the extended forms, which leave
// OC alone in tags-active mode.
enum class OcY { RB, IMM, ZERO, ONES };
enum class OcC { ZERO, ONE, CA };

void emit_carry_out_of_tags(xframe *x, int ra, bool not_ra, OcY y, int rb, int32_t imm, OcC c, bool carry_in)
{
    if (!core_option(x, PO_XER_OC_BEHAVIOR)) return;
    sink *s = out(x);
    uint64_t over = 0;
    if (carry_in) {
        emit_mov_imm64(s, RAX, MSR_TA_BIT);
        rs(s, {0x23}, RAX, disp_MSR(), 1);
        bytes(s, {0x0F, 0x85, 0, 0, 0, 0});
        over = sink_xpc(s);
    }
    get(x, R10, ra);
    mov(s, R11, R10, 1);
    shift_imm(s, 5, R11, 48, 1); // ZF: the high 16 bits of RA are zero
    emit_mov_imm64(s, RDX, 0xFFFFFFFFFFFFull);
    emit_mov_imm64(s, RCX, 0xFFFFFFull);
    rr(s, {0x0F, 0x45}, RDX, RCX, 1); // cmovne rdx, rcx
    emit_mov_imm32(s, RCX, 48, 0);
    emit_mov_imm32(s, R11, 24, 0);
    rr(s, {0x0F, 0x45}, RCX, R11, 0); // cmovne ecx, r11d
    if (not_ra) unary(s, 2, R10, 1);
    alu(s, 0x21, R10, RDX, 1);
    switch (y) {
    case OcY::RB:
        get(x, R11, rb);
        alu(s, 0x21, R11, RDX, 1);
        alu(s, 0x01, R10, R11, 1);
        break;
    case OcY::IMM:
        emit_mov_imm32(s, R11, (uint32_t)imm, 1);
        alu(s, 0x21, R11, RDX, 1);
        alu(s, 0x01, R10, R11, 1);
        break;
    case OcY::ONES:
        alu(s, 0x01, R10, RDX, 1);
        break;
    case OcY::ZERO:
        break;
    }
    if (c == OcC::ONE) emit_add_imm32(s, R10, 1, 1);
    if (c == OcC::CA) {
        load_byte(s, R11, ca());
        alu(s, 0x01, R10, R11, 1);
    }
    shift_cl(s, 5, R10, 1);
    alu_imm(s, 4, R10, 1, 0);
    rs(s, {0x88}, R10, disp_XER_flag(XER_FLAG_OC), 0); // mov [OC byte], r10b
    if (carry_in) resolve_reference_here(s, over);
}

// A sign shift's CA: r9 is the shifted result shifted back (by cl or the immediate already), r10
// the source: CA = the source is negative and a 1 bit was shifted out.
void shifted_out_carry(sink *s)
{
    alu(s, 0x31, R9, R10, 1);
    shift_imm(s, 7, R10, 63, 1);
    alu(s, 0x21, R9, R10, 1);
    set_state(s, CC_NE, ca());
}

void multiply_high(xframe *x, int rt, int ra, int rb, int wide, int ext)
{
    sink *s = out(x);
    emit_get_GPR(x, RAX, ra, wide);
    emit_get_GPR(x, R9, rb, wide);
    unary(s, ext, R9, wide);
    mov(s, RAX, RDX, 1);
    put(x, rt, RAX);
}

void divide(xframe *x, int rt, int ra, int rb, int wide, bool is_signed, int record)
{
    sink *s = out(x);
    emit_get_GPR(x, RAX, ra, wide);
    emit_get_GPR(x, R9, rb, wide);
    compare_zero(s, R9, wide);
    emit_jcc(s, CC_E, exit_invalid);
    if (is_signed) {
        if (wide) sink_emit1(s, 0x48);
        sink_emit1(s, 0x99); // cqo / cdq
        unary(s, 7, R9, wide);
    } else {
        bytes(s, {0x48, 0x31, 0xD2}); // xor rdx, rdx
        unary(s, 6, R9, wide);
    }
    emit_mov_store(s, disp_GPR(rt), JIT_THREAD, RAX, 1);
    record_compare(x, RAX, record);
}

void select(xframe *x, int rt, int c, int record)
{
    sink *s = out(x);
    jit_test_xer_bit(x, c);
    rr(s, {0x0F, 0x45}, RAX, R9, 1);  // cmovne rax, r9
    rr(s, {0x0F, 0x44}, RAX, R10, 1); // cmove rax, r10
    put(x, rt, RAX);
    if (record) {
        compare_zero(s, RAX, 1);
        emit_set_cr_field(x, 0, 0);
    }
}

} // namespace

void emit_set_cr_field(xframe *x, int f, int is_unsigned)
{
    sink *s = out(x);
    set_state(s, is_unsigned ? CC_B : CC_L, disp_CR_bit(4 * f));
    set_state(s, is_unsigned ? CC_A : CC_G, disp_CR_bit(4 * f + 1));
    set_state(s, CC_E, disp_CR_bit(4 * f + 2));
    if (!xframe_is_standalone(x)) {
        // Tags-active mode copies LT, GT and EQ into the XER condition-code bytes.
        emit_mov_imm64(s, RAX, MSR_TA_BIT);
        rs(s, {0x23}, RAX, disp_MSR(), 1);
        compare_zero(s, RAX, 1);
        bytes(s, {0x0F, 0x84, 0, 0, 0, 0});
        const uint64_t over = sink_xpc(s);
        for (int i = 0; i < 3; i++) {
            rs(s, {0x8A}, RAX, disp_CR_bit(4 * f + i), 0);
            rs(s, {0x88}, RAX, disp_XER_flag(XER_FLAG_CC0 + i), 0);
        }
        rs(s, {0xC6}, 0, disp_XER_flag(XER_FLAG_CC0 + 3), 0);
        sink_emit1(s, 0);
        resolve_reference_here(s, over);
    }
    rs(s, {0x8A}, RAX, disp_XER_flag(XER_FLAG_SO), 0);
    rs(s, {0x88}, RAX, disp_CR_bit(4 * f + 3), 0);
}

void emit_add_extended(xframe *x, int rt, int rb, int record)
{
    sink *s = out(x);
    get(x, R9, rb);
    load_byte(s, R10, ca());
    if (!mode64(x)) mov(s, R11, RAX, 1);
    emit_add_imm32(s, R10, 0xFFFFFFFF, 1); // the host carry = CA
    alu(s, 0x11, RAX, R9, 1);              // adc rax, r9
    if (mode64(x)) set_state(s, CC_B, ca());
    put(x, rt, RAX);
    if (!mode64(x)) {
        emit_add_imm32(s, R10, 1, 1);
        emit_add_imm32(s, R10, 0xFFFFFFFF, 1);
        alu(s, 0x11, R9, R11, 0); // adc r9d, r11d
        set_state(s, CC_B, ca());
    }
    record_compare(x, RAX, record);
}

void jit_add(xframe *x, int rt, int ra, int rb, int record)
{
    if (record && bit_accurate(x)) {
        jit_exit_bit_accurate(x);
        return;
    }
    sink *s = out(x);
    get(x, RAX, rb);
    get(x, R9, ra);
    alu(s, 0x01, RAX, R9, 1);
    put(x, rt, RAX);
    if (record) {
        if (!mode64(x)) compare_zero(s, RAX, 0);
        emit_set_cr_field(x, 0, 0);
    }
}

void jit_addc(xframe *x, int rt, int ra, int rb, int)
{
    if (bit_accurate(x)) {
        jit_exit_bit_accurate(x);
        return;
    }
    emit_carry_out_of_tags(x, ra, false, OcY::RB, rb, 0, OcC::ZERO, false);
    sink *s = out(x);
    get(x, RAX, ra);
    get(x, R9, rb);
    if (!mode64(x)) mov(s, R10, RAX, 1);
    alu(s, 0x01, RAX, R9, 1);
    if (mode64(x)) set_state(s, CC_B, ca());
    put(x, rt, RAX);
    if (!mode64(x)) {
        alu(s, 0x01, R10, R9, 0);
        set_state(s, CC_B, ca());
    }
}

void jit_adde(xframe *x, int rt, int ra, int rb, int record)
{
    if (bit_accurate(x)) {
        jit_exit_bit_accurate(x);
        return;
    }
    emit_carry_out_of_tags(x, ra, false, OcY::RB, rb, 0, OcC::CA, true);
    get(x, RAX, ra);
    emit_add_extended(x, rt, rb, record);
}

void jit_subfe(xframe *x, int rt, int ra, int rb, int record)
{
    if (bit_accurate(x)) {
        jit_exit_bit_accurate(x);
        return;
    }
    emit_carry_out_of_tags(x, ra, true, OcY::RB, rb, 0, OcC::CA, true);
    get(x, RAX, ra);
    unary(out(x), 2, RAX, 1);
    emit_add_extended(x, rt, rb, record);
}

void jit_addi(xframe *x, int rt, int ra, int32_t d)
{
    sink *s = out(x);
    if (ra != 0) {
        get(x, RAX, ra);
        emit_add_imm32(s, RAX, (uint32_t)d, 1);
        put(x, rt, RAX);
    } else if (d != 0) {
        emit_mov_store_imm32(s, disp_GPR(rt), JIT_THREAD, (uint32_t)d, 1);
    } else {
        emit_mov_imm32(s, RAX, 0, 1);
        put(x, rt, RAX);
    }
}

void jit_addic(xframe *x, int rt, int ra, int32_t d, int record)
{
    if (bit_accurate(x)) {
        jit_exit_bit_accurate(x);
        return;
    }
    emit_carry_out_of_tags(x, ra, false, OcY::IMM, 0, d, OcC::ZERO, false);
    sink *s = out(x);
    get(x, RAX, ra);
    if (!mode64(x)) mov(s, R9, RAX, 0);
    emit_add_imm32(s, RAX, (uint32_t)d, 1);
    if (mode64(x)) set_state(s, CC_B, ca());
    put(x, rt, RAX);
    if (!mode64(x)) {
        emit_add_imm32(s, R9, (uint32_t)d, 0);
        set_state(s, CC_B, ca());
    }
    if (record) emit_set_cr_field(x, 0, 0);
}

void jit_addme(xframe *x, int rt, int ra, int record)
{
    if (bit_accurate(x)) {
        jit_exit_bit_accurate(x);
        return;
    }
    emit_carry_out_of_tags(x, ra, false, OcY::ONES, 0, 0, OcC::CA, true);
    sink *s = out(x);
    get(x, RAX, ra);
    load_byte(s, R10, ca());
    if (!mode64(x)) mov(s, R9, RAX, 0);
    emit_add_imm32(s, R10, 0xFFFFFFFF, 1);
    rr(s, {0x83}, 2, RAX, 1); // adc rax, -1
    sink_emit1(s, 0xFF);
    if (mode64(x)) set_state(s, CC_B, ca());
    put(x, rt, RAX);
    if (!mode64(x)) {
        emit_add_imm32(s, R10, 1, 1);
        emit_add_imm32(s, R10, 0xFFFFFFFF, 1);
        rr(s, {0x83}, 2, R9, 0); // adc r9d, -1
        sink_emit1(s, 0xFF);
        set_state(s, CC_B, ca());
    }
    if (record) emit_set_cr_field(x, 0, 0);
}

void jit_addze(xframe *x, int rt, int ra, int record)
{
    if (record && bit_accurate(x)) {
        jit_exit_bit_accurate(x);
        return;
    }
    emit_carry_out_of_tags(x, ra, false, OcY::ZERO, 0, 0, OcC::CA, true);
    sink *s = out(x);
    get(x, RAX, ra);
    load_byte(s, R9, ca());
    if (!mode64(x)) mov(s, R10, RAX, 0);
    alu(s, 0x01, RAX, R9, 1);
    if (mode64(x)) set_state(s, CC_B, ca());
    put(x, rt, RAX);
    if (!mode64(x)) {
        alu(s, 0x01, R10, R9, 0);
        set_state(s, CC_B, ca());
    }
    if (record) emit_set_cr_field(x, 0, 0);
}

void jit_subf(xframe *x, int rt, int ra, int rb, int record)
{
    if (record && bit_accurate(x)) {
        jit_exit_bit_accurate(x);
        return;
    }
    sink *s = out(x);
    get(x, RAX, rb);
    get(x, R9, ra);
    alu(s, 0x29, RAX, R9, 1);
    put(x, rt, RAX);
    record_compare(x, RAX, record);
}

void jit_subfc(xframe *x, int rt, int ra, int rb, int)
{
    if (bit_accurate(x)) {
        jit_exit_bit_accurate(x);
        return;
    }
    emit_carry_out_of_tags(x, ra, true, OcY::RB, rb, 0, OcC::ONE, false);
    sink *s = out(x);
    get(x, RAX, rb);
    get(x, R9, ra);
    if (!mode64(x)) mov(s, R10, RAX, 1);
    alu(s, 0x29, RAX, R9, 1);
    if (mode64(x)) set_state(s, CC_NB, ca());
    put(x, rt, RAX);
    if (!mode64(x)) {
        alu(s, 0x29, R10, R9, 0);
        set_state(s, CC_NB, ca());
    }
}

void jit_subfze(xframe *x, int rt, int ra, int)
{
    emit_carry_out_of_tags(x, ra, true, OcY::ZERO, 0, 0, OcC::CA, true);
    sink *s = out(x);
    get(x, RAX, ra);
    unary(s, 2, RAX, 1);
    load_byte(s, R9, ca());
    if (!mode64(x)) mov(s, R10, RAX, 1);
    alu(s, 0x01, RAX, R9, 1);
    if (mode64(x)) set_state(s, CC_B, ca());
    put(x, rt, RAX);
    if (!mode64(x)) {
        alu(s, 0x01, R10, R9, 0);
        set_state(s, CC_B, ca());
    }
}

void jit_subfic(xframe *x, int rt, int ra, int32_t d)
{
    if (bit_accurate(x)) {
        jit_exit_bit_accurate(x);
        return;
    }
    emit_carry_out_of_tags(x, ra, true, OcY::IMM, 0, d, OcC::ONE, false);
    sink *s = out(x);
    get(x, RAX, ra);
    emit_mov_imm32(s, R9, (uint32_t)d, 1);
    if (!mode64(x)) mov(s, R10, R9, 0);
    alu(s, 0x29, R9, RAX, 1);
    if (mode64(x)) set_state(s, CC_NB, ca());
    put(x, rt, R9);
    if (!mode64(x)) {
        alu(s, 0x29, R10, RAX, 0);
        set_state(s, CC_NB, ca());
    }
}

void jit_neg(xframe *x, int rt, int ra, int record)
{
    get(x, RAX, ra);
    unary(out(x), 3, RAX, 1);
    put(x, rt, RAX);
    record_compare(x, RAX, record);
}

void jit_mullw(xframe *x, int rt, int ra, int rb, int record)
{
    sink *s = out(x);
    get32(x, R9, ra);
    get32(x, R10, rb);
    jit_extend_32_to_64(x, R9);
    jit_extend_32_to_64(x, R10);
    rr(s, {0x0F, 0xAF}, R9, R10, 1); // imul r9, r10
    record_compare(x, R9, record);
    put(x, rt, R9);
}

void jit_mulld(xframe *x, int rt, int ra, int rb, int)
{
    get(x, RAX, ra);
    get(x, R9, rb);
    unary(out(x), 5, R9, 1);
    put(x, rt, RAX);
}

void jit_mulhd(xframe *x, int rt, int ra, int rb)
{
    multiply_high(x, rt, ra, rb, 1, 5);
}

void jit_mulhdu(xframe *x, int rt, int ra, int rb)
{
    multiply_high(x, rt, ra, rb, 1, 4);
}

void jit_mulhw(xframe *x, int rt, int ra, int rb)
{
    multiply_high(x, rt, ra, rb, 0, 5);
    if (bit_accurate(x)) {
        // The high word also fills bits 0 to 31.
        sink *s = out(x);
        mov(s, R9, RAX, 1);
        shift_imm(s, 0, R9, 32, 1);
        emit_mov_imm64(s, RCX, UPPER_WORD);
        alu(s, 0x21, R9, RCX, 1);
        alu(s, 0x09, RAX, R9, 1);
        put(x, rt, RAX);
    }
}

void jit_mulhwu(xframe *x, int rt, int ra, int rb)
{
    multiply_high(x, rt, ra, rb, 0, 4);
    if (bit_accurate(x)) {
        sink *s = out(x);
        mov(s, R9, RAX, 1);
        shift_imm(s, 0, R9, 32, 1);
        emit_mov_imm64(s, RCX, UPPER_WORD);
        alu(s, 0x21, R9, RCX, 1);
        alu(s, 0x09, RAX, R9, 1);
        put(x, rt, RAX);
    }
}

void jit_mulli(xframe *x, int rt, int ra, int32_t d)
{
    sink *s = out(x);
    get(x, R9, ra);
    rr(s, {0x69}, RAX, R9, 1); // imul rax, r9, imm32
    emit_imm32(s, (uint32_t)d);
    put(x, rt, RAX);
}

void jit_divw(xframe *x, int rt, int ra, int rb)
{
    divide(x, rt, ra, rb, 0, true, 0);
}

void jit_divwu(xframe *x, int rt, int ra, int rb)
{
    divide(x, rt, ra, rb, 0, false, 0);
}

void jit_divd(xframe *x, int rt, int ra, int rb, int)
{
    divide(x, rt, ra, rb, 1, true, 0);
}

void jit_divdu(xframe *x, int rt, int ra, int rb, int record)
{
    divide(x, rt, ra, rb, 1, false, record);
}

void jit_divduo(xframe *x, int rt, int ra, int rb, int)
{
    if (bit_accurate(x)) {
        jit_exit_bit_accurate(x);
        return;
    }
    divide(x, rt, ra, rb, 1, false, 0);
}

void jit_and(xframe *x, int ra, int rs_, int rb, int record)
{
    logical(x, Logic::AND, ra, rs_, rb, record);
}
void jit_or(xframe *x, int ra, int rs_, int rb, int record)
{
    logical(x, Logic::OR, ra, rs_, rb, record);
}
void jit_andc(xframe *x, int ra, int rs_, int rb, int record)
{
    logical(x, Logic::ANDC, ra, rs_, rb, record);
}
void jit_orc(xframe *x, int ra, int rs_, int rb, int record)
{
    logical(x, Logic::ORC, ra, rs_, rb, record);
}
void jit_nand(xframe *x, int ra, int rs_, int rb, int record)
{
    logical(x, Logic::NAND, ra, rs_, rb, record);
}
void jit_nor(xframe *x, int ra, int rs_, int rb, int record)
{
    logical(x, Logic::NOR, ra, rs_, rb, record);
}
void jit_eqv(xframe *x, int ra, int rs_, int rb, int record)
{
    logical(x, Logic::EQV, ra, rs_, rb, record);
}

void jit_xor(xframe *x, int ra, int rs_, int rb, int record)
{
    sink *s = out(x);
    get(x, R9, rs_);
    get(x, R10, rb);
    alu(s, 0x31, R10, R9, 1);
    if (record) {
        if (!mode64(x)) compare_zero(s, R10, 0);
        emit_set_cr_field(x, 0, 0);
    }
    put(x, ra, R10);
}

void jit_andi32_dot(xframe *x, int ra, int rs_, uint32_t imm)
{
    sink *s = out(x);
    get32(x, RAX, rs_);
    alu_imm(s, 4, RAX, imm, 0);
    put(x, ra, RAX);
    if (mode64(x)) compare_zero(s, RAX, 1);
    emit_set_cr_field(x, 0, 0);
}

void jit_xori32(xframe *x, int ra, int rs_, uint32_t imm)
{
    sink *s = out(x);
    get(x, RAX, rs_);
    if (!(imm & 0x80000000u)) {
        alu_imm(s, 6, RAX, imm, 1);
    } else {
        emit_mov_imm32(s, R9, imm, 0);
        alu(s, 0x31, RAX, R9, 1);
    }
    put(x, ra, RAX);
}

void jit_slw(xframe *x, int ra, int rs_, int rb, int record)
{
    sink *s = out(x);
    get32(x, RAX, rs_);
    get32(x, RCX, rb);
    alu_imm(s, 4, RCX, 0x3F, 0);
    shift_cl(s, 4, RAX, 0);
    rr(s, {0xF7}, 0, RCX, 0); // test ecx, 0x20
    emit_imm32(s, 0x20);
    rs(s, {0x0F, 0x45}, RAX, disp_turbo(zero), 0); // cmovne eax, [zero]
    put(x, ra, RAX);
    record_compare(x, RAX, record);
}

void jit_srw(xframe *x, int ra, int rs_, int rb, int record)
{
    sink *s = out(x);
    get32(x, RAX, rs_);
    get32(x, RCX, rb);
    alu_imm(s, 4, RCX, 0x3F, 0);
    shift_cl(s, 5, RAX, 0);
    rr(s, {0xF7}, 0, RCX, 0);
    emit_imm32(s, 0x20);
    rs(s, {0x0F, 0x45}, RAX, disp_turbo(zero), 0);
    put(x, ra, RAX);
    record_compare(x, RAX, record);
}

void jit_sld(xframe *x, int ra, int rs_, int rb, int record)
{
    sink *s = out(x);
    get32(x, RCX, rb);
    get(x, R9, rs_);
    shift_cl(s, 4, R9, 1);
    rr(s, {0xF7}, 0, RCX, 0); // test ecx, 0x40
    emit_imm32(s, 0x40);
    rs(s, {0x0F, 0x45}, R9, disp_turbo(zero), 1);
    put(x, ra, R9);
    record_compare(x, R9, record);
}

void jit_srd(xframe *x, int ra, int rs_, int rb, int record)
{
    sink *s = out(x);
    get(x, RAX, rs_);
    get32(x, RCX, rb);
    alu_imm(s, 4, RCX, 0x7F, 0);
    shift_cl(s, 5, RAX, 1);
    rr(s, {0xF7}, 0, RCX, 0);
    emit_imm32(s, 0x40);
    rs(s, {0x0F, 0x45}, RAX, disp_turbo(zero), 1);
    put(x, ra, RAX);
    record_compare(x, RAX, record);
}

void jit_sraw(xframe *x, int ra, int rs_, int rb, int)
{
    sink *s = out(x);
    get32(x, RCX, rb);
    alu_imm(s, 4, RCX, 0x3F, 0);
    get32(x, R9, rs_);
    jit_extend_32_to_64(x, R9);
    mov(s, R10, R9, 1);
    shift_cl(s, 7, R9, 1);
    put(x, ra, R9);
    shift_cl(s, 4, R9, 1);
    shifted_out_carry(s);
    shift_clears_oc(x);
}

void jit_srad(xframe *x, int ra, int rs_, int rb, int record)
{
    sink *s = out(x);
    get32(x, RCX, rb);
    mov(s, R11, RCX, 0);
    get(x, R9, rs_);
    emit_mov_imm32(s, R10, 63, 0);
    rr(s, {0xF7}, 0, RCX, 0); // test ecx, 0x40
    emit_imm32(s, 0x40);
    rr(s, {0x0F, 0x45}, RCX, R10, 0); // cmovne ecx, r10d
    mov(s, R10, R9, 1);
    shift_cl(s, 7, R9, 1);
    record_compare(x, R9, record);
    put(x, ra, R9);
    shift_cl(s, 4, R9, 1);
    alu(s, 0x31, R9, R10, 1);
    rr(s, {0xF7}, 0, R11, 1); // test r11, 0x40: every bit counts as shifted out
    emit_imm32(s, 0x40);
    rr(s, {0x0F, 0x45}, R9, R11, 1);
    shift_imm(s, 7, R10, 63, 1);
    alu(s, 0x21, R9, R10, 1);
    set_state(s, CC_NE, ca());
    shift_clears_oc(x);
}

void jit_srawi(xframe *x, int ra, int rs_, int sh, int record)
{
    sink *s = out(x);
    get32(x, R10, rs_);
    emit_mov_imm32(s, R9, (uint32_t)((1ull << sh) - 1), 0);
    rr(s, {0x63}, R11, R10, 1);   // movsxd r11, r10d
    bytes(s, {0x48, 0x31, 0xC0}); // xor rax, rax
    shift_imm(s, 7, R11, (uint8_t)sh, 1);
    rr(s, {0x0F, 0x48}, RAX, R9, 0); // cmovs eax, r9d
    put(x, ra, R11);
    alu(s, 0x85, R10, RAX, 0); // test r10d, eax
    set_state(s, CC_NE, ca());
    shift_clears_oc(x);
    if (record) {
        compare_zero(s, R11, 0);
        emit_set_cr_field(x, 0, 0);
    }
}

void jit_sradi(xframe *x, int ra, int rs_, int sh, int record)
{
    sink *s = out(x);
    get(x, R9, rs_);
    mov(s, R10, R9, 1);
    shift_imm(s, 7, R9, (uint8_t)sh, 1);
    put(x, ra, R9);
    record_compare(x, R9, record);
    shift_imm(s, 4, R9, (uint8_t)sh, 1);
    shifted_out_carry(s);
    shift_clears_oc(x);
}

void jit_rlwinm(xframe *x, int ra, int rs_, int sh, int mb, int me, int record)
{
    get32(x, R9, rs_);
    rotate_word_and_mask(x, ra, sh, 0, mb, me, record);
}

void jit_rlwnm(xframe *x, int ra, int rs_, int rb, int mb, int me, int record)
{
    sink *s = out(x);
    get32(x, R9, rs_);
    get(x, RCX, rb);
    alu_imm(s, 4, RCX, 0x1F, 1);
    rotate_word_and_mask(x, ra, 0, 1, mb, me, record);
}

void jit_rlwimi(xframe *x, int ra, int rs_, int sh, int mb, int me, int record)
{
    sink *s = out(x);
    const bool wrap = bit_accurate(x) && me < mb;
    const uint32_t m = mask32((uint32_t)mb, (uint32_t)me);
    get32(x, R9, rs_);
    get(x, R10, ra);
    shift_imm(s, 0, R9, (uint8_t)sh, 0);
    if (wrap) mov(s, R11, R9, 1);
    alu_imm(s, 4, R9, m, 0);
    emit_mov_imm32(s, RAX, m, 0);
    unary(s, 2, RAX, 1);
    alu(s, 0x21, R10, RAX, 1);
    alu(s, 0x09, R9, R10, 1);
    if (wrap) {
        shift_imm(s, 0, R11, 32, 1);
        emit_mov_imm64(s, RAX, UPPER_WORD);
        alu(s, 0x21, R11, RAX, 1);
        unary(s, 2, RAX, 1);
        alu(s, 0x21, R9, RAX, 1);
        alu(s, 0x09, R9, R11, 1);
    }
    record_compare(x, R9, record);
    put(x, ra, R9);
}

void jit_rldic(xframe *x, int ra, int rs_, int sh, int mb, int record)
{
    rotate_doubleword(x, ra, rs_, sh, mask64((uint32_t)mb, (uint32_t)(63 - sh)), -1, 0, record);
}

void jit_rldicl(xframe *x, int ra, int rs_, int sh, int mb, int record)
{
    if (sh + mb == 64)
        rotate_doubleword(x, ra, rs_, sh, 0, 5, mb, record); // shr r9, MB
    else
        rotate_doubleword(x, ra, rs_, sh, mask64((uint32_t)mb, 63), -1, 0, record);
}

void jit_rldicr(xframe *x, int ra, int rs_, int sh, int me, int record)
{
    if (sh + me == 63)
        rotate_doubleword(x, ra, rs_, sh, 0, 4, sh, record); // shl r9, SH
    else
        rotate_doubleword(x, ra, rs_, sh, mask64(0, (uint32_t)me), -1, 0, record);
}

void jit_rldimi(xframe *x, int ra, int rs_, int sh, int mb, int record)
{
    sink *s = out(x);
    get(x, R9, rs_);
    get(x, R10, ra);
    shift_imm(s, 0, R9, (uint8_t)sh, 1);
    emit_mov_imm64(s, RAX, mask64((uint32_t)mb, (uint32_t)(63 - sh)));
    alu(s, 0x21, R9, RAX, 1);
    unary(s, 2, RAX, 1);
    alu(s, 0x21, R10, RAX, 1);
    alu(s, 0x09, R9, R10, 1);
    record_compare(x, R9, record);
    put(x, ra, R9);
}

void jit_rldcl(xframe *x, int ra, int rs_, int rb, int mb)
{
    sink *s = out(x);
    get(x, R9, rs_);
    get(x, RCX, rb);
    alu_imm(s, 4, RCX, 0x3F, 1);
    shift_cl(s, 0, R9, 1);
    emit_mov_imm64(s, RAX, mask64((uint32_t)mb, 63));
    alu(s, 0x21, R9, RAX, 1);
    put(x, ra, R9);
}

void jit_rldcr(xframe *x, int ra, int rs_, int rb, int me, int record)
{
    sink *s = out(x);
    get(x, R9, rs_);
    get(x, RCX, rb);
    alu_imm(s, 4, RCX, 0x3F, 1);
    shift_cl(s, 0, R9, 1);
    emit_mov_imm64(s, RAX, mask64(0, (uint32_t)me));
    alu(s, 0x21, R9, RAX, 1);
    put(x, ra, R9);
    record_compare(x, R9, record);
}

void jit_extsb(xframe *x, int ra, int rs_, int record)
{
    get(x, RAX, rs_);
    rr(out(x), {0x0F, 0xBE}, RAX, RAX, 1);
    put(x, ra, RAX);
    record_compare(x, RAX, record);
}

void jit_extsh(xframe *x, int ra, int rs_, int record)
{
    get(x, RAX, rs_);
    rr(out(x), {0x0F, 0xBF}, RAX, RAX, 1);
    put(x, ra, RAX);
    record_compare(x, RAX, record);
}

void jit_extsw(xframe *x, int ra, int rs_, int record)
{
    sink *s = out(x);
    get32(x, RAX, rs_);
    rr(s, {0x63}, RAX, RAX, 1);
    put(x, ra, RAX);
    if (record) {
        compare_zero(s, RAX, 1);
        emit_set_cr_field(x, 0, 0);
    }
}

void jit_cntlzw(xframe *x, int ra, int rs_)
{
    sink *s = out(x);
    emit_mov_imm32(s, R9, 0xFFFFFFFF, 0);
    emit_mov_imm32(s, R10, 31, 0);
    get(x, RAX, rs_);
    rr(s, {0x0F, 0xBD}, RAX, RAX, 0); // bsr eax, eax
    rr(s, {0x0F, 0x44}, RAX, R9, 0);  // cmove eax, r9d
    alu(s, 0x29, R10, RAX, 0);
    put(x, ra, R10);
}

void jit_cntlzd(xframe *x, int ra, int rs_)
{
    sink *s = out(x);
    emit_mov_imm32(s, R9, 0xFFFFFFFF, 1);
    emit_mov_imm32(s, R10, 63, 0);
    get(x, RAX, rs_);
    rr(s, {0x0F, 0xBD}, RAX, RAX, 1);
    rr(s, {0x0F, 0x44}, RAX, R9, 1);
    alu(s, 0x29, R10, RAX, 1);
    put(x, ra, R10);
}

void jit_cmp(xframe *x, int bf, int a, int b, int logical, int l)
{
    alu(out(x), 0x39, a, b, l);
    emit_set_cr_field(x, bf, logical);
}

void jit_cmpi(xframe *x, int bf, int ra, int32_t d, int logical, int l)
{
    sink *s = out(x);
    emit_get_GPR(x, RAX, ra, l);
    emit_cmp_imm32(s, RAX, (uint32_t)d, l);
    emit_set_cr_field(x, bf, logical);
}

void jit_selii(xframe *x, int rt, int32_t a, int32_t b, int c, int record)
{
    emit_mov_imm32(out(x), R9, (uint32_t)a, 1);
    emit_mov_imm32(out(x), R10, (uint32_t)b, 1);
    select(x, rt, c, record);
}

void jit_selir(xframe *x, int rt, int32_t a, int rb, int c, int record)
{
    emit_mov_imm32(out(x), R9, (uint32_t)a, 1);
    get(x, R10, rb);
    select(x, rt, c, record);
}

void jit_selri(xframe *x, int rt, int ra, int32_t b, int c, int record)
{
    get(x, R9, ra);
    emit_mov_imm32(out(x), R10, (uint32_t)b, 1);
    select(x, rt, c, record);
}

void jit_selrr(xframe *x, int rt, int ra, int rb, int c, int record)
{
    get(x, R9, ra);
    get(x, R10, rb);
    select(x, rt, c, record);
}
