// Dropping the cache model's lines of a physical range before something writes it behind the
// caches' back (the program-image loaders).
#pragma once

#include <cstdint>

struct GenericMachine;

// In modes above SIMPLE flushes the cache model's lines of [address, address + length) at once;
// in the functional modes (SIMPLE and below) there are no lines to flush.
void Cache_Flush_Lines_For_Range(GenericMachine *machine, uint64_t address, uint64_t length);
