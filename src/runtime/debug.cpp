#include "runtime/debug.h"

// STAND-IN: the debug-category table is not built yet; there is nothing to set up.
void Init_Debug_State(void) {}

// STAND-IN: the debug-category table is not built yet; every category is off.
int get_debug_flag(int)
{
    return 0;
}
