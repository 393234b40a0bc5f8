// Processor-unit services of the cycle-level core and the cache model: the IOPDesc hand-out of
// the cycle-level core and the clearing of every load-and-reserve reservation of a machine.
#pragma once

struct GenericMachine;
struct IOPDesc;
struct ThreadState;

// An IOPDesc for the thread from the global free list (or a new one, prepared once: its access
// descriptors from INITIAL_AXD, the fetch one of kind fetch and size 4); every hand-out clears the
// deferred-trigger and status flags and empties the exception list. Null when memory runs out.
IOPDesc *get_Instruction_Cycle(ThreadState *thread);

// Clears the reservation of every client on every chip's reservation list, chip by chip.
void reset_core_reservations(GenericMachine *machine);
