// The page stage of a translation (segment to page: TLB, hashed page table, attributes,
// protection and keys, R/C update, TLB and ERAT fills, page crossing) and the completion of a
// translation from an ERAT entry.
#include "decode/instr_info.h"
#include "mmu/address_translate.h"
#include "mmu/alignment.h"
#include "mmu/data_path_hooks.h"
#include "mmu/erat.h"
#include "mmu/page_size.h"
#include "mmu/page_table.h"
#include "mmu/protection.h"
#include "mmu/slb_search.h"
#include "mmu/storage_interrupts.h"
#include "mmu/tlb.h"
#include "mmu/transaction_guard.h"
#include "mmu/xlate_debug.h"
#include "mmu/xlate_internal.h"
#include "mmu/xlate_services.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/htm.h"
#include "processor/records/axd.h"
#include "processor/records/exception_record.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/reg_accessors.h"
#include "processor/translation/erat.h"
#include "processor/translation/tlb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "kernel/tsim.h"
#include "runtime/debug.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t LPCR_NO_HPT_SEARCH = 0x400;
constexpr uint64_t HID4_NO_KEY_CHECK = 0x0010000000000000ull;
constexpr uint8_t PERM_N = 0x10;
constexpr uint8_t PERM_PP0 = 0x20;
constexpr uint32_t DSISR_PAGE_FAULT = 0x40000000;
constexpr uint32_t DSISR_PROTECTION = 0x08000000;
constexpr uint32_t DSISR_STORE = 0x02000000;
constexpr uint32_t DSISR_KEY = 0x200000;
constexpr int32_t EXC_TYPE_SOFT_PATCH_A = 47, EXC_TYPE_SOFT_PATCH_B = 48;
constexpr int DEBUG_CATEGORY_STALE_TLB = 71;
constexpr int32_t EST_DSI_STORAGE_KEY = 249;

uint64_t low_mask(int32_t bits)
{
    if (bits <= 0) return 0;
    return bits >= 64 ? ~0ull : (1ull << bits) - 1;
}

bool option(IOPDesc *iop, uint32_t index)
{
    return IOP_Option(iop, index) != 0;
}

// Dravo_VMX reports the original address for the rows with bit 63.
uint64_t fault_address(IOPDesc *iop, const AXD *axd)
{
    if (option(iop, PO_Dravo_VMX) && iop->row && (iop->row->class_flags & (1ull << 63))) return axd->orig_ea;
    return axd->ea;
}

uint32_t masked_wimg(IOPDesc *iop, uint32_t wimg)
{
    if (!option(iop, PO_SUPPORTS_WIMG_W_BIT)) wimg &= ~AXD_WIMG_W;
    if (!option(iop, PO_SUPPORTS_WIMG_M_BIT)) wimg &= ~AXD_WIMG_M;
    return wimg;
}

bool tags_active(IOPDesc *iop, uint64_t msr)
{
    return option(iop, PO_TAGS_ACTIVE) && (msr & MSR_TA);
}

bool pending_of_type(IOPDesc *iop, int32_t a, int32_t b)
{
    for (PowerPCException *e = iop->exceptions; e; e = e->next)
        if (e->type == a || e->type == b) return true;
    return false;
}

// The R/C update of a translation that raised exceptions or not; the second doubleword afterwards.
uint64_t update_rc(IOPDesc *iop, AXD *axd, uint64_t entry_address, const uint64_t entry[2], int set_ts)
{
    bool store = axd->kind == AXD_KIND_STORE;
    int set_c = store ? 1 : 0;
    if (iop->exceptions) {
        uint64_t flags = iop->row ? iop->row->class_flags : 0;
        if ((flags & II_CACHE) && !(flags & II_DCBZ)) return entry[1];
        bool overflow = pending_of_type(iop, 20, 38);
        int32_t first = iop->exceptions->subtype;
        if (first == EST_DSI_STORAGE_KEY || first == EST_DSI_STORAGE_PROTECTION) set_c = set_ts = 0;
        if (pending_of_type(iop, EXC_TYPE_SOFT_PATCH_A, EXC_TYPE_SOFT_PATCH_B)) set_c = store ? 1 : 0;
        if (overflow && !((flags & (II_STRING | II_MULTIPLE)) && iop->second_pass)) return entry[1];
    }
    if (!entry_address) return entry[1];
    Update_PTE_RC(iop, entry_address, entry, 1, set_c, set_ts, axd->ea);
    return PTE_RC_Value(iop, entry[1], 1, set_c, set_ts);
}

} // namespace

int32_t Xlate_Actual_Page_Shift(IOPDesc *iop, const uint64_t entry[2], uint32_t seg_l, int32_t base_shift)
{
    ThreadState *thread = iop->thread;
    bool fosk = option(iop, PO_DEFINE_PAGE_SIZE_Fosk_FIXED);
    if (entry[0] & PTE_L) {
        int32_t shift = Base_Page_Size_Table(iop)[(entry[1] >> 12) & 0x3F][1];
        if (shift == 0) sim_error("Compute_actual_page_size returned NO_PGSZ");
        return shift;
    }
    if (seg_l == 0) return 12;
    uint32_t lp = (uint32_t)((entry[1] >> 12) & 0xFF);
    int32_t size = fosk ? PTE_page_size_bits_Fosk(iop, 0, lp)
                        : PTE_page_size_bits(iop, (uint32_t)MMU_Compute_Size_Index_from_PTE_LP_field(lp));
    if (size == base_shift) return size;
    sim_error("for L=1, PTE entry page size (%d) not the same as SLB page size (%d)", size, base_shift);
    XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr, "Address Translate: pte size != slb size ");
    return -1;
}

int Xlate_ERAT_Hit(int mode, IOPDesc *iop, AXD *axd, ERAT_Struct *erat, ERAT_Entry *hit)
{
    ThreadState *thread = iop->thread;
    bool fetch = axd->kind == AXD_KIND_FETCH;
    int result = 0;
    if (option(iop, PO_POWERPC_V2) && !(mode & XLATE_NOCHECK) && fetch) {
        if (hit->axd.wimg & AXD_WIMG_G) {
            interrupt_InstructionStorage(iop, axd->ea, EST_ISI_G_BIT);
            result = 1;
        }
        if (hit->axd.perm & PERM_N) {
            interrupt_InstructionStorage(iop, axd->ea, EST_ISI_N_BIT);
            result = 1;
        }
    }
    int32_t s = hit->page_shift;
    if (erat->large_shift <= 12 || s <= 12)
        axd->pa = (hit->axd.pa & ~0xFFFull) | (axd->xlate_ea & 0xFFF);
    else if (s >= 64)
        axd->pa = axd->xlate_ea;
    else
        axd->pa = (hit->axd.pa & ~low_mask(s)) | (axd->xlate_ea & low_mask(s));
    axd->vsid = hit->axd.vsid;
    axd->wimg = masked_wimg(iop, hit->axd.wimg);
    axd->page_shift = hit->axd.page_shift;
    axd->perm = hit->axd.perm;
    axd->llp = hit->axd.llp;
    axd->seg_b = hit->axd.seg_b;
    axd->xlate_mode = hit->axd.xlate_mode;
    axd->erat_class = hit->axd.erat_class;
    GenericMachine *machine = thread->machine;
    if (machine && machine->tsim) {
        hit->last_use = machine->tsim->now;
    } else {
        sim_error("tsim in machine is NULL!!!!");
        hit->last_use = 0;
    }
    Xlate_Inhibited_Adjust(iop, axd);

    if (!(mode & XLATE_NOCHECK) && !PPC_MMU_Check_Access(iop, axd)) {
        if (!(mode & XLATE_NOEXCEPTION))
            interrupt_DataStorageProtection(iop, axd->ea, axd->kind, EST_DSI_STORAGE_PROTECTION);
        result = 1;
    }
    if (!axd->vrma && !(mode & XLATE_NOCHECK) && !(iGET_HID4(iop) & HID4_NO_KEY_CHECK)) {
        uint64_t cause = Storage_Key_Violation(iop, axd, PTE_Storage_Key(hit->pte[1]));
        if (cause) {
            if (!(mode & XLATE_NOEXCEPTION))
                interrupt_DataStorageKey(iop, axd->orig_ea, axd->kind, DSISR_KEY, cause);
            result = 1;
        }
    }
    int inhibited = CheckInhibitedFaults(iop, axd, axd->wimg, mode);
    if (inhibited) result = inhibited;
    if (!(mode & XLATE_NOEXCEPTION)) PPC_MMU_CheckAlignment(iop, axd);
    return Xlate_Page_Cross(mode, iop, axd, (uint32_t)(s < 0 ? 12 : s), result, false);
}

int PPC_MMU_Xlate_Page(int mode, IOPDesc *iop, AXD *axd, SLB *segment)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread->processor;
    uint32_t kind = axd->kind;
    bool fetch = kind == AXD_KIND_FETCH;
    bool store = kind == AXD_KIND_STORE;
    uint64_t msr = iGET_MSR(iop);

    // 1. The segment.
    int32_t segment_bits = segment->segment_size ? 40 : 28;
    uint32_t l = segment->l, lp = segment->lp;
    if (Suppress_SLB_Large_Page_Support(iop, kind)) l = lp = 0;
    axd->llp = (uint8_t)(l << 2 | lp);
    int32_t base_shift = SLBE_page_size_bits(iop, l, lp);
    axd->page_shift = (uint8_t)base_shift;

    // 2. The TLB.
    uint64_t entry[2] = {0, 0};
    uint64_t entry_address = 0;
    bool have = false, searched = false;
    int32_t lpid = 0;
    TLB_ENTRY_t *tlb_entry = nullptr;
    if (!option(iop, PO_IGNORE_TLBS_FOR_WOLK) && !axd->probe && core->tlb) {
        lpid = (int32_t)Fetch_LPIDR(iop);
        searched = true;
        tlb_entry = TLB_FindMapping(core->tlb, segment->vsid, axd->xlate_ea, base_shift, lpid, segment_bits,
                                    lp, nullptr, iop, kind, segment);
        if (tlb_entry) {
            uint64_t cached[2] = {tlb_entry->pte_upper, tlb_entry->pte_lower};
            if (Adjust_PTE_for_if_we_need_to_set_TS_C_or_R_bit(cached, thread, iop, axd)) {
                entry[0] = cached[0];
                entry[1] = cached[1];
                entry_address = tlb_entry->pte_addr;
                have = true;
            }
        }
    }
    bool fill_tlb = searched && !have;

    // 3-4. The page-table walk.
    if (!have || option(iop, PO_CHECK_FOR_STALE_TLB_ENTRIES)) {
        if (iGET_LPCR(iop) & LPCR_NO_HPT_SEARCH) {
            if (!(mode & XLATE_NOEXCEPTION)) interrupt_HVTLBException(iop, axd->xlate_ea, kind);
            return 1;
        }
        if (iop->addr_only) return XLATE_ADDRESS_ONLY;
        uint64_t walked[2];
        uint64_t walked_address = 0;
        bool found = PPC_MMU_Search_Page_Table(walked, iop, axd, segment->vsid, axd->xlate_ea, segment_bits,
                                               segment->segment_size, base_shift, &walked_address, kind, mode,
                                               segment) != 0;
        if (found) {
            entry[0] = walked[0];
            entry[1] = walked[1];
            entry_address = walked_address;
            have = true;
        } else if (have && tlb_entry && get_debug_flag(DEBUG_CATEGORY_STALE_TLB) > 0) {
            tlb_entry->valid = 0;
            have = false;
        }
    }

    // 5. No entry.
    if (!have) {
        if (!(mode & XLATE_NOEXCEPTION)) {
            if (axd->probe)
                axd->probe_dsisr = DSISR_PAGE_FAULT;
            else
                interrupt_DataStoragePageFault(iop, fault_address(iop, axd), kind);
        }
        return 1;
    }

    // 6. Attributes.
    int work_mode = mode | ((entry[1] & PTE_C) ? XLATE_PTE_CHANGED : 0);
    axd->wimg = masked_wimg(iop, PTE_WIMG(entry[1]));

    // 7. Fetch checks, first form.
    if (option(iop, PO_POWERPC_V2) && !(mode & XLATE_NOCHECK) && fetch) {
        if (entry[1] & PTE_G) {
            if (!option(iop, PO_SUPPRESS_PTE_RC_FOR_ISI))
                Update_PTE_RC(iop, entry_address, entry, 1, 0, 0, axd->ea);
            if (!(mode & XLATE_NOEXCEPTION)) interrupt_InstructionStorage(iop, axd->ea, EST_ISI_G_BIT);
        }
        if ((entry[1] & PTE_N) || segment->n) {
            if (!option(iop, PO_SUPPRESS_PTE_RC_FOR_ISI))
                Update_PTE_RC(iop, entry_address, entry, 1, 0, 0, axd->ea);
            if (!(mode & XLATE_NOEXCEPTION)) interrupt_InstructionStorage(iop, axd->ea, EST_ISI_N_BIT);
        }
    }

    // 8. Permission bits.
    uint8_t segment_bits_perm = (uint8_t)((segment->c ? 0x40 : 0) | (segment->bit57 ? 0x80 : 0));
    axd->perm = (uint8_t)((segment->ks ? 0x8 : 0) | (segment->kp ? 0x4 : 0) | segment_bits_perm |
                          (entry[1] & PTE_PP));
    if ((option(iop, PO_PP_IS_3_BITS) || tags_active(iop, msr)) && (entry[1] & PTE_PP0))
        axd->perm |= PERM_PP0;
    axd->seg_b = segment->segment_size;

    // 9-10. Page size and physical address.
    int32_t s = Xlate_Actual_Page_Shift(iop, entry, l, base_shift);
    if (s < 0) return 1;
    axd->pa = s < 64 ? (entry[1] & ~low_mask(s)) | (axd->xlate_ea & low_mask(s)) : axd->xlate_ea;
    axd->pa &= core->real_mode_mask;
    axd->vsid = segment->vsid;
    axd->page_shift = (uint8_t)(s > 255 ? 255 : s);
    axd->wimg = masked_wimg(iop, PTE_WIMG(entry[1]));

    // 11. Inhibited operations and no-execute.
    Xlate_Inhibited_Adjust(iop, axd);
    if (segment->n) axd->perm |= PERM_N;
    if (option(iop, PO_POWERPC_V2) && (entry[1] & PTE_N)) axd->perm |= PERM_N;
    axd->perm |= segment_bits_perm;

    // 12. Fetch checks, second form, and the transactional check.
    bool suppressed = (mode & XLATE_NOEXCEPTION) != 0;
    if (option(iop, PO_QUILLON_INSTRUCTION_FETCH) && !(mode & XLATE_NOCHECK) && fetch && !suppressed) {
        if (axd->wimg & AXD_WIMG_G) interrupt_InstructionStorage(iop, axd->ea, EST_ISI_FETCH_GUARDED);
        if (axd->perm & PERM_N) interrupt_InstructionStorage(iop, axd->ea, EST_ISI_FETCH_NO_EXECUTE);
    }
    if (!suppressed && !fetch) {
        bool inhibited =
            (axd->wimg & AXD_WIMG_I) || ((axd->wimg & AXD_WIMG_W) && option(iop, PO_SUPPORTS_WIMG_W_BIT));
        if (inhibited && (msr & MSR_TS) == MSR_TS_TRANSACTIONAL && !htm_failure_recorded(thread)) {
            HTM_Debug_Failure(iop, "Transactional Access from I=1 memory EA=0x%016lX",
                              (unsigned long)axd->ea);
            htm_record_failure(thread, HTM_FAILURE_NOT_ALLOWED, IOP_Current_Address(iop), 1, 0, msr);
        }
    }

    // 13. Protection and keys.
    uint32_t dsisr = 0;
    bool faulted = false;
    if (!PPC_MMU_Check_Access(iop, axd)) {
        dsisr = store ? DSISR_PROTECTION | DSISR_STORE : DSISR_PROTECTION;
        faulted = true;
        if (!suppressed)
            interrupt_DataStorageProtection(iop, fault_address(iop, axd), kind, EST_DSI_STORAGE_PROTECTION);
    }
    if (!axd->vrma && !(iGET_HID4(iop) & HID4_NO_KEY_CHECK)) {
        uint64_t cause = Storage_Key_Violation(iop, axd, PTE_Storage_Key(entry[1]));
        if (cause) {
            dsisr |= DSISR_KEY | (store ? DSISR_STORE : 0);
            faulted = true;
            if (!suppressed)
                interrupt_DataStorageKey(iop, axd->orig_ea, kind, dsisr, KEY_CAUSE_IAMR);
            else
                XLATE_DEBUG(thread, XLAT_DEBUG_FAIL, axd, "Unknown exception. \n");
        }
    }
    if (faulted && !(mode & XLATE_NOCHECK) && !suppressed) {
        if (!iop->exceptions && !store && !(mode & XLATE_NOSIDEEFFECT))
            Update_PTE_RC(iop, entry_address, entry, 1, 0, 0, axd->ea);
        if (axd->probe) axd->probe_dsisr = dsisr;
    }

    // 14. Cache-inhibited and alignment checks.
    int result = CheckInhibitedFaults(iop, axd, PTE_WIMG(entry[1]), work_mode) ? 1 : 0;
    if (!suppressed) PPC_MMU_CheckAlignment(iop, axd);

    // 15-16. Tag-set bit and the R/C update.
    int set_ts = Xlate_Sets_Tag(iop);
    if (set_ts) XLATE_DEBUG(thread, XLAT_DEBUG_INFO, axd, "PTE[TS]=>1 ");
    if (!(mode & XLATE_NOSIDEEFFECT)) entry[1] = update_rc(iop, axd, entry_address, entry, set_ts);

    // 17-18. TLB and ERAT fills.
    if (fill_tlb && !(mode & XLATE_NOSIDEEFFECT) && !iop->exceptions) {
        Reference_History_Array(iop, entry_address, axd->pa);
        TLB_ENTRY_t *added = TLB_AddMapping(core->tlb, segment->vsid, axd->xlate_ea, base_shift, s, lpid,
                                            segment_bits, lp, entry, entry_address);
        if (added && (entry[1] & PTE_TS)) TLB_print_class(core->tlb, added->index, 0);
    }
    if (!option(iop, PO_IGNORE_ERATS_FOR_WOLK) && !(mode & XLATE_NOSIDEEFFECT) && !iop->exceptions) {
        if (ERAT_Struct *erat = Thread_ERAT(thread, kind))
            ERAT_AddMapping(thread, erat, axd, axd->xlate_ea, s, entry);
    }

    // 19-20. Page crossing.
    return Xlate_Page_Cross(work_mode, iop, axd, (uint32_t)s, result);
}
