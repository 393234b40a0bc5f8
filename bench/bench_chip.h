// A minimal SIMPLE-mode machine of one chip with an empty memory map, for benchmarks that drive
// the data path directly without building a machine from a configuration.
#pragma once

#include "machine/mcm_lifecycle.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/generic_machine.h"
#include "processor/time/time_domain.h"
#include "runtime/alloc.h"
#include "runtime/property_list.h"

// Sets up machine with one chip (reservation granule 128) and returns the chip.
inline MCM *bench_single_chip(GenericMachine &machine, const char *list_name)
{
    machine.name = REMEMBER_STRING("bench");
    machine.num_mcms = 1;
    machine.mode = MODE_SIMPLE;
    machine.property_list = PropertyList__New(list_name);
    machine.mcms = QUARN_ZALLOC(1, MCM *);
    Initialize_Machine_Time_Domain_Variables(&machine.time_domains);
    MCM *chip = machine.mcms[0] = MCM__Init(&machine, 0, machine.property_list);
    chip->mbus->memory_map = MemMap_Create(chip);
    chip->reservation_granule = 128;
    return chip;
}
