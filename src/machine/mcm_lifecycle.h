// A chip's life cycle: creation, teardown, renaming, the one-time fix step and the chip and
// processor configuration defaults.
#pragma once

#include <cstdint>

#include "processor/records/mcm.h"

struct GenericMachine;
struct PropertyList;

// A new chip of the machine (Algorithms of the chip set-up); null when the record cannot be had.
MCM *MCM__Init(GenericMachine *machine, int32_t number, PropertyList *list);
// Tears the chip down and frees it.
void MCM__Quit(MCM *chip);
// Gives the chip a new name (the registry entry follows) or, with none, releases the name.
void rename_mcm(MCM *chip, const char *name);
// Once per chip: a machine without a cycle domain takes its base domain; always 1.
int MCM_Fix(MCM *chip);
void undeclare_MCM_time_domains(MCM *chip);
// Adds the chip and processor default keys under the section, then runs the
// create_default_property_list callbacks.
void MCM_Add_Default_Values(PropertyList *list, const char *section);
