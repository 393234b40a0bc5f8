// Plug-in event costs on the per-instruction path: firing an event nobody listens to (one
// comparison), firing to one listener, and the AnyoneListening test callers make first.
#include <benchmark/benchmark.h>

#include "runtime/plugin_events.h"

namespace
{

int count_commits(IOPDesc *)
{
    static int commits;
    return ++commits;
}

void BM_FireWithoutListeners(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Event_Instruction_PreExecution(nullptr));
}
BENCHMARK(BM_FireWithoutListeners);

void BM_FireToOneListener(benchmark::State &state)
{
    RegisterListener("Event_Instruction_Commit", reinterpret_cast<void *>(&count_commits), nullptr);
    for (auto _ : state)
        benchmark::DoNotOptimize(Event_Instruction_Commit(nullptr));
    UnRegisterListener("Event_Instruction_Commit", reinterpret_cast<void *>(&count_commits));
}
BENCHMARK(BM_FireToOneListener);

void BM_AnyoneListeningByName(benchmark::State &state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(AnyoneListening("Event_Hvelo_Nx_Interrupt"));
}
BENCHMARK(BM_AnyoneListeningByName);

} // namespace
