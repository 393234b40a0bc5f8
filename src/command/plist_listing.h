// Listing configurations and their entries for the command language, and the small maintenance
// operations of the configuration commands.
#pragma once

struct PropertyList;
struct Tcl_Interp;

// The names of all property lists, blank-separated in list order on one line of at most 255
// characters, then "\n"; nothing without lists.
void List_All_Property_Lists(Tcl_Interp *interpreter);
// "name value " for every visible entry whose name contains the filter (any case; all without one).
void TCL_Print_PropertyList(Tcl_Interp *interpreter, PropertyList *list, const char *filter);
// "<list>:\n", then "    name = value  (description)\n" (or without the description) per entry.
void TCL_Print_PropertyList_Annotated(Tcl_Interp *interpreter, PropertyList *list, const char *filter);
// 1 when a property list of that name exists.
int CheckPropertyList(const char *name);
// Deletes the entry whose key is words 1 .. count-1 joined with "/".
void PropertyList__DeletePropertyValue(PropertyList *list, int count, char **words);
