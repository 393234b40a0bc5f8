// The global common block and the process-wide option variables.
#include "runtime/common.h"

QuarnCommon quarn_common = {nullptr, nullptr, PRINT_FLAG_SIM_TIME | PRINT_FLAG_INSTR_COUNT, -1};

int quiet_mode = 0;
int very_quiet_mode = 0;
int very_very_quiet_mode = 0;
int regress_mode = 0;
int time_limit = -1;
int useXterms = 1;
int useInline = 0;
int print_console_output = 1;
int sim_warning_level = 3;
int CheckIfDebuggerAttached = 0;
int CL_Option_enable_gui = 0;
int configuration_type = 1;
int configuration_smt_mode = 1;
volatile int quarn_go = 1;
char *machine_configuration = nullptr;
char *quarn_initial_tcl_file_name = nullptr;
char *whole_command_line = nullptr;
char *command_line_config_options = nullptr;
char *command_line_user_options = nullptr;
uint64_t quarn_init_time = 0;

void Quarn_Common_Init(void)
{
    quarn_common.interpreter = nullptr;
    quarn_common.trigger_table = nullptr;
    quarn_common.print_flags = PRINT_FLAG_SIM_TIME | PRINT_FLAG_INSTR_COUNT;
    quarn_common.server_port = -1;
}
