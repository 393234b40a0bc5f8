// Consoles as the memory bus reaches them.
#pragma once

struct ConsoleDevice;

// STAND-IN: consoles are not built yet; a bus never holds one, so there is nothing to quit.
void Console_Quit(ConsoleDevice *console);
