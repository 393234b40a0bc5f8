// The processor (core) record. This is the beginning of the record: identity and links; the
// processor set-up adds options, registers, clocks, threads and translation state.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MCM;
struct MBUS;
struct SimCmdTable;
struct ThreadState;

struct ProcessorState {
    uint32_t object_id;      // object-registry id (kind 4)
    char *name;              // "%d:%d" (chip number, index within the chip)
    GenericMachine *machine; // owning machine
    MCM *mcm;                // owning chip
    MBUS *mbus;              // the chip's memory bus
    char *type_name;         // the value of "processor/type"
    uint32_t core_id;        // number in the machine's "Processor" device class
    int32_t chip_position;   // index of the processor group that holds this processor
    uint32_t processor_type; // type id of type_name (0 when unknown)

    // Threads.
    uint32_t num_threads;
    ThreadState *threads; // index = thread_id_in_core

    SimCmdTable *command_table;
};
