// The host code every translated page shares, made once at start-up in one stub area: the common
// way out of translated code (exit_common), the generated address-translation routines, the
// unrolled string load and store stubs and the two memory-trigger exits; and the fault hook
// through which a host fault inside translated code becomes an ordinary exit.
#pragma once

#include <csignal>
#include <cstdint>

#include "kernel/fault.h"

struct ThreadState;

constexpr uint64_t JIT_STUB_AREA_SIZE = 0x100000;
constexpr int JIT_ROUTINE_INDEXES = 64;
constexpr int JIT_STRING_REGISTERS = 32;
constexpr int JIT_STRING_LENGTHS = 128;

extern "C" {
// Routine addresses by index xmode + 8 x debug + 16 x MSR[SF] + 32 x memory triggers.
extern uint64_t jit_readers[JIT_ROUTINE_INDEXES];
extern uint64_t jit_fetchers[JIT_ROUTINE_INDEXES];
extern uint64_t jit_simple_writers[JIT_ROUTINE_INDEXES];
extern uint64_t jit_complex_writers[JIT_ROUTINE_INDEXES];
extern uint64_t jit_pturbo_writers[JIT_ROUTINE_INDEXES];
}

// String stubs by first register and byte count: word loads (lswi, lswx), doubleword loads (lsdx),
// doubleword stores (stsdx), word stores (stswi, stswx). Called with the host address of the guest
// bytes in r10 and the thread state in rbx; each returns with r10 past the last whole unit.
extern uint64_t lsw_stubs[JIT_STRING_REGISTERS][JIT_STRING_LENGTHS];
extern uint64_t lsd_stubs[JIT_STRING_REGISTERS][JIT_STRING_LENGTHS];
extern uint64_t stsd_stubs[JIT_STRING_REGISTERS][JIT_STRING_LENGTHS];
extern uint64_t stsw_stubs[JIT_STRING_REGISTERS][JIT_STRING_LENGTHS];
// The memory-trigger exits (reached from a trigger routine, and from one nested a level deeper).
extern uint64_t ea_memtrigger_stub;
extern uint64_t pa_memtrigger_stub;
// The host names "ssse3" in the "flags" line of "/proc/cpuinfo".
extern int turbo_host_has_SSSE3;
// Where a failed store-conditional stores instead of guest memory.
extern uint64_t stcx_junk;
// The start of the stub area and its sink's position after generation.
extern uint64_t jit_stub_area;
extern uint64_t jit_stub_area_end;

// Generates the stub area once (the 64-bit machine forms with 1); the result of the final mprotect
// (0 once made).
int jit_init(int machine64);
// Reads the "flags" line of a cpuinfo file: 1 when it names ssse3; 0 without one (or no file).
int jit_read_ssse3_flag(const char *path);

// The fault hook turbo_go installs around translated code; it passes everything to jit_handler.
int turbo_handler(int signal, siginfo_t *information, void *context);
// Turns a SIGSEGV or SIGFPE inside translated code into an exit (1); 0 when the fault is not
// translated code's (in a call-out, another thread's state, another signal).
int jit_handler(int signal, siginfo_t *information, void *context);
// The hook in force before turbo_go installed its own (per host thread).
extern thread_local tsim_fault_hook_fn old_sig11_handler;
// The thread whose translated code this host thread runs (set by turbo_go around the entry);
// a fault whose saved rbx is not this thread is not translated code's.
extern thread_local ThreadState *turbo_running_thread;
