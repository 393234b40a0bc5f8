// A thread's transaction failure record as the tests read it: whether a failure was recorded (the
// doomed flag with TEXASR's failure summary) and its cause (TEXASR bits 32-63); and a fresh record.
#pragma once

#include <cstdint>

#include "processor/records/thread_state.h"

constexpr uint64_t TEST_TEXASR_FS = 0x8000000;

inline bool HTM_Failure_Recorded(const ThreadState *thread)
{
    return thread->htm_failure_pending && (thread->TEXASR.value & TEST_TEXASR_FS);
}
// The recorded cause with its reason bits; 0 when nothing is recorded.
inline uint32_t HTM_Recorded_Cause(const ThreadState *thread)
{
    return HTM_Failure_Recorded(thread) ? (uint32_t)(thread->TEXASR.value >> 32) : 0;
}
// Forgets the recorded failure, so that the next one is recorded.
inline void HTM_Clear_Failure(ThreadState *thread)
{
    thread->TEXASR.value = 0;
    thread->htm_failure_pending = 0;
    thread->htm_failure_stage = 0;
}
