// Guest-memory copies for tools and services, and the instruction decode of the embedding
// interface.
#include "mmu/ea_copy.h"

#include <cstring>

#include "decode/instr_info.h"
#include "decode/instr_tables.h"
#include "memory/hooks/page_tables.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/memory_region.h"
#include "mmu/address_translate.h"
#include "mmu/physical_access.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t PAGE_SIZE = 4096;
constexpr uint32_t WIMG_MARKER = 0xDEADBEEF;
// Translation modes of the copies: all checks with interrupts, or no interrupts (reference and
// change bits still set).
constexpr int MODE_RAISE = 0;
constexpr int MODE_QUIET = XLATE_NOEXCEPTION;

// A private one-byte descriptor of the access kind at ea.
AXD copy_descriptor(uint64_t ea, uint16_t kind)
{
    AXD axd = INITIAL_AXD;
    axd.ea = ea;
    axd.orig_ea = ea;
    axd.size = 1;
    axd.kind = kind;
    axd.pa = 0;
    axd.wimg = WIMG_MARKER;
    return axd;
}

// Translates the descriptor. Without raise, the exceptions the translation queued are discarded
// (each reported as information); exceptions the instruction had raised before stay.
int translate(IOPDesc *iop, AXD *axd, int raise)
{
    if (raise) return PPC_MMU_AddressTranslate(MODE_RAISE, iop, axd);
    PowerPCException *kept = iop->exceptions;
    iop->exceptions = nullptr;
    int result = PPC_MMU_AddressTranslate(MODE_QUIET, iop, axd);
    Discard_Instruction_Bound_Exceptions(iop, 1);
    iop->exceptions = kept;
    return result;
}

// Whether the descriptor's physical address needs a translation first: before the first byte
// (pa 0) and at the start of every 4 KB page.
inline bool translation_due(const AXD &axd)
{
    return (axd.pa & (PAGE_SIZE - 1)) == 0;
}

GenericMachine *machine_of(const IOPDesc *iop)
{
    return iop && iop->thread ? iop->thread->machine : nullptr;
}

// Host address of [pa, pa + length) in a directly backed memory region of the machine, or null.
uint8_t *direct_memory(GenericMachine *machine, uint64_t pa, uint64_t length)
{
    if (!machine || !machine->region_instances || length == 0) return nullptr;
    uint32_t index = (uint32_t)(pa >> machine->memory_region_id_shift);
    if (index >= machine->memory_region_count || index >= MAX_MEMORY_REGIONS) return nullptr;
    const MemoryRegionDesc &region = machine->memory_regions[index];
    uint64_t last = pa + length - 1;
    if (pa < region.start || last < pa || last > region.end) return nullptr;
    void *instance = machine->region_instances[index];
    if (!instance) return nullptr;
    return MEM_PA_OFFSET_TO_SIM_MEMORY(machine, instance, pa - region.start, length);
}

// Drops translated code of every 4 KB page of [pa, pa + length), as a write through the memory map
// does in the translating modes.
void flush_translated_pages(IOPDesc *iop, uint64_t pa, uint64_t length)
{
    MemoryClient *client = iop->thread ? iop->thread->memory_client : nullptr;
    MCM *chip = client ? client->mcm : nullptr;
    ipt *table = chip && chip->mbus && chip->mbus->memory_map ? chip->mbus->memory_map->page_table : nullptr;
    uint64_t last = pa + length - 1;
    for (uint64_t page = pa & ~(PAGE_SIZE - 1);; page += PAGE_SIZE) {
        turbo_xlate_flush_for_pa(page, table, client);
        if (page >= (last & ~(PAGE_SIZE - 1))) break;
    }
}

} // namespace

int EA_copy_string_from_memory(IOPDesc *iop, uint64_t ea, char *buffer, uint32_t size)
{
    if (size == 0 || ea == 0) return 1;
    if (size == 1) {
        buffer[0] = '\0';
        return 1;
    }
    AXD axd = copy_descriptor(ea, AXD_KIND_LOAD);
    for (uint32_t i = 0; i < size - 1; i++) {
        if (translation_due(axd) && translate(iop, &axd, 0) != XLATE_OK) return 0;
        uint64_t byte = 0;
        if (PA_Read_Memory_Effect(iop, &byte, &axd, 1) != 0) return 0;
        buffer[i] = (char)byte;
        if (buffer[i] == '\0') return 1;
        axd.ea++;
        axd.pa++;
    }
    buffer[size - 1] = '\0';
    return 1;
}

int EA_copy_buffer_from_memory_exception(IOPDesc *iop, uint64_t ea, void *buffer, uint32_t size, int raise)
{
    if (size == 0) return 1;
    uint8_t *out = static_cast<uint8_t *>(buffer);
    AXD axd = copy_descriptor(ea, AXD_KIND_LOAD);
    for (uint32_t i = 0; i < size; i++) {
        if (translation_due(axd) && translate(iop, &axd, raise) != XLATE_OK) return 0;
        uint64_t byte = 0;
        if (PA_Read_Memory_Effect(iop, &byte, &axd, 1) != 0) return 0;
        out[i] = (uint8_t)byte;
        axd.ea++;
        axd.pa++;
    }
    return 1;
}

int EA_copy_buffer_from_memory(IOPDesc *iop, uint64_t ea, void *buffer, uint32_t size)
{
    return EA_copy_buffer_from_memory_exception(iop, ea, buffer, size, 0);
}

int EA_copy_string_to_memory(IOPDesc *iop, uint64_t ea, const char *string, uint32_t size)
{
    if (size == 0 || ea == 0 || !string) return 1;
    AXD axd = copy_descriptor(ea, AXD_KIND_STORE);
    for (uint32_t i = 0; i < size - 1; i++) {
        if (translation_due(axd) && translate(iop, &axd, 0) != XLATE_OK) return 0;
        uint8_t character = (uint8_t)string[i];
        PA_Write_Memory_Effect(iop, character, &axd, 1);
        if (character == '\0') return 1;
        axd.ea++;
        axd.pa++;
    }
    if (translation_due(axd) && translate(iop, &axd, 0) != XLATE_OK) return 0;
    PA_Write_Memory_Effect(iop, 0, &axd, 1);
    return 1;
}

int EA_copy_buffer_to_memory_exception(IOPDesc *iop, uint64_t ea, const void *source, uint32_t size, int raise)
{
    if (size == 0) return 1;
    const uint8_t *in = static_cast<const uint8_t *>(source);
    GenericMachine *machine = machine_of(iop);
    uint32_t mode = machine ? machine->mode : MODE_SIMPLE;
    uint32_t left = size;
    while (left > 0) {
        AXD axd = copy_descriptor(ea, AXD_KIND_STORE);
        if (translate(iop, &axd, raise) != XLATE_OK) return 0;
        uint32_t chunk = (uint32_t)(PAGE_SIZE - (ea & (PAGE_SIZE - 1)));
        if (chunk > left) chunk = left;
        uint8_t *host = mode <= MODE_SIMPLE ? direct_memory(machine, axd.pa, chunk) : nullptr;
        if (host) {
            memcpy(host, in, chunk);
            // The translating modes keep code translated from these bytes: drop it.
            if (mode == MODE_TURBO || mode == MODE_PTURBO) flush_translated_pages(iop, axd.pa, chunk);
        } else {
            for (uint32_t i = 0; i < chunk; i++) {
                PA_Write_Memory_Effect(iop, in[i], &axd, 1);
                axd.ea++;
                axd.pa++;
            }
        }
        in += chunk;
        ea += chunk;
        left -= chunk;
    }
    return 1;
}

int EA_copy_buffer_to_memory(IOPDesc *iop, uint64_t ea, const void *source, uint32_t size)
{
    return EA_copy_buffer_to_memory_exception(iop, ea, source, size, 0);
}

int PA_copy_buffer_to_memory(IOPDesc *iop, uint64_t ea, uint64_t pa, uint32_t wimg, const void *source,
                             uint32_t size)
{
    if (size == 0) return 1;
    const uint8_t *in = static_cast<const uint8_t *>(source);
    AXD axd = copy_descriptor(ea, AXD_KIND_STORE);
    axd.pa = pa;
    axd.wimg = wimg;
    for (uint32_t i = 0; i < size; i++) {
        PA_Write_Memory_Effect(iop, in[i], &axd, 1);
        axd.ea++;
        axd.pa++;
    }
    return 1;
}

char *PA_read_string_NoEffect(IOPDesc *iop, uint64_t pa, char *buffer, uint32_t size, uint64_t ea)
{
    AXD axd = copy_descriptor(ea, AXD_KIND_LOAD);
    axd.pa = pa;
    axd.wimg = AXD_WIMG_M;
    uint32_t i = 0;
    for (; size > 0 && i < size - 1; i++) {
        uint64_t byte = 0;
        if (PA_Read_Memory_Effect(iop, &byte, &axd, 0) != 0) break;
        buffer[i] = (char)byte;
        if (buffer[i] == '\0') return buffer;
        axd.ea++;
        axd.pa++;
    }
    if (size > 0) buffer[i] = '\0';
    return buffer;
}

extern "C" const char *LIBSIM__ThreadDecode(ThreadState *thread, uint64_t ea)
{
    if (!thread) {
        sim_error("LIBSIM__ThreadState: called with NULL thread pointer");
        return nullptr;
    }
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    AXD axd = INITIAL_AXD;
    axd.ea = ea;
    axd.orig_ea = ea;
    axd.size = 4;
    axd.kind = AXD_KIND_FETCH;
    // A tool's fetch translation: no side effects, no interrupts, no key checks.
    int result = PPC_MMU_AddressTranslate(XLATE_NOSIDEEFFECT | XLATE_NOEXCEPTION | XLATE_NOCHECK, &iop, &axd);
    Discard_Instruction_Bound_Exceptions(&iop, 0);
    if (result != XLATE_OK) return nullptr;
    uint64_t word = 0;
    if (PA_Read_Memory_Effect(&iop, &word, &axd, 0) != 0) return nullptr;
    InstrInfo *row = Processor_Decode_Instruction(thread->processor, (uint32_t)word);
    if (!row || row->id == ROW_INVALID) return "no instruction";
    return row->mnemonic;
}
