// Stand-ins of the memory-tag accesses of transactions (the footprint keeps no tags yet). The
// definitions are weak, so that a definition elsewhere overrides them.
#include "processor/hooks/htm.h"

#include "memory/memory_map.h"
#include "memory/memory_tags.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

// STAND-IN: the memory tags of the footprint are not kept; tag writes go to memory.
__attribute__((weak)) void HTM_PA_Write_Memory_TAG(IOPDesc *iop, AXD *axd, int tag)
{
    PA_Write_Memory_Tag(iop->thread, axd->pa, (uint64_t)axd->size, tag & 0xFF);
}

// STAND-IN: the footprint keeps no tags, so it never answers a tag read (0).
__attribute__((weak)) int HTM_PA_Read_Memory_TAG(ThreadState *, uint64_t, int *)
{
    return 0;
}
