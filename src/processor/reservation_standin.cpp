#include "processor/reservation_standin.h"

// STAND-IN: no client can hold a reservation yet (the reservation count stays 0).
void revoke_core_reservations(MCM *, MemoryClient *, uint64_t) {}
