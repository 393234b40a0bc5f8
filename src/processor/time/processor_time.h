// Simulated time as cycle counts: conversions between time domains, a domain's current cycle and
// phase, and the machine's current time in base cycles as a number and as text.
#pragma once

#include <cstdint>

#include "runtime/hooks/print_header_hooks.h" // GetRawTime, Prepare_Time

struct GenericMachine;
struct time_domain;

// The running kernel's current tick in cycles of the domain (1 tick per cycle without one),
// rounded up, and the tick's phase within that cycle; (0, 0) at tick 0.
uint64_t TD_get_current_cycles(time_domain *domain, uint64_t *phase = nullptr);
// n cycles of one domain in cycles of another (rounded up); n unchanged when either is missing.
uint64_t TD_Cross_Domain_Convert(uint64_t n, time_domain *from, time_domain *to);
// The current machine's cycle count in its processor time domain (0 without a machine).
uint64_t Sim_Current_Cycles(void);
