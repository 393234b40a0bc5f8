// Simulated time as cycle counts: the machine's current cycle and a time domain's cycles.
#pragma once

#include <cstdint>

struct GenericMachine;
struct time_domain;

// The machine's current cycle count as decimal text in a static buffer (overwritten by the next
// call); a null machine means the machine asked about last (0 when there was none).
const char *Prepare_Time(GenericMachine *machine);
// The machine's current time in cycles of its base domain, rounded up; 0 without a kernel, a
// base domain or at tick 0. A machine given is remembered for later calls without one.
uint64_t GetRawTime(GenericMachine *machine);
// The running kernel's current tick in cycles of the domain (1 tick per cycle without one),
// rounded up; 0 at tick 0 or without a kernel.
uint64_t TD_get_current_cycles(time_domain *domain);
