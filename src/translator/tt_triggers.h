// Triggers in translated code as the page translation and the routine selection ask for them:
// PC triggers on a slot's physical address and the memory triggers of a chip.
#pragma once

#include <cstdint>

struct MCM;
struct xframe;

// Whether the chip has a PC trigger at the physical address.
int tt_has_pctriggers(MCM *chip, uint64_t physical_address);
// Emits the code of the slot's PC triggers; non-zero when the instruction's own code follows.
int tt_handle_pctriggers(xframe *x, uint32_t word, uint32_t slot);
// Whether the chip has memory triggers; then tt_handle_memtriggers makes sure their routines exist.
int tt_has_memtriggers(MCM *chip);
void tt_handle_memtriggers(MCM *chip);
