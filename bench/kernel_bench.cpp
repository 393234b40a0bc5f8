// Event-kernel costs: a job switch (two jobs taking turns at each tick) and a delay that does
// not switch (nothing else due before the wake tick).
#include <benchmark/benchmark.h>

#include "kernel/delay.h"
#include "kernel/job.h"
#include "kernel/tsim.h"

namespace {

struct Turns {
    int64_t left;
};

void take_turns(void *argument)
{
    auto *turns = static_cast<Turns *>(argument);
    while (turns->left-- > 0) current_delay_ticks(1); // the other job is due at the same tick
}

void BM_SwitchBetweenTwoJobs(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        tsim_s *tsim = tsim_new("bench");
        Turns turns = {100000};
        job_new(tsim, "a", take_turns, &turns);
        job_new(tsim, "b", take_turns, &turns);
        state.ResumeTiming();
        tsim_run(tsim, nullptr);
        state.PauseTiming();
        tsim_free(tsim);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_SwitchBetweenTwoJobs);

void delay_alone(void *argument)
{
    auto *turns = static_cast<Turns *>(argument);
    while (turns->left-- > 0) current_delay_ticks(3);
}

void BM_DelayWithoutSwitch(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        tsim_s *tsim = tsim_new("bench");
        Turns turns = {1000000};
        job_new(tsim, "alone", delay_alone, &turns);
        state.ResumeTiming();
        tsim_run(tsim, nullptr);
        state.PauseTiming();
        tsim_free(tsim);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_DelayWithoutSwitch);

} // namespace
