// What the message sink reads of the simulated machine for its print headers: the machine a thread
// belongs to, the thread's name, how many threads its processor and how many processors its
// machine has, the machine's instruction count, time and time text, and the current machine. Declared
// here, below the records they read; defined with those records (processor/records/thread_access.cpp,
// processor/records/generic_machine.cpp, processor/time/processor_time.cpp).
#pragma once

#include <cstdint>

struct ThreadState;
struct GenericMachine;

// Each answers "none" (null, null, 0) for no thread.
GenericMachine *ThreadState__Machine(ThreadState *thread);
const char *ThreadState__Name(ThreadState *thread);
uint32_t ThreadState__ProcessorThreadCount(ThreadState *thread);

// The machine made current by the last creation; null while no machine exists.
extern GenericMachine *currentMachine;
// Instructions executed by the machine's threads.
uint64_t GenericMachine__InstructionCount(GenericMachine *machine);
// Number of devices of class "Processor" in the machine's device manager.
int32_t GenericMachine__ProcessorCount(GenericMachine *machine);
// The machine's current time in cycles of its base domain, rounded up; 0 without a kernel, a
// base domain or at tick 0. A machine given is remembered for later calls without one. (The
// record ring buffer stamps its records with it.)
uint64_t GetRawTime(GenericMachine *machine);
// The machine's current cycle count as decimal text in one shared 32-byte buffer (overwritten by
// the next call); a null machine means the machine asked about last (0 when there was none).
const char *Prepare_Time(GenericMachine *machine);
