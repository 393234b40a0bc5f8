// The untimed accesses of the warming fast interpreter, and the line size it warms by.
#include "translator/hooks/cache_warming.h"

#include "cache/cache_services.h"

// STAND-IN: the cache model does not exist yet; warming accesses have nothing to warm.
__attribute__((weak)) void Cache_nodelay_mode_load(MemoryClient *, uint64_t, uint64_t, uint32_t) {}
__attribute__((weak)) void Cache_nodelay_mode_store(MemoryClient *, uint64_t, uint64_t, uint32_t) {}

uint32_t Cache_nodelay_line_size(GenericMachine *machine)
{
    CacheLevelConfig config = {};
    Cache_Global_Config(machine, "cache/l1i", &config);
    return (uint16_t)config.line_size;
}
