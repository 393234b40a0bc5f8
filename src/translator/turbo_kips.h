// The translator's report: exits per reason, the operation kinds behind "unknown" exits, the
// sim-support codes and the SPR moves left to the interpreter, then the frame and address-map
// statistics; the periodic "turbo" callback that prints it.
#pragma once

#include <cstdint>

struct GenericMachine;
struct ThreadState;

// Prints the report when the machine runs translated code (TURBO, PTURBO or mode 8); the counts
// become the base of the next report's deltas.
void turbo_kips_internal(GenericMachine *machine);
// The report of the thread's machine.
void turbo_kips(ThreadState *thread);
// The "turbo" periodic statistics callback: the report, with debug category 209 above 0, from
// thread number 0 only.
void turbo_kips_periodic(void *data, ThreadState *thread, const char *header, uint64_t elapsed);
