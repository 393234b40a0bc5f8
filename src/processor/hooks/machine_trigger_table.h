// The trigger table of a machine: where its associative triggers ("BRANCH_SELF", "NOOP",
// "ATTN", ...) are looked up. Declared here for the floors that fire them; defined by the
// execution engine's triggers (exec/machine_triggers.cpp).
#pragma once

struct GenericMachine;
struct TriggerTable;

TriggerTable *Machine_Trigger_Table(GenericMachine *machine);
