// NAT: a set of units, each busy until a tick. Consuming n ticks books them on the unit that is
// free first (from now, or from its busy-until tick when that is later) and delays the running job
// until the booking ends; with no units it is a plain delay.
#pragma once

#include <cstdint>

#include "kernel/tsim.h"

struct nat_s {
    tsim_s *tsim;
    int32_t units;
    uint64_t *busy_until; // per unit
};

// All units free; 0 when the array cannot be had ("Can't allocate %d bytes for NAT").
int nat_init(nat_s *nat, tsim_s *tsim, int units);
// With the units' busy-until ticks given.
int nat_initv(nat_s *nat, tsim_s *tsim, int units, const uint64_t *busy_until);
nat_s *nat_new(tsim_s *tsim, int units);
nat_s *nat_newv(tsim_s *tsim, int units, const uint64_t *busy_until);
// Changes the number of units (new units are free); 0, with the units unchanged, on failure.
int nat_reset_width(nat_s *nat, int units);
// The unit booked (-1 for the plain delay).
int nat_consume_ticks(nat_s *nat, uint64_t ticks);
void nat_cleanup(nat_s *nat);
void nat_free(nat_s *nat);
