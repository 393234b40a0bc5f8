// The Linux system-call emulation of programs run without an operating system: "sc" and "scv"
// hand the call to HandleSystemCall in standalone mode.
#pragma once

#include <cstdint>

struct IOPDesc;
struct ThreadState;

// Serves the call numbered by GPR0 with the arguments in GPR3..GPR8; the result goes to GPR3.
// The value returned is not used by the callers.
int64_t HandleSystemCall(IOPDesc *iop);

// STAND-IN support: the calls the stand-in received.
struct SystemCallStandinLog {
    long calls;
    ThreadState *thread;
    uint64_t number; // GPR0 of the last call
};
extern SystemCallStandinLog system_call_standin_log;
