// Flushing the cache model's lines of a range.
#include "cache/cache_flush.h"

#include "processor/records/generic_machine.h"

// STAND-IN: complete for the functional modes (SIMPLE and below hold no cache lines); the flush of
// the timed modes comes with the cache model, which does not exist yet, so no lines are held there
// either.
__attribute__((weak)) void Cache_Flush_Lines_For_Range(GenericMachine *machine, uint64_t, uint64_t)
{
    if (!machine || machine->mode <= MODE_SIMPLE) return;
}
