// Console triggers as the console reaches them: the first trigger whose match text occurs in the
// current line, and the call of the trigger's Tcl command.
// Declared here for the floors that call it; defined by the command language
// (command/console_triggers_standin.cpp).
#pragma once

struct GenericMachine;

// One console trigger: its match text and Tcl command.
struct Console_Trigger {
    Console_Trigger *next;
    char *match;
    char *command;
};

// The first trigger of the list whose match text occurs in the line, or none.
Console_Trigger *Trigger_Check_Console(Console_Trigger *list, const char *line);
// Evaluates the command with the formatted text appended as its argument; the completion code.
int Triggers_TCL_Call(GenericMachine *machine, const char *command, const char *format, ...)
    __attribute__((format(printf, 3, 4)));
