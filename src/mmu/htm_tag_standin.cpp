#include "mmu/htm_tag_standin.h"

// STAND-IN: no transaction exists yet, so no footprint holds a tag.
int HTM_PA_Read_Memory_TAG(ThreadState *, uint64_t, int *)
{
    return 0;
}
