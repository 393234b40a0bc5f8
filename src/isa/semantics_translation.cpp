// TLB, SLB and segment-register instructions: tlbie, tlbiel, tlbia, slbmte, slbmfee, slbmfev,
// slbfee., slbie, slbia, mtsr, mtsrin, mtsrd, mtsrdin, mfsr, mfsrin.
//
// Every change of translation state raises current_xlate_version, which drops the fetch path's and
// the translator's cached translations. The TLB and SLB internals are the storage subsystem's.
#include <algorithm>

#include "decode/semantics.h"
#include "interrupts/hooks/erat_invalidate.h"
#include "interrupts/interrupt_raisers.h"
#include "isa/hooks/translator_tlbi.h"
#include "isa/semantics_helpers.h"
#include "isa/translation_instructions.h"
#include "mmu/privileged_services.h"
#include "mmu/transaction_guard.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_services.h"
#include "processor/translation/slb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "processor/translation/xlate_version.h"
#include "runtime/utils.h"

namespace
{

constexpr uint64_t SLBE_VALID = 0x08000000ull;
constexpr uint64_t ESID_BASE_MASK = ~0x0FFFFFFFull;
constexpr uint64_t HID4_CLEAR_SLB_L = 0x0100000000000000ull; // HID4 bit 56
constexpr int32_t DEFAULT_PAGE_SHIFT = 12;

bool problem_state(IOPDesc *iop)
{
    return (iGET_MSR(iop) & MSR_PR) != 0;
}

int privileged(IOPDesc *iop)
{
    interrupt_PrivilegedInstruction(iop);
    return 0;
}

bool assist_thread_stopped(IOPDesc *iop)
{
    ThreadState *thread = iop->thread;
    if (!We_are_Assist_Thread(thread)) return false;
    Stop_One_Assist_Thread(thread, thread);
    return true;
}

uint64_t read_rb(IOPDesc *iop)
{
    return IOP_Read_GPR(iop, FIELD_RB(iop->word), OPERAND_B);
}

uint64_t read_rs(IOPDesc *iop)
{
    return IOP_Read_GPR(iop, FIELD_RS(iop->word), OPERAND_S);
}

bool mode32(IOPDesc *iop)
{
    return !(iGET_MSR(iop) & MSR_SF);
}

int advance(IOPDesc *iop)
{
    IOP_Advance_NIA(iop);
    return 1;
}

bool parallel_mode(ThreadState *thread)
{
    return thread->machine && thread->machine->mode == MODE_PTURBO;
}

// The SLB slot of an slbm* index: modulo the SLB size (-1 for an SLB without entries).
int32_t slb_slot(ThreadState *thread, uint64_t index)
{
    if (!thread->slb || thread->slb_entries <= 0) return -1;
    return (int32_t)(index % (uint64_t)thread->slb_entries);
}

int tlb_invalidate(IOPDesc *iop, bool local)
{
    const char *name = local ? "tlbiel" : "tlbie";
    if (!local && !IOP_Option(iop, PO_TLBIE_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, name);
        return 0;
    }
    const uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_PR) || (!local && !(msr & MSR_HV))) return privileged(iop);
    if (Transaction_Guard(iop)) return 1;
    ThreadState *thread = iop->thread;
    const uint32_t word = iop->word;
    const bool rfc_form = IOP_Option(iop, PO_RFC2141_TLBIE_FORM) != 0;
    const uint64_t rb = read_rb(iop);
    const uint32_t lpid = (local || !rfc_form) ? iGET_LPIDR(iop) : (uint32_t)read_rs(iop);
    const bool locked = parallel_mode(thread);
    if (locked) pturbo_acquire_tlbi_lock();
    const uint32_t is = (local && IOP_Option(iop, PO_SUPPORTS_TLBIE_IS)) ? (uint32_t)((rb >> 10) & 3) : 0;
    const uint32_t l = rfc_form ? (uint32_t)(rb & 1) : (word >> 21) & 1;
    int32_t page_shift = DEFAULT_PAGE_SHIFT;
    uint32_t lp = 0, b = 0;
    TLBIE_Page_Size(iop, rb, l, &page_shift, &lp, &b);
    ERAT_InvalidateAll(thread, 0, "micro tlbie -all");
    ProcessorState *own = thread->processor;
    TLB_tlbie(own->tlb, rb, page_shift, is, lpid, lp, b, name);
    if (!local) HTM_tlbie(thread, rb, page_shift, name);
    current_xlate_version++;
    if (!local && thread->machine) {
        GenericMachine *machine = thread->machine;
        const int32_t count = GenericMachine__ThreadCount(machine);
        for (int32_t n = 0; n < count; n++) {
            ThreadState *other = GenericMachine__Thread(machine, n);
            if (!other || other->processor == own) continue;
            ERAT_InvalidateAll(other, 0, "tlbie -all");
            TLB_tlbie(other->processor->tlb, rb, page_shift, is, lpid, lp, b, name);
            current_xlate_version++;
        }
    }
    if (locked) pturbo_release_tlbi_lock();
    return advance(iop);
}

// mtsr and mtsrin (indirect: the register from RB bits 31:28), with or without the guard.
int move_to_segment_register(IOPDesc *iop, bool indirect, bool guarded, const char *name)
{
    if (problem_state(iop)) return privileged(iop);
    if (guarded && Transaction_Guard(iop)) return 1;
    ThreadState *thread = iop->thread;
    uint64_t value = read_rs(iop);
    uint64_t rb = 0;
    uint32_t n = (iop->word >> 16) & 0xF;
    if (indirect) {
        rb = read_rb(iop);
        if (mode32(iop)) {
            rb &= 0xFFFFFFFFull;
            value &= 0xFFFFFFFFull;
        }
        n = (uint32_t)(rb >> 28) & 0xF;
    }
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr1, value);
    else
        WriteSR(thread, n, value, rb);
    ERAT_InvalidateAll(thread, 5, name);
    current_xlate_version++;
    return advance(iop);
}

int move_from_segment_register(IOPDesc *iop, bool indirect)
{
    if (problem_state(iop)) return privileged(iop);
    const uint32_t n = indirect ? (uint32_t)(read_rb(iop) >> 28) & 0xF : (iop->word >> 16) & 0xF;
    IOP_Write_GPR(iop, FIELD_RT(iop->word), ReadSR(iop->thread, n));
    return advance(iop);
}

// slbmfee (esid) and slbmfev.
int move_from_slb(IOPDesc *iop, bool esid)
{
    const uint64_t rb = read_rb(iop);
    if (problem_state(iop)) return privileged(iop);
    const int32_t slot = slb_slot(iop->thread, rb & 0xFFF);
    uint64_t result = 0;
    if (slot >= 0) {
        const SLB *entry = &iop->thread->slb[slot];
        if (esid)
            result = (!entry->valid && IOP_Option(iop, PO_INVALID_SLB_IS_ZERO)) ? 0 : entry->SLBE.value;
        else
            result = entry->valid ? entry->SLBV.value : 0;
    }
    IOP_Write_GPR(iop, FIELD_RT(iop->word), result);
    return advance(iop);
}

} // namespace

uint64_t TLBIE_Page_Size(IOPDesc *iop, uint64_t rb, uint32_t l, int32_t *actual_out, uint32_t *lp_out,
                         uint32_t *ap_out)
{
    const uint32_t ap = (uint32_t)(rb >> 8) & 3;
    *ap_out = ap;
    int32_t base, actual;
    uint32_t lp = 0;
    if (!IOP_Option(iop, PO_RFC2141_TLBIE_FORM)) {
        if (l == 0) {
            *actual_out = DEFAULT_PAGE_SHIFT;
            return 0;
        }
        lp = (uint32_t)(rb >> 12) & 0xF;
        *lp_out = lp;
        actual = TLBIE_page_encoding_bits(iop, l, lp, ap, 0);
        // An invalid encoding invalidates at the base page size, as the option's form does.
        *actual_out = actual ? actual : DEFAULT_PAGE_SHIFT;
        return 0;
    }
    if (l != 0) {
        lp = (uint32_t)(rb >> 12) & 0xF;
    } else {
        lp = (uint32_t)(rb >> 5) & 7;
        l = (uint32_t)(rb & 1);
    }
    *lp_out = lp;
    base = TLBIE_page_encoding_bits(iop, l, lp, ap, 0);
    actual = TLBIE_page_encoding_bits(iop, l, lp, ap, 1);
    *actual_out = (base == 0 || actual == 0) ? DEFAULT_PAGE_SHIFT : actual;
    int32_t g = l != 0 ? std::max(63 - actual, std::min(63 - base, 43)) : 63 - base;
    if (g < 0) g = 0;
    if (g > 63) g = 63;
    return MakeMask64(0, (uint32_t)g);
}

int semantic_tlbie(IOPDesc *iop)
{
    return tlb_invalidate(iop, false);
}

int semantic_tlbiel(IOPDesc *iop)
{
    return tlb_invalidate(iop, true);
}

int semantic_tlbia(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_TLBIA_SUPPORTED)) {
        interrupt_IllegalInstruction(iop, "tlbia");
        return 0;
    }
    if (problem_state(iop)) return privileged(iop);
    ThreadState *thread = iop->thread;
    ERAT_InvalidateAll(thread, 1, "tlbia");
    TLB_Clear(iop, thread->processor->tlb);
    EMAT_TLBIA(thread, "tlbia");
    current_xlate_version++;
    return advance(iop);
}

int semantic_slbmte(IOPDesc *iop)
{
    if (assist_thread_stopped(iop)) return 0;
    uint64_t rs = read_rs(iop);
    uint64_t rb = read_rb(iop);
    if (problem_state(iop)) return privileged(iop);
    if (Transaction_Guard(iop)) return 1;
    if (iGET_HID4(iop) & HID4_CLEAR_SLB_L) rs &= ~0x100ull;
    if (mode32(iop)) rb &= 0xFFFFFFFFull;
    ThreadState *thread = iop->thread;
    // An SLB without entries has nothing to write.
    const int32_t slot = slb_slot(thread, rb & 0xFFF);
    if (slot >= 0) {
        SLB *entry = &thread->slb[slot];
        if (entry->valid) EMAT_INVALIDATE_EA(thread, entry->esid_base, "SLBE Replace");
        entry->esid_base = rb & ESID_BASE_MASK;
        entry->valid = (uint8_t)((rb >> 27) & 1);
        entry->SLBE.value = entry->esid_base | (entry->valid ? SLBE_VALID : 0);
        SLB_Set_VSID_Word(entry, rs);
        current_xlate_version++;
    }
    return advance(iop);
}

int semantic_slbmfee(IOPDesc *iop)
{
    return move_from_slb(iop, true);
}

int semantic_slbmfev(IOPDesc *iop)
{
    return move_from_slb(iop, false);
}

int semantic_slbfee_dot(IOPDesc *iop)
{
    if (problem_state(iop)) return privileged(iop);
    if (Transaction_Guard(iop)) return 1;
    if (!core_slbfee_dot(iop)) return 0;
    return advance(iop);
}

int semantic_slbie(IOPDesc *iop)
{
    if (assist_thread_stopped(iop)) return 0;
    if (problem_state(iop)) return privileged(iop);
    if (Transaction_Guard(iop)) return 1;
    if (!core_slbie(iop)) return 0;
    current_xlate_version++;
    return advance(iop);
}

int semantic_slbia(IOPDesc *iop)
{
    if (assist_thread_stopped(iop)) return 0;
    if (problem_state(iop)) return privileged(iop);
    if (Transaction_Guard(iop)) return 1;
    if (!core_slbia(iop)) return 0;
    current_xlate_version++;
    return advance(iop);
}

int semantic_mtsr(IOPDesc *iop)
{
    return move_to_segment_register(iop, false, true, "mtsr");
}

int semantic_mtsrin(IOPDesc *iop)
{
    return move_to_segment_register(iop, true, true, "mtsrin");
}

int semantic_mtsrd(IOPDesc *iop)
{
    return move_to_segment_register(iop, false, false, "mtsrd");
}

int semantic_mtsrdin(IOPDesc *iop)
{
    return move_to_segment_register(iop, true, false, "mtsrdin");
}

int semantic_mfsr(IOPDesc *iop)
{
    return move_from_segment_register(iop, false);
}

int semantic_mfsrin(IOPDesc *iop)
{
    return move_from_segment_register(iop, true);
}
