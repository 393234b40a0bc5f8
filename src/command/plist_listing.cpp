// Configuration listings and maintenance for the command language.
#include "command/plist_listing.h"

#include "processor/prints/trace_text.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"
#include "runtime/utils.h"

namespace
{

bool listed(const ConfigEntry *entry, const char *filter)
{
    return entry->visible && (!filter || StrCaseStr(entry->key, filter));
}

} // namespace

void List_All_Property_Lists(Tcl_Interp *interpreter)
{
    if (!Quarn_PropertyList_List) return;
    char line[256] = "";
    for (PropertyList *list = Quarn_PropertyList_List; list; list = list->next) {
        if (list != Quarn_PropertyList_List) safe_strcat(line, " ", sizeof line);
        safe_strcat(line, list->name, sizeof line);
    }
    SIM_TCLPRINT(interpreter, "%s\n", line);
}

void TCL_Print_PropertyList(Tcl_Interp *interpreter, PropertyList *list, const char *filter)
{
    if (!list) return;
    for (ConfigEntry *entry = list->entries; entry; entry = entry->next)
        if (listed(entry, filter))
            SIM_TCLPRINT(interpreter, "%s %s ", entry->key, entry->value ? entry->value : "");
}

void TCL_Print_PropertyList_Annotated(Tcl_Interp *interpreter, PropertyList *list, const char *filter)
{
    if (!list) return;
    SIM_TCLPRINT(interpreter, "%s:\n", list->name);
    for (ConfigEntry *entry = list->entries; entry; entry = entry->next) {
        if (!listed(entry, filter)) continue;
        const char *value = entry->value ? entry->value : "";
        if (entry->description)
            SIM_TCLPRINT(interpreter, "    %s = %s  (%s)\n", entry->key, value, entry->description);
        else
            SIM_TCLPRINT(interpreter, "    %s = %s\n", entry->key, value);
    }
}

int CheckPropertyList(const char *name)
{
    return Find_PropertyList_By_Name(name) ? 1 : 0;
}

void PropertyList__DeletePropertyValue(PropertyList *list, int count, char **words)
{
    PropertyList__DeleteValue(list, SquashArgV(count, words));
}
