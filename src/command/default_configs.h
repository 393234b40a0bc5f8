// The default configurations made at start-up ("myrrin" and one per processor type) and the
// resolution of the configuration named with -m.
#pragma once

struct PropertyList;
struct Tcl_Interp;

// One default configuration: a lower-cased name, its identity values and every component's
// defaults, with the "core", "mu" and "bus" settings hidden; immutable. Null when the name is taken.
PropertyList *Make_Default_Property_List(Tcl_Interp *interpreter, const char *name,
                                         const char *processor_type);
// "myrrin", then one configuration per processor type other than "MYRRIN".
void Init_Default_Property_Lists(Tcl_Interp *interpreter);
// The effective configuration name for a -m name (or null): the name when a configuration of
// that name exists, else "MYRRIN".
const char *Resolve_Machine_Configuration(const char *requested);
