// Host register roles in translated code and the per-instruction XMM pool. rbx holds the thread
// state, rsi the guest PC (already advanced past the instruction being run), edi the budget left,
// r8 the address-map bias, r12/r13/r14 the read, write and fetch routines, r15 the data map's
// table; rax, rcx, rdx are scratch and r9, r10, r11 carry operands within one guest instruction.
#pragma once

#include "translator/x86/encoder.h"

enum : int {
    JIT_THREAD = HOST_RBX,
    JIT_PC = HOST_RSI,
    JIT_TOGO = HOST_RDI,
    JIT_BIAS = HOST_R8,
    JIT_READER = HOST_R12,
    JIT_WRITER = HOST_R13,
    JIT_FETCHER = HOST_R14,
    JIT_DATA_EMAT = HOST_R15,
};

int jit_scratch0(void);
int jit_scratch1(void);
int jit_scratch2(void);
int jit_temp0(void);
int jit_temp1(void);
int jit_temp2(void);

// The first XMM register of the pool and the number past its last.
constexpr int XMM_POOL_FIRST = 12;
constexpr int XMM_POOL_END = 16;

// The next XMM register xmm_reserve hands out; the instruction prologue sets it to XMM_POOL_FIRST.
extern thread_local int xmm_next;

// Set by a failed reservation and left set: the translation being made is unusable and must be
// discarded like one whose sink overflowed. The page translator clears it before it starts.
extern thread_local int xmm_exhausted;

// The next register of the pool (xmm12 to xmm15). Past xmm15: the fatal error "no XMM registers
// available", xmm_exhausted set, and -1.
int xmm_reserve(void);
