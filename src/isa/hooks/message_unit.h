// The chip's message unit as the pbt instructions use it.
// Declared here for the floors that call it; defined by the coprocessors
// (coproc/message_unit_standin.cpp).
#pragma once

#include <cstdint>

struct AXD;
struct IOPDesc;
struct MCM;

// Whether the chip has a message unit.
int Message_Unit_Present(MCM *chip);
// Posts the 128-byte message the descriptor addresses (read with result read_status) to the chip's
// message unit; 0 when refused, with *status bit 0 a storage problem of the message and *status 0
// no delivery.
int as_pbt(IOPDesc *iop, AXD *axd, uint32_t read_status, uint32_t *status);
