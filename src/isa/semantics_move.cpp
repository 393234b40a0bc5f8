// Register moves: mfcr/mfocrf, mtcrf/mtocrf, mfxer, mtxer, mcrxr, mcrxrt's worker, mflr/mtlr,
// mfctr/mtctr, mfmsr, mftb, mfbhrbe, mftgpr, the next-address rule of mtspr, and the MSR-commit
// routines of the MSR moves and interrupt returns.
//
// Cycle-model form: a GPR source arrives in operand slot S, LR, CTR or the MSR in operand slot A,
// the CR and XER as the CR and XER operands; RT goes to the first GPR result slot (mftb's to the
// second), CR and XER results to their result slots, a new LR or CTR to the second result slot.
#include <cstring>

#include "decode/semantics.h"
#include "interrupts/instruction_raisers.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/hooks/msr_with_pc.h"
#include "isa/register_moves.h"
#include "isa/semantics_helpers.h"
#include "processor/hooks/spr_interrupt_standins.h"
#include "processor/hooks/vsr_access.h"
#include "processor/regs/facility_bits.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/run_control.h"
#include "processor/spr/spr_moves.h"
#include "runtime/plugin_events.h"

namespace
{

constexpr uint32_t MTOCRF_FORM = 0x100000; // word bit 20: the one-field forms mfocrf and mtocrf
constexpr uint64_t XER_BITS_28_31 = 0xF0000000ull;
constexpr uint64_t TSRL_MEDIUM_PRIORITY = 0x0010000000000000ull;
constexpr uint64_t MMCR0_BHRB_AVAILABLE = 0x200000;
constexpr int32_t SPR_IAR = 882;

// The SPR (or TBR) number of a move: the two 5-bit halves of word bits 11-20 swapped.
inline int32_t spr_number(uint32_t word)
{
    return (int32_t)(((word >> 16) & 0x1F) | ((word >> 6) & 0x3E0));
}

inline uint32_t field_mask(uint32_t field)
{
    return 0xF0000000u >> (4 * field);
}

inline bool option_gate(IOPDesc *iop, uint32_t option, const char *name)
{
    if (IOP_Option(iop, option)) return true;
    interrupt_IllegalInstruction(iop, name);
    return false;
}

inline int complete(IOPDesc *iop, int (*worker)(IOPDesc *))
{
    if (!worker(iop)) return 0;
    IOP_Advance_NIA(iop);
    return 1;
}

inline const char *mnemonic(IOPDesc *iop)
{
    return iop->row && iop->row->mnemonic ? iop->row->mnemonic : "no instruction";
}

// Stores a CR value masked by its implemented bits after its write triggers.
void store_cr(IOPDesc *iop, uint32_t value)
{
    Reg32 *cr = &iop->thread->CR;
    if (Reg_Write_Triggers_Armed(cr->trigger))
        Maybe_Invoke_Reg_Write_Triggers(iop, cr->trigger, cr->value, value);
    cr->value = value & (uint32_t)Register_Entry_Mask(cr->rfe);
}

// The XER for a move: the XER operand in the cycle-model form, else the slot with its read
// triggers; the bits read are marked.
uint64_t read_xer(IOPDesc *iop, uint64_t bits)
{
    XER_Mark_Read(iop, bits);
    if (iop->use_slots) return iop->xer_operand;
    Reg64 *xer = &iop->thread->XER;
    if (Reg_Read_Triggers_Armed(xer->trigger)) Maybe_Invoke_Reg_Read_Triggers(iop, xer->trigger, xer->value);
    return xer->value;
}

} // namespace

// ---- CR ----

int core_mfcr(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint32_t cr = IOP_Read_CR(iop);
    const bool one_field_form = (word & MTOCRF_FORM) != 0;
    if (one_field_form && !IOP_Option(iop, PO_MFOCRF_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "mfcr: bit 11 = 1");
        return 0;
    }
    const uint32_t rt = FIELD_RT(word);
    if (!one_field_form || IOP_Option(iop, PO_OMFCR_IGNORE)) {
        IOP_Write_GPR(iop, rt, cr);
        return 1;
    }

    const uint32_t fxm = (word >> 12) & 0xFF;
    const bool allow_multiple = IOP_Option(iop, PO_OMFCR_ALLOW_MULTIPLE_FIELDS) != 0;
    uint32_t mask = 0, index = 0, selected = 0;
    if (fxm == 0) {
        if (IOP_Option(iop, PO_OMFCR_CRM_EQ_0_MOVES_CR8)) {
            mask = field_mask(7);
            index = 7;
        }
    } else {
        for (uint32_t field = 0; field < 8; field++) {
            if (!(fxm & (0x80u >> field))) continue;
            if (selected == 0 || allow_multiple) {
                mask |= field_mask(field);
                index = field;
            }
            if (++selected > 1 && !allow_multiple) break;
        }
    }
    if (selected > 1) {
        if (IOP_Option(iop, PO_OMFCR_USES_HASHED_FIELD)) {
            index = 0;
            for (uint32_t field = 0; field < 8; field++)
                if (fxm & (0x80u >> field)) index |= field;
        } else if (IOP_Option(iop, PO_OMFCR_REUSES_CR0)) {
            index = 0;
        }
    }

    uint64_t value = cr;
    if (IOP_Option(iop, PO_OMFCR_REPLICATES_VALUE)) value = ((cr >> (28 - 4 * index)) & 0xF) * 0x11111111ull;
    if (!IOP_Option(iop, PO_OMFCR_DEFINES_ALL_FIELDS)) {
        uint64_t rest =
            IOP_Option(iop, PO_OMFCR_BITS_ZERO) ? 0 : IOP_Read_GPR(iop, rt, OPERAND_S) & ~(uint64_t)mask;
        value = (mask & value) | rest;
    }
    if (IOP_Option(iop, PO_OMFCR_DOUBLES_NIBBLE)) value |= (index & 1) ? value << 4 : value >> 4;
    if (selected == 1 || allow_multiple || IOP_Option(iop, PO_OMFCR_IGNORE_INVALID))
        RegBits_Mark(&iop->thread->CR.bits_read, mask);
    IOP_Write_GPR(iop, rt, value);
    return 1;
}

int core_mtcrf(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint32_t d = (uint32_t)IOP_Read_GPR(iop, FIELD_RS(word), OPERAND_S);
    const bool one_field_form = (word & MTOCRF_FORM) != 0;
    if (one_field_form && !IOP_Option(iop, PO_MTOCRF_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "mtcrf: bit 11 = 1");
        return 0;
    }
    const uint32_t fxm = (word >> 12) & 0xFF;
    const bool first_only = one_field_form && !IOP_Option(iop, PO_MTCRF_ALLOW_MULTIPLE_FIELDS);
    uint32_t bits = 0;
    for (uint32_t field = 0; field < 8; field++) {
        if (!(fxm & (0x80u >> field))) continue;
        bits |= field_mask(field);
        if (iop->use_slots) {
            IOP_Write_CR_Bits(iop, field_mask(field), d);
            CR_Mark_Written(iop, field_mask(field));
        }
        if (first_only) break;
    }
    if (iop->use_slots) return 1;
    if (bits == 0xFFFFFFFFu) {
        store_cr(iop, d);
        return 1;
    }
    uint32_t old = IOP_Read_CR(iop);
    store_cr(iop, (old & ~bits) | (d & bits));
    CR_Mark_Written(iop, bits);
    return 1;
}

int semantic_mfcr(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE()) return 0;
    return complete(iop, core_mfcr);
}

int semantic_mtcrf(IOPDesc *iop)
{
    return complete(iop, core_mtcrf);
}

// ---- XER ----

int core_mfxer(IOPDesc *iop)
{
    uint64_t value = read_xer(iop, ~0ull);
    if (!IOP_Option(iop, PO_TGCC_EVEN_IF_NOT_TAGS_ACTIVE) && !Tags_Active(iop) &&
        !(iGET_SIM_CTRL(iop) & 0x40))
        value &= 0xE00FFFFFull; // no TGCC, bit 23, FXCC or bit 28 outside tags-active mode
    IOP_Write_GPR(iop, FIELD_RT(iop->word), value);
    return 1;
}

int core_mtxer(IOPDesc *iop)
{
    uint64_t value = IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S);
    if (!FXCC_Is_Written(iop)) value = (value & ~XER_FXCC) | (IOP_XER_Value(iop) & XER_FXCC);
    ThreadState *thread = iop->thread;
    if (iop->use_slots) {
        IOP_Write_XER_Field(iop, ~0ull, value & Register_Entry_Mask(thread->XER.rfe));
    } else {
        Reg64 *xer = &thread->XER;
        if (Reg_Write_Triggers_Armed(xer->trigger))
            Maybe_Invoke_Reg_Write_Triggers(iop, xer->trigger, xer->value, value);
        Thread_Store_XER(thread, value);
    }
    XER_Mark_Written(iop, ~0ull);
    return 1;
}

int core_mcrxr(IOPDesc *iop)
{
    uint64_t xer = read_xer(iop, XER_BITS_28_31);
    IOP_Write_CR_Field(iop, FIELD_BF(iop->word), (uint32_t)(xer >> 28) & 0xF);
    IOP_Write_XER_Field(iop, XER_BITS_28_31, 0);
    XER_Mark_Written(iop, XER_BITS_28_31);
    return 1;
}

int core_mcrxrt(IOPDesc *iop)
{
    uint64_t xer = read_xer(iop, XER_TGCC);
    IOP_Write_CR_Field(iop, FIELD_BF(iop->word), (uint32_t)(xer >> 20) & 0x7);
    return 1;
}

int semantic_mfxer(IOPDesc *iop)
{
    return complete(iop, core_mfxer);
}

int semantic_mtxer(IOPDesc *iop)
{
    return complete(iop, core_mtxer);
}

int semantic_mcrxr(IOPDesc *iop)
{
    if (CHECK_FOR_UCODE() || !option_gate(iop, PO_MCRXR_SUPPORTED, "mcrxr")) return 0;
    return complete(iop, core_mcrxr);
}

// ---- LR, CTR ----

int core_mflr(IOPDesc *iop)
{
    IOP_Write_GPR(iop, FIELD_RT(iop->word), iop->use_slots ? iop->operand_slot1[0] : iGET_LR(iop));
    return 1;
}

int core_mfctr(IOPDesc *iop)
{
    IOP_Write_GPR(iop, FIELD_RT(iop->word), iop->use_slots ? iop->operand_slot1[0] : iGET_CTR(iop));
    return 1;
}

int core_mtlr(IOPDesc *iop)
{
    uint64_t value = IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S);
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr2, value);
    else
        iSET_LR(iop, value);
    return 1;
}

int core_mtctr(IOPDesc *iop)
{
    uint64_t value = IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S);
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr2, value);
    else
        iSET_CTR(iop, value);
    return 1;
}

int semantic_mflr(IOPDesc *iop)
{
    return complete(iop, core_mflr);
}
int semantic_mfctr(IOPDesc *iop)
{
    return complete(iop, core_mfctr);
}
int semantic_mtlr(IOPDesc *iop)
{
    return complete(iop, core_mtlr);
}
int semantic_mtctr(IOPDesc *iop)
{
    return complete(iop, core_mtctr);
}

// ---- MSR, time base, SPRs ----

int core_mfmsr(IOPDesc *iop)
{
    uint64_t msr = iop->use_slots ? iop->operand_slot1[0] : iGET_MSR(iop);
    IOP_Write_GPR(iop, FIELD_RT(iop->word), msr | iop->thread->processor->sim_msr_bit);
    return 1;
}

int semantic_mfmsr(IOPDesc *iop)
{
    if (iGET_MSR(iop) & MSR_PR) {
        interrupt_PrivilegedInstruction(iop);
        return 0;
    }
    return complete(iop, core_mfmsr);
}

int core_mftb(IOPDesc *iop)
{
    const int32_t tbr = spr_number(iop->word);
    if (tbr != 268 && tbr != 269) {
        interrupt_IllegalInstruction(iop, "unsupported mftb");
        return 0;
    }
    ThreadState *thread = iop->thread;
    if (THREAD_IN_CHUNK_MODE(thread)) Thread_sync_time(thread, "mftb");
    int32_t leave_target = 0;
    uint64_t value = GET_spr(iop, tbr, &leave_target);
    if (leave_target) return 1;
    Write_GPR_For_Instruction(iop, FIELD_RT(iop->word), value);
    return 1;
}

int semantic_mftb(IOPDesc *iop)
{
    if (!option_gate(iop, PO_MFTB_SUPPORTED, "mftb")) return 0;
    return complete(iop, core_mftb);
}

void MTSPR_Advance_NIA(IOPDesc *iop)
{
    if (IOP_Option(iop, PO_IAR) && spr_number(iop->word) == SPR_IAR) return;
    IOP_Advance_NIA(iop);
}

int semantic_mfspr(IOPDesc *iop)
{
    return complete(iop, core_mfspr);
}

// With option IAR a move to SPR 882 sets the next-instruction address itself.
int semantic_mtspr(IOPDesc *iop)
{
    if (!core_mtspr(iop)) return 0;
    MTSPR_Advance_NIA(iop);
    return 1;
}

int semantic_mfbhrbe(IOPDesc *iop)
{
    if (!PCR_Gate_v2_06(iop)) return 0;
    const char *name = mnemonic(iop);
    if (!Facility_Gate(iop, FACILITY_BHRB, name)) return 0;
    if ((iGET_MSR(iop) & MSR_PR) && !(iGET_MMCR0(iop) & MMCR0_BHRB_AVAILABLE)) {
        interrupt_FacilityUnavailable(iop, FACILITY_BHRB, name);
        return 0;
    }
    return complete(iop, core_mfbhrbe);
}

int core_mftgpr(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    IOP_Write_GPR(iop, FIELD_RT(word), READ_FPR_SIMPLE(iop, FIELD_RB(word), "B"));
    return 1;
}

int semantic_mftgpr(IOPDesc *iop)
{
    if (!option_gate(iop, PO_POWERPC_V202, "mftgpr")) return 0;
    return complete(iop, core_mftgpr);
}

int core_mffgpr(IOPDesc *iop)
{
    const uint32_t word = iop->word;
    const uint64_t value = IOP_Read_GPR(iop, FIELD_RB(word), OPERAND_B);
    if (iop->use_slots) {
        IOPResultSlot *slot = &iop->result_gpr2;
        slot->value[0] = value;
        slot->value[1] = 0;
        slot->ready_time = iop->time_stamp;
        FPRegReaderQ_release(slot, iop->cthread);
    } else {
        WRITE_FPR_SIMPLE(iop, FIELD_RT(word), value, "T");
    }
    return 1;
}

int semantic_mffgpr(IOPDesc *iop)
{
    if (!option_gate(iop, PO_POWERPC_V202, "mffgpr")) return 0;
    return complete(iop, core_mffgpr);
}

// ---- committing a new MSR ----

void Write_MSR_And_NIA(IOPDesc *iop, uint64_t msr, uint64_t cia, uint64_t nia)
{
    const char *row = iop->row ? iop->row->mnemonic : nullptr;
    bool msr_move = row && (std::strcmp(row, "mtmsr") == 0 || std::strcmp(row, "mtmsrd") == 0);
    if (!msr_move) iSET_CFAR(iop, cia);
    bool whole = (msr & MSR_SF) || (IOP_Option(iop, PO_TAGS_ACTIVE) && (msr & MSR_TA) && !(msr & MSR_LE));
    if (!whole) nia &= 0xFFFFFFFFull;
    IOP_Set_NIA(iop, nia);
    WRITE_MSR_WITH_PC(iop, msr, cia, nia);
}

uint64_t Read_TSRL_For_Instruction(IOPDesc *iop)
{
    return iGET_TSRL(iop);
}

uint64_t Drop_Thread_Priority_To_Medium(IOPDesc *iop)
{
    return iSET_TSRL(iop, TSRL_MEDIUM_PRIORITY);
}

namespace
{

uint32_t privilege_mode(uint64_t msr)
{
    if (msr & MSR_PR) return 0;
    return (msr & MSR_HV) ? 2 : 1;
}

} // namespace

void Signal_Core_Mode_Change(ThreadState *thread, uint64_t old_msr, uint64_t new_msr)
{
    if (!AnyoneListening("Event_Core_Mode_Change")) return;
    uint32_t mode = privilege_mode(new_msr);
    if (mode != privilege_mode(old_msr)) Event_Core_Mode_Change(thread, mode, 0);
}

void Write_GPR_For_Instruction(IOPDesc *iop, uint32_t n, uint64_t value)
{
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr2, value);
    else
        SET_GPR(iop, n, value);
}
