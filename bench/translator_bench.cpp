// The translator's fixed costs: one crack lookup, appending host code to a sink, encoding a
// thread-state access, and one pass of turbo_go around an exit (the price every exit of translated
// code pays; the entry is a stand-in that exits at once with "limit").
#include <benchmark/benchmark.h>

#include <vector>

#include "processor/records/generic_machine.h"
#include "machine/default_values.h"
#include "machine/machine_lifecycle.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "runtime/common.h"
#include "runtime/property_list.h"
#include "runtime/psv.h"
#include "runtime/stop.h"
#include "translator/crack.h"
#include "translator/emat.h"
#include "translator/frame.h"
#include "translator/turbo_go.h"
#include "translator/turbo_reason.h"
#include "translator/xframe.h"
#include "translator/x86/encoder.h"
#include "translator/x86/sink.h"

namespace
{

void BM_CrackLookup(benchmark::State &state)
{
    crack_init();
    std::vector<uint32_t> words;
    for (uint32_t i = 0; i < 4096; i++)
        words.push_back(i * 0x9E3779B9u);
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(turbo_id(words[i]));
        i = (i + 1) & 4095;
    }
}
BENCHMARK(BM_CrackLookup);

void BM_SinkEmit1(benchmark::State &state)
{
    std::vector<uint8_t> buffer(4096);
    sink s;
    for (auto _ : state) {
        sink_init(&s, buffer.data(), buffer.size());
        for (uint32_t b = 0; b < 4096; b++)
            sink_emit1(&s, b);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * 4096);
}
BENCHMARK(BM_SinkEmit1);

void BM_EmitThreadStateLoad(benchmark::State &state)
{
    std::vector<uint8_t> buffer(1 << 16);
    sink s;
    sink_init(&s, buffer.data(), buffer.size());
    for (auto _ : state) {
        if (s.remaining < 16) sink_init(&s, buffer.data(), buffer.size());
        emit_mov_load(&s, HOST_R9, 0x1000, HOST_RBX, 1);
    }
}
BENCHMARK(BM_EmitThreadStateLoad);

frame_s bench_frame{};
xframe bench_xframe{};

xframe *found(emat_s *, uint64_t, int)
{
    return &bench_xframe;
}

uint32_t exit_at_once(xframe *, ThreadState *thread, uint64_t pc, uint32_t, void *, void *, void *)
{
    thread->turbo.reason = EXIT_LIMIT;
    thread->turbo.pc = pc;
    return 0;
}

void BM_TurboGoPass(benchmark::State &state)
{
    regress_mode = 1;
    useXterms = 0;
    if (!PSV_List) Init_PSV_Table();
    PropertyList *list = PropertyList__New("translator-bench");
    PropertyList__UpdatePropertyValue(list, "machine_type", "myrrin", nullptr, 1);
    PropertyList__UpdatePropertyValue(list, "processor/type", "Ervik", nullptr, 1);
    PropertyList__UpdatePropertyValue(list, "processor/number_of_threads", "1", nullptr, 1);
    base_Add_Default_Values(list, "");
    GenericMachine *machine = GenericMachine_Create("bench", list);
    ThreadState *thread = &GenericMachine__Processor(machine, 0)->threads[0];
    thread->MSR.value = 0x9000000000000000ull;
    thread->chunk_mode = 1; // time accumulates instead of switching jobs
    bench_xframe.frame = &bench_frame;
    turbo_xframe_lookup = found;
    turbo_xframe_entry = exit_at_once;
    for (auto _ : state) {
        thread->PC.value = 0x2000;
        benchmark::DoNotOptimize(turbo_go(thread, 100));
    }
    turbo_xframe_lookup = emat_xframe;
    turbo_xframe_entry = xframe_entry;
    Machine_Quit(machine);
    Start_The_Simulation();
}
BENCHMARK(BM_TurboGoPass);

} // namespace
