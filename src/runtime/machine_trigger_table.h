// The trigger table of a machine: where its associative triggers ("BRANCH_SELF", "NOOP",
// "ATTN", ...) are looked up.
#pragma once

struct GenericMachine;
struct TriggerTable;

TriggerTable *Machine_Trigger_Table(GenericMachine *machine);
