// Start-up of the dynamic translator: its tables (its callback registration is declared with the
// others in runtime/hooks/model_callbacks.h).
#pragma once

// Initialises the translator's operation and disassembler tables and clears its counters.
void turbo_init(void);
