// Transactional-memory instructions: the order of their gates, CR0 from the transaction state, the
// abort causes and the conditional-abort comparisons, tcheck, a refused tend. and trechkpt.'s and
// treclaim.'s own gates. (The model behind them is tested on a whole machine in tests/mmu.)
#include "decode/semantics.h"
#include "exec_word.h"
#include "mmu/tm/htm_machine.h"
#include "mmu/tm_operations.h"
#include "processor/hooks/htm.h"
#include "processor/records/generic_machine.h"
#include "processor/records/htm_data.h"
#include "support/htm_record.h"

namespace
{

constexpr uint32_t TBEGIN = 0x7C00051D, TEND = 0x7C00055D, TENDOUTER = 0x7E00055D, TSUSPEND = 0x7C0005DD,
                   TRESUME = 0x7C2005DD, TRECHKPT = 0x7C0007DD;
constexpr uint64_t SIM_CTRL_TM_DISABLE = 0x100000000ull, SIM_CTRL_PROBLEM_TRECHKPT = 0x100000000000000ull;
constexpr uint32_t TO_EQUAL = 4, TO_SIGNED_LESS = 16;

uint32_t tabort(uint32_t ra)
{
    return 0x7C00071D | ra << 16;
}
uint32_t tabortwc(uint32_t to, uint32_t ra, uint32_t rb)
{
    return 0x7C00061D | to << 21 | ra << 16 | rb << 11;
}
uint32_t tabortwci(uint32_t to, uint32_t ra, uint32_t si)
{
    return 0x7C00069D | to << 21 | ra << 16 | (si & 31) << 11;
}
uint32_t tabortdc(uint32_t to, uint32_t ra, uint32_t rb)
{
    return 0x7C00065D | to << 21 | ra << 16 | rb << 11;
}
uint32_t tabortdci(uint32_t to, uint32_t ra, uint32_t si)
{
    return 0x7C0006DD | to << 21 | ra << 16 | (si & 31) << 11;
}
uint32_t tcheck(uint32_t bf)
{
    return 0x7C00059C | bf << 23;
}

class TmInstructions : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        GenericMachine &machine = ew.core.test_machine.machine;
        machine.htm = &block;
        machine.htm_max_tbegin_nesting = 63;
        machine.threads_in_transaction = 1;
        machine.htm_os_supports_tm = 1; // the configuration's default: interrupts reach the system
        ew.t->MSR.value = MSR_SF | MSR_HV | MSR_TM | MSR_TS_TRANSACTIONAL;
        ew.t->HFSCR.value = ~0ull;
    }
    void TearDown() override
    {
        htm_free(&block);
        ew.core.test_machine.machine.htm = nullptr;
    }
    // Whether the last instruction aborted the transaction (with the abort bit).
    bool aborted() const { return HTM_Failure_Recorded(ew.t) && (ew.t->TEXASR.value >> 32 & 1); }
    uint32_t abort_code() const { return (uint32_t)(ew.t->TEXASR.value >> 56); }
    uint64_t ts() const { return ew.t->MSR.value & MSR_TS; }
    ExecWord ew;
    htm_data block{};
};

TEST_F(TmInstructions, TabortCauseAndCr0FromTheTransactionState)
{
    ew.gpr(0) = 0x55;
    ASSERT_EQ(ew.run(tabort(0)), 1);
    EXPECT_TRUE(aborted());
    EXPECT_EQ(abort_code(), 0u); // RA field 0 is 0, not GPR0
    EXPECT_EQ(ew.cr() >> 28, 0b0100u);                    // 0 || TS || 0 with TS = 0b10
    EXPECT_EQ(ew.t->PC.value, 0x1004u);

    ew.gpr(3) = 0x1FF;
    ew.t->MSR.value = (ew.t->MSR.value & ~MSR_TS) | MSR_TS_SUSPENDED;
    HTM_Clear_Failure(ew.t);
    ASSERT_EQ(ew.run(tabort(3)), 1);
    EXPECT_TRUE(aborted());
    EXPECT_EQ(abort_code(), 0xFFu);
    EXPECT_EQ(ew.cr() >> 28, 0b0010u);
}

TEST_F(TmInstructions, ConditionalAborts)
{
    struct Case {
        const char *name;
        uint32_t word;
        uint64_t ra, rb;
        bool abort;
    } cases[] = {
        {"tabortwc. equal low words", tabortwc(TO_EQUAL, 3, 4), 0x100000000ull, 0, true},
        {"tabortwc. unequal", tabortwc(TO_EQUAL, 3, 4), 1, 0, false},
        {"tabortwc. signed less on the low word", tabortwc(TO_SIGNED_LESS, 3, 4), 0x80000000ull, 0, true},
        {"tabortwci. SI 0b11111 is -1", tabortwci(TO_EQUAL, 3, 31), 0xFFFFFFFFull, 0, true},
        {"tabortwci. SI 1", tabortwci(TO_EQUAL, 3, 1), 0xFFFFFFFFull, 0, false},
        {"tabortdc. whole doublewords", tabortdc(TO_EQUAL, 3, 4), 0x100000000ull, 0, false},
        {"tabortdci. -1", tabortdci(TO_EQUAL, 3, 31), ~0ull, 0, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HTM_Clear_Failure(ew.t);
        ew.gpr(3) = c.ra;
        ew.gpr(4) = c.rb;
        ew.t->PC.value = 0x1000;
        ASSERT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(aborted(), c.abort);
        if (c.abort) {
            EXPECT_EQ(abort_code(), 0u);
        }
        EXPECT_EQ(ew.cr() >> 28, 0b0100u);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

// CR0 is 0 || TS || 0 of the MSR before the instruction, whatever the operation did to the state.
TEST_F(TmInstructions, OperationsSetCr0FromTheMsrBefore)
{
    struct Case {
        uint32_t word;
        uint64_t ts_before, ts_after;
        uint32_t cr0;
    } cases[] = {
        {TBEGIN, MSR_TS_TRANSACTIONAL, MSR_TS_TRANSACTIONAL, 0b0100}, // nested
        {TSUSPEND, MSR_TS_TRANSACTIONAL, MSR_TS_SUSPENDED, 0b0100},
        {TRESUME, MSR_TS_SUSPENDED, MSR_TS_TRANSACTIONAL, 0b0010},
        {TENDOUTER, MSR_TS_TRANSACTIONAL, 0, 0b0100},
        {TEND, 0, 0, 0b0000},
        {TBEGIN, 0, MSR_TS_TRANSACTIONAL, 0b0000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.word);
        ASSERT_EQ(ts(), c.ts_before);
        ASSERT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(ts(), c.ts_after);
        EXPECT_EQ(ew.cr() >> 28, c.cr0);
        EXPECT_EQ(ew.raised(), nullptr);
    }
}

TEST_F(TmInstructions, TcheckReportsDoomedAndStateInItsFieldOnly)
{
    struct Case {
        const char *name;
        uint64_t ts;
        int doomed;
        uint32_t field;
    } cases[] = {
        {"T, healthy", MSR_TS_TRANSACTIONAL, 0, 0b0100},
        {"T, doomed", MSR_TS_TRANSACTIONAL, 1, 0b1100},
        {"S, doomed", MSR_TS_SUSPENDED, 1, 0b1010},
        {"N", 0, 0, 0b0000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ew.t->MSR.value = MSR_SF | MSR_HV | MSR_TM | c.ts;
        ew.t->htm_failure_pending = c.doomed;
        ew.cr() = 0xFFFFFFFF;
        ASSERT_EQ(ew.run(tcheck(2)), 1);
        EXPECT_EQ(ew.cr(), 0xFF0FFFFFu | c.field << 20);
    }
    ew.t->htm_failure_pending = 0;
}

// Where the processor has the FXCC field, the TM CR results are mirrored in XER bits 24-27 when
// the thread is in tags-active mode or the option asks for it.
TEST_F(TmInstructions, CrResultsMirroredInFxcc)
{
    constexpr uint64_t FXCC = 0xF000000;
    ew.option(PO_TAGS_ACTIVE, 0);
    ew.option(PO_HTM_OPS_SET_XER_FXCC_IN_TI_MODE, 0);
    ew.xer() = 0;
    ASSERT_EQ(ew.run(tcheck(1)), 1);
    EXPECT_EQ(ew.xer() & FXCC, 0u);
    ew.option(PO_HTM_OPS_SET_XER_FXCC_IN_TI_MODE);
    ASSERT_EQ(ew.run(tcheck(1)), 1);
    EXPECT_EQ(ew.xer() & FXCC, 0b0100ull << 24);
    ew.option(PO_FXCC_FIELD_IN_XER, 0);
    ew.xer() = 0;
    ASSERT_EQ(ew.run(tcheck(1)), 1);
    EXPECT_EQ(ew.xer() & FXCC, 0u);
}

// tend. in suspended state is refused with the Bad Thing program interrupt.
TEST_F(TmInstructions, RefusedTendNeitherSetsCr0NorMovesOn)
{
    ew.t->MSR.value = (ew.t->MSR.value & ~MSR_TS) | MSR_TS_SUSPENDED;
    ew.cr() = 0;
    EXPECT_EQ(ew.run(TEND), 1);
    EXPECT_EQ(ew.cr(), 0u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 2);
    EXPECT_EQ(ts(), MSR_TS_SUSPENDED);
}

TEST_F(TmInstructions, GateOrder)
{
    // Problem state with PCR 0x4: the compatibility gate comes first, before SIM_CTRL and before
    // the facility check (which would raise type 44 without the HFSCR bit).
    ew.t->MSR.value = MSR_SF | MSR_PR | MSR_TM;
    ew.core.core->PCR.value = 0x4;
    ew.t->SIM_CTRL.value = SIM_CTRL_TM_DISABLE;
    ew.t->HFSCR.value = 0;
    for (uint32_t word : {TBEGIN, TEND, TENDOUTER, tabort(0), tabortwc(4, 3, 4), tabortwci(4, 3, 1),
                          tabortdc(4, 3, 4), tabortdci(4, 3, 1), TSUSPEND, TRESUME, tcheck(1)}) {
        SCOPED_TRACE(word);
        EXPECT_EQ(ew.run(word), 0);
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->type, 28);
    }
    // Without the compatibility bit, the facility check decides.
    ew.core.core->PCR.value = 0;
    ew.t->SIM_CTRL.value = 0;
    EXPECT_EQ(ew.run(TBEGIN), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 44);
    EXPECT_EQ(ts(), 0u); // nothing reached the model
    EXPECT_EQ(block.tbegins_total, 0u);
}

// The facility check: MSR[TM] is needed only when the operating system supports transactions;
// outside hypervisor state the HFSCR bit of the facility is needed first (FSCR has no TM bit).
TEST_F(TmInstructions, FacilityCheck)
{
    ASSERT_NE(ew.t->machine, nullptr);
    struct Case {
        const char *name;
        uint64_t msr, hfscr;
        int os_supports_tm;
        int type; // the interrupt raised, 0 when tbegin. runs
    } cases[] = {
        {"OS support, TM 0", MSR_SF | MSR_HV, ~0ull, 1, 43},
        {"no OS support, TM 0", MSR_SF | MSR_HV, ~0ull, 0, 0},
        {"OS support, TM 1", MSR_SF | MSR_HV | MSR_TM, ~0ull, 1, 0},
        {"problem state without the HFSCR bit", MSR_SF | MSR_PR | MSR_TM, 0, 1, 44},
        {"problem state without the HFSCR bit and TM 0", MSR_SF | MSR_PR, 0, 1, 44},
        {"problem state with the HFSCR bit", MSR_SF | MSR_PR | MSR_TM, ~0ull, 1, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ew.t->machine->htm_os_supports_tm = c.os_supports_tm;
        ew.t->MSR.value = c.msr;
        ew.t->HFSCR.value = c.hfscr;
        EXPECT_EQ(ew.run(TBEGIN), c.type ? 0 : 1);
        EXPECT_EQ(ts(), c.type ? 0 : MSR_TS_TRANSACTIONAL);
        if (c.type) {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->type, c.type);
        }
    }
}

TEST_F(TmInstructions, TrechkptIsPrivilegedUnlessSimCtrlAllowsIt)
{
    ew.t->MSR.value = MSR_SF | MSR_PR | MSR_TM;
    ew.core.core->PCR.value = 0x4; // no compatibility gate for trechkpt.
    EXPECT_EQ(ew.run(TRECHKPT), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, 218);

    ew.t->SIM_CTRL.value = SIM_CTRL_PROBLEM_TRECHKPT;
    ew.t->TEXASR.value = TEST_TEXASR_FS;
    EXPECT_EQ(ew.run(TRECHKPT), 1);
    EXPECT_EQ(ew.raised(), nullptr);
    EXPECT_EQ(ts(), MSR_TS_SUSPENDED);

    // Refused (in suspended state): the Bad Thing, without CR0 and without moving on.
    ew.cr() = 0;
    ew.t->PC.value = 0x1000;
    EXPECT_EQ(ew.run(TRECHKPT), 0);
    EXPECT_EQ(ew.cr(), 0u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 2);

    ew.t->SIM_CTRL.value |= SIM_CTRL_TM_DISABLE;
    EXPECT_EQ(ew.run(TRECHKPT), 0);
    EXPECT_EQ(ew.raised()->type, 28);
}

} // namespace
