#include "machine/devices/console_standin.h"

// STAND-IN: no console exists yet.
void Console_Quit(ConsoleDevice *) {}

// STAND-IN: no machine has a console yet.
ConsoleDevice *Get_Console(GenericMachine *)
{
    return nullptr;
}
