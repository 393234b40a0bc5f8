// The instruction-level writes of LPIDR and LPCR that the SPR moves end in.
#include "interrupts/interrupt_queue.h"
#include "processor/hooks/lpar_writes.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/records/thread_state.h"
#include "processor/time/time_registers.h"
#include "exec/hooks/engines.h"
#include "processor/hooks/pturbo_control.h"
#include "translator/trace_process.h"

namespace
{

constexpr uint64_t LPCR_MER = 0x800;
constexpr uint64_t LPCR_HDICE = 0x1;

} // namespace

void WriteLPIDR(IOPDesc *iop, uint32_t value)
{
    ThreadState *thread = iop->thread;
    iGET_LPIDR(iop);
    if (TRC_IS_ON()) {
        ProcessorState *core = thread->processor;
        for (uint32_t i = 0; core && core->threads && i < core->num_threads; i++) {
            trc_smt(&core->threads[i]);
            trc_lpid(value);
        }
        trc_smt(thread);
    }
    iSET_LPIDR(iop, value);
}

void WriteLPCR(IOPDesc *iop, uint64_t value)
{
    iSET_LPCR(iop, value);
    if (iGET_LPCR(iop) & LPCR_MER)
        CheckForMediatedInterrupt(iop);
    else
        CheckForMediatedInterruptOff(iop);
    if (iGET_LPCR(iop) & LPCR_HDICE) CheckForHDECInterrupt_Thread(iop->thread, 0);
}
