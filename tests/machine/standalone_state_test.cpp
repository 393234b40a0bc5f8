// The standalone start-up state of a hardware thread, on a core whose registers are defined.
#include <gtest/gtest.h>

#include "processor/regs/processor_reset.h"
#include "processor/register_fixture.h"
#include "processor/regs/msr_rules.h"

namespace
{

TEST(StandaloneStateTest, ThreadGetsFloatingPointVectorMsrAndStandaloneInitialValues)
{
    TestCore c(1);
    c.set("processor/mask/MSR", "0xFFFFFFFFFF7FFFFF"); // VSX not implemented
    c.set("processor/initial/GPR5", "5");
    c.set("processor/initial/LPCR", "0x40");
    c.build();
    ThreadState *t = c.thread();
    t->MSR.value = MSR_SF | MSR_ME;
    t->FPSCR.value = 0x80000000;
    ThreadState__SetStandaloneModeInitialState(t);

    // The MSR changes at once (through its mask); its initial value keeps every bit asked for.
    EXPECT_EQ(t->MSR.value, MSR_SF | MSR_ME | MSR_FP | MSR_VMX);
    EXPECT_EQ(c.desc("MSR")->initial, MSR_SF | MSR_ME | MSR_FP | MSR_VMX | MSR_VSX);
    EXPECT_EQ(t->address_width, 64);
    // The rest waits for the next reset.
    EXPECT_EQ(c.desc("GPR5")->initial, 0u);
    EXPECT_EQ(c.desc("LPCR")->initial, 0u);
    EXPECT_EQ(c.desc("FPSCR")->initial, 0xFFFFFFFF80000000ull); // round to nearest, as Linux starts a program
    EXPECT_EQ(t->FPSCR.value, 0x80000000u);
}

} // namespace
