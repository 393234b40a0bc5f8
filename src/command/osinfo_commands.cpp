// The "ppc_os_info" table: which guest process and thread a hardware thread runs.
#include <tcl.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "command/cmd_table.h"
#include "command/later_tables.h"
#include "command/selector.h"
#include "exec/machine_triggers.h"
#include "processor/records/thread_state.h"
#include "runtime/tcl_output.h"

SimCmdTable *ppc_OSInfo_table = nullptr;

namespace
{

bool whole_number(const char *text, uint64_t *value)
{
    char *end = nullptr;
    errno = 0;
    *value = strtoull(text, &end, 0);
    return end != text && *end == '\0' && errno == 0;
}

} // namespace

int PPC_OSInfoGetCmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    Tcl_Obj *list = Tcl_NewListObj(0, nullptr);
    Tcl_ListObjAppendElement(interpreter, list, Tcl_NewStringObj("pid", -1));
    Tcl_ListObjAppendElement(interpreter, list, Tcl_NewWideIntObj((Tcl_WideInt)thread->os_pid));
    Tcl_ListObjAppendElement(interpreter, list, Tcl_NewStringObj("tid", -1));
    Tcl_ListObjAppendElement(interpreter, list, Tcl_NewWideIntObj((Tcl_WideInt)thread->os_tid));
    std::string pid = std::to_string(thread->os_pid);
    const char *exec = Tcl_GetVar2(interpreter, "osinfo_pid_map", pid.c_str(), TCL_GLOBAL_ONLY);
    if (exec) {
        Tcl_ListObjAppendElement(interpreter, list, Tcl_NewStringObj("exec", -1));
        Tcl_ListObjAppendElement(interpreter, list, Tcl_NewStringObj(exec, -1));
    }
    Tcl_SetObjResult(interpreter, list);
    return 0;
}

int PPC_OSInfoSetCmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 2) {
        SIM_TCLPRINT(interpreter, "usage: %s {pid <pid>} {tid <tid>} {exec <name>}", argv[0]);
        return 1;
    }
    ThreadState *thread = select_thread(selector);
    if (!thread) return 1;
    for (int i = 1; i < argc; i += 2) {
        const char *key = argv[i];
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        uint64_t number = 0;
        switch (tolower((unsigned char)key[0])) {
        case 'p':
        case 't': {
            const char *name = tolower((unsigned char)key[0]) == 'p' ? "pid" : "tid";
            if (!value) {
                SIM_TCLPRINT(interpreter, "%s: expecting number after '%s'", argv[0], name);
                return 1;
            }
            if (!whole_number(value, &number)) {
                SIM_TCLPRINT(interpreter, "%s: invalid %s '%s'", argv[0], name, value);
                return 1;
            }
            (name[0] == 'p' ? thread->os_pid : thread->os_tid) = number;
            break;
        }
        case 'e':
            if (!value) {
                SIM_TCLPRINT(interpreter, "%s: expecting name after 'exec'", argv[0]);
                return 1;
            }
            Tcl_SetVar2(interpreter, "osinfo_pid_map", std::to_string(thread->os_pid).c_str(), value,
                        TCL_GLOBAL_ONLY);
            break;
        default:
            SIM_TCLPRINT(interpreter, "%s: unknown option '%s'", argv[0], key);
            return 1;
        }
    }
    return Trigger_PID__Check(thread->machine, thread, thread->os_pid) ? 0 : 1;
}

SimCmdTable *build_ppc_OSInfo_table(void *)
{
    ppc_OSInfo_table = Init_SimCmdTable("ppc_os_info");
    add_simcommand(ppc_OSInfo_table, "set", PPC_OSInfoSetCmd, "PPC_OSInfoSetCmd", -1, 0, nullptr);
    add_simcommand(ppc_OSInfo_table, "get", PPC_OSInfoGetCmd, "PPC_OSInfoGetCmd", -1, 0, nullptr);
    return ppc_OSInfo_table;
}
