// The load and store data path as every guest load and store meets it in the untimed modes:
// translation, the reservation gate, the memory map and the byte order.
#include <benchmark/benchmark.h>

#include "bench_chip.h"

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/ram_block.h"
#include "memory/reservations.h"
#include "mmu/load_store_path.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/property_list.h"

namespace
{

constexpr uint64_t MSR_SF_HV = 0x9000000000000000ull;

// One chip with 64 KB of RAM and a thread that accesses it.
struct BenchThread {
    GenericMachine machine{};
    ProcessorState core{};
    ThreadState thread{};
    IOPDesc iop{};

    BenchThread()
    {
        MCM *chip = bench_single_chip(machine, "load-store-bench");
        MemMap_Define(chip, "RAM", &G_MMAPI_RAM, 0, 0xFFFF, nullptr);
        thread.processor = &core;
        thread.machine = &machine;
        thread.mcm = chip;
        thread.MSR.value = MSR_SF_HV;
        thread.memory_client = MemoryClientCreate(&machine, chip, "thread", 0);
        iop.thread = &thread;
        iop.length = 4;
    }
    ~BenchThread()
    {
        MCM *chip = machine.mcms[0];
        MemoryMap *map = chip->mbus->memory_map;
        MemoryClientDelete(chip, thread.memory_client);
        MemMap_DeleteAll(map);
        MemMap_DeleteMap(map);
        MCM__Quit(chip);
        Quit_Machine_Time_Domain(&machine.time_domains);
        QUARN_FREE(machine.mcms);
        PropertyList__Delete(machine.property_list);
        FORGET_STRING(machine.name);
    }
    void access(uint64_t ea, int16_t size)
    {
        iop.data = INITIAL_AXD;
        iop.data.ea = iop.data.orig_ea = iop.data.ea2 = ea;
        iop.data.size = size;
    }
};

// A plain word store; argument 1: little-endian data, 2: another client holds a reservation.
void BM_StoreWord(benchmark::State &state)
{
    BenchThread bench;
    if (state.range(0) == 1) bench.thread.MSR.value |= 1;
    MemoryClient *other = nullptr;
    if (state.range(0) == 2) {
        other = MemoryClientCreate(&bench.machine, bench.thread.mcm, "other", 1);
        create_reservation(other, 0x8000, 8);
    }
    uint64_t address = 0;
    for (auto _ : state) {
        bench.access(address, 4);
        benchmark::DoNotOptimize(Store_Memory_Value(&bench.iop, address, 0, 0));
        address = (address + 4) & 0x7FFF;
    }
    if (other) MemoryClientDelete(bench.thread.mcm, other);
}
BENCHMARK(BM_StoreWord)->Arg(0)->Arg(1)->Arg(2);

void BM_LoadDoubleword(benchmark::State &state)
{
    BenchThread bench;
    uint64_t address = 0, value = 0;
    for (auto _ : state) {
        bench.access(address, 8);
        benchmark::DoNotOptimize(Load_Memory_Value(&bench.iop, &value));
        address = (address + 8) & 0xFFFF;
    }
}
BENCHMARK(BM_LoadDoubleword);

} // namespace
