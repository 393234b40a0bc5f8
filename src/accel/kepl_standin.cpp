// Stand-ins of the accelerator attach unit.
#include "accel/kepl.h"

#include "runtime/message.h"

namespace
{
int new_features = 0;
}

// STAND-IN: the accelerator attach unit is not built: nothing can be created, connected or
// attached, no chip has a unit; only the process-wide new-features switch is kept.
__attribute__((weak)) int kepl_create(MCM *, uint64_t, uint64_t, int32_t)
{
    return 0;
}
__attribute__((weak)) int kepl_connect(MCM *, int32_t, uint64_t, char *, int32_t)
{
    return 0;
}
__attribute__((weak)) int kepl_attach(MCM *, int32_t, uint64_t, int32_t)
{
    return 0;
}
__attribute__((weak)) int kepl_debug(MCM *, int32_t)
{
    sim_error("KEPL AFU has not been setup for this mcm");
    return 0;
}
__attribute__((weak)) int kepl_dump(MCM *, int32_t)
{
    sim_error("No KEPL created for this mcm yet");
    return 0;
}
__attribute__((weak)) int kepl_EA2PA(KEPL_State *, int32_t, uint64_t, uint64_t *)
{
    return 0;
}
__attribute__((weak)) KEPL_State *kepl_of_chip(MCM *)
{
    return nullptr;
}
__attribute__((weak)) uint64_t kepl_get_p1_base(KEPL_State *)
{
    return 0;
}
__attribute__((weak)) uint64_t kepl_get_p2_base(KEPL_State *)
{
    return 0;
}
__attribute__((weak)) int32_t kepl_get_slices(KEPL_State *)
{
    return 0;
}
__attribute__((weak)) int32_t kepl_get_max_lock_timeout(KEPL_State *)
{
    return 0;
}
__attribute__((weak)) int kepl_get_enable_new_features(void)
{
    return new_features;
}
__attribute__((weak)) void kepl_set_enable_new_features(int on)
{
    new_features = on ? 1 : 0;
}
