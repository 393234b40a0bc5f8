// The global common block and the process-wide option variables set from the command line.
#pragma once

#include <cstdint>

struct Tcl_Interp;
struct TriggerTable;

struct QuarnCommon {
    Tcl_Interp *interpreter;     // the one interpreter of the process
    TriggerTable *trigger_table; // global associative triggers ("SIM_START", "SIM_STOP")
    int32_t print_flags;         // print-header flags, see PRINT_FLAG_*
    int32_t server_port;         // command-server port; > 0 starts the server
};
extern QuarnCommon quarn_common;

// The machine configuration used when -m names none (or an unknown one).
constexpr const char *DEFAULT_MACHINE_CONFIGURATION = "MYRRIN";

enum : int32_t {
    PRINT_FLAG_SIM_TIME = 0x1,
    PRINT_FLAG_INSTR_COUNT = 0x2,
    PRINT_FLAG_TIME_OF_DAY = 0x4,
    PRINT_FLAG_CONSOLE_TAG = 0x8,
    PRINT_FLAG_DELTA = 0x10,
};

extern int quiet_mode;
extern int very_quiet_mode;
extern int very_very_quiet_mode;
extern int regress_mode;
extern int time_limit;
extern int useXterms;
extern int useInline;
extern int print_console_output;
extern int sim_warning_level;
extern int CheckIfDebuggerAttached;
extern int CL_Option_enable_gui;
extern int configuration_type;
extern int configuration_smt_mode;
extern volatile int quarn_go;
extern char *machine_configuration;
extern char *quarn_initial_tcl_file_name;
extern char *whole_command_line;
extern char *command_line_config_options;
extern char *command_line_user_options;
extern uint64_t quarn_init_time;

void Quarn_Common_Init(void);
