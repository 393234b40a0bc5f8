// Stand-in of the system-call trigger check.
#include "isa/hooks/syscall_trigger.h"

SyscallTriggerStandinLog syscall_trigger_standin_log = {};

// STAND-IN: system-call triggers (their table and the Tcl call) are not built; the check is
// recorded and nothing runs.
__attribute__((weak)) int Trigger_Syscall__Check(GenericMachine *, ThreadState *thread, uint64_t number)
{
    syscall_trigger_standin_log.calls++;
    syscall_trigger_standin_log.thread = thread;
    syscall_trigger_standin_log.number = number;
    return 0;
}
