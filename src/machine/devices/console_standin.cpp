#include "machine/devices/console_standin.h"

// STAND-IN: no console exists yet.
void Console_Quit(ConsoleDevice *) {}
