// The memory claim list.
#include "guest/claim_list.h"

#include "processor/records/generic_machine.h"
#include "processor/records/instance_link.h"
#include "processor/records/mcm.h"
#include "runtime/alloc.h"
#include "runtime/message.h"

namespace
{

GenericMachine *machine_of(MCM *chip)
{
    if (!chip) return nullptr;
    GenericMachine *machine = InstanceLink__GetMachine(chip->link);
    return machine ? machine : chip->machine;
}

of_unclaimed_region *new_region(uint64_t start, uint64_t size)
{
    of_unclaimed_region *region = QUARN_ZALLOC(1, of_unclaimed_region);
    if (!region) sim_panic("of_add_available_region: unable to allocate memory");
    region->start = start;
    region->size = size;
    return region;
}

// [a, a + n) and [b, b + m) share a byte.
bool overlap(uint64_t a, uint64_t n, uint64_t b, uint64_t m)
{
    return n && m && a < b + m && b < a + n;
}

} // namespace

of_unclaimed_region *of_region_list(GenericMachine *machine)
{
    return machine ? machine->of_available_regions : nullptr;
}

int of_add_available_region(MCM *chip, uint64_t start, uint64_t size)
{
    GenericMachine *machine = machine_of(chip);
    if (!machine) return -1;
    for (of_unclaimed_region *r = machine->of_available_regions; r; r = r->next) {
        if (start + size == r->start) {
            r->start = start;
            r->size += size;
            return 0;
        }
        if (start == r->start + r->size) {
            r->size += size;
            return 0;
        }
        if (overlap(start, size, r->start, r->size)) return -1;
    }
    of_unclaimed_region *region = new_region(start, size);
    region->next = machine->of_available_regions;
    machine->of_available_regions = region;
    return 0;
}

int of_claim_region(MCM *chip, uint64_t start, uint64_t size)
{
    GenericMachine *machine = machine_of(chip);
    if (!machine) return 0;
    uint64_t end = start + size;
    for (of_unclaimed_region *r = machine->of_available_regions; r; r = r->next) {
        uint64_t s = r->start, e = r->start + r->size;
        if (start == s && r->size >= size) {
            r->start += size;
            r->size -= size;
            return 1;
        }
        if (end == e && start >= s) {
            r->size = start - s;
            return 1;
        }
        if (s < start && start < e && end <= e && end >= start) {
            r->size = start - s;
            if (e > end) of_add_available_region(chip, end, e - end);
            return 1;
        }
    }
    return 0;
}

void of_sort_region_list(MCM *chip)
{
    GenericMachine *machine = machine_of(chip);
    if (!machine) return;
    of_unclaimed_region *sorted = nullptr;
    while (of_unclaimed_region *list = machine->of_available_regions) {
        of_unclaimed_region **largest = &machine->of_available_regions;
        for (of_unclaimed_region **link = &list->next; *link; link = &(*link)->next)
            if ((*link)->start > (*largest)->start) largest = link;
        of_unclaimed_region *region = *largest;
        *largest = region->next;
        region->next = sorted;
        sorted = region;
    }
    machine->of_available_regions = sorted;
}

int of_release_region(MCM *chip, uint64_t start, uint64_t size)
{
    GenericMachine *machine = machine_of(chip);
    if (!machine) return -1;
    int added = of_add_available_region(chip, start, size);
    of_sort_region_list(chip);
    for (of_unclaimed_region *r = machine->of_available_regions; r && r->next;) {
        of_unclaimed_region *next = r->next;
        if (r->start + r->size != next->start) {
            r = next;
            continue;
        }
        r->size += next->size;
        r->next = next->next;
        QUARN_FREE(next);
    }
    return added;
}

void of_empty_region_list(GenericMachine *machine)
{
    if (machine) machine->of_available_regions = nullptr;
}

void of_free_region_list(GenericMachine *machine)
{
    if (!machine) return;
    while (of_unclaimed_region *region = machine->of_available_regions) {
        machine->of_available_regions = region->next;
        QUARN_FREE(region);
    }
}
