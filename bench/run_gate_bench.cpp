// What every chunk (in SIMPLE mode every instruction) pays for the run gate and the decrementer
// caps.
#include <benchmark/benchmark.h>

#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/run_gate.h"
#include "processor/time/time_registers.h"

namespace
{

// One running core with one enabled thread and its decrementer on a bare kernel.
struct BenchThread {
    GenericMachine machine{};
    ProcessorState core{};
    ThreadState thread{};
    DECREMENTER dec{};

    BenchThread()
    {
        machine.tsim = tsim_new("run-gate-bench");
        machine.tsim->now = 1000;
        core.machine = &machine;
        core.x_cpuState = CPU_RUNNING;
        core.partition_count = 1;
        core.num_threads = 1;
        core.threads = &thread;
        thread.machine = &machine;
        thread.processor = &core;
        thread.shared_processor = &core;
        thread.x_smt_enable = 1;
        thread.decrementer = &dec;
        dec.value = 0x7FFFFFFF;
        dec.last_cycle = 1000;
    }
    ~BenchThread() { tsim_free(machine.tsim); }
};

void BM_CheckCanRunNonBlocking(benchmark::State &state)
{
    BenchThread b;
    for (auto _ : state) benchmark::DoNotOptimize(Check_Can_Run(&b.thread, 0));
}
BENCHMARK(BM_CheckCanRunNonBlocking);

void BM_DecLimits(benchmark::State &state)
{
    BenchThread b;
    for (auto _ : state) {
        b.machine.tsim->now++;
        benchmark::DoNotOptimize(ThreadState__DecLimits(&b.thread, 3, 1000));
    }
}
BENCHMARK(BM_DecLimits);

} // namespace
