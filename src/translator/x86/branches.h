// Control transfer in translated code: conditional jumps to host addresses, the condition tests of
// bc and of the select instructions, guest branches (a direct jump between slots of one page,
// continuation through the fetch routine for every other target), the back-patching of in-page
// jumps at the end of a page, and the call-out through which translated code calls a routine of
// the simulator and comes back.
#pragma once

#include <cstdint>

#include "translator/x86/sink.h"

struct xframe;

// One in-page jump waiting for its target slot's entry address.
struct fixup32_s {
    uint32_t target_slot;   // 0 to 1023
    uint32_t source_slot;   // slot of the branch (for listings)
    uint64_t patch_address; // host address just after the 32-bit displacement to fill
    fixup32_s *next;
};

// The translating host thread's pending in-page jumps of the page under translation, and its
// spare records (records are recycled, never freed).
extern thread_local fixup32_s *fixup_pending;
extern thread_local fixup32_s *fixup_free;
// Set by emit_jcc when a target was out of reach: the translation being made is unusable.
extern thread_local int jcc_out_of_reach;

// x86 condition codes (the low nibble of 0f 80+cc and 0f 90+cc).
enum : int {
    CC_ALWAYS = -1,
    CC_B = 2,
    CC_E = 4,
    CC_NE = 5,
    CC_L = 0xC,
};

// 0f 80+cc rel32 to target. Out of reach of a 32-bit displacement: the message
// "emit_jcc: ajhdlasjhdalsjdhlaksjhdlaksjhd" on standard output, jcc_out_of_reach set, nothing
// appended.
void emit_jcc(sink *s, int cc, uint64_t target);

// The CTR decrement and CR test of a conditional branch with BO and BI; the condition under which
// the branch is taken, or CC_ALWAYS. work is a host register the test may use.
int jit_bc(xframe *x, uint32_t bo, uint32_t bi, int work, int unused);
// A test that leaves ZF set exactly when XER bit (31 - c) of the low word is 0 (c 0 to 31).
void jit_test_xer_bit(xframe *x, int c);

// A branch to (branch address + displacement) under cc (CC_ALWAYS: unconditional); offset is the
// branch's byte offset in its page.
void jit_relative_branch(xframe *x, int cc, int32_t displacement, uint32_t offset);
// A branch to the address in a host register under cc.
void jit_indirect_branch(xframe *x, int cc, int reg);

// Drops the pending list of the page about to be translated (its records are not reused).
void jit_fixups_start(void);
// Patches every pending jump with the entry address of its target slot in the xframe and moves
// the records to the spare list.
void jit_fixups_resolve(xframe *x);

// A call of routine(thread, r9, r10, r11) from translated code; its 64-bit result goes to
// result_reg (negative: nowhere). turbo.in_callout is 1 around the call.
void jit_callout(sink *s, int result_reg, const void *routine);

// cmp dword [rbx + disp32], 0.
void emit_cmp_field_zero(sink *s, int32_t disp32);
