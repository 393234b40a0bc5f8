// The way out of translated code in parallel mode: the exit stub suspends the thread's task.
#include "processor/records/thread_state.h"
#include "runtime/message.h"
#include "translator/callouts.h"
#include "translator/ptask.h"
#include "translator/turbo_reason.h"

uint64_t jit_do_pturbo_return(ThreadState *thread, uint64_t, uint64_t, uint64_t) noexcept
{
    turbo_s &turbo = thread->turbo;
    ptask_s *task = turbo.ptask ? turbo.ptask : current_ptask;
    if (!task) return 0;
    const int code = turbo.reason == EXIT_MFTB ? 3 : turbo.reason == EXIT_LIMIT ? 2 : 1;
    const uint64_t pc = turbo.pc;
    ptask_suspend(task, code);
    // Resumed: the stub goes on at the same guest PC with the budget now in the thread.
    if (turbo.pc != pc) sim_error("PC HAS CHANGED!");
    turbo.pturbo_tb_supplied = code == 3 && turbo.reason == EXIT_MFTB ? 1 : 0;
    return 0;
}
