// TLB, SLB and segment-register instructions: tlbie, tlbiel, tlbia, tlberr, tlberrl, slbmte,
// slbmfee, slbmfev, slbfee., slbie, slbia, mtsr, mtsrin, mtsrd, mtsrdin, mfsr, mfsrin.
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
#include "memory/memory_bus.h"
#include "memory/memory_map.h"
#include "mmu/erat.h"
#include "mmu/hooks/translator_xlate.h"
#include "mmu/page_size.h"
#include "mmu/slb_maintenance.h"
#include "mmu/tlb.h"
#include "mmu/tm_operations.h"
#include "mmu/transaction_guard.h"
#include "processor/records/generic_machine.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/run_control.h"
#include "processor/run/smt.h"
#include "processor/spr/spr_services.h"
#include "processor/translation/slb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "processor/translation/xlate_version.h"
#include "runtime/message.h"
#include "runtime/utils.h"

namespace
{

constexpr uint64_t SLBE_VALID = 0x08000000ull;
constexpr uint64_t ESID_BASE_MASK = ~0x0FFFFFFFull;
constexpr uint64_t HID4_CLEAR_SLB_L = 0x0100000000000000ull; // HID4 bit 56
constexpr int32_t DEFAULT_PAGE_SHIFT = 12;
constexpr int TLBIE_VSID_BITS = 20;

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

// The first nine and then every hundredth occurrence of a counted warning.
bool worth_warning(long count)
{
    return count < 10 || count % 100 == 0;
}

// The SLB slot of an slbm* index: modulo the SLB size; -1 for an SLB without entries, which has no
// slot to wrap into. *wrapped tells that the index was out of range.
int32_t slb_slot(ThreadState *thread, uint64_t index, bool *wrapped)
{
    *wrapped = false;
    if (!thread->slb || thread->slb_entries <= 0) return -1;
    *wrapped = index >= (uint64_t)thread->slb_entries;
    return (int32_t)(index % (uint64_t)thread->slb_entries);
}

// The translator's segment table of the thread's chip, or null.
segtab *thread_segment_table(ThreadState *thread)
{
    MCM *chip = thread->mcm;
    if (!chip || !chip->mbus || !chip->mbus->memory_map) return nullptr;
    return chip->mbus->memory_map->segment_table;
}

void invalidate_tlb(ThreadState *thread, uint64_t rb, int32_t page_shift, uint32_t is, uint32_t lpid,
                    uint32_t lp, uint32_t b, const char *name)
{
    if (thread->processor && thread->processor->tlb)
        TLB_tlbie(thread->processor->tlb, rb, (uint64_t)page_shift, (int32_t)is, (int32_t)lpid, lp, b, name);
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
    tlbie_with_regs(iop, (int)FIELD_RS(iop->word), read_rb(iop), local ? 0 : 1);
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
    } else if (!mode32(iop)) {
        sim_warning(2, "mtsr in 64-bit mode; results undefined");
    }
    if (iop->use_slots)
        IOP_Deliver_Result(iop, &iop->result_gpr1, value);
    else
        WriteSR(thread, n, (uint32_t)value, rb);
    ERAT_InvalidateAll(thread, ERAT_REASON_MTSR, name);
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

// The SLB word of an slbm* read: the ESID word (esid) or the VSID word of the entry RB names.
uint64_t read_slb_word(ThreadState *thread, uint64_t rb, bool esid)
{
    const uint64_t index = rb & 0xFFF;
    bool wrapped;
    const int32_t slot = slb_slot(thread, index, &wrapped);
    if (wrapped) {
        static long wraps[2];
        const long count = ++wraps[esid];
        if (worth_warning(count))
            sim_warning(2,
                        esid ? "%ld. slbmfee: slb_index=%d, should be less than %d"
                             : "%ld. slbmfev: slb_index=%d, should be less than %d",
                        count, (int)index, thread->slb_entries);
    }
    if (slot < 0) return 0;
    const SLB *entry = &thread->slb[slot];
    if (esid) {
        const bool invalid_is_zero = thread->processor && thread->processor->options[PO_INVALID_SLB_IS_ZERO];
        return (!entry->valid && invalid_is_zero) ? 0 : entry->SLBE.value;
    }
    return entry->valid ? entry->SLBV.value : 0;
}

// slbmfee (esid) and slbmfev.
int move_from_slb(IOPDesc *iop, bool esid)
{
    const uint64_t rb = read_rb(iop);
    if (problem_state(iop)) return privileged(iop);
    IOP_Write_GPR(iop, FIELD_RT(iop->word), read_slb_word(iop->thread, rb, esid));
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
        sim_warning(2, "attempt to use tlbia causes interrupt");
        interrupt_IllegalInstruction(iop, "tlbia");
        return 0;
    }
    if (problem_state(iop)) return privileged(iop);
    ThreadState *thread = iop->thread;
    ERAT_InvalidateAll(thread, ERAT_REASON_TLBIA, "tlbia");
    if (thread->processor && thread->processor->tlb) TLB_Clear(iop, thread->processor->tlb);
    EMAT_TLBIA(thread, "tlbia");
    current_xlate_version++;
    return advance(iop);
}

int semantic_tlberrl(IOPDesc *iop)
{
    if (problem_state(iop)) return privileged(iop);
    if (mode32(iop)) sim_warning(2, "tlberrl not in 64-bit mode");
    ThreadState *thread = iop->thread;
    ERAT_InvalidateAll(thread, ERAT_REASON_TLBIE, "micro tlberrl");
    // RB names the congruence class, either directly or, above 12, as an address of its 4 KB page.
    const uint64_t rb = read_rb(iop);
    const uint64_t set = rb > 12 ? rb >> 12 : rb;
    TLB *tlb = thread->processor ? thread->processor->tlb : nullptr;
    if (tlb && set < (uint64_t)INT32_MAX) TLB_Clear_Reference_Bit_For_Set(tlb, iGET_LPIDR(iop), (int32_t)set);
    current_xlate_version++;
    return advance(iop);
}

int semantic_tlberr(IOPDesc *iop)
{
    const uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_PR) || !(msr & MSR_HV)) return privileged(iop);
    if (mode32(iop)) sim_warning(2, "tlberr not in 64-bit mode");
    ThreadState *thread = iop->thread;
    ERAT_InvalidateAll(thread, ERAT_REASON_TLBIE, "micro tlberr");
    const uint64_t rb = read_rb(iop);
    int32_t page_shift = DEFAULT_PAGE_SHIFT;
    uint32_t lp = 0, b = 0;
    TLBIE_Page_Size(iop, rb, (iop->word >> 21) & 1, &page_shift, &lp, &b);
    TLB *tlb = thread->processor ? thread->processor->tlb : nullptr;
    if (tlb) TLB_Clear_Specific_Reference_Bit(tlb, rb, page_shift, read_rs(iop), lp, b);
    current_xlate_version++;
    return advance(iop);
}

int semantic_slbmte(IOPDesc *iop)
{
    if (assist_thread_stopped(iop)) return 0;
    const uint64_t rs = read_rs(iop);
    const uint64_t rb = read_rb(iop);
    if (problem_state(iop)) return privileged(iop);
    if (Transaction_Guard(iop)) return 1;
    micro_slbmte(iop->thread, rs, rb);
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
    return advance(iop);
}

int semantic_slbia(IOPDesc *iop)
{
    if (assist_thread_stopped(iop)) return 0;
    // The privilege check and the transactional refusal are core_slbia's.
    if (!core_slbia(iop)) return 0;
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

uint64_t micro_slbmfee(ThreadState *thread, uint64_t rb, IOPDesc *)
{
    return read_slb_word(thread, rb, true);
}

uint64_t micro_slbmfev(ThreadState *thread, uint64_t rb, IOPDesc *)
{
    return read_slb_word(thread, rb, false);
}

void micro_slbmte(ThreadState *thread, uint64_t rs, uint64_t rb)
{
    ProcessorState *core = thread->processor;
    if (core && (core->HID4.value & HID4_CLEAR_SLB_L)) rs &= ~0x100ull;
    if (!(thread->MSR.value & MSR_SF)) rb &= 0xFFFFFFFFull;
    const uint64_t index = rb & 0xFFF;
    bool wrapped;
    const int32_t slot = slb_slot(thread, index, &wrapped);
    static long wraps;
    if ((wrapped || slot < 0) && worth_warning(++wraps))
        sim_warning(2, "%ld. slbmte: slb_index=%d (0x%03X), should be less than %d", wraps, (int)index,
                    (unsigned)index, thread->slb_entries);
    // An SLB without entries has nothing to write.
    if (slot < 0) return;
    SLB *entry = &thread->slb[slot];
    // Translated code reaches the replaced segment through the effective-address maps.
    if (entry->valid) EMAT_INVALIDATE_EA(thread, entry->esid_base, "SLBE Replace");
    entry->esid_base = rb & ESID_BASE_MASK;
    entry->valid = (uint8_t)((rb >> 27) & 1);
    entry->SLBE.value = entry->esid_base | (entry->valid ? SLBE_VALID : 0);
    SLB_Set_VSID_Word(entry, rs);
    current_xlate_version++;
}

void tlbie_with_regs(IOPDesc *iop, int rs_number, uint64_t rb, int global)
{
    const bool local = !global;
    const char *name = local ? "tlbiel" : "tlbie";
    ThreadState *thread = iop->thread;
    const uint32_t word = iop->word;
    const bool rfc_form = IOP_Option(iop, PO_RFC2141_TLBIE_FORM) != 0;
    const uint32_t lpid =
        (local || !rfc_form) ? iGET_LPIDR(iop) : (uint32_t)IOP_Read_GPR(iop, (uint32_t)rs_number, OPERAND_S);
    const bool locked = parallel_mode(thread);
    if (locked) pturbo_acquire_tlbi_lock();
    const uint32_t is = (local && IOP_Option(iop, PO_SUPPORTS_TLBIE_IS)) ? (uint32_t)((rb >> 10) & 3) : 0;
    const uint32_t l = rfc_form ? (uint32_t)(rb & 1) : (word >> 21) & 1;
    int32_t page_shift = DEFAULT_PAGE_SHIFT;
    uint32_t lp = 0, b = 0;
    TLBIE_Page_Size(iop, rb, l, &page_shift, &lp, &b);
    segtab_tlbie(thread_segment_table(thread), thread, rb, TLBIE_VSID_BITS, page_shift, (int)is);
    ERAT_InvalidateAll(thread, ERAT_REASON_TLBIE, "micro tlbie -all");
    ProcessorState *own = thread->processor;
    invalidate_tlb(thread, rb, page_shift, is, lpid, lp, b, name);
    if (!local) HTM_tlbie(thread, rb, page_shift, name);
    current_xlate_version++;
    if (!local && thread->machine) {
        GenericMachine *machine = thread->machine;
        const int32_t count = GenericMachine__ThreadCount(machine);
        for (int32_t n = 0; n < count; n++) {
            ThreadState *other = GenericMachine__Thread(machine, n);
            if (!other || other->processor == own) continue;
            ERAT_InvalidateAll(other, ERAT_REASON_TLBIE, "tlbie -all");
            invalidate_tlb(other, rb, page_shift, is, lpid, lp, b, name);
            current_xlate_version++;
        }
    }
    if (locked) pturbo_release_tlbi_lock();
}
