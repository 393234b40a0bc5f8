// The defaults of a whole configuration: machine options, the machine-wide settings, the
// interrupt controller's window, then the chip, memory-bus, processor and machine defaults.
#pragma once

struct PropertyList;

// Adds every default property with its description, under the prefix (empty for a whole
// configuration).
void base_Add_Default_Values(PropertyList *list, const char *prefix);
