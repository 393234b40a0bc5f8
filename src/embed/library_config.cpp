// The default configuration of the embedding interface.
#include "embed/library_config.h"

#include "machine/default_values.h"
#include "runtime/common.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/property_list.h"

namespace
{

void set_visible(PropertyList *list, const char *key, const char *value)
{
    PropertyList__UpdatePropertyValue(list, key, value, nullptr, 1);
}

} // namespace

PropertyList *LIBSIM_Default_Config(void)
{
    PropertyList *list = PropertyList__New(DEFAULT_MACHINE_CONFIGURATION);
    if (!list) {
        sim_error("LIBSIM__Create: failed to allocate config data structure");
        return nullptr;
    }
    set_visible(list, "machine_type", DEFAULT_MACHINE_CONFIGURATION);
    set_visible(list, "processor/type", "Ervik");
    base_Add_Default_Values(list, "");
    set_visible(list, "number_of_MCMs", "1");
    set_visible(list, "cpi", "1.0");
    set_visible(list, "processor_option/TFMR_CLEAR_STATUS", "true");
    set_visible(list, "processor/quarn_msr_bit", "0");
    set_visible(list, "processor/number_of_SLB_Entries", "64");
    set_visible(list, "turbo/debug", "TRUE");
    set_visible(list, "turbo/nop", "TRUE");
    set_visible(list, "turbo/mftb", "FALSE");
    SET_DEBUG(208, 0);
    SET_DEBUG(0, 0);
    SET_DEBUG(71, 0);
    SET_DEBUG(97, 1);
    return list;
}
