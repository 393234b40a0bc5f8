// Console triggers as the console reaches them: the first trigger whose match text occurs in the
// current line, and the call of the trigger's Tcl command.
// Declared here for the floors that call it; defined by the command language
// (command/trigger_commands.cpp).
#pragma once

#include <cstdint>

struct GenericMachine;

constexpr int CONSOLE_TRIGGER_TEXT_LEN = 256;

// One console trigger: its match text (with its length) and Tcl command.
struct Console_Trigger {
    Console_Trigger *next;
    char match[CONSOLE_TRIGGER_TEXT_LEN];
    int32_t match_length;
    char command[CONSOLE_TRIGGER_TEXT_LEN];
};

// The first trigger of the list whose match text occurs in the line, or none.
Console_Trigger *Trigger_Check_Console(Console_Trigger *list, const char *line);
// Evaluates the command, a blank and the formatted text through the global trigger table's buffer;
// the completion code. The machine is not used.
int Triggers_TCL_Call(GenericMachine *machine, const char *command, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
