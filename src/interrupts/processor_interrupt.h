// The processor interrupt hook's function: raises and lowers the external interrupt of a
// hardware thread.
#pragma once

#include <cstdint>

// (chip, operation, thread index, argument): 1 raises and 0 lowers the external interrupt of the
// "Thread" device index & 0x7FFFFFFF; 2 does nothing; others are an error. 1 when the thread then
// has an external-interrupt record; 0 for an index the machine has no thread for.
int Processor_Interrupt_Handler(void *chip, int32_t operation, int32_t index, uint64_t argument);
