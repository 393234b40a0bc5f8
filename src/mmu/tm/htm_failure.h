// Transaction failure and rollback: the failure record (TEXASR, TFIAR, the doomed thread), the
// rollback to the failure handler, the failure sources that are not tied to one access (interrupts,
// exceptions, tlbie, the abort-all command), the failure types and the reason texts.
// (htm_record_failure, htm_handle_failure, htm_handle_interrupt, htm_handle_exception,
// htm_rollback_all_transactions and HTM_tlbie are declared in processor/hooks/htm.h and
// mmu/tm_operations.h.)
#pragma once

#include <cstdint>

struct ThreadState;

// Failure causes (TEXASR bits 32-63).
enum : uint32_t {
    HTM_CAUSE_INTERRUPT = 0x1c00000,
    HTM_CAUSE_EXCEPTION = 0x1600000,
    HTM_CAUSE_DISALLOWED = 0x1800000,
    HTM_CAUSE_NESTING = 0x1400000,
    HTM_CAUSE_FOOTPRINT_OVERFLOW = 0x1200000,
    HTM_CAUSE_CONFLICT_NON_TRANSACTIONAL = 0x80000,
    HTM_CAUSE_CONFLICT_TRANSACTIONAL = 0x40000,
    HTM_CAUSE_SELF_INDUCED = 0x1100000,
    HTM_CAUSE_INVALIDATION = 0x20000,
    HTM_CAUSE_IMPLEMENTATION_PERSISTENT = 0x1010000,
    HTM_CAUSE_INJECTED = 0x10000,
    HTM_CAUSE_FETCH_CONFLICT = 0x8000,
};

// TEXASR fields.
constexpr uint64_t TEXASR_LEVEL = 0xFFF;
constexpr uint64_t TEXASR_TA = 0x1000000;
constexpr uint64_t TEXASR_ROT = 0x2000000;
constexpr uint64_t TEXASR_EXACT = 0x4000000;
constexpr uint64_t TEXASR_FS = 0x8000000;
constexpr uint64_t TEXASR_PR = 0x10000000;
constexpr uint64_t TEXASR_HV = 0x20000000;
constexpr uint64_t TEXASR_MSR_US = 0x40000000;
constexpr uint64_t TEXASR_SUSPENDED = 0x80000000;

// The failure-type index a cause is counted under (0 "Unknown" for any other cause).
int htm_failure_type(uint32_t cause);
// The name of failure type 0-15.
const char *htm_failure_type_name(int type);
// The text of a reason code.
const char *htm_exit_reason(uint32_t reason);
// Records the failure with the thread's MSR, or, while the thread has an instruction in
// execution, queues a TM op failure exception whose delivery records it and rolls back.
void htm_record_failure_queued(ThreadState *thread, int32_t cause, uint64_t address, int32_t exact,
                               uint32_t reason);
// Lowers the machine's threads-in-transaction count (a negative count is a fatal error).
void htm_leave_transaction_count(ThreadState *thread);
