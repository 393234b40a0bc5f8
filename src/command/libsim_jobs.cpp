// Ready-queue jobs through the embedding interface.
#include "command/libsim_jobs.h"

#include "command/job_commands.h"
#include "processor/hooks/embed_hooks.h"

int LIBSIM__RQ_Job_Count(vLIBSIM_data *handle, int *count)
{
    return readyq_job_count(LSD_Machine(handle), count);
}

int LIBSIM__RQ_Job_Data(vLIBSIM_data *handle, char *names, uint64_t *ticks, int *positions)
{
    return readyq_job_positions(LSD_Machine(handle), names, ticks, positions);
}

int LIBSIM__RQ_Job_Set_Data(vLIBSIM_data *handle, const char *name, uint64_t tick, int)
{
    return readyq_job_reposition(LSD_Machine(handle), name, tick);
}

int LIBSIM__Interrupts_Set(vLIBSIM_data *handle, int, const char *name, uint64_t tick, int unused)
{
    return LIBSIM__RQ_Job_Set_Data(handle, name, tick, unused);
}
