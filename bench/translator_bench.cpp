// The translator's fixed costs: one crack lookup, appending host code to a sink, encoding a
// thread-state access, and one pass of turbo_go around an exit (the price every exit of translated
// code pays) and the translation of a page.
#include <benchmark/benchmark.h>

#include <vector>

#include "machine/default_values.h"
#include "machine/machine_lifecycle.h"
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/modes.h"
#include "runtime/common.h"
#include "runtime/property_list.h"
#include "runtime/psv.h"
#include "runtime/stop.h"
#include "translator/crack.h"
#include "translator/current_emat.h"
#include "translator/emat.h"
#include "translator/frame.h"
#include "translator/jit_stubs.h"
#include "translator/page_tables.h"
#include "translator/turbo_go.h"
#include "translator/turbo_reason.h"
#include "translator/x86/encoder.h"
#include "translator/x86/sink.h"
#include "translator/xframe.h"

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

// A one-thread machine in hypervisor real mode whose page at 0x2000 is installed for fetch.
struct BenchMachine {
    BenchMachine()
    {
        regress_mode = 1;
        useXterms = 0;
        if (!PSV_List) Init_PSV_Table();
        crack_init();
        jit_init(1);
        PropertyList *list = PropertyList__New("translator-bench");
        PropertyList__UpdatePropertyValue(list, "machine_type", "myrrin", nullptr, 1);
        PropertyList__UpdatePropertyValue(list, "processor/type", "Ervik", nullptr, 1);
        PropertyList__UpdatePropertyValue(list, "processor/number_of_threads", "1", nullptr, 1);
        base_Add_Default_Values(list, "");
        machine = GenericMachine_Create("bench", list);
        machine->mode = MODE_TURBO;
        thread = &GenericMachine__Processor(machine, 0)->threads[0];
        thread->MSR.value = 0x9000000000000000ull;
        thread->chunk_mode = 1; // time accumulates instead of switching jobs
        AXD axd = INITIAL_AXD;
        axd.kind = AXD_KIND_FETCH;
        axd.xlate_mode = 1;
        axd.ea = axd.xlate_ea = axd.pa = 0x2000;
        emat_add(GET_CURRENT_EMAT(thread, thread->MSR.value, 1), thread, &axd);
    }
    ~BenchMachine()
    {
        Machine_Quit(machine);
        Start_The_Simulation();
    }
    GenericMachine *machine;
    ThreadState *thread;
};

// One pass of turbo_go that enters a translated page whose first word exits at once ("unknown").
void BM_TurboGoPass(benchmark::State &state)
{
    BenchMachine b;
    for (auto _ : state) {
        b.thread->PC.value = 0x2000;
        benchmark::DoNotOptimize(turbo_go(b.thread, 100));
    }
}
BENCHMARK(BM_TurboGoPass);

// Translating one page of zero words (1,024 prologues and exits).
void BM_TranslatePage(benchmark::State &state)
{
    BenchMachine b;
    MemoryMap *memory = b.thread->mcm->mbus->memory_map;
    uint8_t *host = Resolve_Mapped_Memory(b.thread->memory_client, 0x2000);
    frame_s *frame = ipt_lookup(memory->page_table, reinterpret_cast<uint64_t>(host), 0, 0, nullptr);
    for (auto _ : state) {
        frame_drop_xlate(frame);
        benchmark::DoNotOptimize(frame_xlate(frame, 1));
    }
}
BENCHMARK(BM_TranslatePage);

} // namespace
