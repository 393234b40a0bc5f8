// Stand-ins of the transactional-memory model's instruction operations. Every definition is weak,
// so that the model's definitions replace them.
#include "mmu/tm_operations.h"

#include "interrupts/interrupt_raisers.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_triggers.h"
#include "processor/translation/xlate_version.h"

TMOperationsStandinLog tm_operations_standin_log;

void TM_Operations_Standin_Reset()
{
    tm_operations_standin_log = TMOperationsStandinLog{};
    tm_operations_standin_log.transition_answer = 1;
    tm_operations_standin_log.tend_answer = 1;
    tm_operations_standin_log.trechkpt_answer = 1;
}

namespace
{

struct DefaultAnswers {
    DefaultAnswers() { TM_Operations_Standin_Reset(); }
} default_answers;

void tm_call(const char *name, uint64_t argument)
{
    tm_operations_standin_log.tm_calls++;
    tm_operations_standin_log.tm_last = name;
    tm_operations_standin_log.tm_argument = argument;
}

} // namespace

// ---- transactional memory

// STAND-IN: the transactional-state rules are not built; every transition is allowed unless a test
// set the log's answer.
__attribute__((weak)) int HTM_check_MSR_Transition(IOPDesc *, uint64_t *, uint64_t, const char *)
{
    return tm_operations_standin_log.transition_answer;
}

__attribute__((weak)) void SET_TM_CR_From_MSR(IOPDesc *iop, uint64_t msr, uint32_t field)
{
    IOP_Write_CR_Field(iop, field, (uint32_t)((msr >> 32) & 6));
}

// STAND-IN: transactions are not modelled; each operation is kept in the log and changes nothing.
__attribute__((weak)) void htm_tbegin(IOPDesc *, uint64_t msr)
{
    tm_call("tbegin", msr);
}

// STAND-IN: see htm_tbegin; the answer is the log's.
__attribute__((weak)) int htm_tend(IOPDesc *, uint64_t, int32_t outer)
{
    tm_call(outer ? "tendouter" : "tend", (uint64_t)outer);
    return tm_operations_standin_log.tend_answer;
}

// STAND-IN: see htm_tbegin.
__attribute__((weak)) void htm_tabort(IOPDesc *, uint32_t cause)
{
    tm_call("tabort", cause);
}

// STAND-IN: see htm_tbegin.
__attribute__((weak)) void htm_tsuspend(IOPDesc *, uint64_t msr)
{
    tm_call("tsuspend", msr);
}

// STAND-IN: see htm_tbegin.
__attribute__((weak)) void htm_tresume(IOPDesc *, uint64_t msr)
{
    tm_call("tresume", msr);
}

// STAND-IN: see htm_tbegin; no transaction is ever doomed, so CR field BF is cleared.
__attribute__((weak)) void htm_tcheck(IOPDesc *iop, uint32_t bf)
{
    tm_call("tcheck", bf);
    IOP_Write_CR_Field(iop, bf, 0);
}

// STAND-IN: see htm_tbegin; the answer is the log's.
__attribute__((weak)) int htm_trechkpt_dot(IOPDesc *, uint64_t msr)
{
    tm_call("trechkpt", msr);
    return tm_operations_standin_log.trechkpt_answer;
}

// STAND-IN: see htm_tbegin.
__attribute__((weak)) void HTM_tlbie(ThreadState *, uint64_t rb, int32_t, const char *)
{
    tm_call("tlbie", rb);
}
