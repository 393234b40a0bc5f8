#include "processor/processor_time.h"

#include <cstdio>

namespace
{
char time_text[32];
} // namespace

const char *Prepare_Time(GenericMachine *machine)
{
    snprintf(time_text, sizeof time_text, "%ld", (long)GetRawTime(machine));
    return time_text;
}

// STAND-IN: machines have no event kernel or time domains yet, so every machine is at cycle 0
// (exact for "no machine").
uint64_t GetRawTime(GenericMachine *)
{
    return 0;
}

// STAND-IN: no event kernel runs yet; the current tick is 0 and so are its cycles.
uint64_t TD_get_current_cycles(time_domain *)
{
    return 0;
}
