// Real-mode addressing.
#include "mmu/real_mode.h"

#include "decode/instr_info.h"
#include "interrupts/interrupt_raisers.h"
#include "mmu/address_translate.h"
#include "mmu/ea_access.h"
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
#include "processor/regs/reg_accessors.h"
#include "processor/regs/reg_triggers.h"
#include "processor/translation/tlb_slb_erat.h"
#include "runtime/common.h"

const uint64_t HV_rmlr[16] = {0x4000000000, 0x400000000, 0x40000000, 0x4000000, 0x10000000, 0x1000000,
                              0x800000,     0x8000000,   0x2000000,  0x400000,  0x200000,   0x100000,
                              0x100000,     0x100000,    0x100000,   0x100000};

namespace
{

constexpr uint64_t LPCR_VPM0 = 0x8000000000000000ull;
constexpr uint64_t LPCR_VRMASD_L = 0x0008000000000000ull; // bit 51
constexpr uint64_t LPCR_BIT50 = 0x0004000000000000ull;
constexpr uint64_t LPCR_RMI = 0x2;
constexpr uint64_t LPCR_LPES1 = 0x4;
constexpr uint64_t HID4_EN_RMSC = 0x40000000;
constexpr uint64_t HID4_BIT49 = 0x0002000000000000ull;
constexpr uint64_t HID4_BIT0 = 0x1;
constexpr uint64_t SIM_CTRL_BIT57 = 0x0200000000000000ull;
constexpr uint64_t SECURE_WINDOW_START = 0x3FFFFC0000000ull;
constexpr uint64_t SECURE_WINDOW_END = 0x3FFFFFFFFFFFFull;
constexpr uint64_t VRMA_VSID_WORD = 0x1FFFFFF000000ull;

uint32_t lpcr_l(uint64_t lpcr)
{
    return (lpcr & LPCR_VRMASD_L) ? 1 : 0;
}
uint32_t lpcr_lp(uint64_t lpcr)
{
    return (uint32_t)((lpcr >> 47) & 3);
}
uint32_t rmls(uint64_t lpcr)
{
    return (uint32_t)((lpcr >> 26) & 0xF);
}
uint32_t rmsc(uint64_t hid4)
{
    return (uint32_t)((hid4 >> 59) & 0x1F);
}

const char *bit_text(uint64_t value, uint64_t bit)
{
    return (value & bit) ? "1" : "0";
}

bool hypervisor_state(uint64_t msr)
{
    return (msr & MSR_HV) && !(msr & MSR_PR);
}

// Dravo_VMX reports the original address for the rows with bit 63.
uint64_t fault_address(IOPDesc *iop, const AXD *axd)
{
    const uint32_t *options = iop->thread->processor->options;
    if (options[PO_Dravo_VMX] && iop->row && (iop->row->class_flags & (1ull << 63))) return axd->orig_ea;
    return axd->ea;
}

void build_vrma_segment(IOPDesc *iop, SLB *segment)
{
    ThreadState *thread = iop->thread;
    uint64_t lpcr = Read_LPCR(iop);
    SLBE_Init(segment, thread);
    segment->valid = 1;
    segment->segment_size = 1;
    segment->esid_base = 0;
    segment->SLBE.value = 0x8000000;
    segment->SLBV.value = VRMA_VSID_WORD;
    segment->vsid = VRMA_VSID_WORD;
    segment->ks = segment->kp = segment->n = 0;
    segment->l = (uint8_t)lpcr_l(lpcr);
    segment->c = (lpcr & LPCR_BIT50) ? 1 : 0;
    segment->lp = (uint8_t)lpcr_lp(lpcr);
    XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr, "\nDummy_SLB_for_VPM[V:1 B:1 VSID:0x0001FFFFFF000000 Ks:0 Kp:0 ");
    XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr, "L:%d LP:%d ", segment->l, segment->lp);
    XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr, "]\n");
}

// The storage control of real mode (RMSC); returns the storage-check result.
int storage_control(int mode, IOPDesc *iop, AXD *axd)
{
    ThreadState *thread = iop->thread;
    const uint32_t *options = thread->processor->options;
    uint64_t msr = Read_MSR(iop);
    bool problem = (msr & MSR_PR) != 0;
    bool fetch = axd->kind == AXD_KIND_FETCH;
    uint64_t mask = thread->processor->real_mode_mask;
    bool ci_row = iop->row && (iop->row->class_flags & II_CACHE_INHIBITED);

    if (hypervisor_state(msr) || (LPES1_Effective(iop) && (axd->xlate_ea & mask) < Get_RMLR(iop)))
        axd->perm = problem ? 0x6 : 0xA;
    else
        axd->perm = problem ? 0x4 : 0x8;
    axd->llp = 0;
    axd->seg_b = 0;

    if (RMSC_Applies(iop, axd->pa)) {
        bool clear_g = false;
        if (options[PO_RMSC_IFETCH_FORCES_G_0] && fetch) clear_g = true;
        if (options[PO_GLENT_EN_RMSC_HV_CACHE_INHIB_LD_ST_G_1] && !(hypervisor_state(msr) && ci_row)) clear_g = true;
        if (clear_g)
            axd->wimg &= ~AXD_WIMG_G;
        else
            axd->wimg |= AXD_WIMG_G;
        if ((Read_LPCR(iop) & LPCR_RMI) && (options[PO_SUPPORTS_RMSC_FOR_IFETCH] || !fetch)) axd->wimg |= AXD_WIMG_I;
        uint64_t hid4 = iGET_HID4(iop);
        if (options[PO_SECURE_BOOT_SUPPORT] && (hid4 & HID4_EN_RMSC) && hypervisor_state(msr) &&
            (axd->kind == AXD_KIND_LOAD || fetch) && (iGET_SIM_CTRL(iop) & SIM_CTRL_BIT57) &&
            axd->pa >= SECURE_WINDOW_START && axd->pa <= SECURE_WINDOW_END)
            axd->wimg |= AXD_WIMG_I | AXD_WIMG_M | AXD_WIMG_G;
    } else {
        axd->wimg |= AXD_WIMG_G;
    }

    int check = 0;
    if (!(mode & XLATE_NOCHECK) && !PPC_MMU_Check_Access(iop, axd)) {
        if (!(mode & XLATE_NOEXCEPTION)) {
            interrupt_DataStorageProtection(iop, axd->ea, axd->kind, EST_DSI_STORAGE_PROTECTION);
            check = 1;
        }
    }
    if ((msr & MSR_HV) && ci_row && (options[PO_SUPPORTS_RMSC_FOR_IFETCH] || !fetch) &&
        !(iGET_HID4(iop) & HID4_BIT0) && !RMSC_Applies(iop, axd->pa)) {
        if (options[PO_CACHE_INHIBITED_LOAD_STORE_CAUSE_DSI])
            interrupt_DataStorageCILoadStore(iop, iop->data.ea, iop->data.kind);
        else
            interrupt_PrivilegedInstruction(iop);
        check = 1;
    }
    int inhibited = CheckInhibitedFaults(iop, axd, axd->wimg, mode);
    if (inhibited) check = inhibited;
    return check;
}

} // namespace

uint64_t Read_LPCR(IOPDesc *iop)
{
    return iGET_LPCR(iop);
}

uint64_t Read_MSR(IOPDesc *iop)
{
    return iGET_MSR(iop);
}

uint64_t Get_RMLR(IOPDesc *iop)
{
    return HV_rmlr[rmls(Read_LPCR(iop))];
}

int LPES1_Effective(IOPDesc *iop)
{
    if (iop->thread->processor->options[PO_LPES_1_REMOVED]) return 1;
    return (Read_LPCR(iop) & LPCR_LPES1) ? 1 : 0;
}

int RMSC_Applies(IOPDesc *iop, uint64_t address)
{
    uint64_t hid4 = iGET_HID4(iop);
    if ((hid4 & HID4_BIT49) || (hid4 & HID4_EN_RMSC)) return 1;
    uint32_t code = rmsc(hid4);
    if (code == 0 || code > 17) return 1;
    return address >= (1ull << (code + 27)) ? 1 : 0;
}

int PA_canonical(IOPDesc *iop, uint64_t *address, int *refused)
{
    ThreadState *thread = iop->thread;
    uint64_t msr = Read_MSR(iop);
    uint64_t pa = *address;
    const char *hv = bit_text(msr, MSR_HV), *ir = bit_text(msr, MSR_IR), *dr = bit_text(msr, MSR_DR);

    if (!(msr & MSR_HV)) {
        pa &= thread->processor->real_mode_mask;
        uint64_t lpcr = Read_LPCR(iop);
        if (!thread->processor->options[PO_LPES_1_REMOVED] && !(lpcr & LPCR_LPES1)) {
            XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr, "PA:0x%016lX w/ MSR[HV]:0 LPES[1]:0 ", (unsigned long)pa);
            *refused = 1;
            return 1;
        }
        if (lpcr & LPCR_VPM0) {
            if (debug_state[DEBUG_CATEGORY_XLATE_TEXT] > 0) Print_Xlate_Registers(iop);
            XLATE_DEBUG(thread, XLAT_DEBUG_Ervik_VirtualRealMode, nullptr,
                        "\nMSR[HV]:%s MSR[IR]:%s MSR[DR]:%s LPCR[VPM]:1x LPCR[VRMASD]-L:%d-LP:%d ", hv, ir, dr,
                        lpcr_l(lpcr), lpcr_lp(lpcr));
            XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr, "RMOR:0x%016lX RMLR:0x%016lX ",
                        (unsigned long)iGET_RMOR(iop), (unsigned long)Get_RMLR(iop));
            return 0;
        }
        XLATE_DEBUG(thread, XLAT_DEBUG_Ervik_RealMode, nullptr, "%s", "");
        uint64_t limit = Get_RMLR(iop);
        if (pa >= limit) {
            XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr,
                        "PA:0x%016lX> RMLR:0x%016lX:  w/ MSR[HV]:0 LPES[1]:1 VPM[0]:0 \n ", (unsigned long)pa,
                        (unsigned long)limit);
            *refused = 1;
            return 1;
        }
        *address = pa | iGET_RMOR(iop);
        *refused = 0;
        XLATE_DEBUG(thread, XLAT_DEBUG_Ervik_RealMode, nullptr, "%s", "");
        return 1;
    }
    if (pa & 0x8000000000000000ull) {
        XLATE_DEBUG(thread, XLAT_DEBUG_Ervik_RealMode, nullptr, "MSR[HV]:%s MSR[IR]:%s MSR[DR]:%s ", hv, ir, dr);
        XLATE_DEBUG(thread, XLAT_DEBUG_INFO, nullptr, "RMOR:0x%016lX RMLR:0x%016lX ",
                    (unsigned long)iGET_RMOR(iop), (unsigned long)Get_RMLR(iop));
        *address = pa & 0x0FFFFFFFFFFFFFFFull;
        *refused = 0;
        return 1;
    }
    uint64_t hrmor = iGET_HRMOR(iop);
    *address = pa | hrmor;
    *refused = 0;
    XLATE_DEBUG(thread, XLAT_DEBUG_Ervik_HypvRealMode, nullptr, "MSR[HV]:%s MSR[IR]:%s MSR[DR]:%s HRMOR:0x%016lX ", hv, ir, dr,
                (unsigned long)hrmor);
    return 1;
}

int PPC_MMU_Xlate_Real(int mode, ThreadState *thread, IOPDesc *iop, AXD *axd, SLB *segment, int *result)
{
    const uint32_t *options = thread->processor->options;
    axd->xlate_mode = 1;
    axd->pa = axd->xlate_ea;
    axd->page_shift = 12;
    uint64_t pa = axd->pa;
    int refused = 0;
    if (!PA_canonical(iop, &pa, &refused)) {
        axd->xlate_mode = 2;
        axd->vrma = 1;
        build_vrma_segment(iop, segment);
        return 0;
    }
    if (refused) {
        if (!(mode & XLATE_NOEXCEPTION))
            interrupt_DataStorageProtection(iop, fault_address(iop, axd), axd->kind, EST_DSI_REAL_MODE_PROTECTION);
        *result = 1;
        return 1;
    }

    axd->pa = pa & thread->processor->real_mode_mask;
    axd->vsid = 0;
    axd->wimg = 0;
    Xlate_Inhibited_Adjust(iop, axd);
    if (options[PO_SUPPORTS_WIMG_M_BIT]) axd->wimg |= AXD_WIMG_M;

    int check = 0;
    if (!standalone_mode) {
        if (!options[PO_SUPPORTS_RMSC])
            axd->wimg |= AXD_WIMG_G;
        else
            check = storage_control(mode, iop, axd);
    }
    if (!(mode & XLATE_NOEXCEPTION)) PPC_MMU_CheckAlignment(iop, axd);
    *result = Xlate_Page_Cross(mode, iop, axd, 12, check);
    return 1;
}
