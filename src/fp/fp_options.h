// The processor options that select the floating-point unit's hardware-specific behaviour, read
// for an instruction's thread.
#pragma once

#include "processor/records/instruction_record.h"
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"

inline bool FP_Option(const IOPDesc *iop, int option)
{
    return iop->thread->processor->options[option] != 0;
}
inline bool FP_Thread_Option(const ThreadState *thread, int option)
{
    return thread && thread->processor && thread->processor->options[option] != 0;
}
