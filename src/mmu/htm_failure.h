// The recording of a transaction failure by instructions that may not run inside a transaction.
#pragma once

#include <cstdint>

struct ThreadState;

// Records the first failure of the thread's current transaction: the cause word, the address, the
// persistent flag, the exception type and the MSR.
void htm_record_failure(ThreadState *thread, int32_t cause, uint64_t address, int32_t persistent,
                        uint32_t type, uint64_t msr);

// STAND-IN support: the failures the stand-in received.
struct TransactionFailureStandinLog {
    long calls;
    ThreadState *thread;
    int32_t cause;
    uint64_t address;
};
extern TransactionFailureStandinLog transaction_failure_standin_log;
