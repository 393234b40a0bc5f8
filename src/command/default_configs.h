// The default configurations made at start-up ("myrrin" and one per processor type) and the
// resolution of the configuration named with -m.
#pragma once

// Creates the default configurations, each filled with its defaults and made immutable.
void Create_Default_Configurations(void);
// The effective configuration name for a -m name (or null): the name when a configuration of
// that name exists, else "MYRRIN".
const char *Resolve_Machine_Configuration(const char *requested);
