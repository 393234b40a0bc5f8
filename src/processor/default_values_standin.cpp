#include "processor/default_values_standin.h"

#include "runtime/psv.h"

// STAND-IN: the components' default-value routines (machine, chips, processors, memory, ROM,
// timing models) are not built yet; of them only the processor-specific values exist, and those
// are added. Weak, so that the machine set-up's definition replaces it.
__attribute__((weak)) void base_Add_Default_Values(PropertyList *list, const char *prefix)
{
    PSV_Add_Default_Values(list, prefix ? prefix : "");
}
