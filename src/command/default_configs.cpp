// Default configurations.
#include "command/default_configs.h"

#include <strings.h>

#include <cctype>
#include <cstring>
#include <initializer_list>

#include "command/config_commands.h"
#include "machine/default_values.h"
#include "processor/records/processor_type.h"
#include "runtime/common.h"
#include "runtime/message.h"
#include "runtime/property_list.h"

namespace
{

constexpr size_t CONFIG_NAME_LENGTH = 25;

// A lower-cased copy of at most 25 characters.
void lower_copy(char (&out)[CONFIG_NAME_LENGTH + 1], const char *text)
{
    size_t i = 0;
    for (; text && text[i] && i < CONFIG_NAME_LENGTH; i++)
        out[i] = (char)tolower((unsigned char)text[i]);
    out[i] = '\0';
}

} // namespace

PropertyList *Make_Default_Property_List(Tcl_Interp *interpreter, const char *name,
                                         const char *processor_type)
{
    char list_name[CONFIG_NAME_LENGTH + 1], machine_type[CONFIG_NAME_LENGTH + 1];
    lower_copy(list_name, name);
    lower_copy(machine_type, DEFAULT_MACHINE_CONFIGURATION);
    PropertyList *list = Make_Property_List(interpreter, list_name);
    if (!list) return nullptr;
    PropertyList__UpdatePropertyValue(list, "machine_type", machine_type,
                                      "type of machine: KOPRA, GAVOT, ...", 1);
    PropertyList__UpdatePropertyValue(list, "processor/type", processor_type,
                                      "type of cpu: ppctamrin, tarvis, ...", 1);
    base_Add_Default_Values(list, "");
    for (const char *section : {"core", "mu", "bus"})
        PropertyList__Set_Hidden_Value_Match(list, section, nullptr);
    PropertyList__Set_Immutable(list);
    return list;
}

void Init_Default_Property_Lists(Tcl_Interp *interpreter)
{
    Make_Default_Property_List(interpreter, DEFAULT_MACHINE_CONFIGURATION, "Ervik");
    for (const IDNamePair *row = Processor_Name_and_Type; row->name; row++)
        if (strcasecmp(row->name, DEFAULT_MACHINE_CONFIGURATION) != 0)
            Make_Default_Property_List(interpreter, row->name, row->name);
}

const char *Resolve_Machine_Configuration(const char *requested)
{
    if (!requested) return DEFAULT_MACHINE_CONFIGURATION;
    if (Find_PropertyList_By_Name(requested)) return requested;
    sim_warning(2, "Machine configuration %s is not recognized -- ignored.", requested);
    return DEFAULT_MACHINE_CONFIGURATION;
}
