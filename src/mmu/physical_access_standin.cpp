// Stand-ins of the physical accesses: straight to the chip's memory map.
#include "mmu/physical_access.h"

#include "exec/exception_types.h"
#include "exec/interrupt_raisers.h"
#include "isa/instr_info.h"
#include "machine/memory_map.h"
#include "mmu/axd.h"
#include "processor/exception_record.h"
#include "processor/instruction_record.h"
#include "processor/memory_tags.h"
#include "processor/thread_state.h"

namespace
{

constexpr uint64_t TAG_GRANULE = 16;

MemoryClient *client_of(IOPDesc *iop)
{
    return iop && iop->thread ? iop->thread->memory_client : nullptr;
}

uint64_t load_bytes(const uint8_t *bytes, int count)
{
    uint64_t value = 0;
    for (int i = 0; i < count; i++)
        value = (value << 8) | bytes[i];
    return value;
}

void store_bytes(uint8_t *bytes, int count, uint64_t value)
{
    for (int i = count - 1; i >= 0; i--, value >>= 8)
        bytes[i] = (uint8_t)value;
}

// A quadword store (stq, stqcx.) writes its tag itself.
bool quadword_store(const IOPDesc *iop)
{
    const InstrInfo *row = iop ? iop->row : nullptr;
    return row && (row->class_flags & (II_STORE | II_DCBZ)) && (row->class_flags & II_QUAD);
}

} // namespace

// STAND-IN: the physical read path is not built: assist-thread stop, memory triggers, the cache
// model of the timed modes, transactional reads, the checkers, the memory-reference trace and the
// dirty-address table are missing; the piece is read from the chip's memory map.
__attribute__((weak)) uint32_t PA_Read_Memory_Effect(IOPDesc *iop, uint64_t *value, AXD *axd, int effects)
{
    uint64_t read = 0;
    if (!Read_Mapped_Memory_Reg(client_of(iop), axd->pa, axd->size, &read, 0, effects)) {
        if (effects) interrupt_BadAddress(iop, axd->pa, 0);
        return 1;
    }
    *value = read;
    return 0;
}

// STAND-IN: the physical write path is not built (see PA_Read_Memory_Effect; the watchpoint
// check and the thread's last stored value are missing too): the piece is written to the chip's
// memory map and the tags of the granules written are cleared.
__attribute__((weak)) uint32_t PA_Write_Memory_Effect(IOPDesc *iop, uint64_t value, AXD *axd, int)
{
    if (!Write_Mapped_Memory_Reg(client_of(iop), axd->pa, axd->size, value, 0)) {
        interrupt_BadAddress(iop, axd->pa, 1);
        return 1;
    }
    if (!quadword_store(iop) && axd->access_origin != 1) PA_Write_Memory_Tag_AXD(iop, axd, 0, 1);
    return 0;
}

// STAND-IN: built on the stand-ins above.
__attribute__((weak)) uint32_t PA_Read_Memory_BigEndian_Buffer(IOPDesc *iop, uint8_t *buffer, AXD *axd,
                                                               int effects)
{
    AXD piece = *axd;
    for (int done = 0; done < axd->size;) {
        int count = axd->size - done < 8 ? axd->size - done : 8;
        piece.size = (int16_t)count;
        uint64_t value = 0;
        uint32_t result = PA_Read_Memory_Effect(iop, &value, &piece, effects);
        if (result) return result;
        store_bytes(buffer + done, count, value);
        piece.ea += (uint64_t)count;
        piece.pa += (uint64_t)count;
        done += count;
    }
    return 0;
}

// STAND-IN: built on the stand-ins above.
__attribute__((weak)) uint32_t PA_Write_Memory_BigEndian_Buffer(IOPDesc *iop, const uint8_t *buffer, AXD *axd,
                                                                int effects)
{
    AXD piece = *axd;
    for (int done = 0; done < axd->size;) {
        int count = axd->size - done < 8 ? axd->size - done : 8;
        piece.size = (int16_t)count;
        uint32_t result = PA_Write_Memory_Effect(iop, load_bytes(buffer + done, count), &piece, effects);
        if (result) return result;
        piece.ea += (uint64_t)count;
        piece.pa += (uint64_t)count;
        done += count;
    }
    return 0;
}

// STAND-IN: the transactional capture of the tag change is missing; the machine's tag write sets
// every granule.
__attribute__((weak)) void PA_Write_Memory_Tag_AXD(IOPDesc *iop, AXD *axd, int tag, int)
{
    if (!iop || !iop->thread || axd->size <= 0) return;
    uint64_t first = axd->pa & ~(TAG_GRANULE - 1);
    uint64_t end = (axd->pa + (uint64_t)axd->size + TAG_GRANULE - 1) & ~(TAG_GRANULE - 1);
    PA_Write_Memory_Tag(iop->thread, first, end - first, tag);
}
