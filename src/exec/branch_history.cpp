// The branch-history rolling buffer and the call-signature filter, fed by the taken branches
// (declared in isa/hooks/branch_history.h).
#include "exec/branch_history.h"

#include "decode/instr_info.h"
#include "isa/hooks/branch_history.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"
#include "processor/spr/ex_spr.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t MMCR0_BHRB_RECORD = 0x4000000;
constexpr uint64_t MMCR0_FREEZE_PRIVILEGED = 0x40000000;
constexpr uint64_t MMCR0_FREEZE_PROBLEM = 0x20000000;
constexpr uint64_t MMCR0_FREEZE_HYPERVISOR = 0x1;
constexpr uint64_t MMCRC_ONE_THREAD = 0x20000;
constexpr uint32_t WORT_RECORD_SHORT_BRANCHES = 0x4000000;
constexpr uint64_t TARGET_MARK = 0x2;
constexpr uint64_t TCSCR_MATCH_ENABLE = 0x8000000000000000ull;
constexpr uint64_t TCSCR_MATCH_BLOCK = 0x4000000000000000ull;
constexpr uint64_t CSIGR_SIGNATURE = 0xFFFF00000000ull;
constexpr uint64_t CSIGR_COPY = 0xFFFF;
constexpr int CSIGR_SIGNATURE_SHIFT = 32;

bool hypervisor_state(uint64_t msr)
{
    return (msr & MSR_HV) && !(msr & MSR_PR);
}

bool single_thread_mode(uint64_t mmcrc)
{
    return (mmcrc & MMCRC_ONE_THREAD) != 0;
}

// The thread MMCRC selects in single-thread mode is compared with this number.
int32_t selected_thread_number(const ThreadState *thread)
{
    const ProcessorState *core = thread->processor;
    return core && core->partition_count > 1 ? thread->thread_id_in_partition : thread->thread_id_in_core;
}

bool selected(const ThreadState *thread, uint64_t mmcrc)
{
    return single_thread_mode(mmcrc) && (int64_t)((mmcrc >> 18) & 7) == selected_thread_number(thread);
}

uint16_t rotate_left_2(uint16_t value)
{
    return (uint16_t)((value << 2) | (value >> 14));
}

uint16_t rotate_right_2(uint16_t value)
{
    return (uint16_t)((value >> 2) | (value << 14));
}

// Bits 2 to 17 of an address, the part a signature folds in.
uint16_t signature_bits(uint64_t address)
{
    return (uint16_t)((address & 0x3FFFC) >> 2);
}

enum class Kind { Ignored, Taken, Return };

} // namespace

void SET_BHRBE(IOPDesc *iop, int32_t index, uint64_t value, uint64_t undefined_bits)
{
    ThreadState *thread = iop->thread;
    if (value == 2)
        sim_warning(2, "BHRBE%d set to Reserved value: 0x%016lX", (int)index, (unsigned long)value);
    Reg64 *entries = thread->BHRBE;
    Maybe_Invoke_Reg_Write_Triggers(iop, entries[index].trigger, entries[index].value, value);
    for (int32_t b = NUM_BHRB_ENTRIES - 1; b > index; b--) {
        entries[b].value = entries[b - 1].value;
        if (entries[b].rfe) entries[b].rfe->defined = 1;
    }
    entries[index].value = value;
    if (entries[index].rfe) entries[index].rfe->defined = (value || undefined_bits) ? 1 : 0;
}

int core_clrbhrb(IOPDesc *iop)
{
    for (int32_t i = 0; i < NUM_BHRB_ENTRIES; i++)
        SET_BHRBE(iop, i, 0, 0);
    return 1;
}

int BHRB_taken_branch_filter(IOPDesc *iop, uint64_t from, uint64_t to, uint32_t link)
{
    ThreadState *thread = iop->thread;
    if (!(thread->MMCR0.value & MMCR0_BHRB_RECORD)) return 0;
    if (Get_BHRB_Range(thread, nullptr) == 0) return 0;
    uint32_t target_only = 0;
    if (BHRB_Field_Filtered(iop, link, &target_only)) return 0;
    const uint64_t msr = iGET_MSR(iop);
    const uint64_t mmcr0 = thread->MMCR0.value;
    const bool hv = msr & MSR_HV, pr = msr & MSR_PR;
    if ((mmcr0 & MMCR0_FREEZE_PRIVILEGED) && !hv && !pr) return 0;
    if (mmcr0 & MMCR0_FREEZE_PROBLEM) {
        const bool frozen = single_thread_mode(thread->processor->MMCRC.value) ? pr : (hv && pr);
        if (frozen) return 0;
    }
    if ((mmcr0 & MMCR0_FREEZE_HYPERVISOR) && hv && !pr) return 0;

    const uint64_t address = from & ~3ull;
    if (address == 0) sim_warning(2, "Creating BHRBE for Branch Instruction EA = zero!");
    const uint32_t form = iop->row ? iop->row->form : 0;
    switch (form) {
    case BRANCH_FORM_I:
        SET_BHRBE(iop, 0, address, 1);
        break;
    case BRANCH_FORM_XL:
        if (!target_only) SET_BHRBE(iop, 0, address, 1);
        if ((to & ~3ull) == 0) sim_warning(2, "Creating BHRBE for Branch Target EA = zero for XL-form!");
        SET_BHRBE(iop, 0, (to & ~3ull) | TARGET_MARK, 1);
        break;
    case BRANCH_FORM_B: {
        const uint32_t word = iop->word;
        const uint32_t bo = (word >> 21) & 0x1E;
        const int32_t displacement = (int32_t)(int16_t)(word & 0xFFFC);
        if ((thread->WORT.value & WORT_RECORD_SHORT_BRANCHES) || (word & 0x2))
            SET_BHRBE(iop, 0, address, 1);
        else if ((bo == 0x0C || bo == 0x04) && displacement == 8)
            Mark_Entire_BHRBE_Array_Undefined(thread);
        else
            SET_BHRBE(iop, 0, address, 1);
        break;
    }
    default:
        sim_warning(2, "BHRB_taken_branch_filter: unexpected branch format type= %d", (int)form);
        break;
    }
    return 0;
}

int CSIG_taken_branch_call_filter(IOPDesc *iop, uint64_t from, uint64_t, uint32_t link, uint64_t count)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread->processor;
    // Nothing can change unless the core is in single-thread mode or a TACR match is armed; then
    // only the read triggers of the registers consulted would notice the call.
    const bool armed = single_thread_mode(core->MMCRC.value) || ((thread->MMCR0.value & MMCR0_BHRB_RECORD) &&
                                                                 (core->TCSCR.value & TCSCR_MATCH_ENABLE));
    if (!armed && !Reg_Read_Triggers_Armed(thread->MMCR0.trigger) &&
        !Reg_Read_Triggers_Armed(core->MMCRC.trigger) && !Reg_Read_Triggers_Armed(core->TACR.trigger) &&
        !Reg_Read_Triggers_Armed(core->TCSCR.trigger) && !Reg_Read_Triggers_Armed(thread->MSR.trigger))
        return 0;

    const uint64_t mmcr0 = iGET_MMCR0(iop);
    const uint64_t mmcrc = iGET_MMCRC(iop);
    const uint32_t word = iop->word;
    const uint32_t bo = (word >> 21) & 0x1F;
    const uint32_t bi = (word >> 16) & 0x1F;
    const uint32_t row = iop->row ? iop->row->id : 0;

    bool ctr_ok = true, cond_ok = true;
    const bool unconditional = row == ROW_B || row == ROW_BA || row == ROW_BL || row == ROW_BLA;
    if (!unconditional) {
        const uint64_t msr_now = thread->MSR.value;
        const uint64_t ctr = (msr_now & MSR_SF) ? count : (count & 0xFFFFFFFFull);
        ctr_ok = (bo & 0x4) || ((ctr != 0) != ((bo & 0x2) != 0));
        const uint32_t cr_bit = (thread->CR.value >> (31 - bi)) & 1;
        cond_ok = (bo & 0x10) || (cr_bit == ((bo >> 3) & 1));
    }
    const uint64_t tacr = iGET_TACR(iop);
    const uint64_t tcscr = iGET_TCSCR(iop);
    const uint64_t msr = iGET_MSR(iop);
    if ((mmcr0 & MMCR0_FREEZE_PRIVILEGED) && !(msr & MSR_HV) && !(msr & MSR_PR)) return 0;
    if ((mmcr0 & MMCR0_FREEZE_PROBLEM) && (msr & MSR_PR)) return 0;
    if ((mmcr0 & MMCR0_FREEZE_HYPERVISOR) && hypervisor_state(msr)) return 0;
    if (!iop->row) return 0;
    const uint64_t address = from & ~3ull;

    Kind kind = Kind::Ignored;
    switch (row) {
    case ROW_B:
    case ROW_BA:
    case ROW_BL:
    case ROW_BLA:
        kind = Kind::Taken;
        break;
    case ROW_BC:
    case ROW_BC_UNCOND:
    case ROW_BCA:
    case ROW_BCL:
    case ROW_BCL_UNCOND:
    case ROW_BCLA: {
        const int32_t displacement = (int32_t)(int16_t)(word & 0xFFFC);
        const bool to_next = (bo & 0x14) == 0x14 && !(word & 0x2) && displacement == 4;
        if (cond_ok && ctr_ok && !to_next) kind = Kind::Taken;
        break;
    }
    case ROW_BCLR: {
        const uint32_t bh = (word >> 11) & 3;
        if ((bh == 0 || bh == 2) && cond_ok && ctr_ok) kind = Kind::Return;
        break;
    }
    case ROW_BCLRL:
    case ROW_BCTAR:
    case ROW_BCTARL:
        if (cond_ok && ctr_ok) kind = Kind::Taken;
        break;
    case ROW_BCCTR:
    case ROW_BCCTRL:
        if (cond_ok) kind = Kind::Taken;
        break;
    default:
        break;
    }

    bool update = false;
    bool computed = false;
    uint64_t csigr = 0;
    uint16_t signature = 0;
    if ((kind == Kind::Taken && link) || kind == Kind::Return) {
        csigr = iGET_CSIGR(iop);
        const uint64_t lr = kind == Kind::Return ? iGET_LR(iop) : 0;
        if (selected(thread, mmcrc)) {
            const uint16_t old = (uint16_t)((csigr & CSIGR_SIGNATURE) >> CSIGR_SIGNATURE_SHIFT);
            signature = kind == Kind::Return ? rotate_right_2((uint16_t)(old ^ signature_bits(lr)))
                                             : (uint16_t)(rotate_left_2(old) ^ signature_bits(address + 4));
            csigr = (csigr & ~CSIGR_SIGNATURE) | ((uint64_t)signature << CSIGR_SIGNATURE_SHIFT);
            computed = update = true;
        }
    }
    if ((tacr & ~3ull) == address && (tcscr & TCSCR_MATCH_ENABLE) && !(tcscr & TCSCR_MATCH_BLOCK) &&
        (mmcr0 & MMCR0_BHRB_RECORD)) {
        if (!computed) {
            csigr = iGET_CSIGR(iop);
            signature = (uint16_t)((csigr & CSIGR_SIGNATURE) >> CSIGR_SIGNATURE_SHIFT);
        }
        csigr = (csigr & ~CSIGR_COPY) | signature;
        update = true;
    }
    if (update) iSET_CSIGR(iop, csigr);
    return 0;
}
