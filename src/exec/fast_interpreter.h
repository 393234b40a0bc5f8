// The fast interpreter of the LOOSE, FAST and WARMUP modes.
#pragma once

#include <cstdint>

struct ThreadState;

// Runs up to n instructions; returns the number executed and leaves the stopping instruction to
// the one-instruction interpreter.
uint32_t fast_go(ThreadState *thread, uint32_t n);
