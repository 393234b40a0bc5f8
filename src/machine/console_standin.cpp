#include "machine/console_standin.h"

// STAND-IN: consoles are not built yet, so no machine has one. Weak, so that the console module's
// definition replaces it.
__attribute__((weak)) ConsoleDevice *Get_Console(GenericMachine *)
{
    return nullptr;
}
