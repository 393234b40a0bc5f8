// The guest and host disassemblers of the translator's listings. Built so far: their start-up.
#pragma once

// Makes sure the crack tables the guest lister names kinds with are filled (once).
void dis_init(void);
