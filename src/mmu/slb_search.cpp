// Segment lookup.
#include "mmu/slb_search.h"

#include <cstdlib>

#include "decode/row_ids.h"
#include "decode/instr_info.h"
#include "mmu/xlate_debug.h"
#include "mmu/xlate_internal.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/reg_accessors.h"
#include "mmu/erat.h"
#include "processor/translation/erat.h"
#include "processor/translation/slb.h"
#include "processor/translation/tlb_slb_erat.h"
#include "runtime/message.h"

namespace
{

constexpr uint64_t LPCR_VPM0 = 0x8000000000000000ull;
constexpr uint64_t LPCR_ISL = 0x2000000000000000ull;
constexpr uint64_t LPCR_LPES1 = 0x4;
constexpr uint64_t RB_TA = 0x1000000;
constexpr uint64_t RB_NOT_FETCH = 0x800000;
constexpr uint64_t RB_NOT_DATA = 0x400000;

bool esid_matches(const SLB *entry, uint64_t ea)
{
    int bits = entry->segment_size ? 40 : 28;
    return (entry->esid_base >> bits) == (ea >> bits);
}

bool matches(IOPDesc *iop, const SLB *entry, uint64_t ea, uint32_t kind, uint64_t msr)
{
    if (!entry->valid || !esid_matches(entry, ea)) return false;
    if (iop->row && iop->row->id == ROW_SLBFEE_DOT) {
        uint64_t rb = ea;
        if (entry->bit57 != ((rb & RB_TA) ? 1 : 0)) return false;
        if (!(rb & RB_NOT_FETCH) && !entry->noa[0]) return true;
        return !(rb & RB_NOT_DATA) && !entry->noa[1];
    }
    uint8_t ta = (IOP_Option(iop, PO_TAGS_ACTIVE) && (msr & MSR_TA)) ? 1 : 0;
    if (entry->bit57 != ta) return false;
    return kind == AXD_KIND_FETCH ? !entry->noa[0] : !entry->noa[1];
}

void note_hit(IOPDesc *iop, int index)
{
    ThreadState *thread = iop->thread;
    if (debug_state[DEBUG_CATEGORY_XLATE_TEXT] <= 0) return;
    if (Xlate_Debug_Mode_Unset(thread)) Print_Xlate_Registers(iop);
    Xlate_Debug_Printf(thread, XLAT_DEBUG_Ervik_HPT, nullptr, "\nEA->VA hit SLB:%d ", index);
}

} // namespace

void SLB_Set_VSID_Word(SLB *entry, uint64_t word)
{
    ProcessorState *core = entry->thread ? entry->thread->processor : nullptr;
    entry->SLBV.value = word;
    entry->segment_size = (uint8_t)((word >> 62) & (core ? core->slbe_b_mask : 3));
    entry->vsid = word & (core ? core->vsid_mask : 0xFFFFFFFFFFFFF000ull);
    entry->ks = (word >> 11) & 1;
    entry->kp = (word >> 10) & 1;
    entry->n = (word >> 9) & 1;
    entry->l = (word >> 8) & 1;
    entry->c = (word >> 7) & 1;
    entry->bit57 = (word >> 6) & 1;
    entry->lp = (word >> 4) & 3;
    entry->noa[0] = (word >> 3) & 1;
    entry->noa[1] = (word >> 2) & 1;
    if (entry->noa[0] && entry->noa[1]) sim_warning(2, "Setting SLB Entry with NOA field = 11 (reserved)");
}

SLB *PPC_MMU_Search_SLB(IOPDesc *iop, uint64_t ea, uint32_t kind, int *multiple)
{
    ThreadState *thread = iop->thread;
    if (multiple) *multiple = 0;
    uint64_t msr = iGET_MSR(iop);
    SLB *first = nullptr;
    int first_index = -1, last_index = -1;
    for (int32_t i = 0; thread->slb && i < thread->slb_entries; i++) {
        SLB *entry = &thread->slb[i];
        if (!matches(iop, entry, ea, kind, msr)) continue;
        note_hit(iop, i);
        if (!multiple) return entry;
        if (!first) {
            first = entry;
            first_index = i;
        } else {
            last_index = i;
        }
    }
    if (!first || last_index < 0) return first;
    if (!getenv("WOLK_SIM_ERROR_IGNORE") && (iGET_SIM_CTRL(iop) & SIM_CTRL_SLB_MULTI_MATCH)) {
        sim_error("SLB%d and SLB%d both match ea=0x%016lX, ea_esid=0x%016lXand SIM_CTRL "
                  "SLB_Multi_Match_Detection =1",
                  first_index, last_index, (unsigned long)ea, (unsigned long)(ea & ~0xFFFFFFFull));
        return nullptr;
    }
    XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr,
                "(SLB%d and SLB%d both match. WOLK_SIM_ERROR_IGNORE=set OR "
                "SIM_CTRL_SLB_Multi_Match_Detection_BIT=0) ",
                first_index, last_index);
    *multiple = 1;
    return first;
}

int Suppress_SLB_Large_Page_Support(IOPDesc *iop, uint32_t kind)
{
    uint64_t msr = iGET_MSR(iop);
    if ((msr & MSR_HV) && !(msr & MSR_PR)) return 0;
    uint64_t lpcr = iGET_LPCR(iop);
    if (!(lpcr & LPCR_ISL)) return 0;
    bool relocated = kind == AXD_KIND_FETCH ? (msr & MSR_IR) != 0 : (msr & MSR_DR) != 0;
    bool lpes1 = IOP_Option(iop, PO_LPES_1_REMOVED) || (lpcr & LPCR_LPES1);
    bool suppress = relocated || !lpes1;
    if (!suppress) suppress = !(lpcr & LPCR_VPM0);
    if (suppress) XLATE_DEBUG(iop->thread, XLAT_DEBUG_INFO, nullptr, "Suppress_SLB_Large_Page ");
    return suppress ? 1 : 0;
}

void Tags_Active_Segment(IOPDesc *iop, uint64_t address, SLB *segment)
{
    SLBE_Init(segment, iop->thread);
    segment->valid = 1;
    segment->segment_size = 0;
    segment->esid_base = address & ~0xFFFull;
    segment->SLBE.value = segment->esid_base | 0x8000000;
    segment->vsid = (address >> 16) & ~0xFFFull;
    if (debug_state[DEBUG_CATEGORY_XLATE_TEXT] > 0) {
        Print_Xlate_Registers(iop);
        Xlate_Debug_Printf(iop->thread, XLAT_DEBUG_Ervik_TagsActiveSLS, nullptr, "%s", "");
    }
}

int PPC_MMU_GetSegmentID(IOPDesc *iop, uint64_t ea, uint64_t *segment_id, AXD *axd)
{
    ThreadState *thread = iop->thread;
    ProcessorState *core = thread->processor;
    if (!(iGET_MSR(iop) & MSR_DR)) {
        *segment_id = 0;
        return 1;
    }
    if (!IOP_Option(iop, PO_IGNORE_ERATS_FOR_WOLK)) {
        uint32_t n = (uint32_t)thread->thread_id_in_core;
        ERAT_Entry *hit = nullptr;
        if (core->derats && core->derat_count)
            hit = ERAT_FindMapping(thread, &core->derats[n & (core->derat_count - 1)], ea, AXD_KIND_LOAD);
        if (!hit && core->ierats && core->ierat_count)
            hit = ERAT_FindMapping(thread, &core->ierats[n & (core->ierat_count - 1)], ea, AXD_KIND_LOAD);
        if (hit) {
            *segment_id = hit->axd.vsid >> 12;
            return 1;
        }
    }
    int multiple = 0;
    SLB *entry = PPC_MMU_Search_SLB(iop, ea, axd ? axd->kind : (uint32_t)AXD_KIND_LOAD, &multiple);
    if (!entry) {
        *segment_id = 0;
        return 0;
    }
    *segment_id = entry->vsid >> 12;
    return 1;
}

int PPC_MMU_Find_SLBE_in_Segments(void)
{
    return 0;
}

void Debug_Print_SLBE(void *, SLB *) {}
