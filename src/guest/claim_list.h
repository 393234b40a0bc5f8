// The memory claim list of a machine: the guest physical ranges still available to the Open
// Firmware "claim" service. Claiming removes a range from one available region, releasing gives
// it back and coalesces touching regions. All chips of a machine share the one list.
#pragma once

#include <cstdint>

struct GenericMachine;
struct MCM;

struct of_unclaimed_region {
    uint64_t start;
    uint64_t size;
    of_unclaimed_region *next;
};

// 0 when the range was added (merged into a region it touches, or as a new region at the head),
// -1 when it overlaps an available region.
int of_add_available_region(MCM *chip, uint64_t start, uint64_t size);
// 1 when the range was taken from one available region, 0 when no region holds it whole.
int of_claim_region(MCM *chip, uint64_t start, uint64_t size);
// Adds the range back, sorts the list and coalesces touching regions; the result of the addition.
int of_release_region(MCM *chip, uint64_t start, uint64_t size);
// Sorts the list by start, ascending.
void of_sort_region_list(MCM *chip);
// The machine's list (its head), and the emptying and freeing of it.
of_unclaimed_region *of_region_list(GenericMachine *machine);
void of_empty_region_list(GenericMachine *machine);
void of_free_region_list(GenericMachine *machine);
