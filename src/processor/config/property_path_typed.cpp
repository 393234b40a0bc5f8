// Boolean and frequency path lookups.
#include "processor/config/property_path_typed.h"

#include "processor/records/generic_machine.h"
#include "processor/records/instance_link.h"
#include "processor/config/property_lookup.h"
#include "processor/time/time_domain.h"
#include "runtime/property_path.h"

namespace
{
constexpr int KEY_BUFFER = 1024;
}

int Find_Property_Boolean(PropertyList *plist, const char *base, const char *qualifier, char separator,
                          const char *name, int *result)
{
    char key[KEY_BUFFER];
    const char *text = Find_Property_Value(plist, base, qualifier, separator, name, key, sizeof key);
    if (!text) {
        if (result) *result = 0;
        return 0;
    }
    int flag = 0;
    if (!convert_plist_boolean(key, text, &flag)) return 0;
    if (result) *result = flag;
    return 1;
}

int Find_Property_Frequency(PropertyList *plist, const char *base, const char *qualifier, char separator,
                            const char *name, FreqSpec *result, InstanceLink *link)
{
    char key[KEY_BUFFER];
    const char *text = Find_Property_Value(plist, base, qualifier, separator, name, key, sizeof key);
    if (!text || !result) return 0;
    GenericMachine *machine = InstanceLink__GetMachine(link);
    return convert_plist_frequency(machine ? machine->base_domain : nullptr, key, text, result);
}
