// The "PPC_ProcessTree" table of the thread-level set: the selected thread's current guest
// process in the machine's process tree.
#include <tcl.h>

#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "command/selector.h"
#include "guest/process_tree.h"
#include "guest/sim_support.h"
#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"
#include "translator/trace_process.h"

int PT_ProcessCurrentCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    ProcessTree *tree = thread->machine ? thread->machine->process_tree : nullptr;
    if (!tree || !tree->currentPID) {
        SIM_TCLPRINT(interpreter, "%ld", -1L);
        return 0;
    }
    int32_t number = SimSupport_Thread_Number(thread);
    if (number < 0 || number >= PT_MAX_CORES) number = 0;
    SIM_TCLPRINT(interpreter, "%ld", (long)tree->currentPID[number]);
    return 0;
}

int PT_ProcessSwitchCmd(Selector *selector, Tcl_Interp *, int, char **argv)
{
    int ok = 0;
    int64_t pid = (int64_t)STRING2INT_rc(argv[1], &ok);
    if (!ok) return 1;
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    ProcessTree *tree = thread->machine ? thread->machine->process_tree : nullptr;
    if (tree && tree->machine && pid >= 0 && pid <= 0x7fff)
        PT_SetCurrentProcess(tree, SimSupport_Thread_Number(thread), (mpid_t)pid);
    TRC_SET_PID(pid);
    return 0;
}

SimCmdTable *build_ppc_ProcessTree_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("PPC_ProcessTree");
    add_simcommand(table, "switch", PT_ProcessSwitchCmd, "PT_ProcessSwitchCmd", 1, 0, "newpid");
    add_simcommand(table, "current", PT_ProcessCurrentCmd, "PT_ProcessCurrentCmd", 0, 0, nullptr);
    return table;
}
