// The TLBER read-out: one TLB entry encoded as the architected TLBER image.
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/spr/ex_spr.h"
#include "processor/translation/tlb.h"

namespace
{

constexpr uint64_t HID0_SPLIT_FOUR = 1ull << 61;
constexpr uint64_t HID0_SPLIT_TWO = 1ull << 57;

uint64_t bits(uint64_t value, int high, int low)
{
    return (value >> low) & ((1ull << (high - low + 1)) - 1);
}

// The HID4 bit that moves the partition's segment-size field into the data word.
int hid4_bit(ThreadState *thread, ProcessorState *core)
{
    if (!core->options[PO_GLENT_EN_4_LPAR_SYSTEM]) return 23;
    const uint64_t hid0 = core->HID0.value;
    const int32_t part = thread->partition_index;
    if (hid0 & HID0_SPLIT_FOUR) {
        static const int four[] = {23, 18, 13, 8};
        return (part >= 0 && part < 4) ? four[part] : 23;
    }
    if (hid0 & HID0_SPLIT_TWO) return part == 1 ? 13 : 23;
    return 23;
}

} // namespace

uint64_t xGUESS_TLBER(ThreadState *thread, int32_t index)
{
    ProcessorState *core = thread ? thread->processor : nullptr;
    TLB *tlb = core ? core->tlb : nullptr;
    if (!tlb || !tlb->entries || index < 0 || index >= tlb->num_entries) return 0;
    const TLB_ENTRY_t *entry = &tlb->entries[index];
    const uint64_t t = entry->pte_upper, d = entry->pte_lower;
    uint64_t segment = bits(t, 63, 62);
    if (core->options[PO_GLENT_EN_PTE_B_BITS_MOVE] && ((core->HID4.value >> hid4_bit(thread, core)) & 1))
        segment = bits(d, 59, 58);
    const uint64_t size = bits(d, 6, 3) == 14 ? 0b010 : bits(d, 5, 3);
    return bits(d, 11, 9) << 59 | bits(d, 63, 63) << 58 | bits(d, 1, 0) << 56 | bits(d, 62, 62) << 55 |
           bits(d, 7, 7) << 54 | size << 50 | bits(d, 2, 2) << 49 | bits(t, 2, 2) << 48 |
           ((segment >> 1) & 1) << 46 | bits(d, 47, 12);
}
