// The shared helpers of the semantic routines.
#include "isa/semantics_helpers.h"

#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_raisers.h"
#include "processor/hooks/vsr_access.h"
#include "processor/regs/facility_bits.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "runtime/debug.h"
#include "runtime/message.h"

namespace
{

enum : int { DEBUG_CATEGORY_INTERRUPT_RETURN = 20, DEBUG_CATEGORY_INTERRUPT_RETURN_LPAR = 206 };

// LT, GT or EQ of a value compared with zero.
uint32_t compare_with_zero(int64_t value)
{
    return value < 0 ? CR_LT : (value > 0 ? CR_GT : CR_EQ);
}

} // namespace

int FXCC_Is_Written(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_FXCC_FIELD_IN_XER)) return 0;
    if (Tags_Active(iop) || IOP_Option(iop, PO_FXCC_ALWAYS_SET)) return 1;
    return iop->row && (iop->row->class_flags & (II_SETS_FXCC | II_SETS_CR0_FXCC)) != 0;
}

void SET_CR0(IOPDesc *iop, uint64_t value, uint64_t)
{
    uint64_t msr = iGET_MSR(iop);
    uint32_t bits = (msr & MSR_SF) ? compare_with_zero((int64_t)value) : compare_with_zero((int32_t)value);
    if (FXCC_Is_Written(iop)) {
        IOP_Write_XER_Field(iop, xr_mask[XR_FXCC], ((uint64_t)bits << 24) & 0x0E000000ull);
        XER_Mark_Written(iop, XER_FXCC);
    }
    bits |= IOP_Read_SO(iop);
    SET_CR0_value(iop, bits);
}

void SET_CR0_value(IOPDesc *iop, uint32_t bits)
{
    IOP_Write_CR_Bits(iop, CR0_MASK, bits << 28);
    CR_Mark_Written(iop, CR0_MASK);
}

int check_64bit_op_ok(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_NO_64BIT_OPS_IN_32BIT_MODE)) return 1;
    if (iGET_MSR(iop) & MSR_SF) return 1;
    interrupt_UnimplementedInstruction(iop);
    return 0;
}

namespace
{

int pcr_gate(IOPDesc *iop, uint64_t pcr_bit, const char *text)
{
    if (!(iGET_MSR(iop) & MSR_PR)) return 1;
    if (!(iGET_PCR(iop) & pcr_bit)) return 1;
    interrupt_IllegalInstruction(iop, text);
    return 0;
}

} // namespace

int PCR_Gate_v2_05(IOPDesc *iop)
{
    return pcr_gate(iop, 0x2, "2.0.5 is disabled");
}

int PCR_Gate_v2_06(IOPDesc *iop)
{
    return pcr_gate(iop, 0x4, "2.0.6  is disabled");
}

int Facility_Gate(IOPDesc *iop, int facility, const char *name)
{
    uint64_t msr = iGET_MSR(iop);
    bool problem = (msr & MSR_PR) != 0;
    bool hypervisor = (msr & MSR_HV) && !problem;
    if (!hypervisor && HFscr_bits[facility] && !(iGET_HFSCR(iop) & HFscr_bits[facility])) {
        interrupt_HyperFacilityUnavailable(iop, (uint64_t)facility, name);
        return 0;
    }
    if (problem && Fscr_bits[facility] && !(iGET_FSCR(iop) & Fscr_bits[facility])) {
        interrupt_FacilityUnavailable(iop, (uint64_t)facility, name);
        return 0;
    }
    return 1;
}

void Interrupt_Return_Debug(IOPDesc *iop)
{
    if (debug_state[DEBUG_CATEGORY_INTERRUPT_RETURN] <= 0 &&
        debug_state[DEBUG_CATEGORY_INTERRUPT_RETURN_LPAR] <= 0)
        return;
    char text[MSR_TEXT_SIZE];
    uint64_t msr = iGET_MSR(iop);
    (void)Fetch_LPIDR(iop);
    Prepare_MSR(text, msr);
}

void IOP_Write_VSR_T(IOPDesc *iop, uint64_t high, uint64_t low)
{
    uint32_t target = ((iop->word >> 21) & 0x1F) | ((iop->word & 1) << 5);
    if (iop->use_slots) {
        IOPResultSlot *slot = &iop->result_gpr2;
        slot->value[0] = high;
        slot->value[1] = low;
        slot->ready_time = iop->time_stamp;
        VRegReaderQ_release(slot, iop->cthread);
    } else {
        WRITE_VSR_SIMPLE(iop, target, high, low, "T");
    }
    if (iop->row && (iop->row->class_flags & II_LOAD)) HTM_SmodeUndefTargetVsr(iop, &iop->data, target);
}

void HTM_SmodeUndefTargetGpr(IOPDesc *, AXD *, uint32_t) {}
void HTM_SmodeUndefTargetXerTGCC(IOPDesc *, AXD *) {}
void HTM_SmodeUndefTargetVsr(IOPDesc *, AXD *, uint32_t) {}
void HTM_SmodeUndefTargetVmx(IOPDesc *, AXD *, uint32_t) {}
