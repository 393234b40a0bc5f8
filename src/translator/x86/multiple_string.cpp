// Load/store multiple, string and data-cache-block-zero emitters.
#include "translator/x86/multiple_string.h"

#include <algorithm>
#include <initializer_list>

#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "translator/jit_stubs.h"
#include "translator/x86/branches.h"
#include "translator/x86/encoder.h"
#include "translator/x86/guest_state.h"
#include "translator/x86/host_regs.h"
#include "translator/x86/memory_access.h"
#include "translator/x86/prologues.h"
#include "translator/x86/state_disp.h"
#include "translator/xframe.h"

namespace
{

enum : int { CC_A = 7, CC_G = 0xF };
// At most this many extra write-routine calls for the reservations under one block store.
constexpr uint64_t MAX_GRANULE_CALLS = 8;

void bytes(sink *s, std::initializer_list<uint8_t> list)
{
    for (uint8_t b : list)
        sink_emit1(s, b);
}

GenericMachine *machine_of(xframe *x)
{
    MCM *chip = xframe_mcm(x);
    return chip ? chip->machine : nullptr;
}

uint64_t reservation_granule(xframe *x)
{
    MCM *chip = xframe_mcm(x);
    return chip && chip->reservation_granule > 0 ? (uint64_t)chip->reservation_granule : 1;
}

// temp0 = GPR[RA] + d, or d alone when RA is 0.
void ea_displacement(xframe *x, int ra, int32_t d)
{
    const int t0 = jit_temp0();
    if (ra == 0) {
        jit_get_simm32(x, t0, d);
        return;
    }
    jit_get_GPR(x, t0, ra);
    if (d != 0) jit_add_simm32(x, t0, d);
}

// temp0 = GPR[RB] + GPR[RA] (GPR[RB] alone when RA is 0), with temp1 = GPR[RA] and temp2 = GPR[RB]
// for the overflow test of tags-active mode when asked.
void ea_indexed(xframe *x, int ra, int rb, bool overflow_test)
{
    const int t0 = jit_temp0(), t1 = jit_temp1(), t2 = jit_temp2();
    if (ra) jit_get_GPR(x, t1, ra);
    jit_get_GPR(x, t2, rb);
    jit_mov(x, t0, t2);
    if (ra) jit_add_temps(x, t0, t1);
    if (overflow_test) jit_eao_test(x, ra != 0, t1, t2, t0);
}

// call r13 (the write routine) for the EA in temp0.
void call_writer(sink *s)
{
    bytes(s, {0x41, 0xFF, 0xD5});
}

// The write routine revokes other threads' reservations on the granule of the byte it translates
// (when the thread's stores are complex). A block store therefore also has it translate one byte
// in every further granule the block may touch, before anything is stored: points from the last
// byte down, one granule apart. False when that would take too many calls (a tiny granule): the
// instruction is then left to the interpreter.
bool translate_other_granules(xframe *x, uint32_t size)
{
    if (size <= 1 || xframe_is_standalone(x)) return true;
    const uint64_t granule = reservation_granule(x);
    if ((size - 1 + granule - 1) / granule > MAX_GRANULE_CALLS) return false;
    sink *s = xframe_sink(x);
    for (int64_t offset = (int64_t)size - 1; offset > 0; offset -= (int64_t)granule) {
        emit_add_imm32(s, jit_temp0(), (uint32_t)offset, 1);
        call_writer(s);
        emit_add_imm32(s, jit_temp0(), (uint32_t)-offset, 1);
    }
    return true;
}

// rax = max(temp2 - 1, 0) for a byte count 0 to 127 in temp2.
void last_byte_offset(sink *s)
{
    emit_mov_reg(s, HOST_RAX, jit_temp2(), 1);
    bytes(s, {0x48, 0x83, 0xE8, 0x01}); // sub rax, 1
    bytes(s, {0x48, 0x83, 0xD0, 0x00}); // adc rax, 0
}

// The same for a byte count known only at run time (in temp2, at most 127): one extra call at the
// last byte, enough when a granule holds at least 128 bytes.
bool translate_last_granule(xframe *x)
{
    if (xframe_is_standalone(x)) return true;
    if (reservation_granule(x) < 128) return false;
    sink *s = xframe_sink(x);
    last_byte_offset(s);
    emit_add_reg(s, jit_temp0(), HOST_RAX, 1);
    call_writer(s);
    last_byte_offset(s);
    emit_sub_reg(s, jit_temp0(), HOST_RAX, 1);
    return true;
}

using mem_fn = void (*)(xframe *, int, int);

// Registers first..31 from or to the block at the host address in temp1, unit bytes each.
void move_registers(xframe *x, int first, int unit, bool load)
{
    const int t0 = jit_temp0(), t1 = jit_temp1();
    const mem_fn get = unit == 8 ? jit_get_umem64 : jit_get_umem32;
    const mem_fn put = unit == 8 ? jit_put_umem64 : jit_put_umem32;
    for (int r = first; r < 32; r++) {
        if (load) {
            get(x, t0, t1);
            jit_set_GPR(x, r, t0);
        } else {
            jit_get_GPR(x, t0, r);
            put(x, t0, t1);
        }
        if (r < 31) emit_add_imm8(xframe_sink(x), t1, (int8_t)unit, 1);
    }
}

void load_multiple(xframe *x, int rt, int32_t d, int ra, int unit)
{
    if (ra >= rt || (d & 3)) {
        jit_exit_invalid(x);
        return;
    }
    ea_displacement(x, ra, d);
    jit_xlate_read(x, (32 - rt) * unit - 1);
    move_registers(x, rt, unit, true);
}

void store_multiple(xframe *x, int rs, int32_t d, int ra, int unit)
{
    const uint32_t size = (uint32_t)(32 - rs) * (uint32_t)unit;
    if (d & 3) {
        jit_exit_invalid(x);
        return;
    }
    ea_displacement(x, ra, d);
    if (unit == 8) jit_align_check(x, jit_temp0(), 7);
    if (!translate_other_granules(x, size)) {
        jit_exit_invalid(x);
        return;
    }
    jit_xlate_write(x, (int)size - 1);
    move_registers(x, rs, unit, false);
    jit_xlate_written(x);
}

// call the string stub at a fixed address.
void call_stub(sink *s, uint64_t stub)
{
    emit_mov_imm64(s, HOST_RAX, stub);
    bytes(s, {0xFF, 0xD0}); // call rax
}

// call [table + temp2 * 8] with temp2 = the byte count plus first register x 128.
void call_stub_indexed(sink *s, uint64_t (*table)[JIT_STRING_LENGTHS], int first)
{
    emit_add_imm32(s, jit_temp2(), (uint32_t)first * JIT_STRING_LENGTHS, 1);
    emit_mov_imm64(s, HOST_RAX, reinterpret_cast<uint64_t>(&table[0][0]));
    bytes(s, {0x42, 0xFF, 0x14, 0xD8}); // call [rax + r11 * 8]
}

struct IndexedString {
    uint64_t (*table)[JIT_STRING_LENGTHS];
    bool store;
    bool overflow_test;
    bool bit_accurate_exit;
    uint64_t *crossing_exit; // the page's stub for a string that crosses the page
    int unit;                // bytes per register
};

void indexed_string(xframe *x, int first, int ra, int rb, const IndexedString &f)
{
    GenericMachine *machine = machine_of(x);
    if (f.bit_accurate_exit && machine && machine->bit_accurate) {
        jit_exit_bit_accurate(x);
        return;
    }
    if (f.store && !xframe_is_standalone(x) && reservation_granule(x) < 128) {
        jit_exit_invalid(x);
        return;
    }
    sink *s = xframe_sink(x);
    const int t2 = jit_temp2();
    ea_indexed(x, ra, rb, f.overflow_test);
    emit_mov_load(s, t2, disp_XER_copy(), JIT_THREAD, 1);
    emit_and_imm32(s, t2, 0x7F, 1); // the byte count
    if (!f.store) {
        // A load whose registers would take in RA (r0 included) or RB is an invalid form: the
        // interpreter's. The registers run from the first one up to the nearest of the two, so the
        // form is invalid when the count asks for more units than lie before it.
        const int before = std::min((ra - first + 32) % 32, (rb - first + 32) % 32);
        emit_cmp_imm32(s, t2, (uint32_t)(before * f.unit), 1);
        emit_jcc(s, CC_A, exit_invalid);
    }
    // The string must end inside the page of its first byte.
    emit_mov_reg(s, HOST_RAX, jit_temp0(), 0);
    emit_and_imm32(s, HOST_RAX, 0xFFF, 0);
    emit_add_reg(s, HOST_RAX, t2, 0);
    emit_cmp_imm32(s, HOST_RAX, 0x1000, 0);
    emit_jcc(s, CC_G, *f.crossing_exit);
    if (f.store) {
        translate_last_granule(x);
        jit_xlate_write(x, 0);
    } else {
        jit_xlate_read(x, 0);
    }
    call_stub_indexed(s, f.table, first);
    if (f.store) jit_xlate_written(x);
}

} // namespace

void jit_lmw(xframe *x, int rt, int32_t d, int ra)
{
    load_multiple(x, rt, d, ra, 4);
}

void jit_lmd(xframe *x, int rt, int32_t ds, int ra)
{
    load_multiple(x, rt, ds, ra, 8);
}

void jit_stmw(xframe *x, int rs, int32_t d, int ra)
{
    store_multiple(x, rs, d, ra, 4);
}

void jit_stmd(xframe *x, int rs, int32_t ds, int ra)
{
    store_multiple(x, rs, ds, ra, 8);
}

void jit_lswi(xframe *x, int rt, int ra, int nb)
{
    const int bytes_moved = nb ? nb : 32;
    // RA (r0 included) must not be among the registers loaded.
    const int registers = (bytes_moved + 3) / 4;
    for (int i = 0; i < registers; i++) {
        if ((rt + i) % 32 == ra) {
            jit_exit_invalid(x);
            return;
        }
    }
    ea_displacement(x, ra, 0);
    jit_xlate_read(x, bytes_moved - 1);
    call_stub(xframe_sink(x), lsw_stubs[rt][bytes_moved]);
}

void jit_stswi(xframe *x, int rs, int ra, int nb)
{
    const int bytes_moved = nb ? nb : 32;
    if (ra == 0) {
        jit_exit_invalid(x);
        return;
    }
    ea_displacement(x, ra, 0);
    if (!translate_other_granules(x, (uint32_t)bytes_moved)) {
        jit_exit_invalid(x);
        return;
    }
    jit_xlate_write(x, bytes_moved - 1);
    call_stub(xframe_sink(x), stsw_stubs[rs][bytes_moved]);
    jit_xlate_written(x);
}

void jit_lswx(xframe *x, int rt, int ra, int rb)
{
    indexed_string(x, rt, ra, rb, {lsw_stubs, false, true, true, &exit_invalid, 4});
}

void jit_lsdx(xframe *x, int rt, int ra, int rb)
{
    indexed_string(x, rt, ra, rb, {lsd_stubs, false, true, false, &exit_align, 8});
}

void jit_stswx(xframe *x, int rs, int ra, int rb)
{
    indexed_string(x, rs, ra, rb, {stsw_stubs, true, false, false, &exit_invalid, 4});
}

void jit_stsdx(xframe *x, int rs, int ra, int rb)
{
    indexed_string(x, rs, ra, rb, {stsd_stubs, true, false, false, &exit_invalid, 8});
}

void jit_dcbz(xframe *x, int bit10, int ra, int rb)
{
    GenericMachine *machine = machine_of(x);
    const uint64_t block = machine ? machine->cache_block_size : 0;
    // A block of 8 bytes to a page, a power of two; the other forms are the interpreter's.
    if (bit10 || block < 8 || block > 0x1000 || (block & (block - 1)) != 0) {
        jit_exit_invalid(x);
        return;
    }
    sink *s = xframe_sink(x);
    const int t0 = jit_temp0();
    ea_indexed(x, ra, rb, false);
    emit_and_imm32(s, t0, (uint32_t) - (int32_t)block, 1);
    emit_mov_reg(s, HOST_RAX, t0, 0);
    emit_and_imm32(s, HOST_RAX, 0xFFF, 0);
    emit_jcc(s, CC_E, exit_dcbz);
    // The aligned block lies inside one granule unless granules are smaller than blocks.
    if (reservation_granule(x) < block && !translate_other_granules(x, (uint32_t)block)) {
        jit_exit_invalid(x);
        return;
    }
    jit_xlate_store(x, 0, 0, MEM_TRACE_ZERO);
    bytes(s, {0x31, 0xC0}); // xor eax, eax
    for (uint64_t offset = 0; offset < block; offset += 8)
        emit_mov_store(s, (int32_t)offset, jit_temp1(), HOST_RAX, 1);
    jit_xlate_written(x);
}
