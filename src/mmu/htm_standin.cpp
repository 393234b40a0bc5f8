// Stand-ins of the transactional storage accesses and footprint queries (the footprint's line
// stores are not built). The definitions are weak, so that a definition elsewhere overrides them.
#include "processor/hooks/htm.h"

#include "memory/memory_map.h"
#include "memory/memory_tags.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"

// STAND-IN: transactional reads and writes are not built; while a thread is inside a transaction
// the physical access path comes here and the access goes to the memory map (no isolation).
__attribute__((weak)) int HTM_PA_Read_Memory_Reg(IOPDesc *iop, AXD *axd, uint64_t *value)
{
    return Read_Mapped_Memory_Reg(iop->thread->memory_client, axd->pa, axd->size, value, 0, 1);
}
__attribute__((weak)) int HTM_PA_Write_Memory_Reg(IOPDesc *iop, AXD *axd, uint64_t value)
{
    return Write_Mapped_Memory_Reg(iop->thread->memory_client, axd->pa, axd->size, value, 0);
}
__attribute__((weak)) void HTM_PA_Write_Memory_TAG(IOPDesc *iop, AXD *axd, int tag)
{
    PA_Write_Memory_Tag(iop->thread, axd->pa, (uint64_t)axd->size, tag & 0xFF);
}

// STAND-IN: no footprint holds a line yet, so none holds a tag (0).
__attribute__((weak)) int HTM_PA_Read_Memory_TAG(ThreadState *, uint64_t, int *)
{
    return 0;
}

// STAND-IN: see HTM_PA_Read_Memory_TAG.
__attribute__((weak)) int Is_PA_To_HTM_Store_Footprint(IOPDesc *, uint64_t)
{
    return 0;
}

// STAND-IN: see HTM_PA_Read_Memory_TAG; with empty footprints no collision is ever found.
__attribute__((weak)) void htm_check_touch_collision(IOPDesc *, int32_t, uint64_t, int, int) {}

// STAND-IN: without footprints the block is zeroed directly.
__attribute__((weak)) void HTM_PA_Clear_Memory_Directly(IOPDesc *iop, AXD *axd, int64_t size)
{
    PA_clear_memory_directly(iop->thread, axd->pa, size, 1);
}
