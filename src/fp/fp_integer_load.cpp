// lfiwzx and lfiwax: a word loaded into an FPR as a zero- or sign-extended 64-bit integer.
#include "decode/semantics.h"
#include "fp/fp_instructions.h"
#include "fp/fp_load_store.h"
#include "interrupts/interrupt_delivery.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "mmu/ea_access.h"
#include "mmu/load_store_path.h"
#include "processor/hooks/reg_reader_queue.h"
#include "processor/hooks/vsr_access.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/value_ops.h"

namespace
{

int load_integer_word(IOPDesc *iop, bool algebraic)
{
    const char *name = algebraic ? "lfiwax" : "lfiwzx";
    if (!Check_Facility_Enabled(iop, 0, name)) return 0;
    if (algebraic && !Check_Facility_Enabled(iop, 0, name)) return 0;
    if (!(iGET_MSR(iop) & MSR_FP)) {
        interrupt_FPUnavailable(iop);
        return 0;
    }
    if (IOP_Option(iop, PO_FP_VSX_TAKES_SOFTPATCH)) {
        FP_Softpatch_Step(iop);
        if (iop->exceptions && !(iop->row && (iop->row->class_flags & (II_LOAD | II_STORE)))) return 0;
    }
    AXD *data = &iop->data;
    data->kind = AXD_KIND_LOAD;
    if (!EA_gen_x_loads_stores(iop)) return 0;
    data->size = data->size2 = 4;
    uint64_t value = 0;
    if (!Load_Memory_Value(iop, &value)) return 0;
    if (IOP_Access_Is_Little_Endian(iop, AXD_KIND_LOAD)) value = Reverse_RegValue(value, 4);
    value &= 0xFFFFFFFFull;
    if (algebraic) value = (uint64_t)(int64_t)(int32_t)value;
    const uint32_t frt = (iop->word >> 21) & 0x1F;
    if (iop->use_slots) {
        IOPResultSlot *slot = &iop->result_gpr2;
        slot->value[0] = value;
        slot->ready_time = iop->time_stamp;
        FPRegReaderQ_release(slot, iop->cthread);
    } else {
        WRITE_FPR_SIMPLE(iop, frt, value, "T");
    }
    HTM_SmodeUndefTargetFPR(iop, data, frt);
    IOP_Advance_NIA(iop);
    return 1;
}

} // namespace

int semantic_lfiwzx(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_LFIWZX_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "lfiwzx");
        return 0;
    }
    if (!PCR_Gate_v2_05(iop)) return 0;
    return load_integer_word(iop, false);
}

int semantic_lfiwax(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_LFIWAX_SUPPORTED) || !IOP_Option(iop, PO_POWERPC_V202)) {
        interrupt_IllegalInstruction(iop, "lfiwax");
        return 0;
    }
    return load_integer_word(iop, true);
}
