// Side-effect-free translation for tools.
#include "mmu/tool_translate.h"

#include "kernel/delay.h"
#include "mmu/address_translate.h"
#include "mmu/erat.h"
#include "mmu/page_size.h"
#include "mmu/page_table.h"
#include "mmu/protection.h"
#include "mmu/real_mode.h"
#include "mmu/slb_search.h"
#include "mmu/tlb.h"
#include "mmu/xlate_debug.h"
#include "mmu/xlate_internal.h"
#include "processor/config/processor_options.h"
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
#include "runtime/common.h"
#include "runtime/device_manager.h"
#include "runtime/message.h"
#include "runtime/trackpid.h"
#include "processor/time/time_domain.h"

namespace
{

constexpr uint64_t LPCR_NO_HPT_SEARCH = 0x400;
constexpr uint64_t WAIT_CYCLES = 10;

uint64_t low_mask(int32_t bits)
{
    if (bits <= 0) return 0;
    return bits >= 64 ? ~0ull : (1ull << bits) - 1;
}

} // namespace

int Straight_EA2PA(IOPDesc *iop, AXD *axd)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread->processor;
    uint64_t msr = iGET_MSR(iop);
    uint64_t address = (msr & MSR_SF) ? axd->ea : axd->ea & 0xFFFFFFFFull;
    bool relocated = axd->kind == AXD_KIND_FETCH ? (msr & MSR_IR) != 0 : (msr & MSR_DR) != 0;
    if (!relocated) {
        uint64_t pa = address;
        int refused = 0;
        if (!PA_canonical(iop, &pa, &refused) || refused) return 0;
        axd->pa = pa;
        return 1;
    }

    ERAT_Struct *erat = IOP_Option(iop, PO_IGNORE_ERATS_FOR_WOLK) ? nullptr : Thread_ERAT(thread, axd->kind);
    ERAT_Entry *hit = erat ? ERAT_FindMapping(thread, erat, address, axd->kind) : nullptr;
    if (hit) {
        int32_t s = hit->page_shift;
        if (erat->large_shift <= 12 || s <= 12)
            axd->pa = (hit->axd.pa & ~0xFFFull) | (address & 0xFFF);
        else
            axd->pa = s >= 64 ? address : (hit->axd.pa & ~low_mask(s)) | (address & low_mask(s));
        axd->perm = hit->axd.perm;
    } else {
        int multiple = 0;
        SLB *segment = PPC_MMU_Search_SLB(iop, address, axd->kind, &multiple);
        if (!segment) return 0;
        int32_t shift = segment->l ? SLBE_page_size_bits(iop, 1, segment->lp)
                        : IOP_Option(iop, PO_DEFINE_PAGE_SIZE_Fosk_FIXED)
                            ? SLBE_page_size_bits(iop, 0, segment->lp)
                            : 12;
        int32_t segment_bits = segment->segment_size ? 40 : 28;
        uint64_t entry[2];
        TLB_ENTRY_t *cached =
            core->tlb ? TLB_FindMapping(core->tlb, segment->vsid, address, shift, (int32_t)Fetch_LPIDR(iop),
                                        segment_bits, segment->lp, nullptr, iop, axd->kind, segment)
                      : nullptr;
        if (cached) {
            entry[0] = cached->pte_upper;
            entry[1] = cached->pte_lower;
        } else {
            if (iGET_LPCR(iop) & LPCR_NO_HPT_SEARCH) return 0;
            uint64_t entry_address = 0;
            if (!PPC_MMU_Search_Page_Table(entry, iop, axd, segment->vsid, address, segment_bits,
                                           segment->segment_size, shift, &entry_address, axd->kind,
                                           XLATE_NOSIDEEFFECT, segment))
                return 0;
        }
        axd->pa = (entry[1] & ~low_mask(shift)) | (address & low_mask(shift));
        axd->page_shift = (uint8_t)shift;
        axd->perm = (uint8_t)((segment->ks ? 0x8 : 0) | (segment->kp ? 0x4 : 0) | (entry[1] & PTE_PP));
        if ((IOP_Option(iop, PO_PP_IS_3_BITS) || Tags_Active(iop)) && (entry[1] & PTE_PP0)) axd->perm |= 0x20;
    }
    if (!PPC_MMU_Check_Access(iop, axd)) return 0;
    axd->pa &= core->real_mode_mask;
    return 1;
}

int Translate_EA2PA(GenericMachine *machine, uint64_t ea, uint64_t *pa, int32_t pid)
{
    if (standalone_mode) {
        *pa = ea;
        return 1;
    }
    if (!machine || !machine->device_manager) return 0;
    if (machine->thread_major < 0)
        machine->thread_major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Thread");
    ThreadState *thread =
        (ThreadState *)DeviceMgr__GetDevice(machine->device_manager, machine->thread_major, 0);
    if (!thread) return 0;
    ProcessorState *core = thread->processor;
    uint64_t ticks =
        core && core->core_domain ? WAIT_CYCLES * core->core_domain->ticks_per_cycle : WAIT_CYCLES;
    while (!(thread->trackpid && thread->trackpid->pid == pid && (thread->MSR.value & MSR_PR)))
        current_delay_ticks(ticks);
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    AXD axd = INITIAL_AXD;
    axd.ea = axd.orig_ea = ea;
    axd.size = 1;
    axd.kind = AXD_KIND_LOAD;
    axd.iop = &iop;
    int found = Straight_EA2PA(&iop, &axd);
    Discard_Instruction_Bound_Exceptions(&iop, 0);
    if (found) *pa = axd.pa;
    return found;
}

uint64_t Version1_LE_Address_Munge(IOPDesc *iop, AXD *axd, uint64_t pa)
{
    uint64_t munged = pa;
    switch (axd->size) {
    case 1:
        munged = pa ^ 7;
        break;
    case 2:
        munged = pa ^ 6;
        break;
    case 4:
        munged = pa ^ 4;
        break;
    default:
        return pa;
    }
    XLATE_DEBUG(iop ? iop->thread : nullptr, XLAT_DEBUG_INFO, axd, "PA:0x%016lX=>0x%016lX ",
                (unsigned long)pa, (unsigned long)munged);
    return munged;
}

int32_t LIBSIM__ThreadTranslate(ThreadState *thread, uint64_t ea, uint64_t *pa, int32_t func)
{
    if (!pa) {
        sim_error("LIBSIM__ThreadTranslate: got passed a PA pointer that is NULL!");
        return 0;
    }
    if (!thread) {
        sim_error("LIBSIM__ThreadTranslate: got passed a NULL thread pointer");
        return 0;
    }
    uint16_t kind;
    switch (func) {
    case LIBSIM_LOAD:
        kind = AXD_KIND_LOAD;
        break;
    case LIBSIM_STORE:
        kind = AXD_KIND_STORE;
        break;
    case LIBSIM_IFETCH:
        kind = AXD_KIND_FETCH;
        break;
    default:
        sim_error("LIBSIM__ThreadTranslate: got passed an invalid func of %d (should be LIBSIM_LOAD, "
                  "LIBSIM_STORE, or "
                  "LIBSIM_IFETCH)",
                  func);
        return 0;
    }
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    AXD axd = INITIAL_AXD;
    axd.ea = axd.orig_ea = ea;
    axd.size = 1;
    axd.kind = kind;
    axd.iop = &iop;
    int result = PPC_MMU_AddressTranslate(XLATE_NOSIDEEFFECT | XLATE_NOEXCEPTION | XLATE_NOCHECK, &iop, &axd);
    if (kind != AXD_KIND_FETCH && iop.exceptions)
        sim_warning(2, "ADDRESS_TRANSLATE_DATA_NOSIDEEFFECT_NOEXCEPTION");
    Discard_Instruction_Bound_Exceptions(&iop, 1);
    *pa = axd.pa;
    return result == 0 ? 1 : 0;
}
