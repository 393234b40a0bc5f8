// The machine's consoles as the command language reaches them.
#pragma once

struct ConsoleDevice;
struct GenericMachine;

// The machine's default console (the head of its console list), or null.
ConsoleDevice *Get_Console(GenericMachine *machine);
