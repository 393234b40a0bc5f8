// The guest and host disassemblers of the translator's listings. Built so far: their start-up.
#pragma once

// Makes sure the crack tables the guest lister names kinds with are filled (once).
void dis_init(void);

#include <cstdint>

// Lists host code from one address up to another (translation listings).
void jit_show_range(uint64_t from, uint64_t to);
// Lists the guest word at a host address in the page's byte order.
void dis_guest_word(uint64_t host_address, int little_endian);
