#include "processor/plist_listing_standin.h"

#include "command/tcl_output.h"
#include "runtime/property_list.h"
#include "runtime/utils.h"

// STAND-IN: the configuration getters and listings of the processor set-up are not built yet;
// these three follow their listing rules. Weak, so that the processor set-up's definitions
// replace them.

namespace
{

bool listed(const ConfigEntry *entry, const char *filter)
{
    return entry->visible && (!filter || StrCaseStr(entry->key, filter));
}

} // namespace

__attribute__((weak)) void List_All_Property_Lists(Tcl_Interp *interpreter)
{
    if (!Quarn_PropertyList_List) return;
    char line[256] = "";
    for (PropertyList *list = Quarn_PropertyList_List; list; list = list->next) {
        if (list != Quarn_PropertyList_List) safe_strcat(line, " ", sizeof line);
        safe_strcat(line, list->name, sizeof line);
    }
    SIM_TCLPRINT(interpreter, "%s\n", line);
}

__attribute__((weak)) void TCL_Print_PropertyList(Tcl_Interp *interpreter, PropertyList *list,
                                                  const char *filter)
{
    if (!list) return;
    for (ConfigEntry *entry = list->entries; entry; entry = entry->next)
        if (listed(entry, filter))
            SIM_TCLPRINT(interpreter, "%s %s ", entry->key, entry->value ? entry->value : "");
}

__attribute__((weak)) void TCL_Print_PropertyList_Annotated(Tcl_Interp *interpreter, PropertyList *list,
                                                            const char *filter)
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
