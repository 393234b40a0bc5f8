// Stand-in of the transaction-failure record.
#include "mmu/htm_failure.h"

TransactionFailureStandinLog transaction_failure_standin_log = {};

// STAND-IN: transactions are not modelled (doomed flag, TEXASR/TFIAR, failure statistics); a
// failure is recorded here only.
__attribute__((weak)) void htm_record_failure(ThreadState *thread, int32_t cause, uint64_t address, int32_t,
                                              uint32_t, uint64_t)
{
    transaction_failure_standin_log.calls++;
    transaction_failure_standin_log.thread = thread;
    transaction_failure_standin_log.cause = cause;
    transaction_failure_standin_log.address = address;
}
