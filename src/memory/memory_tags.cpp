// Memory tag regions and the default tag functions.
#include "memory/memory_tags.h"

#include "memory/height_tree.h"
#include "processor/hooks/htm.h"
#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t GRANULE = 16;
constexpr uint64_t GRANULE_MASK = GRANULE - 1;
constexpr uint64_t PAGE_MASK = 0xFFF;
constexpr uint64_t REGION_LIMIT = 1ULL << 32; // largest region, in bytes

uint64_t region_key(const tag_region *region)
{
    return region->start;
}

uint64_t bit_array_bytes(const tag_region *region)
{
    return ((region->end - region->start + GRANULE) / GRANULE + 7) / 8;
}

// Any region overlapping [b, e]. Regions are disjoint, so the tree by start finds it directly.
tag_region *find_overlap(tag_region *node, uint64_t b, uint64_t e)
{
    while (node) {
        if (b <= node->end && e >= node->start) return node;
        node = e < node->start ? node->left : node->right;
    }
    return nullptr;
}

bool allocate_bits(tag_region *region)
{
    if (!region->bits)
        region->bits = (uint8_t *)quarn_zalloc(bit_array_bytes(region), 1, "uint8_t", __FILE__, __LINE__);
    return region->bits != nullptr;
}

uint64_t granule_index(const tag_region *region, uint64_t address)
{
    return ((address & ~GRANULE_MASK) - region->start) / GRANULE;
}

GenericMachine *machine_of(void *data)
{
    return static_cast<GenericMachine *>(data);
}

void delete_tree(tag_region *node)
{
    if (!node) return;
    delete_tree(node->left);
    delete_tree(node->right);
    if (node->bits) QUARN_FREE(node->bits);
    QUARN_FREE(node);
}

} // namespace

void Register_Memory_Tag_Functions(GenericMachine *machine, MemoryTagReadFunction read,
                                   MemoryTagWriteFunction write, MemoryTagResolveFunction resolve, void *data)
{
    if (!machine) return;
    machine->tag_read = read;
    machine->tag_write = write;
    machine->tag_resolve = resolve;
    machine->tag_data = data;
}

void Default_Init_Memory_Tag_Structures(GenericMachine *machine)
{
    Register_Memory_Tag_Functions(machine, Default_Read_Memory_Tag, Default_Write_Memory_Tag,
                                  Default_Memory_Tag_Byte, machine);
}

tag_region *Tag_Region_Insert(tag_region *subtree, tag_region *region)
{
    return height_tree_insert(subtree, region, region_key);
}

tag_region *Tag_Region_Search(tag_region *node, uint64_t address)
{
    while (node) {
        if (address < node->start)
            node = node->left;
        else if (address > node->end)
            node = node->right;
        else
            return node;
    }
    return nullptr;
}

void Define_Memory_Tag_Bit_Array(GenericMachine *machine, uint64_t start, uint64_t end)
{
    if (!machine) return;
    uint64_t b = start & ~GRANULE_MASK;
    // The inclusive end widened to the end of its granule (an end that is itself 16-aligned
    // keeps its granule).
    uint64_t e = end | GRANULE_MASK;
    if (e < b) return;
    if (tag_region *old = find_overlap(machine->tag_regions, b, e)) {
        sim_warning(2, "duplicate or overlapping tag region");
        sim_warning(2, "old: 0x%016lX - 0x%016lX", (unsigned long)old->start, (unsigned long)old->end);
        sim_warning(2, "new: 0x%016lX - 0x%016lX", (unsigned long)b, (unsigned long)e);
        return;
    }
    for (uint64_t first = b;;) {
        uint64_t last = e - first < REGION_LIMIT ? e : first + (REGION_LIMIT - 1);
        tag_region *region = QUARN_ZALLOC(1, tag_region);
        if (!region) return;
        region->start = first;
        region->end = last;
        machine->tag_regions = Tag_Region_Insert(machine->tag_regions, region);
        if (last == e) break;
        first = last + 1;
    }
}

void Delete_Memory_Tag_Bit_Arrays(GenericMachine *machine)
{
    if (!machine) return;
    delete_tree(machine->tag_regions);
    machine->tag_regions = nullptr;
}

tag_region *Tag_Region_On_Demand(tag_region *found, GenericMachine *machine, uint64_t address)
{
    if (!found && machine) {
        if (machine->machine_options[MO_MEMORY_OVERFLOW]) {
            Define_Memory_Tag_Bit_Array(machine, address & ~PAGE_MASK, address | PAGE_MASK);
            found = Tag_Region_Search(machine->tag_regions, address);
        }
        if (!found) {
            if (!machine->on_demand_tag_arrays) {
                sim_warning(2, "missing tag region for 0x%016lX", (unsigned long)address);
                return nullptr;
            }
            Define_Memory_Tag_Bit_Array(machine, address & ~(REGION_LIMIT - 1), address | (REGION_LIMIT - 1));
            found = Tag_Region_Search(machine->tag_regions, address);
        }
    }
    // A region that could not be defined (it would overlap another) leaves the address without one.
    if (found && !allocate_bits(found)) return nullptr;
    return found;
}

int Default_Read_Memory_Tag(ThreadState *, uint64_t address, void *data)
{
    GenericMachine *machine = machine_of(data);
    tag_region *region = machine ? Tag_Region_Search(machine->tag_regions, address & ~GRANULE_MASK) : nullptr;
    if (!region || !region->bits) return 0;
    uint64_t g = granule_index(region, address);
    return (region->bits[g / 8] >> (g % 8)) & 1;
}

void Default_Write_Memory_Tag(ThreadState *, uint64_t address, int tag, void *data)
{
    GenericMachine *machine = machine_of(data);
    if (!machine) return;
    tag_region *region = Tag_Region_Search(machine->tag_regions, address & ~GRANULE_MASK);
    if (!region || !region->bits) {
        if (!tag) return;
        region = Tag_Region_On_Demand(region, machine, address);
        if (!region) {
            sim_warning(2, "lost tag -- no bit array");
            return;
        }
    }
    uint64_t g = granule_index(region, address);
    if (tag)
        region->bits[g / 8] |= (uint8_t)(1u << (g % 8));
    else
        region->bits[g / 8] &= (uint8_t) ~(1u << (g % 8));
}

uint8_t *Default_Memory_Tag_Byte(ThreadState *, uint64_t address, void *data)
{
    GenericMachine *machine = machine_of(data);
    if (!machine) return nullptr;
    uint64_t page = address & ~PAGE_MASK;
    tag_region *region = Tag_Region_Search(machine->tag_regions, page);
    if (!region || !region->bits) region = Tag_Region_On_Demand(region, machine, page);
    if (!region) {
        sim_warning(2, "no bit array for tags");
        return nullptr;
    }
    return region->bits + granule_index(region, page) / 8;
}

int PA_Read_Memory_Tag_Raw(ThreadState *thread, uint64_t address)
{
    GenericMachine *machine = thread ? thread->machine : nullptr;
    if (!machine || !machine->tag_read) return 0;
    return machine->tag_read(thread, address, machine->tag_data);
}

int PA_Read_Memory_Tag(ThreadState *thread, uint64_t address, int raw)
{
    int tag = 0;
    if (!raw && HTM_PA_Read_Memory_TAG(thread, address, &tag)) return tag;
    return PA_Read_Memory_Tag_Raw(thread, address);
}

void PA_Write_Memory_Tag(ThreadState *thread, uint64_t address, uint64_t length, int tag)
{
    GenericMachine *machine = thread ? thread->machine : nullptr;
    if (!machine || !machine->tag_write) return;
    uint64_t first = address & ~GRANULE_MASK;
    // Granules from the address's up to, not including, address + length rounded up to 16.
    uint64_t granules = ((address & GRANULE_MASK) + length + GRANULE_MASK) / GRANULE;
    for (uint64_t i = 0; i < granules; i++)
        machine->tag_write(thread, first + i * GRANULE, tag & 0xFF, machine->tag_data);
}

uint8_t *PA_Resolve_Memory_Tag(ThreadState *thread, uint64_t address)
{
    GenericMachine *machine = thread ? thread->machine : nullptr;
    if (!machine || !machine->tag_resolve) return nullptr;
    return machine->tag_resolve(thread, address, machine->tag_data);
}
