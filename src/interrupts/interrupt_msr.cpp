// The interrupt MSR and the DSISR merge.
#include "interrupts/interrupt_msr.h"

#include "interrupts/exception_types.h"
#include "processor/config/processor_options.h"
#include "processor/records/exception_record.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/ppc_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"

namespace
{

constexpr uint64_t LPCR_LPES1 = 0x4;          // interrupts of the partition stay with its OS
constexpr uint64_t LPCR_EXTERNAL_TO_OS = 0x8; // external interrupts keep HV
constexpr uint64_t LPCR_ILE = 0x2000000;      // interrupt little-endian
constexpr uint64_t LPCR_KBV = 0x1000000000000000ull;
constexpr uint64_t PCR_V205 = 0x2;
constexpr uint64_t SIM_CTRL1_HILE_FROM_HID0 = 0x0400000000000000ull; // bit 58
constexpr uint64_t HID0_HILE = 0x100000000000ull;                    // bit 44
constexpr uint64_t SIM_CTRL_HILE = 0x40000;                          // bit 18

// The MSR of a vectored system call.
uint64_t vectored_system_call_msr(IOPDesc *iop, uint64_t old_msr)
{
    uint64_t msr = (old_msr & ~(MSR_PR | MSR_SE | MSR_BE | MSR_PMM)) | MSR_SF | MSR_IR | MSR_DR;
    if (iGET_PCR(iop) & PCR_V205) msr &= ~(MSR_FP | MSR_VMX);
    if ((msr & MSR_TS) == MSR_TS_TRANSACTIONAL) msr = (msr & ~MSR_TS) | MSR_TS_SUSPENDED;
    return msr;
}

} // namespace

uint64_t Compute_New_MSR_For_Exception(IOPDesc *iop, uint64_t old_msr, int32_t type, int hv_call)
{
    if (type == EXC_VECTORED_SYSTEM_CALL) return vectored_system_call_msr(iop, old_msr);

    const uint32_t *options = iop->thread->processor->options;
    uint64_t kept = old_msr & MSR_ME;
    if (options[PO_MSR_IP_BIT]) kept |= old_msr & MSR_IP;
    if (options[PO_MSR_ILE_BIT]) kept |= old_msr & MSR_ILE;

    uint64_t base;
    if (hv_call && options[PO_HYPER_EXCEPTIONS_PRESERVE_HYPER])
        base = (old_msr & MSR_RI) | MSR_HV | kept;
    else if (options[PO_LPES_1_REMOVED] || (iGET_LPCR(iop) & LPCR_LPES1))
        base = (old_msr & MSR_HV) | kept;
    else
        base = MSR_HV | kept;

    uint64_t msr;
    switch (type) {
    case EXC_SYSTEM_RESET:
        msr = MSR_SF | MSR_HV | MSR_IP;
        break;
    case EXC_MACHINE_CHECK:
        msr = (base & ~MSR_ME) | MSR_SF | MSR_HV;
        break;
    case EXC_EXTERNAL:
    case EXC_MEDIATED_EXTERNAL:
        if (iGET_LPCR(iop) & LPCR_EXTERNAL_TO_OS)
            msr = base | (old_msr & MSR_HV) | MSR_SF;
        else
            msr = base | MSR_SF | MSR_HV;
        break;
    case EXC_HV_SYSTEM_CALL:
    case EXC_H_DBELL:
        msr = base | MSR_SF | MSR_HV;
        break;
    case EXC_HV_DECREMENTER:
        msr = base | (old_msr & MSR_RI) | MSR_SF | MSR_HV;
        break;
    default:
        msr = base | MSR_SF;
        break;
    }

    if (options[PO_TAGS_ACTIVE]) msr |= old_msr & (MSR_TA | MSR_US);

    if (msr & MSR_HV) {
        if (options[PO_HYPER_HILE]) {
            uint64_t sim_ctrl1 = iGET_SIM_CTRL1(iop);
            if (sim_ctrl1 & SIM_CTRL1_HILE_FROM_HID0) {
                if (iGET_HID0(iop) & HID0_HILE) msr |= MSR_LE;
            } else if (iGET_SIM_CTRL(iop) & SIM_CTRL_HILE) {
                msr |= MSR_LE;
            }
        }
    } else if (iGET_LPCR(iop) & LPCR_ILE) {
        msr |= MSR_LE;
    }

    msr &= ~(MSR_TM | MSR_TS);
    if (old_msr & MSR_TS) msr |= MSR_TS_SUSPENDED;
    return msr;
}

void Merge_DSISR_Values(IOPDesc *iop, PowerPCException *exc, uint32_t *dsisr, uint32_t *changed)
{
    if (exc->subtype == EST_DSI_REAL_MODE_PROTECTION || exc->subtype == EST_DSI_EAO) return;
    const uint32_t *options = iop->thread->processor->options;
    if (exc->subtype == EST_DSI_STORAGE_KEY && exc->hypervisor && options[PO_LPCR_KBV_ENABLE_BIT] &&
        (iGET_LPCR(iop) & LPCR_KBV) && (iGET_MSR(iop) & MSR_DR))
        return;

    const uint32_t on_entry = *dsisr;
    const bool any_type = options[PO_MERGE_DSISR_UNDEFINED_MASK_FOR_ALL_INTERRUPT_TYPES] != 0;
    for (PowerPCException *other = iop->exceptions; other; other = other->next) {
        if (other == exc || !other->dsisr_valid) continue;
        if (other->hypervisor != exc->hypervisor || other->address != exc->address) continue;
        if (any_type ? other->type == EXC_ALIGNMENT : other->type != exc->type) continue;
        *changed |= *dsisr ^ other->dsisr;
        *dsisr |= other->dsisr;
    }
    *changed &= ~on_entry;
}
