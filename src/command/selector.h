// The selection context of a command: which configuration, machine, chip, processor and
// thread a command is about, and the operations that resolve it.
#pragma once

struct Selector;
struct GenericMachine;

// The machine of a selector, or null for a null selector.
GenericMachine *select_machine(Selector *selector);
