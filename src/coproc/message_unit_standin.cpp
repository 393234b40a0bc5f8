// Stand-ins of the message unit's post operation.
#include "isa/hooks/message_unit.h"

// STAND-IN: the message unit is not built; no chip has one.
__attribute__((weak)) int Message_Unit_Present(MCM *)
{
    return 0;
}

// STAND-IN: see Message_Unit_Present; never reached while no chip has a unit, and refuses without
// a delivery when it is.
__attribute__((weak)) int as_pbt(IOPDesc *, AXD *, uint32_t, uint32_t *status)
{
    *status = 0;
    return 0;
}
