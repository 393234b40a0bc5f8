#include "processor/hooks/pturbo_control.h"

#include "processor/records/generic_machine.h"
#include "translator/callouts.h"

// STAND-IN: the parallel translator is not built yet; no worker thread exists to stop.
void pturbo_zap_all_threads_now(const char *) {}

// STAND-IN: the parallel translator is not built; exit_common takes its parallel path only while
// turbo.in_pturbo is set, which nothing sets yet.
__attribute__((weak)) uint64_t jit_do_pturbo_return(ThreadState *, uint64_t, uint64_t, uint64_t) noexcept
{
    return 0;
}
