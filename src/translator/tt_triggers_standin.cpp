// Stand-ins of the triggers in translated code.
#include "translator/tt_triggers.h"

// STAND-IN: PC triggers in translated code are not built; no slot has one.
int tt_has_pctriggers(MCM *, uint64_t)
{
    return 0;
}

// STAND-IN: see tt_has_pctriggers; the instruction's own code always follows.
int tt_handle_pctriggers(xframe *, uint32_t, uint32_t)
{
    return 1;
}

// STAND-IN: memory triggers in translated code are not built; no chip has any, so the plain
// translation routines are always chosen.
int tt_has_memtriggers(MCM *)
{
    return 0;
}

// STAND-IN: see tt_has_memtriggers; there are no trigger routines to make.
void tt_handle_memtriggers(MCM *) {}
