#include "translator/pturbo_control.h"

// STAND-IN: the parallel translator is not built yet; no worker thread exists to stop.
void pturbo_zap_all_threads_now(const char *) {}

// STAND-IN: the dynamic translator is not built yet; there is no translation to drop.
void turbo_xlate_flush(void) {}

// STAND-IN: trace libraries are not built yet; tracing is never on.
int TRC_IS_ON(void)
{
    return 0;
}
