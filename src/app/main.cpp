// Program entry: the common block, the command line and its options, the banner, the time limit,
// then Tcl's main program with the simulator's start-up hook.
#include <sys/resource.h>
#include <tcl.h>

#include <cstdlib>
#include <cstring>

#include "app/startup.h"
#include "guest/startup_script.h"
#include "runtime/alloc.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/options.h"

// Incremented while waiting for a debugger to set quarn_go (-S).
volatile long counter = 0;

int main(int argc, char **argv)
{
    Quarn_Common_Init();
    Quarn_Output_File = stdout;
    Print_Disclaimer();

    whole_command_line = Record_Command_Line(argc, argv);
    size_t collected_size = (whole_command_line ? strlen(whole_command_line) : 0) + 1;
    command_line_config_options = (char *)quarn_malloc(collected_size, 1, "char", __FILE__, __LINE__);
    command_line_user_options = (char *)quarn_malloc(collected_size, 1, "char", __FILE__, __LINE__);
    Collect_Command_Line_Options(argc, argv, 'D', command_line_config_options, collected_size);
    Collect_Command_Line_Options(argc, argv, 'U', command_line_user_options, collected_size);

    int first_operand = Parse_Command_Line_Options(argc, argv);

    while (quarn_go == 0)
        counter = counter + 1;

    if (!quiet_mode) {
        uint32_t version = get_quarn_version_info();
        SIM_PRINT("quarn %u.%u.%u.%u: full-system simulator of 64-bit PowerPC machines\n", version >> 24,
                  (version >> 16) & 0xFF, (version >> 8) & 0xFF, version & 0xFF);
        SIM_PRINT("Command language: Tcl %s; prompt \"tervalink %% \"\n", TCL_PATCH_LEVEL);
        SIM_PRINT("Type \"exit\" or end the input to leave.\n");
    }

    Arm_Time_Limit();
    Setup_Sliplane();

    struct rlimit stack_limit;
    if (getrlimit(RLIMIT_STACK, &stack_limit) == 0) {
        stack_limit.rlim_cur = stack_limit.rlim_max;
        setrlimit(RLIMIT_STACK, &stack_limit);
    }

    int count = argc - first_operand + 1;
    char **vector = QUARN_MALLOC(count, char *);
    if (!vector) {
        sim_error("main: malloc of args failed");
        exit(-1);
    }
    vector[0] = argv[0];
    for (int i = first_operand; i < argc; i++)
        vector[i - first_operand + 1] = argv[i];

    get_initial_tcl_file_name();
    Tcl_Main(count, vector, Tcl_AppInit);
    QUARN_FREE(vector);
    return 0;
}
