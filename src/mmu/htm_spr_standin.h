// The transactional-memory services the SPR moves use: the facility check of transactional
// memory and the recording of a transaction failure.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// 1 when transactional memory may be used; else raises (Hypervisor) Facility Unavailable (5), 0.
int HTM_ENABLED_CHECK(IOPDesc *iop);
// Records a transaction failure with the cause at the address when the MSR is transactional or
// suspended and no failure is recorded yet.
void htm_record_failure(ThreadState *thread, int32_t cause, uint64_t address, int32_t flag, uint32_t code,
                        uint64_t msr);

// STAND-IN support: the failures recorded so far (the transactional-memory model is not built).
struct HTMFailureStandinLog {
    long calls;        // failures recorded
    ThreadState *thread;
    int32_t cause;
    uint64_t address;
};
extern HTMFailureStandinLog htm_failure_standin_log;
