// The condition-register results of the transactional-memory instructions.
#include "mmu/tm/htm_cr.h"

#include "mmu/tm/htm_machine.h"
#include "processor/config/processor_options.h"
#include "processor/records/instruction_record.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/register_file.h"

namespace
{

uint32_t transaction_state(uint64_t msr)
{
    return (uint32_t)((msr & MSR_TS) >> 33);
}

} // namespace

void SET_TM_CR(IOPDesc *iop, uint32_t field, uint32_t value)
{
    value &= 0xF;
    if (IOP_Option(iop, PO_FXCC_FIELD_IN_XER) &&
        (Tags_Active(iop) || IOP_Option(iop, PO_HTM_OPS_SET_XER_FXCC_IN_TI_MODE))) {
        IOP_Write_XER_Field(iop, XER_FXCC, (uint64_t)value << 24);
        XER_Mark_Written(iop, XER_FXCC);
    }
    IOP_Write_CR_Field(iop, field & 7, value);
}

void SET_TM_CR_From_MSR(IOPDesc *iop, uint64_t msr, uint32_t field)
{
    SET_TM_CR(iop, field, transaction_state(msr) << 1);
}

void SET_TM_CR_From_Doomed_MSR(IOPDesc *iop, uint64_t msr, uint32_t field)
{
    (void)iGET_TDOOMED(iop); // its read triggers
    const uint32_t doomed = iop->thread->htm_failure_pending ? 1 : 0;
    SET_TM_CR(iop, field, doomed << 3 | transaction_state(msr) << 1);
}

void htm_tcheck(IOPDesc *iop, uint32_t bf)
{
    SET_TM_CR_From_Doomed_MSR(iop, iGET_MSR(iop), bf);
}

void FORCE_TM_CR(ThreadState *thread, uint32_t field, uint32_t value)
{
    value &= 0xF;
    htm_data *data = htm_get_machine_state(thread->machine);
    if (data && data->fxcc) {
        constexpr uint64_t FXCC_LOW = 0xE000000;
        const uint64_t xer = (thread->XER.value & ~FXCC_LOW) | (((uint64_t)value << 24) & FXCC_LOW);
        thread->XER.value = xer & Register_Entry_Mask(thread->XER.rfe);
        thread->XER.written = 1;
    }
    const uint32_t shift = 28 - 4 * (field & 7);
    const uint32_t cr = (thread->CR.value & ~(0xFu << shift)) | value << shift;
    thread->CR.value = cr & (uint32_t)Register_Entry_Mask(thread->CR.rfe);
    thread->CR.written = 1;
}
