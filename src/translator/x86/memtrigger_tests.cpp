// The memory-trigger tests inside the translation routines with triggers: the effective-address
// phase before the map walk and the physical-address phase after it.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "runtime/triggers.h"
#include "translator/frame.h"
#include "translator/tt_triggers.h"
#include "translator/turbo_reason.h"
#include "translator/x86/encoder.h"
#include "translator/x86/memory_access.h"

namespace
{

void bytes(sink *s, std::initializer_list<uint8_t> list)
{
    for (uint8_t b : list)
        sink_emit1(s, b);
}

} // namespace

// Compares are 64-bit on a zero-extended address: 32-bit signed compares would miss a range
// that straddles 0x80000000, and physical addresses do not depend on the addressing mode.
void gen_memtrigger_tests(sink *s, int, int phase, int mode64, int reason)
{
    if (reason == EXIT_FETCH) return;
    const int read = reason == EXIT_READ;
    const int effective = phase;
    const int n = tt_get_num_memtriggers(effective, read);
    if (n == 0) return;

    int reg = HOST_R9;
    if (phase == 0) {
        bytes(s, {0x41, 0x51});                         // push r9
        bytes(s, {0x49, 0x81, 0xE1, 0xFF, 0x0F, 0, 0}); // and r9, 0xFFF
        bytes(s, {0x49, 0x8B, 0xC0});                   // mov rax, r8
        bytes(s, {0x48, 0x03, 0x81, 0x18, 0, 0, 0});    // add rax, [rcx + 24]: the any-access frame
        bytes(s, {0x4C, 0x03, 0x88});                   // add r9, [rax + frame pa]
        emit_imm32(s, (uint32_t)offsetof(frame_s, pa));
    } else if (!mode64) {
        bytes(s, {0x44, 0x89, 0xC9}); // mov ecx, r9d
        reg = HOST_RCX;
    }

    Memory_Trigger *first = tt_mtrig_iter(effective, read);
    if (n == 1) {
        emit_memtrig_range_test_on(s, reg, effective, first->start, first->end);
    } else {
        uint64_t low = first->start, high = first->end;
        for (Memory_Trigger *t = first; t; t = tt_mtrig_next(t, effective, read)) {
            if (t->start < low) low = t->start;
            if (t->end > high) high = t->end;
        }
        if (tt_mtrig_span_is_dense(effective, read, low, high)) {
            emit_memtrig_range_test_on(s, reg, effective, low, high);
        } else {
            const bool pretest = phase == 0 && !read;
            uint64_t skip_high = 0, skip_low = 0;
            if (pretest) emit_memtrig_span_skip(s, reg, low, high, &skip_high, &skip_low);
            for (Memory_Trigger *t = first; t; t = tt_mtrig_next(t, effective, read))
                emit_memtrig_range_test_on(s, reg, effective, t->start, t->end);
            if (pretest) {
                resolve_reference_here(s, skip_high);
                resolve_reference_here(s, skip_low);
            }
        }
    }
    if (phase == 0) bytes(s, {0x41, 0x59}); // pop r9
}
