// Stand-in of the translation: real-mode addressing only.
#include "mmu/address_translate.h"

#include "isa/instr_info.h"
#include "isa/ppc_bits.h"
#include "machine/generic_machine.h"
#include "mmu/axd.h"
#include "processor/instruction_record.h"
#include "processor/processor_options.h"
#include "processor/processor_state.h"
#include "processor/thread_state.h"

namespace
{

constexpr uint64_t PAGE_4K = 0x1000;
// The standalone window of cache-inhibited storage.
constexpr uint64_t STANDALONE_CI_START = 0xF00000EF000000ull;
constexpr uint64_t STANDALONE_CI_LENGTH = 0x100000;

bool crosses_4k(uint64_t address, int64_t size)
{
    if (size <= 1) return false;
    return (address & ~(PAGE_4K - 1)) != ((address + (uint64_t)(size - 1)) & ~(PAGE_4K - 1));
}

} // namespace

// STAND-IN: the translation driver is not built. Every access is taken as a real-mode access of
// the hypervisor (relocation, the partition offsets RMOR/HRMOR and limits, the ERAT, SLB, TLB and
// page table, the RMSC storage control, the protection, alignment and watchpoint checks, memory
// triggers and the second-page translation of a crossing are missing): the real address is the
// effective address (its low word in 32-bit mode) with the top four bits cleared; WIMG is I|G for
// the cache-inhibited load/store rows and the standalone window, G outside standalone mode, plus M
// with SUPPORTS_WIMG_M_BIT; an access crossing a 4 KB page reports 2.
__attribute__((weak)) int PPC_MMU_AddressTranslate(int, IOPDesc *iop, AXD *axd)
{
    ThreadState *thread = iop->thread;
    uint64_t msr = thread->MSR.value;
    const uint32_t *options = thread->processor->options;
    axd->iop = iop;
    axd->row = iop->row;
    axd->vrma = 0;
    axd->xlate_ea = (msr & MSR_SF) ? axd->ea : (axd->ea & 0xFFFFFFFFull);
    axd->xlate_mode = 1;
    axd->vsid = 0;
    axd->page_shift = 12;
    axd->pa = axd->xlate_ea & 0x0FFFFFFFFFFFFFFFull;

    uint32_t wimg = 0;
    bool fetch = axd->kind == AXD_KIND_FETCH;
    if (!fetch && iop->row && (iop->row->class_flags & II_CACHE_INHIBITED)) wimg |= AXD_WIMG_I | AXD_WIMG_G;
    if (standalone_mode && axd->pa >= STANDALONE_CI_START &&
        axd->pa < STANDALONE_CI_START + STANDALONE_CI_LENGTH)
        wimg |= AXD_WIMG_I | AXD_WIMG_G;
    if (options[PO_SUPPORTS_WIMG_M_BIT]) wimg |= AXD_WIMG_M;
    if (!standalone_mode) wimg |= AXD_WIMG_G;
    axd->wimg = wimg;

    int result = XLATE_OK;
    bool wraps_4g =
        !(msr & MSR_SF) && axd->size > 1 && ((axd->xlate_ea + (uint64_t)(axd->size - 1)) >> 32) != 0;
    if (crosses_4k(axd->xlate_ea, axd->size) || wraps_4g) {
        axd->crosses = 1;
        result = XLATE_CROSSES_PAGE;
    }
    axd->le = (msr & MSR_LE) ? 1 : 0;
    if ((msr & MSR_SLE) && !fetch) axd->le ^= 1;
    if (iop->exceptions) result = XLATE_EXCEPTION;
    if (iop->addr_only) iop->core_rec.result = result;
    return result;
}
