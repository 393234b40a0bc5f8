// The hashed page table.
#include "mmu/page_table.h"

#include "decode/instr_info.h"
#include "memory/reservations.h"
#include "mmu/address_translate.h"
#include "mmu/hooks/cache_data_path.h"
#include "mmu/page_size.h"
#include "mmu/physical_access.h"
#include "mmu/slb_search.h"
#include "mmu/xlate_debug.h"
#include "mmu/xlate_internal.h"
#include "processor/config/processor_options.h"
#include "processor/hooks/machine_trigger_table.h"
#include "processor/records/axd.h"
#include "processor/records/generic_machine.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/iop_registers.h"
#include "processor/regs/reg_accessors.h"
#include "processor/translation/tlb.h"
#include "runtime/message.h"
#include "runtime/plugin_events.h"
#include "runtime/triggers.h"

namespace
{

constexpr uint64_t COMPARE_MASK = 0x7FFFFFFFFFFFFF83ull;
constexpr uint64_t COMPARE_MASK_LPX = 0x000FFFFFFFFFFF83ull;
constexpr uint64_t HTABORG_MASK = 0x0FFFFFFFFFFC0000ull;
constexpr uint64_t HID0_SLOT = 0x2000000000000000ull;
constexpr uint64_t HID0_DOUBLE_SLOT = 0x0200000000000000ull;
constexpr uint64_t XER_TAG_SET = 0x100000;
constexpr int PTEG_ENTRIES = 8;

uint64_t low_mask(int32_t bits)
{
    if (bits <= 0) return 0;
    return bits >= 64 ? ~0ull : (1ull << bits) - 1;
}

const char *rc_text(uint64_t dw1)
{
    static const char *const texts[4] = {"00", "01", "10", "11"};
    return texts[((dw1 & PTE_R) ? 2 : 0) | ((dw1 & PTE_C) ? 1 : 0)];
}

AXD pte_access(IOPDesc *iop, uint64_t pa, uint16_t kind, int16_t size)
{
    AXD axd = INITIAL_AXD;
    axd.access_origin = 1;
    axd.wimg = AXD_WIMG_M;
    axd.kind = kind;
    axd.size = size;
    axd.ea = axd.orig_ea = axd.pa = pa;
    axd.iop = iop;
    return axd;
}

bool cached_mode(ThreadState *thread)
{
    return thread->machine && thread->machine->mode > MODE_SIMPLE;
}

} // namespace

uint32_t PTE_WIMG(uint64_t dw1)
{
    uint32_t code = (uint32_t)((dw1 >> 3) & 0xF);
    // The code is W I M G from its high bit down, as the descriptor keeps it.
    return code == 0xE ? 0x80000002u : code;
}

int PTE_SEL_LPX(IOPDesc *iop)
{
    if (!IOP_Option(iop, PO_GLENT_EN_PTE_B_BITS_MOVE)) return 0;
    uint64_t hid4 = iGET_HID4(iop);
    int bit = 23;
    if (IOP_Option(iop, PO_GLENT_EN_4_LPAR_SYSTEM)) {
        uint64_t hid0 = iGET_HID0(iop);
        int slot = iop->thread->thread_id_in_partition;
        int n = (hid0 & HID0_SLOT) ? slot : (hid0 & HID0_DOUBLE_SLOT) ? 2 * slot : 0;
        if (n == 1) bit = 18;
        if (n == 2) bit = 13;
        if (n == 3) bit = 8;
    }
    return (hid4 >> bit) & 1 ? 1 : 0;
}

int PPC_MMU_Search_Page_Table(uint64_t entry[2], IOPDesc *iop, AXD *axd, uint64_t vsid_word,
                              uint64_t xlate_ea, int32_t segment_bits, uint32_t seg_b, int32_t p,
                              uint64_t *entry_address, uint32_t kind, int mode, SLB *segment)
{
    ThreadState *thread = iop->thread;
    XLATE_DEBUG(thread, XLAT_DEBUG_INFO, axd, "page_size:%d ", p);
    uint64_t sdr1 = iGET_SDR1(iop);
    uint64_t page_ea = xlate_ea & ~low_mask(p);
    uint64_t size_mask = low_mask((int32_t)(sdr1 & 0x1F)) << 18;
    uint64_t page_index = p >= 64 ? 0 : (page_ea >> p) & low_mask(segment_bits - p);
    uint64_t hash;
    if (segment_bits == 28) {
        uint64_t vsid = (vsid_word & 0x7FFFFFFFFFFFFull) >> 12;
        hash = vsid ^ page_index;
        XLATE_DEBUG(thread, XLAT_DEBUG_INFO, axd,
                    "\nVA->PA using HPT: VPN[11:49]:0x%016lX VPN[50:77-p]:0x%016lX", (unsigned long)vsid,
                    (unsigned long)page_index);
    } else {
        uint64_t h2 = vsid_word >> 24;
        hash = (h2 ^ (h2 << 25) ^ page_index) & 0x7FFFFFFFFFull;
        XLATE_DEBUG(thread, XLAT_DEBUG_INFO, axd, "\nh1:0x%016lX h2:0x%016lX h3:0x%016lX",
                    (unsigned long)((h2 << 25) & 0x7FFFFFFFFFull), (unsigned long)h2,
                    (unsigned long)page_index);
        vsid_word |= (page_ea >> 16) & 0xFFF000;
    }
    XLATE_DEBUG(thread, XLAT_DEBUG_INFO, axd,
                "\nhash:0x%016lX hash<<7:0x%016lX mask_hash_above_18_bits:0x%016lX ", (unsigned long)hash,
                (unsigned long)(hash << 7), (unsigned long)size_mask);
    XLATE_DEBUG(thread, XLAT_DEBUG_INFO, axd, "\nvsid_unshifted:0x%016lX ", (unsigned long)vsid_word);
    if (sdr1 & 0x3FFFFFFFFFFC0000ull & size_mask)
        sim_warning(
            2,
            "SDR1 HTABORG and HTABSIZE are incompatible.  Not enough of the lower bits in HTAGORG are 0 for "
            "HTABSIZE. SDR1=0x%016lX",
            (unsigned long)sdr1);
    uint64_t compare = vsid_word | PTE_V | ((page_ea >> 16) & 0xF80);
    if (!PTE_SEL_LPX(iop)) compare |= (uint64_t)seg_b << 62;
    uint64_t shifted = hash << 7;
    uint64_t primary = ((sdr1 & HTABORG_MASK) + (shifted & size_mask)) | (shifted & 0x3FF80);
    if (PPC_MMU_Search_PTEG(iop, primary, entry, compare, page_ea, entry_address, kind, mode, xlate_ea,
                            segment) >= 0)
        return 1;
    uint64_t secondary = ((sdr1 & HTABORG_MASK) + (~shifted & size_mask)) | (~shifted & 0x3FF80);
    return PPC_MMU_Search_PTEG(iop, secondary, entry, compare | PTE_H, page_ea, entry_address, kind, mode,
                               xlate_ea, segment) >= 0;
}

int PPC_MMU_Search_PTEG(IOPDesc *iop, uint64_t group, uint64_t entry[2], uint64_t compare, uint64_t,
                        uint64_t *entry_address, uint32_t kind, int mode, uint64_t ea, SLB *segment)
{
    ThreadState *thread = iop->thread;
    group &= thread->processor->real_mode_mask;
    uint64_t mask = PTE_SEL_LPX(iop) ? COMPARE_MASK_LPX : COMPARE_MASK;
    uint64_t words[2 * PTEG_ENTRIES];
    if (Read_PTEs(iop, group, words, 2 * PTEG_ENTRIES, (mode & XLATE_NOSIDEEFFECT) ? 0 : 1, ea) != 0)
        return -2;
    for (int slot = 0; slot < PTEG_ENTRIES; slot++) {
        const uint64_t *candidate = &words[2 * slot];
        if (!PPC_MMU_Compare_PTE_Entry(iop, candidate, compare & mask, mask, kind, segment)) continue;
        entry[0] = candidate[0];
        entry[1] = candidate[1];
        *entry_address = group + 16 * (uint64_t)slot;
        XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr, "\nPTE:0x%016lX[0x%016lX-0x%016lX] ",
                    (unsigned long)*entry_address, (unsigned long)entry[0], (unsigned long)entry[1]);
        return slot;
    }
    *entry_address = 0;
    XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr, "\nPTEG-miss:0x%016lX ", (unsigned long)group);
    return -1;
}

int PPC_MMU_Compare_PTE_Entry(IOPDesc *iop, const uint64_t entry[2], uint64_t wanted, uint64_t mask,
                              uint32_t kind, SLB *segment)
{
    return (entry[0] & mask) == wanted && PPC_MMU_Match_PTE_Size(iop, kind, entry, segment);
}

int PPC_MMU_Match_PTE_Size(IOPDesc *iop, uint32_t kind, const uint64_t entry[2], SLB *segment)
{
    uint32_t b = PTE_SEL_LPX(iop) ? (uint32_t)((entry[1] >> 58) & 3) : (uint32_t)((entry[0] >> 62) & 3);
    if (b != segment->segment_size) return 0;
    uint32_t l = segment->l, lp = segment->lp;
    if (Suppress_SLB_Large_Page_Support(iop, kind)) l = lp = 0;
    if (!(entry[0] & PTE_L)) return l == 0 && lp == 0;
    int32_t base = Base_Page_Size_Table(iop)[(entry[1] >> 12) & 0x3F][0];
    return base == SLBE_page_size_bits(iop, l, lp);
}

int TLB_Should_Match_EA(IOPDesc *iop, uint64_t wanted, uint64_t, uint32_t kind, SLB *segment,
                        TLB_ENTRY_t *tlb_entry)
{
    uint64_t mask = PTE_SEL_LPX(iop) ? COMPARE_MASK_LPX : COMPARE_MASK;
    uint64_t entry[2] = {tlb_entry->pte_upper, tlb_entry->pte_lower};
    uint64_t first = entry[0] & ~(3ull << 62) & ~PTE_H & mask;
    if (first == wanted && PPC_MMU_Match_PTE_Size(iop, kind, entry, segment)) return 1;
    sim_warning(2, "We have found a TLB entry %d that does not seem to match what we wanted",
                tlb_entry->index);
    return 0;
}

uint32_t Read_PTEs(IOPDesc *iop, uint64_t pa, uint64_t *values, int count, int effects, uint64_t ea)
{
    ThreadState *thread = iop->thread;
    uint32_t result = 0;
    if (cached_mode(thread)) {
        AXD axd = pte_access(iop, pa, AXD_KIND_LOAD, (int16_t)(8 * count));
        result = PA_Read_pte_Cached(thread->memory_client, &axd, values, effects);
    } else {
        for (int i = 0; i < count; i++) {
            AXD axd = pte_access(iop, pa + 8 * (uint64_t)i, AXD_KIND_LOAD, 8);
            result = PA_Read_Memory_Effect(iop, &values[i], &axd, effects);
            if (result != 0) break;
        }
    }
    for (int i = 0; i + 1 < count; i += 2) {
        struct {
            uint64_t address, dw0, dw1;
        } record = {pa + 8 * (uint64_t)i, values[i], values[i + 1]};
        Event_PTE_Access(iop, &record);
    }
    GenericMachine *machine = thread->machine;
    TriggerTable *table = machine ? Machine_Trigger_Table(machine) : nullptr;
    if (table && Assoc_Trigger_Search(table, "PTE_LOAD"))
        Assoc_Trigger_Fire(table, "PTE_LOAD", "{ sim %s mcm %d cpu %d thread %d ea 0x%016lX pa 0x%016lX }",
                           machine->name ? machine->name : "", thread->mcm ? thread->mcm->number : 0,
                           thread->processor ? (int)thread->processor->number_in_chip : 0,
                           thread->thread_id_in_core, (unsigned long)ea, (unsigned long)pa);
    return result;
}

uint32_t Write_PTE(IOPDesc *iop, uint64_t pa, uint64_t value, int effects, uint64_t)
{
    ThreadState *thread = iop->thread;
    AXD axd = pte_access(iop, pa, AXD_KIND_STORE, 8);
    uint32_t result = cached_mode(thread) ? PA_Write_pte_Cached(thread->memory_client, &axd, value, effects)
                                          : PA_Write_Memory_Effect(iop, value, &axd, effects);
    if (IOP_Option(iop, PO_RESERVATION_LOST_WHEN_R_C_CHANGED) && thread->memory_client)
        clear_reservation_bit(thread->memory_client);
    return result;
}

uint64_t PTE_RC_Value(IOPDesc *iop, uint64_t old, int set_r, int set_c, int set_ts)
{
    uint64_t value = old;
    if (set_c && !IOP_Option(iop, PO_CONFIG_NO_WIMG_RC_CHANGE) && !(old & PTE_C)) {
        value |= PTE_M;
        if (!(old & PTE_I)) value &= ~PTE_W;
    }
    if (set_r) value |= PTE_R;
    if (set_c) value |= PTE_C;
    if (set_ts) value |= PTE_TS;
    return value;
}

void Update_PTE_RC(IOPDesc *iop, uint64_t entry_address, const uint64_t *entry, int set_r, int set_c,
                   int set_ts, uint64_t ea)
{
    if (!entry_address) return;
    ThreadState *thread = iop->thread;
    uint64_t old = 0;
    if (entry)
        old = entry[1];
    else if (Read_PTEs(iop, entry_address + 8, &old, 1, 1, ea) != 0)
        return;
    uint64_t value = PTE_RC_Value(iop, old, set_r, set_c, set_ts);
    if (set_ts) XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr, "PTE[TS]<=1 ");
    if (value == old) return;
    XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr, "PTE[R|C]:%s=>%s ", rc_text(old), rc_text(value));
    Write_PTE(iop, entry_address + 8, value, 1, ea);
}

int Xlate_Sets_Tag(IOPDesc *iop)
{
    if (!Tags_Active(iop) || !iop->row) return 0;
    uint64_t flags = iop->row->class_flags;
    if (!(flags & II_STORE) || !(flags & II_QUAD)) return 0;
    XER_Mark_Read(iop, XER_TAG_SET);
    return (IOP_XER_Value(iop) & XER_TAG_SET) ? 1 : 0;
}

const uint64_t *Adjust_PTE_for_if_we_need_to_set_TS_C_or_R_bit(const uint64_t *entry, ThreadState *thread,
                                                               IOPDesc *iop, AXD *axd)
{
    if (axd->kind == AXD_KIND_STORE && !(entry[1] & PTE_C)) return nullptr;
    if (IOP_Option(iop, PO_RFC2207_CHECK_TLB_R_BIT) && !(entry[1] & PTE_R)) return nullptr;
    if (!(entry[1] & PTE_TS) && Xlate_Sets_Tag(iop)) {
        XLATE_DEBUG(thread, XLAT_DEBUG_INFO, axd, "PTE[TS]=>1 ");
        return nullptr;
    }
    return entry;
}

void SHOW_PTAB(IOPDesc *iop)
{
    uint64_t origin = tRAW_GET_SDR1(iop->thread) & HTABORG_MASK;
    for (int row = 0; row < 1024; row++) {
        uint64_t group = origin + 128 * (uint64_t)row;
        uint64_t words[2 * PTEG_ENTRIES];
        if (Read_PTEs(iop, group, words, 2 * PTEG_ENTRIES, 0, group) != 0) continue;
        SIM_PRINT("pagetab row %d at 0x%016lX:  ", row, (unsigned long)group);
        for (int slot = 0; slot < PTEG_ENTRIES; slot++)
            SIM_PRINT("%d 0x%016lX 0x%016lX ", slot, (unsigned long)words[2 * slot],
                      (unsigned long)words[2 * slot + 1]);
        SIM_PRINT("\n");
    }
}

void BogusPageTableEntry(IOPDesc *iop, uint64_t, uint64_t, const uint64_t entry[2])
{
    uint64_t sdr1 = iGET_SDR1(iop);
    AXD *axd = &iop->data;
    uint64_t d0 = entry[0], d1 = entry[1];
    sim_warning(2, "[%s]: EA 0x%016lX maps to invalid RA 0x%016lX", iop->thread->name, (unsigned long)axd->ea,
                (unsigned long)axd->pa);
    sim_warning(2, "    SDR1=0x%016lX  PTE addr=0x%016lX", (unsigned long)sdr1, 0ul);
    sim_warning(2, "    PTE:  0x%016lX  VSID=0x%012llX, API=0x%02X, H=%d, V=%d", (unsigned long)d0,
                (unsigned long long)(d0 >> 12), (unsigned)((d0 >> 7) & 0x1F), (int)((d0 >> 1) & 1),
                (int)(d0 & 1));
    sim_warning(2, "    PTE:  0x%016lX  RPN=0x%012llX, R=%d, C=%d, WIMG=0b%d%d%d%d, PP=0b%d%d",
                (unsigned long)d1, (unsigned long long)(d1 >> 12), (int)((d1 >> 8) & 1), (int)((d1 >> 7) & 1),
                (int)((d1 >> 6) & 1), (int)((d1 >> 5) & 1), (int)((d1 >> 4) & 1), (int)((d1 >> 3) & 1),
                (int)((d1 >> 1) & 1), (int)(d1 & 1));
    sim_warning(2, "GDB not enabled, cannot wait for debugger to attach");
}
