// Start-up of the dynamic translator: its tables and its callback registration.
#pragma once

// Initialises the translator's operation and disassembler tables and clears its counters.
void turbo_init(void);
// Registers the translator's periodic statistics callback (priority 1, name "turbo").
void Callbacks_register_TurboMode(void);
