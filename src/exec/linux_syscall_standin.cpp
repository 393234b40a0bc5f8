// Stand-in of the Linux system-call emulation.
#include "exec/linux_syscall.h"

#include "processor/instruction_record.h"
#include "processor/thread_state.h"

SystemCallStandinLog system_call_standin_log = {};

// STAND-IN: the emulation (console output, program break, identity and time calls, file status,
// uname) is not built; the call is recorded and ignored, GPR3 is left as it is.
__attribute__((weak)) int64_t HandleSystemCall(IOPDesc *iop)
{
    system_call_standin_log.calls++;
    system_call_standin_log.thread = iop->thread;
    system_call_standin_log.number = iop->thread ? iop->thread->GPR[0].value : 0;
    return 0;
}
