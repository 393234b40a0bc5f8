// Process-wide start-up and shut-down: the global data structures, the signal handlers and the
// time limit (the command line is runtime/options.h, the exit routine Sim_Quit runtime/stop.h).
#pragma once

#include <cstdint>

struct Tcl_Interp;

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

// The simulator's version, one number per byte (1.0.2.2).
uint32_t get_quarn_version_info(void);

// The trivial procedures of the command server's "SelectChannel" channel type.
int SelectChannelCloseProc(void *instance, Tcl_Interp *interpreter);
int SelectChannelOutputProc(void *instance, const char *buffer, int size, int *error_code);
void SelectChannelWatchProc(void *instance, int mask);
