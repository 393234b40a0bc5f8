// What the runtime reads of a hardware thread: its machine, its name and how many threads its
// processor has.
#pragma once

#include <cstdint>

struct ThreadState;
struct GenericMachine;

// Each answers "none" (null, null, 0) for no thread.
GenericMachine *ThreadState__Machine(ThreadState *thread);
const char *ThreadState__Name(ThreadState *thread);
uint32_t ThreadState__ProcessorThreadCount(ThreadState *thread);
