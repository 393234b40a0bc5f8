// The processor (core) record. This is the beginning of the record: identity, links, clocks,
// threads and the core's SCOM block; the processor set-up adds options, registers and
// translation state.
#pragma once

#include <cstdint>

#include "processor/time_domain.h"

struct GenericMachine;
struct MCM;
struct MBUS;
struct ThreadState;
struct ex_scom_registers_s;

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

    // Clocks.
    FreqSpec *core_freq;          // the frequency of the processor's clock domain
    time_domain *core_domain;     // the processor's clock domain
    FreqSpec timebase_freq;       // "timebase_frequency"
    time_domain *timebase_domain; // "timebase" or "timebase-%d"

    // Threads.
    uint32_t num_threads;
    ThreadState *threads; // index = thread_id_in_core

    ex_scom_registers_s *ex_scom_regs; // the core's EX SCOM block
};
