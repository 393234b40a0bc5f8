// The body of every hardware thread's execution job and its chunk loop.
#pragma once

#include <cstdint>

struct ThreadState;

// A positive value is the chunk size of TURBO, SIMPLE and mode 8 and makes their chunks chunky
// (one cycle per instruction, time applied once at the end of the chunk); 0 or below: off.
extern "C" int32_t chunk_instruction_limit;

// Runs the thread (argument: its ThreadState) in chunks while it may run; never returns.
void PPC_Advance_Job(void *thread);
// Runs one chunk: sizes it, offers it to the mode's engine and interprets what the engine leaves.
void Simple_Advance_PPC(ThreadState *thread);
