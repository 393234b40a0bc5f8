// The ERAT trigger service: an ERAT's trigger procedure told of insertions and evictions.
// Declared here for the floors that call it; defined by the command language
// (command/erat_trigger_standin.cpp).
#pragma once

#include <string>
#include <vector>

struct ERAT_Struct;
struct ThreadState;

// When the ERAT has an enabled trigger procedure, evaluates "%s sim %s mcm %d cpu %d thread %d
// erat %s " (procedure, machine, chip, processor, thread, ERAT name) followed by the formatted text
// as Tcl and gives its result; 0 otherwise.
int ERAT_Trigger_Invoke(ThreadState *thread, ERAT_Struct *erat, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// ---- STAND-IN support: the texts fired at ERATs with an enabled trigger record, in order (the
// trigger commands are not built).
struct ERATTriggerStandinLog {
    std::vector<std::string> texts;
};
extern ERATTriggerStandinLog erat_trigger_standin_log;
