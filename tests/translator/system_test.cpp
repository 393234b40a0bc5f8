// Traps, mfmsr, the time base and the decrementer in translated code: traps leave with "trap"
// exactly when the interpreter takes the program interrupt, mfmsr agrees with it, and the time
// base and DEC are counted within the pass.
#include <gtest/gtest.h>

#include <string>

#include "processor/config/processor_options.h"
#include "processor/regs/msr_rules.h"
#include "processor/run/modes.h"
#include "translator/page_rig.h"

namespace
{

using namespace ppc;

constexpr uint32_t tw(int to, int ra, int rb)
{
    return xform(to, ra, rb, 4);
}
constexpr uint32_t td(int to, int ra, int rb)
{
    return xform(to, ra, rb, 68);
}
constexpr uint32_t twi(int to, int ra, int32_t si)
{
    return dform(3, to, ra, si);
}
constexpr uint32_t tdi(int to, int ra, int32_t si)
{
    return dform(2, to, ra, si);
}
constexpr uint32_t mfmsr(int rt)
{
    return xform(rt, 0, 0, 83);
}
constexpr uint32_t mftb(int rt, int tbr)
{
    return 31u << 26 | (uint32_t)rt << 21 | (uint32_t)(tbr & 31) << 16 | (uint32_t)(tbr >> 5) << 11 |
           371u << 1;
}
constexpr uint32_t mfspr(int rt, int spr)
{
    return 31u << 26 | (uint32_t)rt << 21 | (uint32_t)(spr & 31) << 16 | (uint32_t)(spr >> 5) << 11 |
           339u << 1;
}

class SystemForms : public PageRig
{
  public:
    // Whether the interpreter completes the word at the page start (rather than taking an
    // interrupt), from the registers given.
    bool interpreter_completes(uint32_t w, uint64_t r3, uint64_t r4)
    {
        word(0, w);
        t->GPR[3].value = r3;
        t->GPR[4].value = r4;
        const uint64_t msr = t->MSR.value;
        t->PC.value = PAGE_PA;
        r.m.machine->mode = MODE_SIMPLE;
        r.run(1);
        r.m.machine->mode = MODE_TURBO;
        const bool completed = t->PC.value == PAGE_PA + 4;
        t->MSR.value = msr;
        return completed;
    }
    // Translated code's run of the word followed by a zero word: true when it got past the word.
    bool translated_completes(uint32_t w, uint64_t r3, uint64_t r4)
    {
        frame_drop_xlate(&frame);
        word(0, w);
        word(1, 0);
        t->GPR[3].value = r3;
        t->GPR[4].value = r4;
        enter(0, 100);
        return t->turbo.pc == PAGE_PA + 4;
    }
};

TEST_F(SystemForms, TrapsLeaveExactlyWhenTheInterpreterTraps)
{
    struct Case {
        const char *what;
        uint32_t word;
        uint64_t r3, r4;
        bool traps;
    };
    const uint64_t minus_one = ~0ull;
    const Case cases[] = {
        {"tw 31 always", tw(31, 0, 0), 0, 0, true},
        {"twi 0 never", twi(0, 3, 5), 5, 0, false},
        {"tw lt on the low words", tw(0x10, 3, 4), 0x7FFFFFFFFFFFFFFFull << 32 | 0xFFFFFFFF, 1, true},
        {"td lt on the doublewords", td(0x10, 3, 4), 0x7FFFFFFF00000000ull | 0xFFFFFFFF, 1, false},
        {"tw ltu", tw(0x02, 3, 4), 0xFFFFFFFF00000001ull, 2, true},
        {"td ltu", td(0x02, 3, 4), 0xFFFFFFFF00000001ull, 2, false},
        {"tdi gt", tdi(0x08, 3, -3), 5, 0, true},
        {"twi eq of the low word", twi(0x04, 3, 7), 0x100000007ull, 0, true},
        {"tdi eq of the doubleword", tdi(0x04, 3, 7), 0x100000007ull, 0, false},
        {"tw gtu", tw(0x01, 3, 4), 1, minus_one, false},
        {"td gt", td(0x08, 3, 4), 1, minus_one, true},
        {"tw lt|gt of equal values", tw(0x18, 3, 4), 9, 9, false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(!interpreter_completes(c.word, c.r3, c.r4), c.traps) << c.what << " (interpreter)";
        EXPECT_EQ(!translated_completes(c.word, c.r3, c.r4), c.traps) << c.what;
        if (c.traps) {
            EXPECT_EQ(t->turbo.reason, EXIT_TRAP) << c.what;
        }
    }
}

TEST_F(SystemForms, MfmsrAddsTheMarkerBitsAndIsPrivileged)
{
    r.core->sim_msr_bit = 0x0000000000400000ull;
    const uint64_t msr = t->MSR.value;
    ASSERT_TRUE(translated_completes(mfmsr(5), 0, 0));
    EXPECT_EQ(t->GPR[5].value, msr | 0x400000u);
    t->GPR[5].value = 0;
    interpreter_completes(mfmsr(5), 0, 0);
    EXPECT_EQ(t->GPR[5].value, msr | 0x400000u);
    t->MSR.value |= MSR_PR;
    EXPECT_FALSE(translated_completes(mfmsr(5), 0, 0));
    EXPECT_EQ(t->turbo.reason, EXIT_PRIV);
    t->MSR.value = msr;
    r.core->sim_msr_bit = 0;
}

// With "turbo/mftb" the time base advances one per instruction of the pass; without it mftb leaves
// for the run loop with its target and TBR recorded, counted as executed.
TEST_F(SystemForms, TheTimeBaseInAPass)
{
    const uint64_t tb = 0x00000001FFFFFFF0ull;
    for (int slot = 0; slot < 10; slot++)
        word(slot, NOP);
    word(10, mftb(3, 268));
    word(11, mftb(4, 269));
    word(12, mfspr(5, 268));
    word(13, 0);
    r.m.machine->turbo_mftb = 1;
    t->turbo.tb_at_entry[0] = tb;
    t->turbo.togo = 100;
    enter(0, 100);
    EXPECT_EQ(t->GPR[3].value, tb + 11);
    EXPECT_EQ(t->GPR[4].value, (tb + 12) >> 32);
    EXPECT_EQ(t->GPR[5].value, tb + 13);
    EXPECT_EQ(t->turbo.tb_at_entry[1], tb + 13);

    r.m.machine->turbo_mftb = 0;
    frame_drop_xlate(&frame);
    EXPECT_EQ(enter(0, 100), 89u); // ten no-ops and the mftb
    EXPECT_EQ(t->turbo.reason, EXIT_MFTB);
    EXPECT_EQ(t->turbo.mftb_rt, 3);
    EXPECT_EQ(t->turbo.mftb_spr, 268);
    EXPECT_EQ(t->turbo.pc, pc_of(11));
}

TEST_F(SystemForms, DecCountsDownWithinThePass)
{
    for (int slot = 0; slot < 10; slot++)
        word(slot, NOP);
    word(10, mfspr(3, 22));
    word(11, 0);
    t->turbo.dec_at_entry = 1000;
    t->turbo.togo = 100;
    enter(0, 100);
    EXPECT_EQ(t->GPR[3].value, 990u); // the eleventh instruction
    r.core->options[PO_FREEZE_TIME_BASE_AND_DEC] = 1;
    t->turbo.togo = 100;
    enter(0, 100);
    EXPECT_EQ(t->GPR[3].value, 1000u);
    r.core->options[PO_FREEZE_TIME_BASE_AND_DEC] = 0;
}

} // namespace
