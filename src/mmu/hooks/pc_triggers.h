// The instruction-address and memory triggers as the engines and the storage path ask them.
// Declared here for the floors that call it; defined by the execution engine
// (exec/pc_triggers.cpp and exec/memory_triggers.cpp).
#pragma once

#include <cstdint>

struct GenericMachine;
struct IOPDesc;
struct ThreadState;

// After an instruction: marks the thread when a trigger waits at the next instruction address.
void Check_For_Triggers_Before_Next_Instr(IOPDesc *iop);
// Fires the real-address PC triggers at the physical address; the last callback's result, 0 when
// none fired.
int Trigger_RealPC__Find_And_Doit(GenericMachine *machine, ThreadState *thread, uint64_t pa);
// Checks a range against the machine's memory triggers (effective: 1 effective, 0 physical
// addresses); the last callback's result, or with fire 0, 1 when one matches; else 0.
int32_t Trigger_Memory__Check_Addr(GenericMachine *machine, ThreadState *thread, uint64_t address, int64_t length,
                                   int effective, uint32_t kind, uint32_t object_id, uint64_t stamp, int fire);
