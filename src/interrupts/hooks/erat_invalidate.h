// Emptying every ERAT entry a thread made.
#pragma once

#include <cstdint>

struct ThreadState;

void ERAT_InvalidateAll(ThreadState *thread, int32_t reason, const char *text);
