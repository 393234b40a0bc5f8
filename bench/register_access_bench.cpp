// Register access on the instruction path: instruction-level reads and writes of a named register
// without triggers (the common case), with an armed trigger list deferred by an in-flight record,
// and the instruction-record hand-out from the free list.
#include <benchmark/benchmark.h>

#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "runtime/alloc.h"

namespace
{

struct Bench {
    ProcessorState *core = QUARN_ZALLOC(1, ProcessorState);
    ThreadState *thread = QUARN_ZALLOC(1, ThreadState);
    IOPDesc iop{};
    Bench()
    {
        thread->processor = core;
        thread->shared_processor = core;
        iop.thread = thread;
    }
    ~Bench()
    {
        QUARN_FREE(thread);
        QUARN_FREE(core);
    }
};

void BM_InstructionSetGetNoTriggers(benchmark::State &state)
{
    Bench b;
    uint64_t v = 0;
    for (auto _ : state) {
        iSET_LR(&b.iop, v++);
        benchmark::DoNotOptimize(iGET_LR(&b.iop));
    }
}
BENCHMARK(BM_InstructionSetGetNoTriggers);

void BM_InstructionSetPartitionRegister(benchmark::State &state)
{
    Bench b;
    uint64_t v = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(iSET_SDR1(&b.iop, v++));
}
BENCHMARK(BM_InstructionSetPartitionRegister);

void BM_InstructionGetDeferredTrigger(benchmark::State &state)
{
    Bench b;
    Reg_Trigger_Desc desc{};
    Reg_Trigger_Node node{};
    desc.enabled_read.head = &node;
    b.thread->SRR0.trigger = &desc;
    b.iop.defer_side_effects = 1;
    for (auto _ : state)
        benchmark::DoNotOptimize(iGET_SRR0(&b.iop));
}
BENCHMARK(BM_InstructionGetDeferredTrigger);

void BM_InstructionRecordHandOut(benchmark::State &state)
{
    Bench b;
    return_Instruction(get_Instruction(b.thread)); // warm the free list
    for (auto _ : state) {
        IOPDesc *iop = get_Instruction(b.thread);
        benchmark::DoNotOptimize(iop);
        return_Instruction(iop);
    }
}
BENCHMARK(BM_InstructionRecordHandOut);

} // namespace
