// Operand access, single-precision operand rules and trace hooks of the emulation cores.
#include "fp/fp_emul_common.h"

#include <cstdio>

#include "fp/format_convert.h"
#include "fp/fp160_round.h"
#include "fp/fp160_text.h"
#include "fp/fp_convert.h"
#include "fp/fp_deliver.h"
#include "fp/fp_options.h"
#include "fp/fpscr.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/semantics_helpers.h"
#include "processor/hooks/fpscr_text.h"
#include "processor/hooks/reg_reader_queue.h"
#include "processor/hooks/vsr_access.h"
#include "processor/prints/instruction_prints.h"
#include "processor/regs/msr_rules.h"
#include "runtime/message.h"

uint64_t FP_Read_FRA(IOPDesc *iop)
{
    return iop->use_slots ? iop->operand_slot1[1] : READ_FPR_SIMPLE(iop, FP_FRA(iop), "A");
}

uint64_t FP_Read_FRB(IOPDesc *iop)
{
    return iop->use_slots ? iop->operand_slot2[1] : READ_FPR_SIMPLE(iop, FP_FRB(iop), "B");
}

uint64_t FP_Read_FRC(IOPDesc *iop)
{
    return iop->use_slots ? iop->operand_slot3[1] : READ_FPR_SIMPLE(iop, FP_FRC(iop), "C");
}

void FP_Write_FRT(IOPDesc *iop, uint64_t value)
{
    if (iop->use_slots) {
        IOPResultSlot *slot = &iop->result_gpr2;
        slot->value[0] = value;
        slot->owner = iop;
        slot->ready_time = iop->time_stamp;
        FPRegReaderQ_release(slot, iop->cthread);
        return;
    }
    WRITE_FPR_SIMPLE(iop, FP_FRT(iop), value, "T");
}

void FP_Write_CR_Field(IOPDesc *iop, uint32_t field, uint32_t value)
{
    IOP_Write_CR_Field(iop, field & 7, value & 0xF);
}

int IOP_NI_Squash_Active(IOPDesc *iop)
{
    return FP_Option(iop, PO_SUPPORT_NON_IEEE_MODE) && (iGET_FPSCR(iop) & FPSCR_NI) &&
           FP_Option(iop, PO_NI_SQUASH_DENORM_OUTPUT);
}

int Representable_As_Single_FP(ThreadState *thread, uint64_t value)
{
    if (FP_Thread_Option(thread, PO_SP_OPS_CAN_HANDLE_DP_INPUTS)) return 1;
    if (!FP_Thread_Option(thread, PO_SP_DETERMINED_BY_EXPONENT))
        return ConvSPtoDP(ConvDPtoSP(thread, value, FP_ROUND_ZERO, 0)) == value;
    const uint32_t exponent = (uint32_t)(value >> 52) & 0x7FF;
    if (exponent == 0x7FF || (value << 1) == 0) return 1; // NaN, infinity, zero
    if (exponent <= 873) return 0;
    FP160 v;
    FP160_ConvertFromDP(&v, &value, "Representable_As_Single_FP");
    return (int64_t)v.exponent - (int64_t)FP160_BIAS <= 127;
}

uint64_t Adjust_to_SP(IOPDesc *iop, uint64_t value)
{
    if (Representable_As_Single_FP(iop->thread, value)) return value;
    return ConvSPtoDP(Make_DP_Fit_in_SP(value));
}

int OutSP_SpecialVal_Process(IOPDesc *iop, uint64_t fra, uint64_t frb, uint64_t *out, const char *mnemonic)
{
    if (!FP_Option(iop, PO_SP_OPS_WITH_DP_EXPO_OUT_OF_RANGE_RETURN_DEFAULT_NAN)) return 0;
    auto is_nan = [](uint64_t d) { return (d & 0x7FF0000000000000ull) == 0x7FF0000000000000ull && (d << 12); };
    FP160 value;
    char label[64];
    const uint64_t *source = is_nan(fra) ? &fra : is_nan(frb) ? &frb : nullptr;
    if (source) {
        const uint64_t nan = *source & ~0x1FFFFFFFull; // a single-precision payload
        snprintf(label, sizeof label, "%s(SP)::op(exp_out_of_range)", mnemonic);
        FP160_ConvertFromDP(&value, &nan, label);
        if (!(value.sig_hi & FP160_QUIET_BIT)) {
            FP160_Make_Quiet_NaN(&value);
            FP160_Mark_Exception(&value, FP160_EXC_SNAN, 0, "OutSP_SpecialVal_Process", "Operand is SNaN");
        } else {
            FP160_Mark_Exception(&value, FP160_EXC_QNAN, 0, "OutSP_SpecialVal_Process", "Operand is QNaN");
        }
    } else {
        const uint64_t nan = FP_DEFAULT_QNAN;
        FP160_ConvertFromDP(&value, &nan, "OutSP_SpecialVal_Process::default_NaN");
    }
    return FP160_Convert_to_32_as_DW(iop, &value, out, 0, IOP_FP_Rounding_Mode(iop));
}

int FP_Emul_Illegal(IOPDesc *iop, int number, const char *mnemonic)
{
    PrintInstructionAndDumpState(iop);
    sim_do_error(__FILE__, __LINE__, "%d: Encountered illegal instruction \"%s\" at address 0x%016lX", number,
                 mnemonic, (unsigned long)IOP_Current_Instruction_Address(iop));
    execute_illegal_instruction(iop);
    return 0;
}

void FP_Emul_Trace_Values(IOPDesc *iop, const char *mnemonic, int count, uint64_t a, uint64_t b, uint64_t c,
                          uint64_t d)
{
    static thread_local char values[4][48];
    const uint64_t v[4] = {a, b, c, d};
    for (int i = 0; i < count && i < 4; i++)
        Prepare_FPDouble(values[i], sizeof values[i], FPR_ConvertFloat(v[i]));
    (void)mnemonic;
    (void)Prepare_CR(iop->thread->CR.value);
    (void)Prepare_FPSCR(iop->thread->FPSCR.value);
}

void FP_Emul_Dump_After_Write(IOPDesc *iop)
{
    if (FP160_Tracing()) PrintInstructionAndDumpState(iop);
}

extern "C" int Process_DP_Input(void)
{
    return 0;
}

extern "C" int Process_SP_Input(void)
{
    return 0;
}
