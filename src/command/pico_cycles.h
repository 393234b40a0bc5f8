// Picoseconds into cycles of a time domain.
#pragma once

#include <cstdint>

struct machine_time_domains;
struct time_domain;

// ceil(ceil(picoseconds x D / N) / T): N/D the set's picoseconds per tick, T the domain's ticks per
// cycle (1 without a domain); 0 for 0 ticks. Unsigned 64-bit arithmetic.
uint64_t TD_convert_pico_to_cycles(machine_time_domains *set, uint64_t picoseconds, time_domain *domain);
