#include "processor/hooks/pturbo_control.h"

#include "processor/records/generic_machine.h"

// STAND-IN: the parallel translator is not built yet; no worker thread exists to stop.
void pturbo_zap_all_threads_now(const char *) {}

int turbo_xlate_flush_standin_calls = 0;

// STAND-IN: the dynamic translator is not built yet; there is no translation to drop. The calls
// are counted.
__attribute__((weak)) int32_t turbo_xlate_flush(GenericMachine *machine)
{
    turbo_xlate_flush_standin_calls++;
    return machine ? (int32_t)machine->num_mcms : 0;
}

// STAND-IN: trace libraries are not built yet; tracing is never on.
int TRC_IS_ON(void)
{
    return 0;
}
