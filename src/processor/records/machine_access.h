// What the register code reads of its machine: the configuration that gives register masks and
// initial values, the transactional-memory block, and the machine's own register file with its
// descriptions and first thread.
#pragma once

struct GenericMachine;
struct PropertyList;
struct Register_File;
struct ThreadState;
struct htm_data;
struct reg_desc_table;

// STAND-IN: the machine record does not hold its register file and register descriptions yet;
// until it does, every machine answers from machine_register_standin, which tests fill (its
// transactional-memory block serves machines without a block of their own).
struct MachineRegisterStandin {
    htm_data *htm;
    Register_File *register_file;
    reg_desc_table *descriptions;
};
extern MachineRegisterStandin machine_register_standin;

// The machine's property list; null without a machine.
PropertyList *MachineAccess_PropertyList(GenericMachine *machine);
htm_data *MachineAccess_HTM(GenericMachine *machine);
Register_File *MachineAccess_RegisterFile(GenericMachine *machine);
reg_desc_table *MachineAccess_RegisterDescriptions(GenericMachine *machine);
// Thread 0 of the machine's "Thread" device class: the owner of machine-scope registers.
ThreadState *MachineAccess_FirstThread(GenericMachine *machine);
