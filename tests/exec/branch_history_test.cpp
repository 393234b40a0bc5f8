// The branch-history buffer and the call signature as the branch instructions feed them.
#include <gtest/gtest.h>

#include "isa/exec_word.h"
#include "isa/hooks/branch_history.h"
#include "processor/regs/msr_rules.h"

namespace
{

constexpr uint64_t RECORD = 0x4000000;

uint32_t b_word(int32_t displacement, uint32_t aa = 0, uint32_t lk = 0)
{
    return (18u << 26) | ((uint32_t)displacement & 0x03FFFFFC) | (aa << 1) | lk;
}
uint32_t bc_word(uint32_t bo, uint32_t bi, int32_t displacement, uint32_t lk = 0)
{
    return (16u << 26) | (bo << 21) | (bi << 16) | ((uint32_t)displacement & 0xFFFC) | lk;
}
uint32_t bclr_word(uint32_t bo, uint32_t bh = 0, uint32_t lk = 0)
{
    return (19u << 26) | (bo << 21) | (bh << 11) | (16u << 1) | lk;
}

// Runs the branch word at the address.
int branch_at(ExecWord &ew, uint64_t pc, uint32_t word)
{
    ew.t->PC.value = pc;
    return ew.run(word);
}

TEST(BranchHistory, RecordsOnlyWhenEnabledAndNotFrozen)
{
    struct Case {
        uint64_t mmcr0;
        uint64_t msr;
        bool recorded;
    } cases[] = {
        {0, MSR_SF | MSR_HV, false},
        {RECORD, MSR_SF | MSR_HV, true},
        {RECORD | 0x1, MSR_SF | MSR_HV, false}, // frozen in hypervisor state
        {RECORD | 0x1, MSR_SF, true},           // not there
        {RECORD | 0x40000000, MSR_SF, false},   // frozen when privileged
        {RECORD | 0x40000000, MSR_SF | MSR_PR, true},
        {RECORD | 0x20000000, MSR_SF | MSR_HV | MSR_PR, false}, // problem state of the hypervisor
        {RECORD | 0x20000000, MSR_SF | MSR_PR, true},           // a guest's: only in single-thread mode
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "mmcr0 " << c.mmcr0 << " msr " << c.msr);
        ExecWord ew;
        ew.t->MMCR0.value = c.mmcr0;
        ew.t->MSR.value = c.msr;
        EXPECT_EQ(branch_at(ew, 0x1000, b_word(0x40)), 1);
        EXPECT_EQ(ew.t->BHRBE[0].value, c.recorded ? 0x1000u : 0u);
    }
}

TEST(BranchHistory, KeepsTheNewest32)
{
    ExecWord ew;
    ew.t->MMCR0.value = RECORD;
    for (uint64_t i = 0; i < 33; i++)
        branch_at(ew, 0x1000 + 4 * i, b_word(0x100));
    for (int e = 0; e < 32; e++)
        EXPECT_EQ(ew.t->BHRBE[e].value, 0x1000u + 4 * (32 - e)) << e;

    EXPECT_EQ(core_clrbhrb(ew.iop), 1);
    for (int e = 0; e < 32; e++)
        EXPECT_EQ(ew.t->BHRBE[e].value, 0u) << e;
}

TEST(BranchHistory, XlFormRecordsTheBranchAndTheMarkedTarget)
{
    ExecWord ew;
    ew.t->MMCR0.value = RECORD;
    ew.t->LR.value = 0x1004;
    EXPECT_EQ(branch_at(ew, 0x2000, bclr_word(20)), 1);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    EXPECT_EQ(ew.t->BHRBE[0].value, 0x1006u);
    EXPECT_EQ(ew.t->BHRBE[1].value, 0x2000u);
}

TEST(BranchHistory, ConditionalBranchOverOneInstructionMarksTheBufferUndefined)
{
    for (uint32_t wort : {0u, 0x4000000u}) {
        SCOPED_TRACE(wort);
        ExecWord ew;
        ew.t->MMCR0.value = RECORD;
        ew.t->WORT.value = wort;
        branch_at(ew, 0x3000, b_word(0x40));
        ew.t->CR.value = 0x80000000;                            // CR0[LT]
        EXPECT_EQ(branch_at(ew, 0x1000, bc_word(12, 0, 8)), 1); // blt $+8
        EXPECT_EQ(ew.t->PC.value, 0x1008u);
        if (wort) {
            EXPECT_EQ(ew.t->BHRBE[0].value, 0x1000u);
            EXPECT_EQ(ew.t->BHRBE[1].value, 0x3000u);
        } else {
            EXPECT_EQ(ew.t->BHRBE[0].value, 0u);
            EXPECT_EQ(ew.t->BHRBE[1].value, 0u);
            if (ew.t->BHRBE[0].rfe) {
                EXPECT_EQ(ew.t->BHRBE[0].rfe->defined, 0);
            }
        }
    }
}

class CallSignature : public ::testing::Test
{
  protected:
    CallSignature() : ew({}, 2)
    {
        ew.core.core->MMCRC.value = 0x20000; // single-thread mode, thread 0 selected
        ew.core.core->CSIGR.value = 0x1234ull << 32;
    }
    uint64_t signature() const { return ew.core.core->CSIGR.value >> 32 & 0xFFFF; }
    ExecWord ew;
};

TEST_F(CallSignature, CallAndReturnRestoreIt)
{
    EXPECT_EQ(branch_at(ew, 0xFFC, b_word(0x1000, 0, 1)), 1); // bl, returns to 0x1000
    EXPECT_EQ(signature(), 0x4CD0u);
    EXPECT_EQ(ew.t->LR.value, 0x1000u);
    EXPECT_EQ(branch_at(ew, 0x1FFC, bclr_word(20)), 1); // blr
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
    EXPECT_EQ(signature(), 0x1234u);

    // A jump without link and a bcl to the next instruction change nothing.
    branch_at(ew, 0x1000, b_word(0x40));
    branch_at(ew, 0x1040, bc_word(20, 31, 4, 1));
    EXPECT_EQ(signature(), 0x1234u);
}

TEST_F(CallSignature, OnlyTheSelectedThreadChangesIt)
{
    ew.core.core->MMCRC.value = 0x20000 | (1 << 18); // thread 1 selected
    branch_at(ew, 0xFFC, b_word(0x1000, 0, 1));
    EXPECT_EQ(ew.core.core->CSIGR.value, 0x1234ull << 32);
    ew.core.core->MMCRC.value = 0; // not single-thread
    branch_at(ew, 0xFFC, b_word(0x1000, 0, 1));
    EXPECT_EQ(ew.core.core->CSIGR.value, 0x1234ull << 32);
}

TEST_F(CallSignature, TacrMatchCopiesTheSignature)
{
    ew.core.core->TACR.value = 0xFFC;
    ew.core.core->TCSCR.value = 0x8000000000000000ull;
    branch_at(ew, 0xFFC, b_word(0x1000, 0, 1)); // recording off: no copy
    EXPECT_EQ(ew.core.core->CSIGR.value & 0xFFFF, 0u);
    ew.t->MMCR0.value = RECORD;
    branch_at(ew, 0xFFC, b_word(0x1000, 0, 1));
    EXPECT_EQ(ew.core.core->CSIGR.value & 0xFFFF, signature());
    EXPECT_NE(signature(), 0x1234u);
}

} // namespace
