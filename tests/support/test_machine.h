// A machine record put together by hand for unit tests of chips, memory maps and regions: its
// name, chip count, property list, time-domain set and (on request) its chips with their memory
// maps. Everything it makes is torn down with it.
#pragma once

#include <string>

#include "kernel/tsim.h"
#include "machine/mcm_lifecycle.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/memory_tags.h"
#include "processor/records/generic_machine.h"
#include "processor/time/time_domain.h"
#include "runtime/alloc.h"
#include "runtime/property_list.h"

class TestMachine
{
  public:
    explicit TestMachine(const char *name = "m", int chips = 1, int cores = 1)
    {
        static int serial = 0;
        std::string list_name = std::string("test-machine-") + std::to_string(++serial);
        machine.name = REMEMBER_STRING(name);
        machine.num_mcms = (uint32_t)chips;
        machine.total_cores = (uint32_t)cores;
        machine.processor_major = -1;
        machine.thread_major = -1;
        machine.mode = MODE_SIMPLE;
        machine.on_demand_tag_arrays = 1;
        machine.property_list = PropertyList__New(list_name.c_str());
        machine.mcms = QUARN_ZALLOC(chips, MCM *);
        Initialize_FreqSpec(&machine.base_freq);
        Initialize_Machine_Time_Domain_Variables(&machine.time_domains);
        machine.tsim = tsim_new(name); // time registers read the kernel's tick
    }
    TestMachine(const TestMachine &) = delete;
    TestMachine &operator=(const TestMachine &) = delete;

    ~TestMachine()
    {
        if (Get_Time_Machine() == &machine) Set_Time_Machine(nullptr);
        // Clients a test made and left (their owners delete them in a machine).
        for (MemoryMap *map = machine.memory_maps; map; map = map->next) {
            while (map->clients)
                MemoryClientDelete(map->mcm, map->clients);
            MemMap_DeleteAll(map);
        }
        while (MemoryMap *map = machine.memory_maps) {
            machine.memory_maps = map->next;
            MemMap_DeleteMap(map);
        }
        Delete_Memory_Tag_Bit_Arrays(&machine);
        Quit_Machine_Time_Domain(&machine.time_domains);
        for (int i = (int)machine.num_mcms - 1; i >= 0; i--)
            MCM__Quit(machine.mcms[i]);
        QUARN_FREE(machine.mcms);
        if (machine.region_instances) QUARN_FREE(machine.region_instances);
        PropertyList__Delete(machine.property_list);
        FORGET_STRING(machine.name);
        tsim_free(machine.tsim);
    }

    // Creates every chip and its memory map (shared by all chips unless distributed).
    void create_chips()
    {
        for (uint32_t i = 0; i < machine.num_mcms; i++) {
            machine.mcms[i] = MCM__Init(&machine, (int32_t)i, machine.property_list);
            MemoryMap *map = MemMap_Create(machine.mcms[i]);
            machine.mcms[i]->mbus->memory_map = map;
        }
    }

    void set(const char *key, const char *value)
    {
        PropertyList__UpdatePropertyValue(machine.property_list, key, value, nullptr, 1);
    }

    MCM *chip(int i = 0) { return machine.mcms[i]; }
    MemoryMap *map(int i = 0) { return chip(i)->mbus->memory_map; }

    GenericMachine machine{};
};
