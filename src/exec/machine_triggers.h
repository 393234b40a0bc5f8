// A machine's trigger table: created with the machine, given its associative-trigger names, freed
// when the machine quits.
#pragma once

#include <cstdint>

struct GenericMachine;
struct ThreadState;
struct TriggerTable;

// A new, empty trigger table for a machine.
TriggerTable *Triggers_Init(void);
// Predefines the machine's associative-trigger names.
void Assoc_Trigger_Init(GenericMachine *machine);
// Frees the machine's triggers and trigger table.
void Triggers_Quit(GenericMachine *machine);

// Fires the process-id trigger of the process id on the thread; the trigger's result, non-zero
// when none is set.
int Trigger_PID__Check(GenericMachine *machine, ThreadState *thread, uint64_t pid);
