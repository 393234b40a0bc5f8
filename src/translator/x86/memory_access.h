// Guest memory in translated code: the inline translation of an effective address in r9 into the
// host address in r10 (a call of the thread's read or write routine, or direct addressing in a
// standalone translation), the loads and stores on that host address in the page's byte order,
// the memory trace records and counters, the effective-address-overflow test of tags-active
// mode, the parallel-mode store epilogue, and the generation of the translation routines (the
// readers, writers and fetchers of every translation mode) into the shared stub area.
#pragma once

#include <cstdint>

#include "translator/x86/sink.h"

struct xframe;

// Trace kinds of memory accesses.
enum : int { MEM_TRACE_LOAD = 0, MEM_TRACE_STORE = 1, MEM_TRACE_ZERO = 2 };

// Loads into reg and stores from reg at the host address in addr.
void jit_get_umem8(xframe *x, int reg, int addr);
void jit_put_umem8(xframe *x, int reg, int addr);
void jit_get_umem16(xframe *x, int reg, int addr);
void jit_get_smem16(xframe *x, int reg, int addr);
void jit_put_umem16(xframe *x, int reg, int addr);
void jit_get_umem32(xframe *x, int reg, int addr);
void jit_get_smem32(xframe *x, int reg, int addr);
void jit_get_umem32_bswap(xframe *x, int reg, int addr);
void jit_put_umem32(xframe *x, int reg, int addr);
void jit_put_umem32_bswap(xframe *x, int reg, int addr);
void jit_get_umem64(xframe *x, int reg, int addr);
void jit_get_umem64_bswap(xframe *x, int reg, int addr);
void jit_put_umem64(xframe *x, int reg, int addr);
void jit_put_umem64_bswap(xframe *x, int reg, int addr);

// The inline translation of the EA in r9 for the write slot (0) or the read slot (8) of a page
// entry; size_minus_1 decides the page-crossing test.
void jit_xlate(xframe *x, int slot, int size_minus_1, int trace_kind);
void jit_xlate_read(xframe *x, int size_minus_1);
void jit_xlate_read_shadow(xframe *x, int size_minus_1, int unused);
void jit_xlate_write(xframe *x, int size_minus_1);
void jit_xlate_store(xframe *x, int size_minus_1, int unused, int trace_kind);
void jit_trace_mem_access(xframe *x, int trace_kind);
// Tags active and data relocation on: leaves with "eao_needed" when the EA left the block of the
// base (GPR[RA] when RA is not 0, else GPR[RB]).
void jit_eao_test(xframe *x, int ra_nonzero, int ra_reg, int rb_reg, int ea_reg);
// After a guest store in PTURBO mode; nothing otherwise.
void jit_xlate_written(xframe *x);

// The 32 routines of each table for one memory-trigger setting, into the sink; fills the tables.
void gen_xlate_routines(sink *s, int machine64, int memtriggers);
uint64_t gen_xlate_writer(sink *s, int machine64, int mode64, int xmode, int debug, int complex,
                          int memtriggers);
void gen_xlate_lookup(sink *s, int xmode, int slot, int machine64, int mode64, int debug, int memtriggers);
void gen_memtrigger_tests(sink *s, int xmode, int phase, int mode64, int reason);
