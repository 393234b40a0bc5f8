// Default configurations.
#include "command/default_configs.h"

#include <cctype>
#include <cstring>
#include <strings.h>

#include "processor/processor_type.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/psv.h"

namespace
{

// The default machine configuration, used when -m names none or an unknown one.
constexpr const char *default_configuration = "MYRRIN";

// A lower-cased copy of at most 25 characters.
void lower_copy(char (&out)[26], const char *text)
{
    size_t i = 0;
    for (; text && text[i] && i < 25; i++)
        out[i] = (char)tolower((unsigned char)text[i]);
    out[i] = '\0';
}

void make_default_configuration(const char *name, const char *processor_type)
{
    char list_name[26], machine_type[26];
    lower_copy(list_name, name);
    lower_copy(machine_type, default_configuration);
    // STAND-IN: the configuration's own Tcl command comes with the configuration commands,
    // and every component's defaults (base_Add_Default_Values) with the machine set-up; until
    // then a default configuration holds its two identity values and the processor-specific
    // defaults.
    PropertyList *list = PropertyList__New(list_name);
    PropertyList__UpdatePropertyValue(list, "machine_type", machine_type,
                                      "type of machine: KOPRA, GAVOT, ...", 1);
    PropertyList__UpdatePropertyValue(list, "processor/type", processor_type,
                                      "type of cpu: ppctamrin, tarvis, ...", 1);
    PSV_Add_Default_Values(list, "");
    PropertyList__Set_Hidden_Value_Match(list, "core", nullptr);
    PropertyList__Set_Hidden_Value_Match(list, "mu", nullptr);
    PropertyList__Set_Hidden_Value_Match(list, "bus", nullptr);
    PropertyList__Set_Immutable(list);
}

} // namespace

void Create_Default_Configurations(void)
{
    make_default_configuration(default_configuration, "Ervik");
    for (const IDNamePair *row = Processor_Name_and_Type; row->name; row++)
        if (strcasecmp(row->name, default_configuration) != 0)
            make_default_configuration(row->name, row->name);
}

const char *Resolve_Machine_Configuration(const char *requested)
{
    if (!requested) return default_configuration;
    if (Find_PropertyList_By_Name(requested)) return requested;
    sim_warning(2, "Machine configuration %s is not recognized -- ignored.", requested);
    return default_configuration;
}
