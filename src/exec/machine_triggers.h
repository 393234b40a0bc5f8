// A machine's trigger table: created with the machine, given its associative-trigger names, freed
// when the machine quits.
#pragma once

struct GenericMachine;
struct TriggerTable;

// A new, empty trigger table for a machine.
TriggerTable *Triggers_Init(void);
// Predefines the machine's associative-trigger names.
void Assoc_Trigger_Init(GenericMachine *machine);
// Frees the machine's triggers and trigger table.
void Triggers_Quit(GenericMachine *machine);
