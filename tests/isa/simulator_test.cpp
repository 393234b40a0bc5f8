// Simulator-only and implementation-specific instructions: breakpt, the reserved no-operations,
// pbt. without a message unit and pbt in a transaction, settag, ltptr with and without the memory
// tag, mtsle, logmpp, dlmzb and mfapidi.
#include "decode/semantics.h"
#include "exec_word.h"
#include "isa/simulator_instructions.h"
#include "processor/hooks/htm.h"
#include "processor/records/generic_machine.h"
#include "processor/regs/reg_accessors.h"
#include "support/htm_record.h"

namespace
{

constexpr uint32_t BREAKPT = 0x7C00009C, NOP_530 = 0x7C000424, SETTAG = 0x7C00013C;

uint32_t pbt(uint32_t rs, uint32_t ra, uint32_t rb, uint32_t rc)
{
    return 0x7C00045C | rs << 21 | ra << 16 | rb << 11 | rc;
}
uint32_t ltptr(uint32_t rt, uint32_t ra, int32_t dq, uint32_t pt = 0)
{
    return 0xE4000001 | rt << 21 | ra << 16 | (((uint32_t)dq << 4) & 0xFFF0) | pt << 2;
}
uint32_t x31(uint32_t xo, uint32_t rt, uint32_t ra, uint32_t rb, uint32_t rc = 0)
{
    return 31u << 26 | rt << 21 | ra << 16 | rb << 11 | xo << 1 | rc;
}

TEST(Simulator, BreakptCompletesLikeANopWhenEnabled)
{
    ExecWord ew;
    ew.t->machine->enable_breakpoint_instruction = 1;
    ASSERT_EQ(ew.run(BREAKPT), 1);
    EXPECT_EQ(ew.raised(), nullptr);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    ew.t->machine->enable_breakpoint_instruction = 0;
    EXPECT_EQ(ew.run(BREAKPT), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 28);
}

TEST(Simulator, ReservedNopsAreGatedOnlyUnderTheirOption)
{
    ExecWord ew;
    ew.t->MSR.value = MSR_SF | MSR_PR;
    ew.core.core->PCR.value = 0x4;
    ASSERT_EQ(ew.run(NOP_530), 1);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    ew.option(PO_RESERVED_NOP_GATED_BY_V206);
    EXPECT_EQ(ew.run(NOP_530), 0);
    EXPECT_EQ(ew.raised()->type, 28);
    // makeitso has the gate without the option.
    ew.option(PO_RESERVED_NOP_GATED_BY_V206, 0);
    IOPDesc *iop = ew.prepare(NOP_530);
    EXPECT_EQ(semantic_makeitso(iop), 0);
}

TEST(Simulator, PbtDotWithoutAMessageUnitTakesItsStatusFromRs)
{
    ExecWord ew;
    ew.memory();
    ew.gpr(4) = 0x2000;
    ew.gpr(5) = 0x80;
    struct Case {
        uint64_t status;
        uint32_t cr0; // 0 for the storage interrupt
    } cases[] = {{4, 0b0100}, {2, 0}, {0, 0b1000}, {1, 0b1000}, {0x14, 0b0100}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.status);
        ew.t->PC.value = 0x1000;
        ew.cr() = 0x10000000; // SO is not copied
        ew.gpr(3) = c.status;
        if (c.cr0) {
            ASSERT_EQ(ew.run(pbt(3, 4, 5, 1)), 1);
            EXPECT_EQ(ew.cr() >> 28, c.cr0);
            EXPECT_EQ(ew.t->PC.value, 0x1004u);
        } else {
            EXPECT_EQ(ew.run(pbt(3, 4, 5, 1)), 0);
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->type, 29); // the message-post data storage interrupt
            EXPECT_EQ(ew.t->PC.value, 0x1000u);
        }
    }
    // SIM_CTRL disables the message instructions.
    ew.t->SIM_CTRL.value = 0x400000000ull;
    EXPECT_EQ(ew.run(pbt(3, 4, 5, 1)), 0);
    EXPECT_EQ(ew.raised()->type, 28);
}

TEST(Simulator, PbtInATransactionAdvancesOnce)
{
    ExecWord ew;
    ew.memory();
    ew.t->MSR.value = MSR_SF | MSR_HV | MSR_TS_TRANSACTIONAL;
    ASSERT_EQ(ew.run(pbt(3, 4, 5, 0)), 1);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    EXPECT_EQ(HTM_Recorded_Cause(ew.t), 0x1800000u);
}

TEST(Simulator, SettagKeepsBits22And21AndSetsBit20)
{
    ExecWord ew;
    ew.xer() = 0x80600000ull;
    EXPECT_EQ(ew.run(SETTAG), 0); // neither tags active nor BTAE
    EXPECT_EQ(ew.raised()->type, 28);
    ew.t->MSR.value |= MSR_TA;
    ASSERT_EQ(ew.run(SETTAG), 1);
    EXPECT_EQ(ew.xer(), 0x80700000ull);
    ew.xer() = 0x00200000ull;
    ASSERT_EQ(ew.run(SETTAG), 1);
    EXPECT_EQ(ew.xer(), 0x00300000ull);
}

TEST(Simulator, LtptrLoadsOnlyATaggedValidPointer)
{
    ExecWord ew;
    ew.memory();
    ew.t->MSR.value |= MSR_TA;
    ew.gpr(4) = 0x1F00;
    ew.write(0x2000, 8, 0x8000000000000000ull); // first bits 63:62 = 2: (4 >> 2) & (PT + 1)
    ew.write(0x2008, 8, 0x1234567890ABCDEFull);
    struct Case {
        const char *name;
        int tag;
        uint32_t pt;
        uint64_t expected;
    } cases[] = {
        {"tag clear", 0, 0, 0},
        {"tagged", 1, 0, 0x1234567890ABCDEFull},
        {"tagged, type not allowed", 1, 1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PA_Write_Memory_Tag(ew.t, 0x2000, 16, c.tag);
        ew.gpr(7) = 99;
        ew.xer() = 0x700000;
        ASSERT_EQ(ew.run(ltptr(7, 4, 0x10, c.pt)), 1);
        EXPECT_EQ(ew.gpr(7), c.expected);
        if (!c.expected) {
            EXPECT_EQ(ew.xer(), 0u);
        }
    }
    ew.t->MSR.value &= ~MSR_TA;
    EXPECT_EQ(ew.run(ltptr(7, 4, 0x10)), 0);
    EXPECT_EQ(ew.raised()->type, 28);
}

TEST(Simulator, MtsleSetsSplitLittleEndianOutsideTagsActiveState)
{
    ExecWord ew;
    ASSERT_EQ(ew.run(0x7C200126), 1); // L = 1
    EXPECT_NE(ew.t->MSR.value & MSR_SLE, 0u);
    ASSERT_EQ(ew.run(0x7C000126), 1);
    EXPECT_EQ(ew.t->MSR.value & MSR_SLE, 0u);
    ew.t->MSR.value |= MSR_TA;
    EXPECT_EQ(ew.run(0x7C200126), 0);
    EXPECT_EQ(ew.raised()->type, 28);
}

TEST(Simulator, LogmppMarksTheMessageRegister)
{
    ExecWord ew;
    ew.gpr(4) = 0x300;
    ASSERT_EQ(ew.run(x31(542, 0, 4, 0)), 1);
    EXPECT_EQ(tCOOKED_GET_L2MVSR1(ew.t, 0) & 0xF000, 0xF000u);
    EXPECT_EQ(tCOOKED_GET_L2MVSR0(ew.t, 0) & 0xF000, 0u);
    ew.t->MSR.value = MSR_SF; // privileged, not hypervisor
    EXPECT_EQ(ew.run(x31(542, 0, 4, 0)), 0);
    EXPECT_EQ(ew.raised()->subtype, 218);
}

TEST(Simulator, DlmzbCountsToTheLeftmostZeroByte)
{
    ExecWord ew;
    struct Case {
        uint64_t rs, rb;
        uint64_t count;
        uint32_t cr0;
    } cases[] = {
        {0xFFFFFFFF11002233ull, 0x01020304, 2, 0b0100},
        {0x41424344, 0x45460047, 7, 0b1000},
        {0x41424344, 0x45464748, 8, 0b0010},
        {0x41424344, 0x45464700, 8, 0b1000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.count);
        ew.gpr(3) = c.rs;
        ew.gpr(5) = c.rb;
        ew.xer() = 0x80000000;
        IOPDesc *iop = ew.prepare(x31(78, 3, 4, 5, 1));
        ASSERT_EQ(semantic_dlmzb_dot(iop), 1);
        EXPECT_EQ(ew.gpr(4), c.count);
        EXPECT_EQ(ew.xer(), 0x80000000 | c.count);
        EXPECT_EQ(ew.cr() >> 28, c.cr0 | 1);
    }
}

TEST(Simulator, MfapidiReadsZero)
{
    ExecWord ew;
    ew.gpr(3) = 5;
    ASSERT_EQ(semantic_mfapidi(ew.prepare(x31(275, 3, 0, 0))), 1);
    EXPECT_EQ(ew.gpr(3), 0u);
    ew.option(PO_POWERPC_V206, 0);
    EXPECT_EQ(semantic_mfapidi(ew.prepare(x31(275, 3, 0, 0))), 0);
}

} // namespace
