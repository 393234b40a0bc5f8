// Transactional-memory instructions: the order of their gates, CR0 from the transaction state, the
// abort causes and the conditional-abort comparisons, tcheck, a refused tend. and trechkpt.'s own
// gates.
#include "decode/semantics.h"
#include "exec_word.h"
#include "mmu/tm_operations.h"

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
        TM_Operations_Standin_Reset();
        ew.t->MSR.value = MSR_SF | MSR_HV | MSR_TM | MSR_TS_TRANSACTIONAL;
        ew.t->HFSCR.value = ~0ull;
    }
    // Whether the last instruction aborted, and with what cause.
    bool aborted() const { return tm_operations_standin_log.tm_calls && tm_last("tabort"); }
    static bool tm_last(const char *name)
    {
        return tm_operations_standin_log.tm_last &&
               std::string(tm_operations_standin_log.tm_last) == name;
    }
    ExecWord ew;
};

TEST_F(TmInstructions, TabortCauseAndCr0FromTheTransactionState)
{
    ew.gpr(0) = 0x55;
    ASSERT_EQ(ew.run(tabort(0)), 1);
    EXPECT_TRUE(aborted());
    EXPECT_EQ(tm_operations_standin_log.tm_argument, 0u); // RA field 0 is 0, not GPR0
    EXPECT_EQ(ew.cr() >> 28, 0b0100u);                          // 0 || TS || 0 with TS = 0b10
    EXPECT_EQ(ew.t->PC.value, 0x1004u);

    ew.gpr(3) = 0x1FF;
    ew.t->MSR.value = (ew.t->MSR.value & ~MSR_TS) | MSR_TS_SUSPENDED;
    ASSERT_EQ(ew.run(tabort(3)), 1);
    EXPECT_EQ(tm_operations_standin_log.tm_argument, 0xFFu);
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
        TM_Operations_Standin_Reset();
        ew.gpr(3) = c.ra;
        ew.gpr(4) = c.rb;
        ew.t->PC.value = 0x1000;
        ASSERT_EQ(ew.run(c.word), 1);
        EXPECT_EQ(aborted(), c.abort);
        if (c.abort) {
            EXPECT_EQ(tm_operations_standin_log.tm_argument, 0u);
        }
        EXPECT_EQ(ew.cr() >> 28, 0b0100u);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
    }
}

TEST_F(TmInstructions, OperationsReachTheModelWithTheMsr)
{
    struct Case {
        uint32_t word;
        const char *operation;
    } cases[] = {{TBEGIN, "tbegin"},       {TSUSPEND, "tsuspend"}, {TRESUME, "tresume"},
                 {TENDOUTER, "tendouter"}, {TEND, "tend"},         {TRECHKPT, "trechkpt"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.operation);
        ASSERT_EQ(ew.run(c.word), 1);
        EXPECT_TRUE(tm_last(c.operation));
        EXPECT_EQ(ew.cr() >> 28, 0b0100u);
    }
    EXPECT_EQ(tm_operations_standin_log.tm_calls, 6);
}

TEST_F(TmInstructions, TcheckLeavesCr0)
{
    ew.cr() = 0xFFFFFFFF;
    ASSERT_EQ(ew.run(tcheck(2)), 1);
    EXPECT_TRUE(tm_last("tcheck"));
    EXPECT_EQ(tm_operations_standin_log.tm_argument, 2u);
    EXPECT_EQ(ew.cr(), 0xFF0FFFFFu); // only field 2, from the model
}

TEST_F(TmInstructions, RefusedTendNeitherSetsCr0NorMovesOn)
{
    tm_operations_standin_log.tend_answer = 0;
    ew.cr() = 0;
    EXPECT_EQ(ew.run(TEND), 1);
    EXPECT_EQ(ew.cr(), 0u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
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
    EXPECT_EQ(tm_operations_standin_log.tm_calls, 0);
}

TEST_F(TmInstructions, TrechkptIsPrivilegedUnlessSimCtrlAllowsIt)
{
    ew.t->MSR.value = MSR_SF | MSR_PR | MSR_TM;
    ew.core.core->PCR.value = 0x4; // no compatibility gate for trechkpt.
    EXPECT_EQ(ew.run(TRECHKPT), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, 218);

    ew.t->SIM_CTRL.value = SIM_CTRL_PROBLEM_TRECHKPT;
    EXPECT_EQ(ew.run(TRECHKPT), 1);
    EXPECT_EQ(ew.raised(), nullptr);
    EXPECT_TRUE(tm_last("trechkpt"));

    // A result other than 1 comes back unchanged, without CR0 and without moving on.
    tm_operations_standin_log.trechkpt_answer = 0;
    ew.cr() = 0;
    ew.t->PC.value = 0x1000;
    EXPECT_EQ(ew.run(TRECHKPT), 0);
    EXPECT_EQ(ew.cr(), 0u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);

    ew.t->SIM_CTRL.value |= SIM_CTRL_TM_DISABLE;
    EXPECT_EQ(ew.run(TRECHKPT), 0);
    EXPECT_EQ(ew.raised()->type, 28);
}

} // namespace
