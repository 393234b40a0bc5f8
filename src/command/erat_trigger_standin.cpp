// Stand-in of the ERAT trigger service.
#include "processor/hooks/erat_trigger.h"

#include <cstdarg>
#include <cstdio>

#include "processor/translation/erat.h"

// STAND-IN: the trigger commands that set an ERAT's procedure are not built, so no ERAT has one
// and nothing is evaluated. Texts formatted for an ERAT whose trigger record is set and enabled
// are kept in the log below instead.
ERATTriggerStandinLog erat_trigger_standin_log;

__attribute__((weak)) int ERAT_Trigger_Invoke(ThreadState *, ERAT_Struct *erat, const char *format, ...)
{
    if (!erat || !erat->trigger || !erat->trigger->enabled) return 0;
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    erat_trigger_standin_log.texts.push_back(text);
    return 0;
}
