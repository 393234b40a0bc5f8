// The dirty-tracking gate: the option, and HID5's enable bit of the thread's partition.
#include <gtest/gtest.h>

#include "isa/exec_word.h"
#include "mmu/data_path_hooks.h"

namespace
{

TEST(HaTracking, Hid5BitOfThePartition)
{
    ExecWord ew({}, 4);
    ProcessorState *core = ew.core.core;
    ThreadState *t3 = ew.core.thread(3);
    core->HID5.value = 0x4000; // partition 0's bit
    EXPECT_EQ(ha_tracking_enabled(t3), 0); // the option is off
    ew.option(PO_GLENT_PMCC_GATED_ACCESSIBLITY);
    EXPECT_EQ(ha_tracking_enabled(t3), 1); // not in four-partition mode: bit 14

    // Four-partition mode with HID0 bit 2: thread 3 is partition 3 and uses bit 8.
    ew.option(PO_GLENT_EN_4_LPAR_SYSTEM);
    core->HID0.value = 0x2000000000000000ull;
    EXPECT_EQ(ha_tracking_enabled(t3), 0);
    core->HID5.value = 0x100;
    EXPECT_EQ(ha_tracking_enabled(t3), 1);
    // HID0 bit 6 doubles the index: thread 1 is partition 2 (bit 10); thread 0 stays on bit 14.
    core->HID0.value = 0x0200000000000000ull;
    core->HID5.value = 0x400;
    EXPECT_EQ(ha_tracking_enabled(ew.core.thread(1)), 1);
    EXPECT_EQ(ha_tracking_enabled(ew.core.thread(0)), 0);
    EXPECT_EQ(ha_tracking_enabled(nullptr), 0);
}

} // namespace
