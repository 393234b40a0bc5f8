// Reservations as every store and every larx/stcx. pair meets them, and the byte reversal of
// byte-reversed and little-endian accesses.
#include <benchmark/benchmark.h>

#include "bench_chip.h"

#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "memory/reservations.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/value_ops.h"
#include "runtime/alloc.h"
#include "runtime/property_list.h"

namespace
{

// One chip with its memory map and two clients: a storing thread and another holder.
struct BenchChip {
    GenericMachine machine{};
    ProcessorState core{};
    ThreadState thread{};
    MemoryClient *other = nullptr;

    BenchChip()
    {
        MCM *chip = bench_single_chip(machine, "reservations-bench");
        thread.processor = &core;
        thread.mcm = chip;
        thread.memory_client = MemoryClientCreate(&machine, chip, "thread", 0);
        other = MemoryClientCreate(&machine, chip, "other", 1);
    }
    ~BenchChip()
    {
        MCM *chip = machine.mcms[0];
        MemoryMap *map = chip->mbus->memory_map;
        MemoryClientDelete(chip, thread.memory_client);
        MemoryClientDelete(chip, other);
        MemMap_DeleteAll(map);
        MemMap_DeleteMap(map);
        MCM__Quit(chip);
        Quit_Machine_Time_Domain(&machine.time_domains);
        QUARN_FREE(machine.mcms);
        PropertyList__Delete(machine.property_list);
        FORGET_STRING(machine.name);
    }
    MCM *chip() { return machine.mcms[0]; }
};

// A load-and-reserve and its store-conditional.
void BM_ReserveAndStoreConditional(benchmark::State &state)
{
    BenchChip bench;
    AXD store = INITIAL_AXD;
    store.pa = 0x1000;
    store.size = 8;
    for (auto _ : state) {
        create_reservation(bench.thread.memory_client, 0x1000, 8);
        benchmark::DoNotOptimize(stcx_has_proper_reservation(&bench.thread, &store));
    }
}
BENCHMARK(BM_ReserveAndStoreConditional);

// A store's revocation with no reservation on the chip (the common case), and with one held
// elsewhere.
void BM_RevokeOnStore(benchmark::State &state)
{
    BenchChip bench;
    if (state.range(0)) create_reservation(bench.other, 0x9000, 8);
    uint64_t address = 0;
    for (auto _ : state) {
        revoke_core_reservations(bench.chip(), bench.thread.memory_client, address);
        address += 8;
    }
}
BENCHMARK(BM_RevokeOnStore)->Arg(0)->Arg(1);

void BM_ReverseRegValue(benchmark::State &state)
{
    static const int32_t lengths[4] = {1, 2, 4, 8};
    uint64_t value = 0x0123456789ABCDEFull;
    int i = 0;
    for (auto _ : state) {
        value = Reverse_RegValue(value, lengths[i++ & 3]) + 1;
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_ReverseRegValue);

} // namespace
