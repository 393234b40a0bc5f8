// What the command language asks of the cycle-level core: its global record, building it, its
// statistics (printed, cleared, collected into named buckets), dumps, configuration print and the
// conservative "chicken switch". Defined by the core model (cycle_core_stats_standin.cpp until it
// exists).
#pragma once

#include <cstdint>

struct GenericMachine;

// The core model's global record: set built once the model exists, and its number of cores.
struct CCoreGlobalConfig {
    int32_t built;
    int32_t num_cores;
};
extern CCoreGlobalConfig ccoreGlobalConfig;

// STAND-IN: the cycle-core thread state holds only its flags until the core model exists; bit
// 0x10 is the chicken switch.
struct CThreadState {
    uint8_t flags;
};
constexpr uint8_t CTHREAD_CHICKEN_SWITCH = 0x10;

void CycleCore_fix(GenericMachine *machine);
void CycleCore_stats_print(void *component, GenericMachine *machine, int flag, int verbose);
void CycleCore_stats_reset(void *component, GenericMachine *machine);
void CycleCore_dump_one(int32_t core);
void CycleCore_dump_cb(void *component);
void CycleCore_config_print(void *component);
void CycleCore_chicken_switch_on(CThreadState *state);
// Buckets: start and stop answer 0 when the thread has no bucket of that name.
void CThreadStats_bucket_create(CThreadState *state, const char *name);
int CThreadStats_bucket_start(CThreadState *state, const char *name);
int CThreadStats_bucket_stop(CThreadState *state, const char *name);
