// Whether hardware-assisted dirty tracking applies to a thread's accesses (declared in
// mmu/data_path_hooks.h for the physical data path).
#include "mmu/data_path_hooks.h"
#include "processor/config/processor_options.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"

namespace
{

constexpr uint64_t HID0_FOUR_SLOTS = 0x2000000000000000ull;
constexpr uint64_t HID0_DOUBLE_SLOTS = 0x0200000000000000ull;

} // namespace

// Gated by GLENT_PMCC_GATED_ACCESSIBLITY; HID5 then holds one enable bit per partition of the
// four-partition mode (bit 14 for partition 0 and outside that mode).
int ha_tracking_enabled(ThreadState *thread)
{
    ProcessorState *core = thread ? thread->processor : nullptr;
    if (!core || !core->options[PO_GLENT_PMCC_GATED_ACCESSIBLITY]) return 0;
    int bit = 14;
    if (core->options[PO_GLENT_EN_4_LPAR_SYSTEM]) {
        const uint64_t hid0 = core->HID0.value;
        const int index = thread->thread_id_in_core;
        const int partition = (hid0 & HID0_FOUR_SLOTS) ? index : (hid0 & HID0_DOUBLE_SLOTS) ? 2 * index : 0;
        if (partition == 1) bit = 12;
        if (partition == 2) bit = 10;
        if (partition == 3) bit = 8;
    }
    return (core->HID5.value >> bit) & 1 ? 1 : 0;
}
