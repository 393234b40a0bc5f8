// Physical accesses through a chip's memory map: the element walk with guest RAM first or behind
// a nested overlay, and the direct host address of a region offset.
#include <benchmark/benchmark.h>

#include "machine/mcm_lifecycle.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/memory_region.h"
#include "memory/overflow_agent.h"
#include "memory/ram_block.h"
#include "processor/records/generic_machine.h"
#include "runtime/alloc.h"
#include "runtime/property_list.h"

namespace
{

// One chip with a 256 MiB region, the bus RAM window, the overflow agent and, on request, a
// small device nested in the region (as the RTAS console window is).
struct BenchMachine {
    GenericMachine machine{};
    MemoryClient *client = nullptr;
    void *region = nullptr;

    explicit BenchMachine(bool overlay)
    {
        machine.name = REMEMBER_STRING("bench");
        machine.num_mcms = 1;
        machine.mode = MODE_SIMPLE;
        machine.memory_alloc_size = 256LL << 20;
        machine.property_list = PropertyList__New("memory-map-bench");
        machine.mcms = QUARN_ZALLOC(1, MCM *);
        Initialize_Machine_Time_Domain_Variables(&machine.time_domains);
        MCM *chip = machine.mcms[0] = MCM__Init(&machine, 0, machine.property_list);
        chip->mbus->memory_map = MemMap_Create(chip);
        region = MemMap_Define(chip, "MEMORY-REGION-0", &G_MMAPI_MEMORY, 0, (256ULL << 20) - 1, nullptr);
        MEMORY_SETUP_FUNCTION(&machine, region, 0);
        static_cast<sim_memory *>(region)->anonymous = 1;
        if (overlay) MemMap_Define(chip, "RTAS", &G_MMAPI_RAM, 0x37FF0, 0x37FF7, nullptr);
        MemMap_Define(chip, "RAM", &G_MMAPI_RAM, 0xFFFF0000, 0xFFFFFFFF, nullptr);
        MemMap_Define_Overflow(chip->mbus->memory_map->map_list, machine.property_list, "MEMORY_OVERFLOW",
                               &G_MMAPI_MEMORY_OVERFLOW, 0, UINT64_MAX);
        client = MemoryClientCreate(&machine, chip, "bench", 0);
    }
    ~BenchMachine()
    {
        MCM *chip = machine.mcms[0];
        MemoryMap *map = chip->mbus->memory_map;
        MemoryClientDelete(chip, client);
        MemMap_DeleteAll(map);
        MemMap_DeleteMap(map);
        MCM__Quit(chip);
        QUARN_FREE(machine.mcms);
        PropertyList__Delete(machine.property_list);
        FORGET_STRING(machine.name);
    }
};

void BM_MappedRead(benchmark::State &state)
{
    BenchMachine m(state.range(0) != 0);
    uint64_t address = 0x100000, value = 0;
    for (auto _ : state) {
        Read_Mapped_Memory_Reg(m.client, address, 8, &value, 0, 0);
        benchmark::DoNotOptimize(value);
        address = 0x100000 + ((address + 0x108) & 0xFFF8); // a warm 64 KB
    }
}
BENCHMARK(BM_MappedRead)->Arg(0)->Arg(1);

void BM_RegionHostAddress(benchmark::State &state)
{
    BenchMachine m(false);
    uint64_t offset = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MEM_PA_OFFSET_TO_SIM_MEMORY(&m.machine, m.region, offset, 8));
        offset = (offset + 0x108) & 0xFFF8;
    }
}
BENCHMARK(BM_RegionHostAddress);

} // namespace
