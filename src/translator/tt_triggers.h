// Triggers in translated code: the PC-trigger exits a page translation builds into its slots, the
// system-call and MSR-write tests that turn sc, mtmsr, mtmsrd and rfid into exits, and the memory-
// trigger variants of the translation routines (index + 32) with their range tests.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MCM;
struct Memory_Trigger;
struct TriggerTable;
struct sink;
struct xframe;

// Whether the chip has a real-address PC trigger at the physical address, or an effective-address
// PC trigger at the same page offset.
int tt_has_pctriggers(MCM *chip, uint64_t physical_address);
// Emits the code of the slot's PC triggers; 0 when the instruction was replaced by an exit, 1 when
// its own code follows the guards.
int tt_handle_pctriggers(xframe *x, uint32_t word, uint32_t slot);
// Whether the chip's machine has system-call triggers.
int tt_has_sctrigger(MCM *chip);
// Whether some thread of the chip's machine has write triggers on its MSR.
int tt_has_msr_w_regtrigger(MCM *chip);
// Marks the page's frame for the register-trigger flush and emits the exit "msr_w_regtrigger".
void tt_handle_msr_w_regtrigger(xframe *x);

// Whether the chip's machine has enabled memory triggers; then tt_handle_memtriggers makes sure the
// routines with their tests exist for that machine's triggers.
int tt_has_memtriggers(MCM *chip);
void tt_handle_memtriggers(MCM *chip);
// tt_memtrigger_reset (the routines are stale): exec/hooks/translator_triggers.h.

// Enabled memory triggers of the remembered table, by kind (1 effective, 0 real) and access
// (1 read, 0 write), in list order.
int tt_get_num_memtriggers(int effective, int read);
Memory_Trigger *tt_mtrig_iter(int effective, int read);
Memory_Trigger *tt_mtrig_next(Memory_Trigger *node, int effective, int read);
// Whether one range test over [low, high] may stand for all triggers of the kind and access: one
// trigger is exactly the span, or the gaps between them inside it total at most 128 bytes.
int tt_mtrig_span_is_dense(int effective, int read, uint64_t low, uint64_t high);
// One range test on the address in r9: exits to the effective- or physical-address trigger stub
// when [address, address + 15] overlaps [start, end] (signed compares, 64-bit when wide).
void emit_memtrig_range_test(sink *s, int wide, int effective, uint64_t start, uint64_t end);
// The same test with 64-bit compares on the address in `reg` (r9, or rcx holding a zero-extended
// 32-bit address).
void emit_memtrig_range_test_on(sink *s, int reg, int effective, uint64_t start, uint64_t end);
// The comparisons of that test without its exit: the two jl rel32 fields (for
// resolve_reference_here) that jump where the access lies outside [low, high].
void emit_memtrig_span_skip(sink *s, int reg, uint64_t low, uint64_t high, uint64_t *skip_high,
                            uint64_t *skip_low);

// For tests: the table the trigger routines were made from (null before the first), how many
// times they were made, and whether they are current.
TriggerTable *tt_memtrigger_table(void);
uint64_t tt_memtrigger_generations(void);
int tt_memtriggers_current(void);
