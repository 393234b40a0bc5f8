// Emptying every ERAT entry a thread made.
// Declared here for the floors that call it; defined by mmu (mmu/erat.cpp).
#pragma once

#include <cstdint>

struct ThreadState;

void ERAT_InvalidateAll(ThreadState *thread, int32_t reason, const char *text);
