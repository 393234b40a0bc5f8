#include "processor/hooks/pturbo_control.h"

#include "processor/records/generic_machine.h"
#include "translator/callouts.h"

// STAND-IN: the parallel translator is not built yet; no worker thread exists to stop.
void pturbo_zap_all_threads_now(const char *) {}

// STAND-IN: trace libraries are not built yet; tracing is never on.
int TRC_IS_ON(void)
{
    return 0;
}
