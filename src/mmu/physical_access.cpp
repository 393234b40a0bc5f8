// Physical accesses with side effects: one piece of at most 8 bytes, the buffer forms and the
// memory-tag write of a descriptor.
#include "mmu/physical_access.h"

#include "decode/instr_info.h"
#include "memory/memory_map.h"
#include "memory/memory_tags.h"
#include "mmu/data_path_hooks.h"
#include "mmu/ea_access.h"
#include "mmu/hooks/cache_data_path.h"
#include "mmu/hooks/pc_triggers.h"
#include "mmu/load_store_path.h"
#include "processor/hooks/htm.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_triggers.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_services.h"
#include "runtime/debug.h"
#include "runtime/message.h"
#include "runtime/stop.h"
#include "runtime/triggers.h"

namespace
{

constexpr int DEBUG_MEM_REFS = 77;
constexpr uint64_t TAG_GRANULE = 16;
constexpr uint64_t MSR_TS_BITS = 0x0000000600000000ull;
constexpr uint64_t MSR_TS_T = 0x0000000400000000ull;
constexpr int MODE_THROUGH_CACHE = 5; // modes above this reach memory through the cache model

uint32_t stop_word()
{
    return __atomic_load_n(&stop_simulation, __ATOMIC_SEQ_CST);
}

// An assist thread may make only coherent accesses (or write-through, inhibited and guarded ones).
bool assist_thread_stopped(ThreadState *thread, const AXD *axd)
{
    if ((axd->wimg & AXD_WIMG_M) || (axd->wimg & 0xD) == 0xD) return false;
    if (!thread || !We_are_Assist_Thread(thread)) return false;
    Stop_One_Assist_Thread(thread, thread);
    return true;
}

// The memory triggers of the physical range; true when they stopped the simulation.
bool triggers_stopped(GenericMachine *machine, ThreadState *thread, const AXD *axd)
{
    // No enabled memory trigger: nothing to check (the common case, without the call).
    if (!machine || !machine->trigger_table || machine->trigger_table->memory_enabled == 0) return false;
    uint32_t before = stop_word();
    Trigger_Memory__Check_Addr(machine, thread, axd->pa, axd->size, 0, axd->kind, thread ? thread->object_id : 0,
                               thread ? thread->Instruction_Number : 0, 1);
    return before == 0 && stop_word() != 0;
}

uint64_t mask_to_size(uint64_t value, int size)
{
    return size >= 8 ? value : value & ((1ull << (size * 8)) - 1);
}

void trace(ThreadState *thread, char letter, const AXD *axd, uint64_t value, int effects)
{
    if (debug_state[DEBUG_MEM_REFS] <= 0) return;
    sim_do_debug("MEM_REFS", nullptr, thread, "thread %d: %c/0x%016lX/0x%016lX w=0x%X s=%d v=0x%016lX e=%d",
                 thread ? thread->device_number : 0, letter, (unsigned long)axd->ea, (unsigned long)axd->pa,
                 axd->wimg, axd->size, (unsigned long)mask_to_size(value, axd->size), effects);
}

bool in_transaction_state(IOPDesc *iop)
{
    return (iGET_MSR(iop) & MSR_TS_BITS) != 0;
}

// The transactional footprint takes the access (otherwise the memory map does).
bool goes_transactional(GenericMachine *machine, IOPDesc *iop, const AXD *axd, int effects)
{
    if (!machine || machine->threads_in_transaction <= 0 || !effects || axd->access_origin == 1) return false;
    return !(axd->wimg & AXD_WIMG_I) || in_transaction_state(iop);
}

void dirty_table_after(GenericMachine *machine, ThreadState *thread, AXD *axd, uint64_t value,
                       bool write)
{
    if (mc_dirty_table_hit(machine, axd->pa)) {
        ha_table_touch(thread, axd->pa, value);
        return;
    }
    if (!thread || (thread->MSR.value & MSR_HV) || (axd->wimg & AXD_WIMG_I)) return;
    if (!ha_tracking_enabled(thread)) return;
    if (write)
        ha_add_dirty_address(thread, axd);
    else
        ha_read_address(thread, axd);
}

// stq and stqcx. set their tags themselves.
bool quadword_store(const IOPDesc *iop)
{
    const InstrInfo *row = iop ? iop->row : nullptr;
    return row && (row->class_flags & (II_STORE | II_DCBZ)) && (row->class_flags & II_QUAD);
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

} // namespace

uint32_t PA_Read_Memory_Effect(IOPDesc *iop, uint64_t *value, AXD *axd, int effects)
{
    ThreadState *thread = iop ? iop->thread : nullptr;
    GenericMachine *machine = thread ? thread->machine : nullptr;
    MemoryClient *client = thread ? thread->memory_client : nullptr;

    if (assist_thread_stopped(thread, axd)) return 1;
    if (triggers_stopped(machine, thread, axd)) return 9;

    uint32_t result = 0;
    uint64_t read = 0;
    bool checks = true;
    if (machine && machine->mode > MODE_THROUGH_CACHE) {
        uint32_t status = Cache_PA_Read_Memory_Data(client, axd, &read, effects, 1);
        if (status == 7) return status;
        if (status == 5 || status == 9) {
            result = status;
            checks = false;
        } else if (status != 0) {
            interrupt_BadAddress(iop, axd->pa, 0);
            return status;
        }
    } else {
        int done = goes_transactional(machine, iop, axd, effects)
                       ? HTM_PA_Read_Memory_Reg(iop, axd, &read)
                       : Read_Mapped_Memory_Reg(client, axd->pa, axd->size, &read, 0, effects);
        if (!done) {
            if (effects) interrupt_BadAddress(iop, axd->pa, 0);
            return 1;
        }
    }
    if (checks) {
        *value = read;
        if (machine && machine->cache_contained_checker) {
            if (axd->kind == AXD_KIND_FETCH)
                cc_CheckAccess(iop, axd, 1);
            else if (axd->wimg & AXD_WIMG_I)
                sim_error("Cache-Inhibited read from physical address: 0x%016lX", (unsigned long)axd->pa);
            else
                cc_CheckAccess(iop, axd, 2);
        }
        if (machine && machine->page_cache_mode_checker && thread && thread->processor)
            PageCheckCacheableAccess(thread->processor->name, axd);
        trace(thread, axd->kind == AXD_KIND_FETCH ? 'I' : 'R', axd, read, effects);
    }
    dirty_table_after(machine, thread, axd, read, false);
    return result;
}

uint32_t PA_Write_Memory_Effect(IOPDesc *iop, uint64_t value, AXD *axd, int effects)
{
    ThreadState *thread = iop ? iop->thread : nullptr;
    GenericMachine *machine = thread ? thread->machine : nullptr;

    if (assist_thread_stopped(thread, axd)) return 1;
    if (thread) thread->last_store_value = value;
    if (triggers_stopped(machine, thread, axd)) return 9;
    dirty_table_after(machine, thread, axd, value, true);
    return PA_Write_Memory_Effect2(iop, value, axd, effects);
}

uint32_t PA_Write_Memory_Effect2(IOPDesc *iop, uint64_t value, AXD *axd, int effects)
{
    ThreadState *thread = iop ? iop->thread : nullptr;
    GenericMachine *machine = thread ? thread->machine : nullptr;
    MemoryClient *client = thread ? thread->memory_client : nullptr;

    if (axd->kind != AXD_KIND_FETCH && axd->access_origin != 1) CheckDAWR(iop, axd->ea, axd, 0);

    uint32_t result = 0;
    bool checks = true;
    if (machine && machine->mode > MODE_THROUGH_CACHE) {
        uint32_t status = Cache_PA_Write_Memory_Reg(client, axd, value, effects);
        if (status == 5 || status == 9) {
            result = status;
            checks = false;
        } else if (status != 0) {
            interrupt_BadAddress(iop, axd->pa, 1);
            return status;
        }
    } else if (machine && machine->threads_in_transaction > 0 && effects && axd->access_origin != 1 &&
               (!(axd->wimg & AXD_WIMG_I) || in_transaction_state(iop))) {
        if (!HTM_PA_Write_Memory_Reg(iop, axd, value)) return 1;
    } else if (!Write_Mapped_Memory_Reg(client, axd->pa, axd->size, value, 0)) {
        interrupt_BadAddress(iop, axd->pa, 1);
        return 1;
    }
    if (checks) {
        if (machine && machine->cache_contained_checker) {
            if (axd->wimg & AXD_WIMG_I)
                sim_error("Cache-Inhibited write to physical address: 0x%016lX", (unsigned long)axd->pa);
            else
                cc_CheckAccess(iop, axd, 4);
        }
        if (machine && machine->page_cache_mode_checker && thread && thread->processor)
            PageCheckCacheableAccess(thread->processor->name, axd);
        trace(thread, 'W', axd, value, effects);
    }
    if (quadword_store(iop) && axd->access_origin != 1) return result;
    PA_Write_Memory_Tag_AXD(iop, axd, 0, 1);
    return result;
}

uint32_t PA_Read_Memory_BigEndian_Buffer(IOPDesc *iop, uint8_t *buffer, AXD *axd, int effects)
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

uint32_t PA_Write_Memory_BigEndian_Buffer(IOPDesc *iop, const uint8_t *buffer, AXD *axd, int effects)
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

void PA_Write_Memory_Tag_AXD(IOPDesc *iop, AXD *axd, int tag, int transactional)
{
    ThreadState *thread = iop ? iop->thread : nullptr;
    if (!thread || axd->size <= 0) return;
    GenericMachine *machine = thread->machine;
    uint64_t first = axd->pa & ~(TAG_GRANULE - 1);
    uint64_t end = (axd->pa + (uint64_t)axd->size + TAG_GRANULE - 1) & ~(TAG_GRANULE - 1);
    for (uint64_t granule = first; granule < end; granule += TAG_GRANULE) {
        uint64_t msr = iGET_MSR(iop);
        if (machine && machine->threads_in_transaction > 0 && transactional && axd->access_origin != 1 &&
            (msr & MSR_TS_BITS) == MSR_TS_T) {
            AXD piece = *axd;
            piece.pa = granule;
            piece.size = (int16_t)TAG_GRANULE;
            HTM_PA_Write_Memory_TAG(iop, &piece, tag);
        } else {
            PA_Write_Memory_Tag(thread, granule, TAG_GRANULE, tag & 0xFF);
        }
    }
}
