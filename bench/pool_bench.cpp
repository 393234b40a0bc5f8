// Object-pool costs: taking and returning an element of a warm FastMalloc pool (no allocator
// call), and a port message round trip through a pooled serving job.
#include <benchmark/benchmark.h>

#include "kernel/delay.h"
#include "kernel/job.h"
#include "kernel/port.h"
#include "kernel/tsim.h"
#include "runtime/fast_malloc.h"

namespace
{

void BM_FastMallocTakeAndReturn(benchmark::State &state)
{
    FastMalloc *pool = FastMalloc_New("bench", 64, 256, 0);
    void *warm = FastMalloc_Get(pool); // one chunk exists
    FastMalloc_Put(pool, warm);
    for (auto _ : state) {
        void *object = FastMalloc_Get(pool);
        benchmark::DoNotOptimize(object);
        FastMalloc_Put(pool, object);
    }
    FastMalloc_Free(pool);
}
BENCHMARK(BM_FastMallocTakeAndReturn);

struct Sends {
    port_s *port;
    int64_t left;
};

void ignore(port_s *, void *) {}

void sender(void *argument)
{
    auto *sends = static_cast<Sends *>(argument);
    while (sends->left-- > 0) {
        port_send(sends->port, nullptr);
        current_delay_ticks(1); // the serving job handles it, then parks again
    }
}

void BM_PortMessageThroughAParkedJob(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        tsim_s *tsim = tsim_new("bench");
        port_s *port = port_limited_new(tsim, ignore, 16, 1);
        Sends sends = {port, 100000};
        job_new(tsim, "sender", sender, &sends);
        state.ResumeTiming();
        tsim_run(tsim, nullptr);
        state.PauseTiming();
        port_free(port);
        tsim_free(tsim);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_PortMessageThroughAParkedJob);

} // namespace
