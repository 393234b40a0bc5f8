// Why translated code returned to the simulator: the 53 exit reasons and their names.
#pragma once

#include <cstdint>

#include "processor/hooks/turbo_reason_name.h"

enum turbo_exit : int32_t {
    EXIT_ALIGN = 0,
    EXIT_BOGUS = 1,
    EXIT_BRANCH_SELF = 2,
    EXIT_MFTB = 3,
    EXIT_LIMIT = 4,
    EXIT_FETCH = 5,
    EXIT_TA = 6,
    EXIT_FP = 7,
    EXIT_SIGFPE = 8, // named "not sure"
    EXIT_HYPER = 9,
    EXIT_INTERRUPT = 10,
    EXIT_INVALID = 11,
    EXIT_MODE = 12,
    EXIT_PRIORITY_CHANGE = 13,
    EXIT_PRIORITY_LOW_LOW = 14,
    EXIT_BIT_ACCURATE = 15,
    EXIT_DCBZ = 16,
    EXIT_DELAY_1000 = 17,
    EXIT_EAO_NEEDED = 18,
    EXIT_MSR_DONE = 19,
    EXIT_MSR_NOT_DONE = 20,
    EXIT_PRIV = 21,
    EXIT_READ = 22,
    EXIT_RFID = 23,
    EXIT_SIGNAL = 24, // named "not sure"
    EXIT_STAMP = 25,
    EXIT_TRAP = 26,
    EXIT_UNKNOWN = 27,
    EXIT_WRITE = 28,
    EXIT_LARX = 29,
    EXIT_STCX = 30,
    EXIT_UNNAMED_31 = 31, // named "not sure"
    EXIT_LOAD_BALANCE = 32,
    EXIT_EXIT_RESERVATION = 33,
    EXIT_OTHER_EXIT_RESERVATION = 34,
    EXIT_LITTLE_ENDIAN = 35,
    EXIT_SLB = 36,
    EXIT_TLB = 37,
    EXIT_VMX = 38,
    EXIT_VSX = 39,
    EXIT_XFLUSH = 40,
    EXIT_PA_PCTRIGGER = 41,
    EXIT_EA_PCTRIGGER = 42,
    EXIT_PA_MEMTRIGGER = 43,
    EXIT_EA_MEMTRIGGER = 44,
    EXIT_MSR_W_REGTRIGGER = 45,
    EXIT_PTURBO_UNSAFE = 46,
    EXIT_AMOUNT_TOO_SMALL = 47,
    EXIT_SIM_STOPPED = 48,
    EXIT_NO_EMAT = 49,
    EXIT_WAIT_ON_MEMORY = 50,
    EXIT_TRANSACTIONAL_MEMORY = 51,
    EXIT_DIRTY_FPRS = 52,
};

constexpr int TURBO_EXIT_REASONS = 53;

// turbo_reason, the name of an exit reason: processor/hooks/turbo_reason_name.h.
