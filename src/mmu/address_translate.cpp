// Effective-to-physical translation: the entry, the first stage (address checks, real mode, the
// segment search), page crossing and the closing step. The ERAT, TLB and page-table stage is the
// page stage's (PPC_MMU_Xlate_Page, xlate_page.cpp), which also completes ERAT hits.
#include "mmu/address_translate.h"

#include "decode/instr_info.h"
#include "memory/memory_map.h"
#include "mmu/ea_access.h"
#include "mmu/erat.h"
#include "mmu/hooks/emat_fill.h"
#include "mmu/hooks/pc_triggers.h"
#include "mmu/page_table.h"
#include "mmu/real_mode.h"
#include "mmu/slb_search.h"
#include "mmu/storage_interrupts.h"
#include "mmu/xlate_debug.h"
#include "mmu/xlate_internal.h"
#include "mmu/xlate_services.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_triggers.h"
#include "processor/translation/erat.h"
#include "processor/run/run_control.h"
#include "processor/translation/tlb_slb_erat.h"
#include "runtime/common.h"
#include "runtime/stop.h"
#include "runtime/triggers.h"

namespace
{

constexpr uint64_t STANDALONE_CI_START = 0xF00000EF000000ull;
constexpr uint64_t STANDALONE_CI_LAST = STANDALONE_CI_START + 0xFFFFF;
constexpr uint64_t PAGE_4K_MASK = ~0xFFFull;
// ThreadState::emat_fill_request.
constexpr int32_t EMAT_FILL_REQUEST_READ = 1, EMAT_FILL_REQUEST_WRITE = 2, EMAT_FILL_REQUEST_FETCH = 3;
constexpr uint32_t WIMG_CROSSING_MARKER = 0xdeadbeef;
constexpr uint8_t CORE_REC_ERAT_MISS = 0x40;
constexpr uint8_t CORE_REC_SEGMENT_MISS = 0x80;

const char *const MMUFunctionLabels[] = {"Load",       "Store",      "Fetch",           "CacheLoad",
                                         "CacheTouch", "CacheFlush", "CacheInvalidate", "CacheStore",
                                         "CacheSet",   "Unknown"};

uint32_t stop_word()
{
    return __atomic_load_n(&stop_simulation, __ATOMIC_SEQ_CST);
}

// The page number of an address for pages of 2^shift bytes (every address in one page from 64 on).
uint64_t page_of(uint64_t address, uint32_t shift)
{
    return shift >= 64 ? 0 : address >> shift;
}

bool spans_pages(uint64_t start, int64_t size, uint32_t shift)
{
    if (size <= 1) return false;
    return page_of(start, shift) != page_of(start + (uint64_t)(size - 1), shift);
}

// The memory triggers of an address; true when they stopped the simulation.
bool triggers_stopped(IOPDesc *iop, const AXD *axd, uint64_t address, int effective)
{
    ThreadState *thread = iop->thread;
    // No enabled memory trigger: nothing to check (the common case, without the call).
    const TriggerTable *table = thread->machine ? thread->machine->trigger_table : nullptr;
    if (!table || table->memory_enabled == 0) return false;
    uint32_t before = stop_word();
    Trigger_Memory__Check_Addr(thread->machine, thread, address, axd->size, effective, axd->kind,
                               thread->object_id, thread->Instruction_Number, 1);
    return before == 0 && stop_word() != 0;
}

// First stage: 1 finished (the result in *result), 0 the page stage follows with the segment.
int PPC_MMU_Xlate_Segment(int mode, IOPDesc *iop, AXD *axd, SLB *segment, int *result)
{
    ThreadState *thread = iop->thread;
    const uint32_t *options = thread->processor->options;
    bool fetch = axd->kind == AXD_KIND_FETCH;

    if (!(mode & (XLATE_NOSIDEEFFECT | XLATE_NOEXCEPTION)))
        XLATE_DEBUG(thread, XLAT_DEBUG_START, axd, "\n%s(%d) Mode:# EA=0x%016lX ",
                    MMUFunctionLabels[axd->kind > 8 ? 9 : axd->kind], axd->size, (unsigned long)axd->ea);

    uint64_t msr = iGET_MSR(iop);
    axd->vsid = ~0ull;
    axd->xlate_mode = 0;
    axd->xlate_ea = (msr & MSR_SF) ? axd->ea : (axd->ea & 0xFFFFFFFFull);

    if ((axd->size2 >= 1 && spans_pages(axd->ea2, axd->size2, axd->page_shift)) ||
        spans_pages(axd->ea, axd->size, axd->page_shift))
        axd->crosses = 1;

    *result = 0;
    if (!(mode & XLATE_NOEXCEPTION)) {
        if (!fetch && CEA_CHECK_EAO_WITH_INTERRUPT(iop) == 0) {
            *result = 1;
            return 1;
        }
        if (!fetch && CheckDAWR(iop, axd->ea, axd, 0)) {
            *result = 1;
        } else if (triggers_stopped(iop, axd, axd->xlate_ea, 1)) {
            *result = 1;
            return 1;
        }
    }

    bool relocate = fetch ? (msr & MSR_IR) != 0 : (msr & MSR_DR) != 0;
    if (!relocate) {
        int real_result = 0;
        if (!PPC_MMU_Xlate_Real(mode, thread, iop, axd, segment, &real_result)) return 0;
        if (real_result) *result = real_result;
        return 1;
    }

    axd->xlate_mode = 2;
    if (!options[PO_IGNORE_ERATS_FOR_WOLK]) {
        ERAT_Struct *erat = Thread_ERAT(thread, axd->kind);
        ERAT_Entry *hit = erat ? ERAT_FindMapping(thread, erat, axd->xlate_ea, axd->kind) : nullptr;
        if (hit && Adjust_PTE_for_if_we_need_to_set_TS_C_or_R_bit(hit->pte, thread, iop, axd)) {
            *result = Xlate_ERAT_Hit(mode, iop, axd, erat, hit);
            return 1;
        }
    }
    if (iop->addr_only) {
        iop->core_rec.flags |= CORE_REC_ERAT_MISS;
        if (!iop->core_walk) {
            *result = XLATE_ADDRESS_ONLY;
            return 1;
        }
    }
    if (options[PO_TAGS_ACTIVE] && (msr & MSR_TA)) {
        if (axd->xlate_ea > 0xFFFFFFFFFFFFull) {
            Tags_Active_Segment(iop, axd->xlate_ea, segment);
            return 0;
        }
        if (debug_state[DEBUG_CATEGORY_XLATE_TEXT] > 0) {
            Print_Xlate_Registers(iop);
            Xlate_Debug_Printf(thread, XLAT_DEBUG_Ervik_TagsActivePLS, axd, "%s", "");
        }
    }
    int multiple = 0;
    if (SLB *found = PPC_MMU_Search_SLB(iop, axd->xlate_ea, axd->kind, &multiple)) {
        *segment = *found;
        return 0;
    }
    if (iop->addr_only) iop->core_rec.flags |= CORE_REC_SEGMENT_MISS;
    if (!(mode & XLATE_NOEXCEPTION)) {
        uint64_t address = options[PO_Dravo_VMX] && iop->row && (iop->row->class_flags & (1ull << 63))
                               ? axd->orig_ea
                               : axd->xlate_ea;
        interrupt_DataStorageSegmentFault(iop, address, axd->kind, 0);
    }
    *result = 1;
    return 1;
}

} // namespace

int Xlate_Little_Endian(uint64_t msr, const AXD *axd)
{
    int le = (msr & MSR_LE) ? 1 : 0;
    if ((msr & MSR_SLE) && axd->kind != AXD_KIND_FETCH) le ^= 1;
    return le;
}

void Xlate_Inhibited_Adjust(IOPDesc *iop, AXD *axd)
{
    if (axd->kind != AXD_KIND_FETCH && iop->row && (iop->row->class_flags & II_CACHE_INHIBITED))
        axd->wimg |= AXD_WIMG_I | AXD_WIMG_G;
    if (standalone_mode && axd->pa >= STANDALONE_CI_START && axd->pa <= STANDALONE_CI_LAST)
        axd->wimg |= AXD_WIMG_I | AXD_WIMG_G;
}

int Xlate_Page_Cross(int mode, IOPDesc *iop, AXD *axd, uint32_t shift, int result, bool end_message)
{
    ThreadState *thread = iop->thread;
    const uint32_t *options = thread->processor->options;
    uint64_t msr = iGET_MSR(iop);

    bool stays =
        !spans_pages(axd->ea, axd->size, shift) && (axd->size2 < 1 || axd->crosses || !iop->row ||
                                                    !(iop->row->class_flags & (II_STRING | II_MULTIPLE)) ||
                                                    !spans_pages(axd->ea2, axd->size2, axd->page_shift));
    if (stays && !(msr & MSR_SF) && axd->size > 1 &&
        ((axd->ea + (uint64_t)(axd->size - 1)) >> 32) != (axd->ea >> 32))
        stays = false;
    if (stays) {
        XLATE_DEBUG(thread, XLAT_DEBUG_INFO, axd, "\nWIMG:%s PA:0x%016lX ", WIMG_String(axd->wimg),
                    (unsigned long)axd->pa);
        if (end_message) XLATE_DEBUG(thread, result ? XLAT_DEBUG_INFO : XLAT_DEBUG_END, axd, " \n ");
        return result;
    }

    axd->crosses = 1;
    if (iop->exceptions) return 1;
    if (options[PO_PAGE_CROSS_ALIGNMENT]) {
        interrupt_AlignmentException(iop, axd->orig_ea, 0, axd->kind, EST_ALIGN_CROSSES_PAGE);
        return 1;
    }
    AXD saved = *axd;
    uint64_t next = shift >= 64 ? 0 : ((axd->ea + (uint64_t)(axd->size - 1)) >> shift) << shift;
    axd->ea = axd->orig_ea = next;
    axd->size = 1;
    axd->wimg = WIMG_CROSSING_MARKER;
    int second = PPC_MMU_AddressTranslate(mode, iop, axd);
    if (second == XLATE_EXCEPTION) {
        *axd = saved;
        return 1;
    }
    if (second == XLATE_ADDRESS_ONLY && iop->addr_only) {
        *axd = saved;
        return XLATE_ADDRESS_ONLY;
    }
    iop->second_page_pa = axd->pa;
    if (options[PO_POWERPC_V2] && PPC_MMU_Check_Access(iop, axd)) {
        *axd = saved;
        return XLATE_CROSSES_PAGE;
    }
    interrupt_AlignmentException(iop, axd->orig_ea, 0, axd->kind, EST_ALIGN_CROSSES_PAGE);
    return 1;
}

int PPC_MMU_AddressTranslate(int mode, IOPDesc *iop, AXD *axd)
{
    ThreadState *thread = iop->thread;
    axd->xlate_ea = 0;
    axd->pa = ~0ull;
    axd->vrma = 0;
    SLB segment;
    SLBE_Init(&segment, thread);

    int result = 0;
    if (!PPC_MMU_Xlate_Segment(mode, iop, axd, &segment, &result)) {
        int page = PPC_MMU_Xlate_Page(mode, iop, axd, &segment);
        if (page) result = page;
    }

    // Closing step.
    axd->le = Xlate_Little_Endian(iGET_MSR(iop), axd);
    if (iop->exceptions) result = 1;
    if (result == 0 && THREAD_IN_CHUNK_MODE(thread) &&
        !Resolve_Mapped_Memory(thread->memory_client, axd->pa & PAGE_4K_MASK)) {
        Thread_sync_time(thread, "mmio");
        return PPC_MMU_AddressTranslate(mode, iop, axd);
    }
    if (iop->addr_only) iop->core_rec.result = result;
    if (result) return result;
    if (mode & XLATE_NOSIDEEFFECT) return 0;
    if (!(mode & XLATE_NOEXCEPTION) && triggers_stopped(iop, axd, axd->pa, 0)) return 1;
    // The map fill that translated code asked for when it left for want of this mapping.
    const int32_t request = thread->emat_fill_request;
    const bool fetch = axd->kind == AXD_KIND_FETCH;
    if ((request == EMAT_FILL_REQUEST_FETCH && fetch) ||
        ((request == EMAT_FILL_REQUEST_READ || request == EMAT_FILL_REQUEST_WRITE) && !fetch)) {
        if (axd->kind != AXD_KIND_CACHE_FLUSH)
            emat_add(GET_CURRENT_EMAT(thread, thread->MSR.value, fetch ? 1 : 0), thread, axd);
        thread->emat_fill_request = 0;
    }
    return 0;
}
