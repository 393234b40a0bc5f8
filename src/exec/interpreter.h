// The one-instruction interpreter: one guest instruction of one hardware thread on the thread's
// own instruction record (interrupt checks, fetch translation and fetch, decode, cost, the
// semantic routine and what follows it).
#pragma once

#include <cstdint>

struct GenericMachine;
struct IOPDesc;

// Pending inter-processor interrupts: bit 31 - n for the machine's thread n.
extern "C" uint32_t z93_pending_IPIs;

// 0 when a real-address PC trigger stopped the simulation before the instruction ran, else 1; the
// record's failure text (`fail`) tells what went wrong, null when nothing did.
int run_one_instruction(IOPDesc *iop);
// The machine's exerciser-trace mode (non-zero: on).
int32_t In_Spindrel_Trace_Mode(GenericMachine *machine);

// Failure texts.
extern const char *const FAIL_TRANSLATION;
extern const char *const FAIL_CACHED_READ;
extern const char *const FAIL_READ;
extern const char *const FAIL_INSTRUCTION;
extern const char *const FAIL_ILLEGAL;
