// Consoles as the memory bus and the command language reach them.
#pragma once

struct ConsoleDevice;
struct GenericMachine;

// STAND-IN: consoles are not built yet; a bus never holds one, so there is nothing to quit.
void Console_Quit(ConsoleDevice *console);
// STAND-IN: the machine's default console (the head of its console list); none exists yet.
ConsoleDevice *Get_Console(GenericMachine *machine);
