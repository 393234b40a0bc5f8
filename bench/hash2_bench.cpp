// Two-key hash look-ups: the breakpoint and trigger checks made for every instruction, with
// addresses of a program's text as first keys and a context word as second.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "runtime/hash2.h"

static void BM_HASH2_GetByValue(benchmark::State &state)
{
    const int count = (int)state.range(0);
    auto table = std::make_unique<HASH2_Table>();
    HASH2_InitTable(table.get());
    std::vector<HASH2_Entry> entries(count);
    for (int i = 0; i < count; i++) {
        entries[i].key0 = 0x10000000 + 4 * (uint64_t)i;
        entries[i].key1 = 0;
        HASH2_AddEntry(table.get(), &entries[i]);
    }
    uint64_t address = 0x10000000;
    const uint64_t end = 0x10000000 + 8 * (uint64_t)count; // half the look-ups miss
    for (auto _ : state) {
        benchmark::DoNotOptimize(HASH2_GetByValue(table.get(), address, 0));
        address += 4;
        if (address == end) address = 0x10000000;
    }
}
BENCHMARK(BM_HASH2_GetByValue)->Arg(16)->Arg(4096)->Arg(200000);
