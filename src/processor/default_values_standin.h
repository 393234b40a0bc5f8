// The defaults of every component, added to a configuration.
#pragma once

struct PropertyList;

// Adds every machine-wide default property with its description, under the prefix (empty for a
// whole configuration).
void base_Add_Default_Values(PropertyList *list, const char *prefix);
