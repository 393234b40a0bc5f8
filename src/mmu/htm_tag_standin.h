// The transactional-memory footprint's tag bits as the memory-tag reads reach them.
#pragma once

#include <cstdint>

struct ThreadState;

// STAND-IN: 1 and the tag of the address's granule when the thread's transaction footprint
// holds the line. Transactional memory is not built yet: never holds one (0).
int HTM_PA_Read_Memory_TAG(ThreadState *thread, uint64_t address, int *tag);
