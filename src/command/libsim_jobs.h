// The embedding interface's functions over the event kernel's ready-queue jobs of the handle's
// machine (they use the ready-queue walks of command/job_commands.h).
#pragma once

#include <cstdint>

struct vLIBSIM_data;

extern "C" {
// *count = the number of ready-queue entries; 1, or 0 without an event kernel.
int LIBSIM__RQ_Job_Count(vLIBSIM_data *handle, int *count);
// Every entry in tick order: its job's name (128 bytes each), tick and place; the number of entries.
int LIBSIM__RQ_Job_Data(vLIBSIM_data *handle, char *names, uint64_t *ticks, int *positions);
// Re-queues the named job at the tick; 0 when no queued job has that name.
int LIBSIM__RQ_Job_Set_Data(vLIBSIM_data *handle, const char *name, uint64_t tick, int ignored);
int LIBSIM__Interrupts_Set(vLIBSIM_data *handle, int ignored, const char *name, uint64_t tick, int unused);
}
