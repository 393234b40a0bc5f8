// Stand-ins of the cycle-level core's statistics, dumps and settings.
#include "core/cycle_core_stats.h"

// STAND-IN: the cycle-level core model is not built; it never is built, so no thread has a core
// state, there are no statistics to print or clear, no buckets and nothing to dump or configure.
__attribute__((weak)) CCoreGlobalConfig ccoreGlobalConfig = {0, 0};

__attribute__((weak)) void CycleCore_fix(GenericMachine *) {}
__attribute__((weak)) void CycleCore_stats_print(void *, GenericMachine *, int, int) {}
__attribute__((weak)) void CycleCore_stats_reset(void *, GenericMachine *) {}
__attribute__((weak)) void CycleCore_dump_one(int32_t) {}
__attribute__((weak)) void CycleCore_dump_cb(void *) {}
__attribute__((weak)) void CycleCore_config_print(void *) {}
__attribute__((weak)) void CycleCore_chicken_switch_on(CThreadState *) {}
__attribute__((weak)) void CThreadStats_bucket_create(CThreadState *, const char *) {}

__attribute__((weak)) int CThreadStats_bucket_start(CThreadState *, const char *)
{
    return 0;
}

__attribute__((weak)) int CThreadStats_bucket_stop(CThreadState *, const char *)
{
    return 0;
}
