// The instruction inspection interface.
#include "exec/instruction_inspection.h"

#include <cstdio>
#include <cstring>

#include "processor/hooks/vsr_access.h"
#include "processor/hooks/disassembler.h"
#include "processor/regs/reg_triggers.h"
#include "decode/instr_info.h"
#include "decode/row_ids.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/spr/spr_moves.h"
#include "processor/spr/spr_table.h"
#include "processor/records/thread_state.h"
#include "runtime/message.h"

namespace
{

// Class bits of a row as this interface reads them.
constexpr uint64_t CLASS_BRANCH = 0x2;
constexpr uint64_t CLASS_CACHE = 0x4;
constexpr uint64_t CLASS_FP = 0x40;
constexpr uint64_t CLASS_SYSTEM = 0x80;
constexpr uint64_t CLASS_LOAD = 0x100;
constexpr uint64_t CLASS_SPR = 0x800;
constexpr uint64_t CLASS_STORE = 0x1000;
constexpr uint64_t CLASS_VMX = 0x8000;
constexpr uint64_t CLASS_STRING = 0x200000;
constexpr uint64_t CLASS_STORE_2 = 0x800000;
constexpr uint32_t ATTR_IMMEDIATE_COUNT = 0x200;

constexpr uint64_t MSR_PR_BIT = 0x4000;
constexpr uint64_t MSR_IR_BIT = 0x20;
constexpr uint64_t MSR_DR_BIT = 0x10;
constexpr uint64_t MSR_SF_BIT = 0x8000000000000000ull;
constexpr uint64_t XER_STRING_BITS_READ = 0x808FFFFF;
constexpr uint64_t NO_FETCH_TRANSLATION = 1;

// Operand-usage bits.
constexpr uint32_t USE_RA = 0x1, USE_RB = 0x2, USE_RC = 0x4, USE_RS = 0x8, USE_CTR = 0x20, USE_LR = 0x40,
                   USE_SPR = 0x80, USE_XER = 0x1F00, USE_FPSCR = 0x2000, USE_CR = 0xFF0000;

// Architected numbers of the SPRs named here.
constexpr int SPR_XER = 1, SPR_LR = 8, SPR_CTR = 9, SPR_SRR0 = 26, SPR_SRR1 = 27;

uint64_t class_of(const IOPDesc *iop)
{
    return iop && iop->row ? iop->row->class_flags : 0;
}

bool cycle_form(const IOPDesc *iop)
{
    return iop->defer_side_effects != 0;
}

bool has_operand(const IOPDesc *iop, const char *name)
{
    const char *tmpl = iop->row ? iop->row->template_ : nullptr;
    return tmpl && strstr(tmpl, name);
}

uint32_t field_ra(uint32_t word)
{
    return (word >> 16) & 0x1F;
}
uint32_t field_rb(uint32_t word)
{
    return (word >> 11) & 0x1F;
}
uint32_t field_rs(uint32_t word)
{
    return (word >> 21) & 0x1F;
}
uint32_t field_rc(uint32_t word)
{
    return (word >> 6) & 0x1F;
}
int field_spr(uint32_t word)
{
    return (int)(((word >> 16) & 0x1F) | ((word >> 6) & 0x3E0));
}

bool is_load_store_or_cache(uint64_t c)
{
    return c & (CLASS_LOAD | CLASS_STORE | CLASS_STORE_2 | CLASS_CACHE);
}

// A register read by this interface, offered to the register's read triggers.
uint64_t read64(IOPDesc *iop, const Reg64 &slot)
{
    Maybe_Invoke_Reg_Read_Triggers(iop, slot.trigger, slot.value);
    return slot.value;
}

uint64_t thread_msr(IOPDesc *iop)
{
    return read64(iop, iop->thread->MSR);
}

// The number of an SPR of the processor's table by name, else its architected number.
int spr_by_name(const IOPDesc *iop, const char *name, int architected)
{
    int32_t spr = Find_SPR_Number(iop->thread ? iop->thread->processor : nullptr, name);
    return spr == SPR_NONE ? architected : spr;
}

// Appending to the lists; a full list takes no more.
struct Lists {
    InstRegisterList *l;

    bool has_gpr(int n) const
    {
        for (int i = 0; i < l->gpr_count; i++)
            if (l->gpr_numbers[i] == n) return true;
        return false;
    }
    bool has_fpr(int n) const
    {
        for (int i = 0; i < l->fpr_count; i++)
            if (l->fpr_numbers[i] == n) return true;
        return false;
    }
    bool has_vr(int n) const
    {
        for (int i = 0; i < l->vr_count; i++)
            if (l->vr_numbers[i] == n) return true;
        return false;
    }
    void gpr(int n, uint64_t value)
    {
        if (l->gpr_count >= 32) return;
        l->gpr_numbers[l->gpr_count] = n;
        l->gpr_values[l->gpr_count++] = value;
    }
    void fpr(int n, uint64_t value)
    {
        if (l->fpr_count >= 4) return;
        l->fpr_numbers[l->fpr_count] = n;
        l->fpr_values[l->fpr_count++] = value;
    }
    void spr(int n, uint64_t value)
    {
        if (l->spr_count >= 6) return;
        l->spr_numbers[l->spr_count] = n;
        l->spr_values[l->spr_count++] = value;
    }
    void vr(int n, const uint64_t halves[2])
    {
        if (l->vr_count >= 4) return;
        l->vr_numbers[l->vr_count] = n;
        l->vr_values[l->vr_count][0] = halves[0];
        l->vr_values[l->vr_count++][1] = halves[1];
    }
};

void input_vector(IOPDesc *iop, Lists &out, uint64_t c)
{
    const uint32_t w = iop->word;
    const int ra = (int)field_ra(w), rb = (int)field_rb(w);
    if (c & (CLASS_LOAD | CLASS_STORE)) {
        if (ra != 0) out.gpr(ra, iop->operand_slot1[0]);
        if (rb != ra || rb == 0) out.gpr(rb, iop->operand_slot2[0]);
        if (c & CLASS_STORE) out.vr((int)field_rs(w), iop->operand_slot4);
        return;
    }
    struct {
        const char *name;
        int n;
        const uint64_t *halves;
    } operands[] = {{"vA", ra, iop->operand_slot1},
                    {"vB", rb, iop->operand_slot2},
                    {"vC", (int)field_rc(w), iop->operand_slot3}};
    for (auto &o : operands)
        if (has_operand(iop, o.name) && !out.has_vr(o.n)) out.vr(o.n, o.halves);
}

void input_system(IOPDesc *iop, Lists &out, uint64_t c)
{
    const uint32_t w = iop->word;
    ThreadState *t = iop->thread;
    if (iop->row->id == ROW_RFID) {
        out.spr(SPR_SRR0, read64(iop, t->SRR0));
        out.spr(SPR_SRR1, read64(iop, t->SRR1));
        return;
    }
    const int ra = (int)field_ra(w), rb = (int)field_rb(w);
    if (cycle_form(iop)) {
        const uint32_t u = iop->src_read;
        if ((u & USE_RA) && has_operand(iop, "rA")) out.gpr(ra, iop->operand_slot1[0]);
        if ((u & USE_RB) && has_operand(iop, "rB")) out.gpr(rb, iop->operand_slot2[0]);
        if (u & USE_SPR) out.spr(field_spr(w), iop->operand_slot1[0]);
        return;
    }
    if (has_operand(iop, "rA")) out.gpr(ra, read64(iop, t->GPR[ra]));
    if (has_operand(iop, "rB")) out.gpr(rb, read64(iop, t->GPR[rb]));
    if (c & CLASS_SPR) out.spr(field_spr(w), iop->operand_slot1[0]);
}

void input_other(IOPDesc *iop, Lists &out, uint64_t c)
{
    const uint32_t w = iop->word;
    const char *mnemonic = iop->row->mnemonic ? iop->row->mnemonic : "";
    const int ra = (int)field_ra(w), rb = (int)field_rb(w), rs = (int)field_rs(w), rc = (int)field_rc(w);
    if (w == NOP_INSTRUCTION_WORD) return;
    if (strcmp(mnemonic, "addi") == 0 && ra == 0) return;
    if (strcmp(mnemonic, "or") == 0 && rs == rb) return;
    const uint32_t u = iop->src_read;
    if (u & USE_RA) {
        if (has_operand(iop, "rA")) {
            if (!(ra == 0 && is_load_store_or_cache(c))) out.gpr(ra, iop->operand_slot1[0]);
        } else if (has_operand(iop, "fA")) {
            out.fpr(ra, iop->operand_slot1[1]);
        }
    }
    if (u & USE_RS) {
        if (has_operand(iop, "rS")) {
            if (!out.has_gpr(rs)) out.gpr(rs, iop->operand_slot4[0]);
        } else if (has_operand(iop, "fS")) {
            if (!out.has_fpr(rs)) out.fpr(rs, iop->operand_slot4[1]);
        }
    }
    if (u & USE_RB) {
        if (has_operand(iop, "rB")) {
            if (!out.has_gpr(rb)) out.gpr(rb, iop->operand_slot2[0]);
        } else if (has_operand(iop, "fB")) {
            if (!out.has_fpr(rb)) out.fpr(rb, iop->operand_slot2[1]);
        }
    }
    if ((u & USE_RC) && has_operand(iop, "fC") && !out.has_fpr(rc)) out.fpr(rc, iop->operand_slot3[1]);
    if (u & USE_XER) out.spr(spr_by_name(iop, "XER", SPR_XER), iop->xer_operand);
    if (u & USE_LR) out.spr(spr_by_name(iop, "LR", SPR_LR), iop->operand_slot2[0]);
    if (u & USE_CTR) out.spr(spr_by_name(iop, "CTR", SPR_CTR), iop->operand_slot1[0]);
    if (u & USE_SPR) out.spr(field_spr(w), iop->operand_slot1[0]);
    if (u & USE_FPSCR) out.spr(INST_REG_FPSCR, iop->fpscr_operand);
    if (u & USE_CR) out.spr(INST_REG_CR, iop->cr_operand);
}

// Rows whose FPSCR result slot is not reported: fabs, fcpsgn, fmr, fnabs and fneg with their
// record forms.
bool skips_fpscr_result(uint16_t id)
{
    switch (id) {
    case ROW_FABS:
    case ROW_FABS_DOT:
    case ROW_FCPSGN:
    case ROW_FCPSGN_DOT:
    case ROW_FMR:
    case ROW_FMR_DOT:
    case ROW_FNABS:
    case ROW_FNABS_DOT:
    case ROW_FNEG:
    case ROW_FNEG_DOT:
        return true;
    default:
        return false;
    }
}

// One result slot of a cycle-form record; which=1 the first slot, 2 the second, 0 any other.
void output_slot(IOPDesc *iop, Lists &out, const IOPResultSlot &slot, int which)
{
    const uint32_t w = iop->word;
    switch (slot.kind) {
    case IOP_RESULT_GPR:
    case IOP_RESULT_FPR: {
        if (which == 0) break;
        const int n = (int)(which == 1 ? field_ra(w) : field_rs(w));
        if (slot.kind == IOP_RESULT_GPR)
            out.gpr(n, slot.value[0]);
        else
            out.fpr(n, slot.value[1]);
        return;
    }
    case IOP_RESULT_CTR:
        out.spr(SPR_CTR, slot.value[0]);
        return;
    case IOP_RESULT_LR:
        out.spr(SPR_LR, slot.value[0]);
        return;
    case IOP_RESULT_CR:
        out.spr(INST_REG_CR, slot.value[0]);
        return;
    case IOP_RESULT_XER:
        out.spr(SPR_XER, slot.value[0]);
        return;
    case IOP_RESULT_FPSCR:
        out.spr(INST_REG_FPSCR, slot.value[0]);
        return;
    case IOP_RESULT_SPR:
        out.spr(field_spr(w), slot.value[0]);
        return;
    default:
        break;
    }
    sim_warning(2, "Get_Inst_One_Output_Register with bad type: %d", slot.kind);
}

void output_cycle(IOPDesc *iop, Lists &out)
{
    if (iop->word == NOP_INSTRUCTION_WORD) return;
    const uint64_t seq = iop->sequence_number;
    const struct {
        const IOPResultSlot *slot;
        int which;
    } order[] = {{&iop->result_cr, 0}, {&iop->result_xer, 0}, {&iop->result_gpr2, 2}, {&iop->result_gpr1, 1}};
    for (auto &o : order)
        if (o.slot->producer_seq == seq) output_slot(iop, out, *o.slot, o.which);
    if (iop->result_fpscr.producer_seq == seq && !skips_fpscr_result(iop->row->id))
        output_slot(iop, out, iop->result_fpscr, 0);
}

void output_functional(IOPDesc *iop, Lists &out, uint64_t c)
{
    const uint32_t w = iop->word;
    ThreadState *t = iop->thread;
    if (w == NOP_INSTRUCTION_WORD) return;
    if (has_operand(iop, "rT")) {
        out.gpr((int)field_rs(w), t->GPR[field_rs(w)].value);
    } else if ((c & CLASS_SPR) && field_spr(w) != 0) {
        int32_t leave = 0;
        out.spr(field_spr(w), GET_spr(iop, field_spr(w), &leave));
    }
    if (c & CLASS_FP) {
        if (has_operand(iop, "fT")) out.fpr((int)field_rs(w), t->VSR[field_rs(w)].value[1]);
        out.spr(INST_REG_FPSCR, t->FPSCR.value);
    }
    if (c & CLASS_BRANCH) {
        if (w & 1) out.spr(SPR_LR, t->LR.value);
        if ((w >> 26) != 18 && !(w & 0x800000)) out.spr(SPR_CTR, t->CTR.value);
    }
}

} // namespace

uint32_t Get_Thread_Id(ThreadState *thread)
{
    return thread ? (uint32_t)thread->device_number : 0;
}

int In_Cycle_Mode(IOPDesc *iop)
{
    return iop && cycle_form(iop) ? 1 : 0;
}

uint64_t Get_Inst_SeqNumber(IOPDesc *iop)
{
    return iop ? iop->sequence_number : 0;
}

uint32_t Get_Inst_Instbody(IOPDesc *iop)
{
    return iop ? iop->word : 0;
}

const char *Get_Inst_PrintFormat(IOPDesc *iop)
{
    if (!iop) return "no iop";
    return iop->row && iop->row->template_ ? iop->row->template_ : "no instruction";
}

const char *Get_Inst_Name(IOPDesc *iop)
{
    if (!iop) return "no iop";
    return iop->row && iop->row->mnemonic ? iop->row->mnemonic : "no instruction";
}

uint64_t Get_Inst_PC(IOPDesc *iop)
{
    return iop ? iop->fetch.ea : 0;
}

uint64_t Get_Inst_PC_VSID(IOPDesc *iop)
{
    return iop ? iop->fetch.vsid : 0;
}

uint64_t Get_Inst_PC_RPN(IOPDesc *iop)
{
    return iop ? iop->fetch.pa >> 12 : 0;
}

uint8_t Get_Inst_PC_PageSize(IOPDesc *iop)
{
    return iop ? iop->fetch.page_shift : 0;
}

uint64_t Get_Inst_NPC(IOPDesc *iop)
{
    if (!iop) return 0;
    if (cycle_form(iop)) return iop->next_address;
    return iop->thread ? iop->thread->PC.value : 0;
}

uint64_t Get_Inst_NPC_Predicted(IOPDesc *iop)
{
    if (!iop) return 0;
    return cycle_form(iop) ? iop->expected_next_address : Get_Inst_NPC(iop);
}

uint32_t Get_Inst_ThreadId(IOPDesc *iop)
{
    return iop ? Get_Thread_Id(iop->thread) : 0;
}

int Is_Inst_SimSupport(IOPDesc *iop)
{
    if (!iop || !iop->row || !iop->thread || !iop->thread->machine) return 0;
    if (!iop->thread->machine->enable_sim_support) return 0;
    return iop->row->id == ROW_SUPPORT || iop->row->id == ROW_SUPPORT_HALT;
}

int Is_Inst_Done(IOPDesc *iop)
{
    if (!iop) return 0;
    return cycle_form(iop) ? iop->finished != 0 : 1;
}

int Is_Inst_Branch(IOPDesc *iop)
{
    return (class_of(iop) & CLASS_BRANCH) != 0;
}

int Is_Inst_Unconditional_Branch(IOPDesc *iop)
{
    if (!Is_Inst_Branch(iop)) return 0;
    return (iop->word >> 26) == 18 || ((iop->word >> 21) & 0x14) == 0x14;
}

int Is_Inst_Branch_Taken(IOPDesc *iop)
{
    if (!Is_Inst_Branch(iop)) return 0;
    return (iop->word >> 26) == 18 || (Is_Inst_Done(iop) && iop->branch_taken == 1);
}

int Is_Inst_VMX(IOPDesc *iop)
{
    return (class_of(iop) & CLASS_VMX) != 0;
}

int Is_Inst_Load(IOPDesc *iop)
{
    return (class_of(iop) & CLASS_LOAD) != 0;
}

int Is_Inst_Store(IOPDesc *iop)
{
    return (class_of(iop) & (CLASS_STORE | CLASS_STORE_2)) != 0;
}

int Is_Inst_Cache(IOPDesc *iop)
{
    return (class_of(iop) & CLASS_CACHE) != 0;
}

int Is_Inst_String(IOPDesc *iop)
{
    return (class_of(iop) & CLASS_STRING) != 0;
}

int Is_Inst_Exception(IOPDesc *iop)
{
    return iop && iop->exceptions != nullptr;
}

int Is_Inst_Data_EA_Valid(IOPDesc *iop)
{
    if (!iop) return 0;
    if (Is_Inst_Done(iop)) return 1;
    if (Is_Inst_Load(iop) || Is_Inst_Store(iop)) return iop->data_ea_valid != 0;
    return 0;
}

int Is_Inst_Data_PA_Valid(IOPDesc *iop)
{
    return Is_Inst_Data_EA_Valid(iop) && !Is_Inst_Exception(iop);
}

uint64_t Get_Inst_Data_EA(IOPDesc *iop)
{
    return iop ? iop->data.ea : 0;
}

uint64_t Get_Inst_Data_VSID(IOPDesc *iop)
{
    return iop ? iop->data.vsid : 0;
}

uint64_t Get_Inst_Data_RPN(IOPDesc *iop)
{
    return iop ? iop->data.pa >> 12 : 0;
}

uint8_t Get_Inst_Data_PageSize(IOPDesc *iop)
{
    return iop ? iop->data.page_shift : 0;
}

int Is_Mode_Kernel(IOPDesc *iop)
{
    if (!iop || !iop->thread) return 0;
    return (iop->thread->MSR.value & MSR_PR_BIT) == 0;
}

int Is_Data_Relocated(IOPDesc *iop)
{
    if (!iop || !iop->thread) return 0;
    return (thread_msr(iop) & MSR_DR_BIT) != 0;
}

int Is_Inst_Relocated(IOPDesc *iop)
{
    if (!iop || !iop->thread) return 0;
    return (thread_msr(iop) & MSR_IR_BIT) != 0 && iop->fetch.pa != NO_FETCH_TRANSLATION;
}

uint64_t Get_Inst_SDR1(IOPDesc *iop)
{
    if (!iop || !iop->thread) return 0;
    ProcessorState *partition =
        iop->thread->shared_processor ? iop->thread->shared_processor : iop->thread->processor;
    return partition ? read64(iop, partition->SDR1) : 0;
}

char *Get_Inst_Name_And_Operand(IOPDesc *iop, char *buffer, int length)
{
    if (!buffer || length <= 0) return buffer;
    buffer[0] = '\0';
    if (!iop) return buffer;
    char text[256] = "";
    const bool wide = iop->thread && (thread_msr(iop) & MSR_SF_BIT);
    disassemble(text, sizeof text, iop, wide ? 1 : 0);
    snprintf(buffer, (size_t)length, "%s", text);
    return buffer;
}

int16_t Get_String_Length(IOPDesc *iop, int read_xer)
{
    if (!Is_Inst_String(iop)) return -1;
    if (iop->row->attributes & ATTR_IMMEDIATE_COUNT) {
        int16_t nb = (int16_t)((iop->word >> 11) & 0x1F);
        return nb == 0 ? 32 : nb;
    }
    if (!read_xer || !iop->thread) return -1;
    Reg64 &xer = iop->thread->XER;
    RegBits_Mark(&xer.bits_read, XER_STRING_BITS_READ);
    const uint64_t value = iop->use_slots ? iop->xer_operand : xer.value;
    return (int16_t)(value & 0x7F);
}

void Get_Inst_Input_Registers(IOPDesc *iop, InstRegisterList *list)
{
    if (!list) return;
    list->gpr_count = list->fpr_count = list->spr_count = list->vr_count = 0;
    if (!iop || !iop->row || !iop->thread) return;
    Lists out{list};
    const uint64_t c = iop->row->class_flags;
    if (c & CLASS_VMX)
        input_vector(iop, out, c);
    else if (c & CLASS_SYSTEM)
        input_system(iop, out, c);
    else
        input_other(iop, out, c);
}

void Get_Inst_Output_Registers(IOPDesc *iop, InstRegisterList *list)
{
    if (!list) return;
    list->gpr_count = list->fpr_count = list->spr_count = list->vr_count = 0;
    if (!iop || !iop->row || !iop->thread) return;
    Lists out{list};
    const uint64_t c = iop->row->class_flags;
    if (c & CLASS_VMX) {
        if ((c & CLASS_LOAD) || (has_operand(iop, "vT") && !(c & (CLASS_STORE | CLASS_STORE_2)))) {
            const int n = (int)field_rs(iop->word);
            if (iop->use_slots) {
                out.vr(n, iop->result_gpr2.value);
            } else {
                const Vec128 v = READ_VMXR_SIMPLE(iop, (uint32_t)n, "vT");
                const uint64_t halves[2] = {v.low, v.high};
                out.vr(n, halves);
            }
        }
        return;
    }
    if (cycle_form(iop))
        output_cycle(iop, out);
    else
        output_functional(iop, out, c);
}
