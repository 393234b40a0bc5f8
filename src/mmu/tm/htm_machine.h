// The machine's transactional-memory record on first use (configuration, footprint geometry, the
// per-thread footprint table), its release, the lookup of a thread's footprint entry, the thread
// walk the model makes, and the model's debug output.
#pragma once

#include <cstdint>

#include "processor/records/htm_data.h"

struct GenericMachine;
struct IOPDesc;
struct ThreadState;

// The machine's record, initialised on first use; null without a machine or record. Given an
// instruction, a first initialisation also takes the FXCC flag from its thread.
htm_data *htm_get_machine_state(GenericMachine *machine, IOPDesc *iop = nullptr);
// The record of the instruction's machine (see above).
htm_data *htm_get_machine_state(IOPDesc *iop);
// The thread's footprint entry, or null when the thread is not in the machine's table.
htm_cache *htm_thread_cache(htm_data *data, ThreadState *thread);
// The machine's threads in table order (device index); null past the end.
ThreadState *htm_thread_at(htm_data *data, int32_t index);

// Whether one of the transactional-memory debug categories is on.
bool htm_debug_on();
// A debug line of the model (only while a transactional-memory debug category is on).
void htm_debug(ThreadState *thread, const char *format, ...) __attribute__((format(printf, 2, 3)));
// The thread's name for messages ("" without one).
const char *htm_thread_name(const ThreadState *thread);
