// Stand-in of the thread job's body.
#include "exec/thread_job.h"

#include "kernel/counter.h"
#include "kernel/job.h"
#include "kernel/tsim.h"

// STAND-IN: the chunk loop (run gate, interpreters, instruction limits) is not built; the job
// parks on its own counter for ever, so threads can own jobs before the execution engine exists.
__attribute__((weak)) void PPC_Advance_Job(void *)
{
    job_s *self = tsim_active_job;
    for (;;) {
        counter_set(&self->counter, 1);
        job_sync(self);
    }
}
