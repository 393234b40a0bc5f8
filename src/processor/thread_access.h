// What the runtime reads of a hardware thread: its machine, its name and how many threads its
// processor has.
#pragma once

#include <cstdint>

struct ThreadState;
struct GenericMachine;

// STAND-IN: the thread record is not built yet; these answer "no machine", "no name", "no threads".
GenericMachine *ThreadState__Machine(ThreadState *thread);
const char *ThreadState__Name(ThreadState *thread);
uint32_t ThreadState__ProcessorThreadCount(ThreadState *thread);
