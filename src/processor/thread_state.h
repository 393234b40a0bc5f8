// The hardware-thread record. This is the beginning of the record: identity, links and the
// memory client; the thread set-up adds registers, jobs and translation state.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MCM;
struct MemoryClient;
struct ProcessorState;

struct ThreadState {
    uint32_t object_id;               // object-registry id (kind 5)
    ProcessorState *processor;        // owning processor
    MCM *mcm;                         // the processor's chip
    GenericMachine *machine;          // the processor's machine
    int32_t thread_id_in_core;        // index in the processor's thread array
    int32_t device_number;            // number in the machine's "Thread" device class
    char *name;                       // the processor's name, or "%s:%d" with the thread number
    ProcessorState *shared_processor; // the processor whose shared registers the thread writes
    MemoryClient *memory_client;      // the thread as a memory agent of its chip
    int32_t ha_flush_pending;         // flush request of the core's HA command register
};
