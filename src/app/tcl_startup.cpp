// Start-up and shut-down inside the interpreter.
#include "app/tcl_startup.h"

#include <sys/resource.h>
#include <tcl.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <initializer_list>
#include <ctime>

#include "app/startup.h"
#include "command/cmd_table.h"
#include "command/command_server.h"
#include "command/config_commands.h"
#include "command/default_configs.h"
#include "command/global_commands.h"
#include "machine/machine_lifecycle.h"
#include "runtime/alloc.h"
#include "runtime/callbacks.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/triggers.h"

namespace
{

constexpr size_t CONFIG_NAME_LENGTH = 25;
time_t start_time = 0;

void print_hms(const char *format, long seconds)
{
    SIM_PRINT(format, (int)(seconds / 3600), (int)(seconds / 60 % 60), (int)(seconds % 60));
}

} // namespace

void Init_CommandTables(Tcl_Interp *interpreter)
{
    AddSimCommands(interpreter);
    simtopPropertyListCmd_table = build_simPropertyListCmd_table();
}

void Quit_CommandTables(void)
{
    for (SimCmdTable **table : {&simCmd_table, &defineCmd_table, &debugCmd_table, &triggerCmd_table,
                                &simstopCmd_table, &versionCmd_table, &modifyCmd_table, &displayCmd_table,
                                &aliasCmd_table, &simtopPropertyListCmd_table}) {
        Quit_SimCmdTable(*table);
        *table = nullptr;
    }
}

int Tcl_AppInit(Tcl_Interp *interpreter)
{
    if (Tcl_Init(interpreter) == TCL_ERROR) return TCL_ERROR;
    if (CL_Option_enable_gui) SIM_PRINT("GUI is disabled in this build, ignoring\n");
    Quarn_Init(interpreter);
    Tcl_CreateExitHandler(tcl_shutdown, nullptr);
    Tcl_SetVar(interpreter, "tcl_prompt1", "puts -nonewline \"tervalink % \"", TCL_GLOBAL_ONLY);
    if (quarn_initial_tcl_file_name)
        Tcl_SetVar(interpreter, "tcl_rcFileName", quarn_initial_tcl_file_name, TCL_GLOBAL_ONLY);
    return TCL_OK;
}

int Quarn_Init(Tcl_Interp *interpreter)
{
    quarn_common.interpreter = interpreter;
    if (!quiet_mode) {
        char host[1024];
        if (gethostname(host, sizeof host) == 0) {
            host[sizeof host - 1] = '\0';
            time_t now = time(nullptr);
            char when[32];
            SIM_PRINT("Starting quarn on *%s* (pid = %d) at %s", host, (int)getpid(), ctime_r(&now, when));
            SIM_PRINT("With command: %s\n", whole_command_line ? whole_command_line : "");
        }
        start_time = time(nullptr);
    }

    Initialize_Quarn_Data_Structures();
    Init_CommandTables(interpreter);
    Init_Default_Property_Lists(interpreter);

    machine_configuration = REMEMBER_STRING(Resolve_Machine_Configuration(machine_configuration));

    char config[CONFIG_NAME_LENGTH + 1];
    size_t i = 0;
    for (; machine_configuration[i] && i < CONFIG_NAME_LENGTH; i++)
        config[i] = (char)tolower((unsigned char)machine_configuration[i]);
    config[i] = '\0';
    Tcl_SetVar(interpreter, "config", config, TCL_GLOBAL_ONLY);

    return QuarnServer_Init(interpreter);
}

void tcl_shutdown(void *)
{
    while (Quarn_Machine_List)
        Machine_Quit(Quarn_Machine_List);
    Assoc_Trigger_Fire(quarn_common.trigger_table, "QUIT", "%s", "");
    Quarn_Quit();
}

void Quarn_Quit(void)
{
    Quit_Quarn_Data_Structures();
    Global_Assoc_Trigger_Quit();
    Quit_CommandTables();
    Callback_Lists_Quit();
    if (quiet_mode) return;

    time_t now = time(nullptr);
    char when[32];
    SIM_PRINT("\nExiting quarn at %s", ctime_r(&now, when));
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    long user = usage.ru_utime.tv_sec;
    long sys = usage.ru_stime.tv_sec;
    print_hms("Elapsed wall time: %d:%2.2d:%2.2d", (long)(now - start_time));
    print_hms(" (cpu time: %d:%2.2d:%2.2d)\n", user + sys);
    SIM_PRINT("Time distribution: sys=%d:%2.2d:%2.2d; user=%d:%2.2d:%2.2d\n", (int)(sys / 3600),
              (int)(sys / 60 % 60), (int)(sys % 60), (int)(user / 3600), (int)(user / 60 % 60),
              (int)(user % 60));
    SIM_PRINT("Memory usage: max(%ld), share(%ld), data(%ld), stack(%ld)\n", usage.ru_maxrss, usage.ru_ixrss,
              usage.ru_idrss, usage.ru_isrss);
}
