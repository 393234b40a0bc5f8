// Machine checks: the raiser with its check-stop when MSR[ME] is off, the embedding host's entry,
// accesses to non-existent physical addresses, and the per-processor page-cacheability checker.
#pragma once

#include <cstdint>

struct IOPDesc;
struct PowerPCException;
struct ThreadState;

struct PageCacheableCheck_s {
    char *name; // the processor's name (string store)
    uint32_t flags;
};

// Raises MACHINE_CHECK (SRR1 bits set, RI cleared); with MSR[ME] off the processor is
// check-stopped and the run stops instead, unless the machine's WE bit has no effect.
PowerPCException *interrupt_MachineCheck(IOPDesc *iop, uint64_t srr1_bits);
extern "C" PowerPCException *LIBSIM__Interrupt_MachineCheck(ThreadState *thread);
