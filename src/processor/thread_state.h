// The hardware-thread record. This is the beginning of the record: identity, links and the command
// table; the thread set-up adds registers, jobs and translation state.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MCM;
struct ProcessorState;
struct SimCmdTable;

struct ThreadState {
    uint32_t object_id;        // object-registry id (kind 5)
    ProcessorState *processor; // owning processor
    MCM *mcm;                  // the processor's chip
    GenericMachine *machine;   // the processor's machine
    int32_t thread_id_in_core; // index in the processor's thread array
    char *name;                // the processor's name, or "%s:%d" with the thread number
    SimCmdTable *command_table;
};
