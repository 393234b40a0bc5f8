// The integer instructions on the functional path, decoded once and run through their semantic
// routine on a bare thread: mr (the most frequent "or"), the priority no-op "or 1,1,1", a word
// rotate, the doubleword multiply and the plain and extended divides.
#include <benchmark/benchmark.h>

#include "decode/decoder.h"
#include "decode/instr_info.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ppc_bits.h"
#include "runtime/alloc.h"

namespace
{

struct Bench {
    ProcessorState *core = QUARN_ZALLOC(1, ProcessorState);
    ThreadState *thread = QUARN_ZALLOC(1, ThreadState);
    IOPDesc iop{};
    explicit Bench(uint32_t word)
    {
        if (!DecodeInstr) SelectDecoder("Ervik");
        core->num_threads = 1;
        for (uint32_t option : {PO_KNOW_OR_NOP, PO_DIVDE_SUPPORTED, PO_DIVW_CLEARS_RT0_31})
            core->options[option] = 1;
        thread->processor = core;
        thread->shared_processor = core;
        thread->MSR.value = MSR_SF | MSR_HV;
        thread->GPR[4].value = 0x123456789ABCDEF;
        thread->GPR[5].value = 0x12345;
        iop.thread = thread;
        iop.length = 4;
        iop.word = word;
        iop.row = DecodeInstr(instruction_info_table, word);
    }
    ~Bench()
    {
        QUARN_FREE(thread);
        QUARN_FREE(core);
    }
    void run(benchmark::State &state)
    {
        for (auto _ : state) {
            thread->PC.value = 0x1000;
            benchmark::DoNotOptimize(iop.row->semantic(&iop));
        }
    }
};

void BM_Mr(benchmark::State &state)
{
    Bench(0x7C832378).run(state); // mr r3,r4
}
BENCHMARK(BM_Mr);

void BM_PriorityNoOp(benchmark::State &state)
{
    Bench(0x7C210B78).run(state); // or 1,1,1
}
BENCHMARK(BM_PriorityNoOp);

void BM_Rlwinm(benchmark::State &state)
{
    Bench(0x5483402E).run(state); // rlwinm r3,r4,8,0,23
}
BENCHMARK(BM_Rlwinm);

void BM_Mulld(benchmark::State &state)
{
    Bench(0x7C6429D2).run(state); // mulld r3,r4,r5
}
BENCHMARK(BM_Mulld);

void BM_Divd(benchmark::State &state)
{
    Bench(0x7C642BD2).run(state); // divd r3,r4,r5
}
BENCHMARK(BM_Divd);

void BM_Divde(benchmark::State &state)
{
    Bench(0x7C652352).run(state); // divde r3,r5,r4
}
BENCHMARK(BM_Divde);

} // namespace
