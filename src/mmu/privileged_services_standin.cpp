// Stand-ins of the TLB, SLB, segment-register and transactional-memory services of the privileged
// instructions. Every definition is weak, so that the models' definitions replace them.
#include "mmu/privileged_services.h"

#include "interrupts/interrupt_raisers.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_triggers.h"
#include "processor/translation/xlate_version.h"

PrivilegedServicesStandinLog privileged_services_standin_log;

void Privileged_Services_Standin_Reset()
{
    privileged_services_standin_log = PrivilegedServicesStandinLog{};
    privileged_services_standin_log.transition_answer = 1;
    privileged_services_standin_log.tend_answer = 1;
    privileged_services_standin_log.trechkpt_answer = 1;
}

namespace
{

struct DefaultAnswers {
    DefaultAnswers() { Privileged_Services_Standin_Reset(); }
} default_answers;

void tm_call(const char *name, uint64_t argument)
{
    privileged_services_standin_log.tm_calls++;
    privileged_services_standin_log.tm_last = name;
    privileged_services_standin_log.tm_argument = argument;
}

} // namespace

// ---- TLB

// STAND-IN: the TLB model is not built (no entries are ever loaded); the call is counted.
__attribute__((weak)) void TLB_tlbie(TLB *tlb, uint64_t, int32_t page_shift, uint32_t, uint32_t, uint32_t,
                                     uint32_t, const char *)
{
    privileged_services_standin_log.tlbie_calls++;
    privileged_services_standin_log.tlbie_tlb = tlb;
    privileged_services_standin_log.tlbie_page_shift = page_shift;
    current_xlate_version++;
}

// STAND-IN: see TLB_tlbie.
__attribute__((weak)) void TLB_Clear(IOPDesc *, TLB *)
{
    privileged_services_standin_log.tlb_clear_calls++;
    current_xlate_version++;
}

// STAND-IN: see TLB_tlbie; no entry holds a reference bit.
__attribute__((weak)) void TLB_Clear_Reference_Bit_For_Set(TLB *, int32_t, int32_t) {}
__attribute__((weak)) void TLB_Clear_Specific_Reference_Bit(TLB *, uint64_t, int32_t, int32_t, uint32_t,
                                                            uint32_t)
{
}

// STAND-IN: the page-encoding table is not built; the answer is the log's (0, invalid, by default).
__attribute__((weak)) int32_t TLBIE_page_encoding_bits(IOPDesc *, uint32_t, uint32_t, uint32_t, int32_t)
{
    return privileged_services_standin_log.page_encoding_answer;
}

// ---- SLB and segment registers

// STAND-IN: the SLB model's slbie (matching by ESID, segment size and class) is not built; the
// call is counted.
__attribute__((weak)) int core_slbie(IOPDesc *)
{
    privileged_services_standin_log.slbie_calls++;
    return 1;
}

// STAND-IN: the SLB search is not built; RT := 0 and CR0 := EQ clear (not found), SO copied.
__attribute__((weak)) int core_slbfee_dot(IOPDesc *iop)
{
    privileged_services_standin_log.slbfee_calls++;
    IOP_Write_GPR(iop, FIELD_RT(iop->word), 0);
    IOP_Write_CR_Field(iop, 0, IOP_Read_SO(iop));
    return 1;
}

// STAND-IN: the SLB model's slbia (which keeps entry 0 and drops the translated-address maps) is
// not built; every entry is made invalid.
__attribute__((weak)) int core_slbia(IOPDesc *iop)
{
    if (iGET_MSR(iop) & MSR_PR) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    privileged_services_standin_log.slbia_calls++;
    ThreadState *thread = iop->thread;
    for (int32_t n = 0; thread->slb && n < thread->slb_entries; n++) {
        thread->slb[n].valid = 0;
        thread->slb[n].SLBE.value &= ~0x08000000ull;
    }
    return 1;
}

// STAND-IN: the segment-register image is not folded back into the SLB entry; the call is kept in
// the log.
__attribute__((weak)) void WriteSR(ThreadState *, uint32_t n, uint64_t value, uint64_t rb)
{
    privileged_services_standin_log.writesr_calls++;
    privileged_services_standin_log.writesr_n = n;
    privileged_services_standin_log.writesr_value = value;
    privileged_services_standin_log.writesr_rb = rb;
}

// ---- transactional memory

// STAND-IN: the transactional-state rules are not built; every transition is allowed unless a test
// set the log's answer.
__attribute__((weak)) int HTM_check_MSR_Transition(IOPDesc *, uint64_t *, uint64_t, const char *)
{
    return privileged_services_standin_log.transition_answer;
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
    return privileged_services_standin_log.tend_answer;
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
    return privileged_services_standin_log.trechkpt_answer;
}

// STAND-IN: see htm_tbegin.
__attribute__((weak)) void HTM_tlbie(ThreadState *, uint64_t rb, int32_t, const char *)
{
    tm_call("tlbie", rb);
}
