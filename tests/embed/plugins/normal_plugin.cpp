// A "normal" plug-in for the tests. plugin_init answers the words after the path as event names
// (none: "Event_Instruction_Commit"); the word "+trc" is not a name: it attaches the "trc" table to
// the selected machine's command table. Counters let a test see which entry points ran.
#include <cstdio>
#include <cstring>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "command/trc_commands.h"
#include "processor/records/generic_machine.h"

extern "C" {

int np_commits = 0;
int np_event_inits = 0;
int np_event_quits = 0;
int np_plugin_quits = 0;
int np_signals = 0;
char np_last_signal[64];

static char *names[16];
static char default_name[] = "Event_Instruction_Commit";

char **plugin_init(int argc, char **argv, Selector *selector)
{
    int n = 0;
    for (int i = 1; i < argc && n < 15; i++) {
        if (strcmp(argv[i], "+trc") == 0) {
            if (selector && selector->machine)
                connect_subtable(selector->machine->command_table, "trc", build_trcCmd_table(nullptr), 0, nullptr);
            continue;
        }
        names[n++] = argv[i];
    }
    if (n == 0) names[n++] = default_name;
    names[n] = nullptr;
    return names;
}

void plugin_quit(void)
{
    np_plugin_quits++;
}

void plugin_signal(int argc, char **argv)
{
    np_signals = argc;
    snprintf(np_last_signal, sizeof np_last_signal, "%s", argc > 1 ? argv[argc - 1] : "");
}

int Event_Instruction_Commit(void *)
{
    np_commits++;
    return 0;
}

void Event_Instruction_Commit_init(Selector *)
{
    np_event_inits++;
}

void Event_Instruction_Commit_quit(void)
{
    np_event_quits++;
}
}
