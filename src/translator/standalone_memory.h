// Guest memory addressed directly on host memory ("turbo/standalone" with unchunked memory): the
// host address of guest physical address 0 and how many bytes from there are contiguous.
#pragma once

#include <cstdint>

struct MCM;

// Whether the machine of the chip translates in standalone form.
int turbo_standalone_memory(MCM *chip);
// The host address of guest physical 0, or null when the memory there has no direct host bytes.
uint8_t *turbo_standalone_base(MCM *chip);
// The bytes of the memory element that starts at guest physical 0 (0 without one or without host
// bytes): standalone accesses at or past it are left to the interpreter.
uint64_t turbo_standalone_limit(MCM *chip);
