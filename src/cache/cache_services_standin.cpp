// Stand-ins of the cache model's configuration, contents dump and locality hints.
#include "cache/cache_services.h"

#include <cstdio>

#include "processor/records/generic_machine.h"
#include "runtime/property_list.h"

namespace
{

uint64_t setting(GenericMachine *machine, const char *kind, const char *key)
{
    if (!machine || !machine->property_list) return 0;
    char name[64];
    snprintf(name, sizeof name, "%s/%s", kind, key);
    const char *text = PropertyList__GetString(machine->property_list, name);
    if (!text) return 0;
    int ok = 0;
    uint64_t value = STRING2INT_rc(text, &ok);
    return ok ? value : 0;
}

} // namespace

// STAND-IN: the cache model does not exist yet; its configuration is read from the same keys of
// the machine's configuration ("<kind>/size", "associativity", "line_size", "num_slices"), which
// give zeros while nothing sets them.
__attribute__((weak)) void Cache_Global_Config(GenericMachine *machine, const char *kind,
                                               CacheLevelConfig *config)
{
    config->size = setting(machine, kind, "size");
    config->associativity = (uint32_t)setting(machine, kind, "associativity");
    config->line_size = (uint32_t)setting(machine, kind, "line_size");
    uint64_t slices = setting(machine, kind, "num_slices");
    config->num_slices = slices ? (uint32_t)slices : 1;
    uint64_t way_bytes = (uint64_t)config->associativity * config->line_size;
    config->sets = way_bytes ? (uint32_t)(config->size / way_bytes) : 0;
}

// STAND-IN: the cache model does not exist yet; there are no contents to print.
__attribute__((weak)) void Cache_dump_contents(GenericMachine *, uint64_t, uint64_t) {}

// STAND-IN: the cache model does not exist yet; the hint has nothing to steer.
__attribute__((weak)) void Cache_set_locality(MemoryClient *, uint64_t, uint64_t, uint64_t) {}
