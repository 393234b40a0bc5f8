// Load-and-reserve reservations as the memory map's gated fills reach them.
#pragma once

#include <cstdint>

struct MCM;
struct MemoryClient;

// STAND-IN: revokes every reservation on the chip that covers the address, sparing one client.
// Reservations are not built yet, so no client holds one and there is nothing to revoke.
void revoke_core_reservations(MCM *chip, MemoryClient *spared, uint64_t address);
