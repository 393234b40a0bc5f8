// The reference-history array: after translation used a page-table entry, an age stamp in the
// entry's first doubleword and a per-page counter in the memory array that the chip's HCA
// registers describe (with an optional mirror copy).
#include "mmu/data_path_hooks.h"
#include "mmu/physical_access.h"
#include "processor/config/processor_options.h"
#include "processor/records/axd.h"
#include "processor/records/instruction_record.h"
#include "processor/records/mcm.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/regs/reg_accessors.h"
#include "processor/spr/scom_blocks.h"
#include "runtime/message.h"

namespace
{

// The chip's HCA registers by number: the EN set and its EH copy.
enum : int { HCA_EN_BAR = 0, HCA_EN_REF_BAR = 2, HCA_EN_MIRROR_BAR = 3 };
constexpr int HCA_EH_OFFSET = 4;

constexpr uint64_t HID0_PARTITIONS = 0x2200000000000000ULL;
constexpr uint64_t PTE_REFERENCE_HISTORY = 0x0200000000000000ULL; // second doubleword, bit 57
constexpr uint64_t LOW_52 = 0xFFFFFFFFFFFFFULL;
constexpr uint64_t BAR_ENABLE = 1, BAR_LARGE = 2;
constexpr uint64_t BAR_SIZE = 0x7F800000ULL, BAR_BASE = 0x3FF0000000000ULL, MIRROR_BASE = 0x3FF8000000000ULL;

// The HID4 enable mask and period-shift position of the thread's pair.
struct PairBits {
    uint64_t enable;
    int shift;
};
constexpr PairBits PAIR_BITS[4] = {{0x8800000, 24}, {0x440000, 19}, {0x22000, 14}, {0x1100, 9}};

// Physical accesses without side effects, memory-coherent.
bool access(ThreadState *thread, uint64_t pa, int size, uint64_t *value, bool write)
{
    IOPDesc iop;
    INITIAL_IOP(&iop, thread);
    AXD axd = INITIAL_AXD;
    axd.ea = pa;
    axd.pa = pa;
    axd.size = (int16_t)size;
    axd.wimg = AXD_WIMG_M;
    axd.kind = write ? AXD_KIND_STORE : AXD_KIND_LOAD;
    return (write ? PA_Write_Memory_Effect(&iop, *value, &axd, 0)
                  : PA_Read_Memory_Effect(&iop, value, &axd, 0)) == 0;
}

uint64_t compared(const uint64_t *regs, int en, const char *format)
{
    if (regs[en] != regs[en + HCA_EH_OFFSET])
        sim_warning(1, format, (unsigned long)regs[en], (unsigned long)regs[en + HCA_EH_OFFSET]);
    return regs[en];
}

struct CounterAddresses {
    uint64_t counter;
    uint64_t mirror;
    bool mirrored;
};

CounterAddresses counter_addresses(uint64_t en, uint64_t ref, uint64_t mir, bool mirrored, uint64_t pa)
{
    const uint64_t s = en & BAR_SIZE, ns = ~en & BAR_SIZE;
    const uint64_t base1 = ((ns << 9) & en) | ((s << 9) & ref) | (en & BAR_BASE);
    const uint64_t mirror_base1 = (((ns << 9) >> 1) & mir) | (((s << 9) & ref) >> 1) | (mir & MIRROR_BASE);
    CounterAddresses out{0, 0, mirrored};
    if (en & BAR_LARGE) {
        const uint64_t base = base1 | ((ns >> 5) & ref) | (ref & 0xFC000000ULL);
        const uint64_t mirror_base = mirror_base1 | (((ns >> 5) & ref) >> 1) | ((ref & 0xFC000000ULL) >> 1);
        if (!mirrored) {
            const uint64_t t = (pa & 0xFFFFFF0000ULL) >> 14;
            out.counter = ((0x3FFFC | (s >> 5)) & t) | base;
        } else {
            const uint64_t t = (pa & 0x7FFFFF0000ULL) >> 13, u = (s >> 5) & t;
            out.counter = (t & 0x3FFF8) | u | base;
            out.mirror = mirror_base | (((t & 0x3FFF8) | u) >> 1);
        }
    } else {
        const uint64_t base = base1 | ((ns >> 1) & ref) | (ref & 0xC0000000ULL);
        const uint64_t mirror_base = mirror_base1 | (((ns >> 1) & ref) >> 1) | ((ref & 0xC0000000ULL) >> 1);
        if (!mirrored) {
            const uint64_t t = (pa & 0xFFFFFFF000ULL) >> 10;
            out.counter = ((0x3FFFFC | (s >> 1)) & t) | base;
        } else {
            const uint64_t t = (pa & 0x7FFFFFF000ULL) >> 9, u = (s >> 1) & t;
            out.counter = (t & 0x3FFFF8) | u | base;
            out.mirror = mirror_base | (((t & 0x3FFFF8) | u) >> 1);
        }
    }
    return out;
}

// Ages the page's counter by the stamps passed since the last reference and marks it referenced.
void update_counter(ThreadState *thread, uint64_t pa, uint64_t stamp, uint64_t old_stamp)
{
    const uint64_t *regs =
        thread->mcm && thread->mcm->hca_scom_regs ? thread->mcm->hca_scom_regs->regs : nullptr;
    if (!regs) return;
    const uint64_t en =
        compared(regs, HCA_EN_BAR, "Ref_Array : HCA_EN_BAR 0x%016lX not equal to HCA_EH_BAR 0x%016lX");
    if (!(en & BAR_ENABLE)) return;
    const uint64_t ref = compared(regs, HCA_EN_REF_BAR,
                                  "Ref_Array : HCA_EN_REF_BAR 0x%016lX not equal to HCA_EH_REF_BAR 0x%016lX");
    if (!(ref & BAR_ENABLE)) return;
    const uint64_t mir =
        compared(regs, HCA_EN_MIRROR_BAR,
                 "Ref_Array : HCA_EN_MIRROR_BAR 0x%016lX not equal to HCA_EH_MIRROR_BAR 0x%016lX");
    const CounterAddresses at = counter_addresses(en, ref, mir, (mir & BAR_ENABLE) != 0, pa);
    uint64_t counter = 0;
    if (!access(thread, at.counter, 4, &counter, false)) {
        sim_warning(1, "Ref_Array: Error reading counter at 0x%016lX", (unsigned long)at.counter);
        return;
    }
    uint64_t value = stamp << 52 | 0x8000000000000ULL | ((counter & LOW_52) >> ((stamp - old_stamp) & 63));
    if (!access(thread, at.counter, 4, &value, true)) {
        sim_warning(1, "Ref_Array: Error writing counter at 0x%016lX", (unsigned long)at.counter);
        return;
    }
    if (at.mirrored && !access(thread, at.mirror, 4, &value, true))
        sim_warning(1, "Ref_Array: Error writing mirrored counter at 0x%016lX", (unsigned long)at.mirror);
}

} // namespace

int Reference_History_Array(IOPDesc *iop, uint64_t pte_address, uint64_t pa)
{
    ThreadState *thread = iop ? iop->thread : nullptr;
    ProcessorState *core = thread ? thread->processor : nullptr;
    if (!core || !core->options[PO_GLENT_EN_REF_ARRAY]) return 1;
    const uint64_t hid4 = core->HID4.value;
    int pair = 0;
    if (core->options[PO_GLENT_EN_4_LPAR_SYSTEM] && (COOKED_GET_HID0(thread, 0) & HID0_PARTITIONS))
        pair = (thread->thread_id_in_core / 2) & 3;
    if ((hid4 & PAIR_BITS[pair].enable) != PAIR_BITS[pair].enable) return 1;

    uint64_t pte[2] = {0, 0};
    for (int i = 0; i < 2; i++) {
        if (!access(thread, pte_address + 8 * (uint64_t)i, 8, &pte[i], false)) {
            sim_warning(1, "Ref_Array: Error reading PTE at 0x%016lX", (unsigned long)pte_address);
            return 0;
        }
    }
    if (!(pte[1] & PTE_REFERENCE_HISTORY)) return 1;
    const uint64_t tb = iGET_TB(iop);
    const int d = (int)((hid4 >> PAIR_BITS[pair].shift) & 7);
    if (d == 0) return 1;
    const uint64_t old_stamp = pte[0] >> 52;
    const uint64_t stamp = ((((tb >> (d + 19)) & 0xFFFFF) + ((pa >> 16) & 0xFF)) >> 8) & 0xFFF;
    if (stamp == old_stamp) return 1;

    update_counter(thread, pa, stamp, old_stamp);

    uint64_t first = (pte[0] & LOW_52) | stamp << 52;
    if (!access(thread, pte_address, 8, &first, true)) {
        sim_warning(1, "Ref_Array: Error writing PTE at 0x%016lX", (unsigned long)pte_address);
        return 0;
    }
    return 1;
}
