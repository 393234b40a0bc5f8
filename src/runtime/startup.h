// Process-wide start-up and shut-down: the global data structures, the signal handlers, the exit
// routine, and the command line (recording, -D/-U collection, option parsing, usage).
#pragma once

#include <cstddef>
#include <cstdint>

struct Tcl_Interp;

// Does nothing; called once at the start of main.
void Print_Disclaimer(void);
// Prints the usage text and exits with status -1.
[[noreturn]] void usage(int argc, char **argv);

// Records the arguments as one text: each followed by a blank, those containing a blank or tab in
// double quotes, trailing blanks removed. Allocated through quarn_malloc.
char *Record_Command_Line(int argc, char **argv);
// Collects every "-<letter> words" group as "{words} " (each '=' made a blank), without the final
// blank, into result (capacity bytes including the terminator; longer output is cut).
void Collect_Command_Line_Options(int argc, char **argv, char letter, char *result, size_t capacity);
// Parses the options (prints the usage and exits on a bad one); returns the index of the first
// operand.
int Parse_Command_Line_Options(int argc, char **argv);
// Arms the CPU-time limit of time_limit seconds (nothing when it is not positive).
void Arm_Time_Limit(void);

// Process-wide initialisation, in a fixed order ending with the callback lists.
void Initialize_Quarn_Data_Structures(void);
// Releases the global exception pool and the callback lists.
void Quit_Quarn_Data_Structures(void);
// Installs the start-up signal handler for the stop and error signals.
void Setup_Signal_Handlers(void);
// The start-up signal handler.
void Sigusr(int signal_number);

// Restores the terminal and leaves through Tcl's exit handlers.
[[noreturn]] void Sim_Quit(int code);
// Evaluates a command in the simulator's interpreter; complains when it fails.
void do_tcl_command(const char *text);
// The simulator's version, one number per byte (1.0.2.2).
uint32_t get_quarn_version_info(void);

// The trivial procedures of the command server's "SelectChannel" channel type.
int SelectChannelCloseProc(void *instance, Tcl_Interp *interpreter);
int SelectChannelOutputProc(void *instance, const char *buffer, int size, int *error_code);
void SelectChannelWatchProc(void *instance, int mask);
