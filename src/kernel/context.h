// Job context switching: the 80-byte saved context and the hand-written save/restore pair
// (context_switch.S). The translator uses the same pair for its own task switching.
#pragma once

#include <cstdint>

// Callee-saved registers, stack pointer, return address and the two floating-point
// control words. The layout is fixed by context_switch.S.
struct tsim_context_t {
    uint64_t rbx;
    uint64_t rbp;
    uint64_t r12;
    uint64_t r13;
    uint64_t r14;
    uint64_t r15;
    uint64_t rsp;
    uint64_t rip;
    uint32_t mxcsr;
    uint16_t fpu_control;
    uint16_t unused[5];
};
static_assert(sizeof(tsim_context_t) == 80, "the saved context is 80 bytes");

extern "C" {
// Saves the caller's context and returns 0; returns again with the value handed to
// tsim_longjmp when the context is resumed.
int tsim_setjmp(tsim_context_t *context) __attribute__((returns_twice));
// Restores every saved item and resumes at the saved return address.
[[noreturn]] void tsim_longjmp(tsim_context_t *context, int value);
// Calls fn(arg) on a stack aligned to 32 bytes.
void tsim_call_aligned(void (*fn)(void *), void *arg);
}
