// Interrupt returns and MSR moves: how rfid, hrfid, rfi, rfebb, rfscv, mtmsr and mtmsrd compute the
// new MSR, where they continue, CFAR, the priority drop on a return to problem state, and the
// transaction guard.
#include "decode/semantics.h"
#include "exec_word.h"
#include "memory/reservations.h"
#include "mmu/tm/htm_checks.h"
#include "mmu/tm_operations.h"
#include "processor/hooks/htm.h"
#include "processor/regs/msr_rules.h"
#include "processor/regs/reg_accessors.h"
#include "support/htm_record.h"

namespace
{

constexpr uint32_t RFID = 0x4C000024, HRFID = 0x4C000224, RFI = 0x4C000064, RFEBB = 0x4C000124,
                   RFSCV = 0x4C0000A4;
constexpr uint64_t TSRL_PRIORITY_5 = 5ull << 50, TSRL_PRIORITY_4 = 4ull << 50;

uint32_t mtmsr(uint32_t rs, uint32_t l = 0)
{
    return 0x7C000124 | rs << 21 | l << 16;
}
uint32_t mtmsrd(uint32_t rs, uint32_t l = 0)
{
    return 0x7C000164 | rs << 21 | l << 16;
}

class MsrReturn : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ew.option(PO_RFID_SUPPORTED);
        ew.option(PO_MTMSR_SUPPORTED);
        ew.core.core->msr_mask = ~0ull;
        ew.t->MSR.value = MSR_SF | MSR_HV | MSR_ME;
        ew.t->SRR0.value = 0x2000;
        ew.t->HSRR0.value = 0x3000;
        ew.t->CFAR.value = 0x777;
    }
    ExecWord ew;
};

TEST_F(MsrReturn, RfidTakesHypervisorStateAndMachineCheckOnlyFromHypervisorState)
{
    ew.t->SRR1.value = MSR_SF; // HV = 0, ME = 0
    ASSERT_EQ(ew.run(RFID), 1);
    EXPECT_EQ(ew.t->MSR.value, MSR_SF);
    EXPECT_EQ(ew.t->PC.value, 0x2000u);
    EXPECT_EQ(ew.t->CFAR.value, 0x1000u);

    // Now privileged non-hypervisor: SRR1's HV and ME are ignored.
    ew.t->MSR.value = MSR_SF | MSR_ME;
    ew.t->PC.value = 0x1000;
    ew.t->SRR1.value = MSR_SF | MSR_HV;
    ASSERT_EQ(ew.run(RFID), 1);
    EXPECT_EQ(ew.t->MSR.value, MSR_SF | MSR_ME);
}

TEST_F(MsrReturn, ReturnToProblemStateTurnsOnInterruptsAndRelocation)
{
    ew.t->SRR1.value = MSR_SF | MSR_PR;
    ASSERT_EQ(ew.run(RFID), 1);
    EXPECT_EQ(ew.t->MSR.value & (MSR_PR | MSR_EE | MSR_IR | MSR_DR), MSR_PR | MSR_EE | MSR_IR | MSR_DR);
    EXPECT_EQ(micro_rfid(ew.core.core, MSR_SF | MSR_HV, MSR_PR), MSR_PR | MSR_EE | MSR_IR | MSR_DR);
}

TEST_F(MsrReturn, RfidTo32BitModeTruncatesAndAlignsTheTarget)
{
    ew.t->SRR0.value = 0x123456789ABCDEF3ull;
    ew.t->SRR1.value = MSR_HV;
    ASSERT_EQ(ew.run(RFID), 1);
    EXPECT_EQ(ew.t->PC.value, 0x9ABCDEF0u);
}

TEST_F(MsrReturn, RfidGates)
{
    ew.option(PO_RFID_SUPPORTED, 0);
    EXPECT_EQ(ew.run(RFID), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 28);
    ew.option(PO_RFID_SUPPORTED);
    ew.t->MSR.value |= MSR_PR;
    EXPECT_EQ(ew.run(RFID), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, 218);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
    EXPECT_EQ(ew.t->CFAR.value, 0x777u);
}

TEST_F(MsrReturn, HrfidOutsideHypervisorState)
{
    ew.t->MSR.value = MSR_SF;
    ew.t->HSRR1.value = MSR_SF | MSR_PR;
    EXPECT_EQ(ew.run(HRFID), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->subtype, 218);

    ew.option(PO_IGNORE_HRFID_IN_NON_HYPERVISOR_STATE);
    EXPECT_EQ(ew.run(HRFID), 1);
    EXPECT_EQ(ew.raised(), nullptr);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    EXPECT_EQ(ew.t->MSR.value, MSR_SF);
}

TEST_F(MsrReturn, HrfidTakesTheWholeHighWordAndLeavesCfar)
{
    ew.t->HSRR1.value = MSR_SF | MSR_PR; // leaves hypervisor state, machine check off
    ASSERT_EQ(ew.run(HRFID), 1);
    EXPECT_EQ(ew.t->MSR.value, MSR_SF | MSR_PR | MSR_EE | MSR_IR | MSR_DR);
    EXPECT_EQ(ew.t->PC.value, 0x3000u);
    EXPECT_EQ(ew.t->CFAR.value, 0x777u);
}

TEST_F(MsrReturn, RfiKeepsHypervisorAndMachineCheck)
{
    ew.option(PO_RFI_SUPPORTED);
    ew.t->SRR1.value = 0xFFFFFFFFFFFFFFFFull & ~MSR_ME;
    ASSERT_EQ(ew.run(RFI), 1);
    // Only the 0x0780_FFFF bits come from SRR1; HV and ME stay.
    EXPECT_EQ(ew.t->MSR.value, MSR_SF | MSR_HV | (0x0780FFFFull & ~(MSR_LE)) | MSR_ME | MSR_LE);
    EXPECT_EQ(ew.t->CFAR.value, 0x1000u);
    ew.option(PO_RFI_SUPPORTED, 0);
    EXPECT_EQ(ew.run(RFI), 0);
}

TEST_F(MsrReturn, RfebbTakesTheTransactionStateFromBescrAndSetsGe)
{
    ew.t->HFSCR.value = ~0ull;
    ew.t->FSCR.value = ~0ull;
    ew.t->EBBRR.value = 0x4000;
    ew.t->BESCR.value = 0x80000000ull | 0x8000000000000000ull;              // TS bits 31:30 = 0b10, GE set
    ew.t->MSR.value = MSR_SF | MSR_HV | MSR_ME | MSR_TS_SUSPENDED | MSR_TM; // S1 may return to T1
    ASSERT_EQ(ew.run(RFEBB), 1);                                            // S = 0 clears GE
    EXPECT_EQ(ew.t->MSR.value & MSR_TS, MSR_TS_TRANSACTIONAL);
    EXPECT_EQ(ew.t->BESCR.value, 0x80000000ull);
    EXPECT_EQ(ew.t->PC.value, 0x4000u);
    EXPECT_EQ(ew.t->CFAR.value, 0x1000u);

    ew.t->MSR.value = MSR_SF | MSR_HV;
    ew.t->BESCR.value = 0; // stays non-transactional
    ASSERT_EQ(ew.run(RFEBB | 0x800), 1);
    EXPECT_EQ(ew.t->BESCR.value >> 63, 1u);

    // A refused transition raises the bad-thing interrupt and writes nothing: rfebb may not
    // leave the suspended state (S0 to N0).
    // (With an operating system that supports transactions: otherwise the model takes it.)
    ew.t->machine->htm_os_supports_tm = 1;
    ew.t->MSR.value = MSR_SF | MSR_HV | MSR_TS_SUSPENDED;
    ew.t->PC.value = 0x1000;
    ew.t->BESCR.value = 0;
    EXPECT_EQ(ew.run(RFEBB | 0x800), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 2);
    EXPECT_EQ(ew.t->BESCR.value, 0u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
}

TEST_F(MsrReturn, RfscvOnlyInTagsActiveState)
{
    ew.t->CTR.value = MSR_PR;
    ew.t->LR.value = 0x5000;
    EXPECT_EQ(ew.run(RFSCV), 0);
    ASSERT_NE(ew.raised(), nullptr);
    EXPECT_EQ(ew.raised()->type, 28);

    ew.t->MSR.value |= MSR_TA;
    ASSERT_EQ(ew.run(RFSCV), 1);
    EXPECT_EQ(ew.t->PC.value, 0x5000u);
    // CTR's PR turns on EE, IR and DR; HV and ME are kept from the old MSR.
    EXPECT_EQ(ew.t->MSR.value & (MSR_PR | MSR_EE | MSR_IR | MSR_DR | MSR_HV | MSR_ME),
              MSR_PR | MSR_EE | MSR_IR | MSR_DR | MSR_HV | MSR_ME);
}

TEST_F(MsrReturn, MtmsrWithLOneMovesOnlyEeAndRi)
{
    ew.gpr(5) = 0xFFFFFFFFFFFFFFFFull;
    ASSERT_EQ(ew.run(mtmsr(5, 1)), 1);
    EXPECT_EQ(ew.t->MSR.value, MSR_SF | MSR_HV | MSR_ME | MSR_EE | MSR_RI);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
    EXPECT_EQ(ew.t->CFAR.value, 0x777u); // the moves leave CFAR

    ew.option(PO_MTMSR_SUPPORTED, 0);
    EXPECT_EQ(ew.run(mtmsr(5, 1)), 0);
    EXPECT_EQ(ew.raised()->type, 28);
}

TEST_F(MsrReturn, MtmsrdIntoSixtyFourBitModeAtTheLastWordContinuesAtZero)
{
    ew.t->MSR.value = MSR_HV | MSR_ME;
    ew.t->PC.value = 0xFFFFFFFC;
    ew.gpr(3) = MSR_SF;
    ASSERT_EQ(ew.run(mtmsrd(3)), 1);
    EXPECT_NE(ew.t->MSR.value & MSR_SF, 0u);
    EXPECT_EQ(ew.t->PC.value, 0u);

    // Elsewhere it continues at the next word.
    ew.t->MSR.value = MSR_HV | MSR_ME;
    ew.t->PC.value = 0x2000;
    ASSERT_EQ(ew.run(mtmsrd(3)), 1);
    EXPECT_EQ(ew.t->PC.value, 0x2004u);
}

TEST_F(MsrReturn, ReturnToProblemStateDropsPriorityFiveToFour)
{
    struct Case {
        const char *name;
        uint32_t pspb;
        uint64_t tsrl, expected;
    } cases[] = {
        {"priority 5, PSPB 0", 0, TSRL_PRIORITY_5, TSRL_PRIORITY_4},
        {"priority 5, PSPB running", 100, TSRL_PRIORITY_5, TSRL_PRIORITY_5},
        {"priority 6", 0, 6ull << 50, 6ull << 50},
    };
    ew.t->x_smt_enable = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ew.t->MSR.value = MSR_SF | MSR_HV | MSR_ME;
        ew.t->SRR1.value = MSR_SF | MSR_PR;
        tCOOKED_SET_TSRL(ew.t, c.tsrl, 0);
        ew.t->PSPB.value = c.pspb;
        ASSERT_EQ(ew.run(RFID), 1);
        EXPECT_EQ(tCOOKED_GET_TSRL(ew.t, 0), c.expected);
    }
}

TEST_F(MsrReturn, InTransactionalStateAllButRfiAreSkipped)
{
    ew.t->HFSCR.value = ~0ull;
    ew.t->FSCR.value = ~0ull;
    ew.gpr(3) = MSR_SF;
    struct Case {
        const char *name;
        uint32_t word;
        uint64_t extra_msr;
        int result;
        uint64_t pc;
    } cases[] = {
        {"rfid", RFID, 0, 1, 0x1004},        {"hrfid", HRFID, 0, 1, 0x1004},
        {"mtmsr", mtmsr(3), 0, 1, 0x1004},   {"mtmsrd", mtmsrd(3), 0, 1, 0x1004},
        {"rfscv", RFSCV, MSR_TA, 1, 0x1004}, {"rfebb", RFEBB, 0, 0, 0x1800}, // rolled back at once
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const uint64_t msr = MSR_SF | MSR_HV | MSR_ME | MSR_TS_TRANSACTIONAL | c.extra_msr;
        const bool rolled_back = c.word == RFEBB;
        ew.t->MSR.value = msr;
        ew.t->PC.value = 0x1000;
        ew.t->TFHAR.value = 0x1800;
        ew.core.test_machine.machine.threads_in_transaction = 1;
        HTM_Clear_Failure(ew.t);
        EXPECT_EQ(ew.run(c.word), c.result);
        EXPECT_EQ(ew.raised(), nullptr);
        EXPECT_EQ(ew.t->TEXASR.value >> 32, 0x1800000u);
        EXPECT_EQ(ew.t->htm_failure_pending, rolled_back ? 0 : 1);
        EXPECT_EQ(ew.t->MSR.value, rolled_back ? msr & ~MSR_TS : msr);
        EXPECT_EQ(ew.core.test_machine.machine.threads_in_transaction, rolled_back ? 0 : 1);
        EXPECT_EQ(ew.t->PC.value, c.pc);
        EXPECT_EQ(ew.t->CFAR.value, 0x777u);
    }
    ew.core.test_machine.machine.threads_in_transaction = 0;

    // rfi has no guard.
    ew.option(PO_RFI_SUPPORTED);
    ew.t->MSR.value = MSR_SF | MSR_HV | MSR_TS_TRANSACTIONAL;
    ew.t->PC.value = 0x1000;
    ew.t->SRR1.value = MSR_SF;
    EXPECT_EQ(ew.run(RFI), 1);
    EXPECT_EQ(ew.t->PC.value, 0x2000u);
}

TEST_F(MsrReturn, RefusedTransitionRaisesBadThingAndChangesNothing)
{
    // From N only N may be written.
    ew.t->SRR1.value = MSR_SF | MSR_PR | MSR_TS_TRANSACTIONAL | MSR_TM;
    ew.t->HSRR1.value = ew.t->SRR1.value;
    ew.gpr(3) = MSR_SF | MSR_TS_TRANSACTIONAL | MSR_TM;
    for (uint32_t word : {RFID, HRFID, mtmsrd(3)}) {
        EXPECT_EQ(ew.run(word), 0);
        ASSERT_NE(ew.raised(), nullptr);
        EXPECT_EQ(ew.raised()->type, 2);
        EXPECT_EQ(ew.t->MSR.value, MSR_SF | MSR_HV | MSR_ME);
        EXPECT_EQ(ew.t->PC.value, 0x1000u);
    }
}

// A write from S0 asking for N0 is suppressed: rfid keeps S0 and returns.
TEST_F(MsrReturn, RfidFromSuspendedKeepsSuspended)
{
    ew.t->MSR.value = MSR_SF | MSR_HV | MSR_ME | MSR_TS_SUSPENDED;
    ew.t->SRR1.value = MSR_SF | MSR_HV | MSR_ME;
    ASSERT_EQ(ew.run(RFID), 1);
    EXPECT_EQ(ew.t->MSR.value & (MSR_TS | MSR_TM), MSR_TS_SUSPENDED);
    EXPECT_EQ(ew.t->PC.value, 0x2000u);
}

TEST(HtmMsrTransition, Rules)
{
    constexpr uint64_t N0 = 0, T1 = MSR_TS_TRANSACTIONAL | MSR_TM, T0 = MSR_TS_TRANSACTIONAL,
                       S0 = MSR_TS_SUSPENDED, S1 = MSR_TS_SUSPENDED | MSR_TM;
    struct Case {
        const char *name;
        uint64_t from, to;
        int allowed;
        uint64_t written; // the TS and TM bits of the value written
    } cases[] = {
        {"N to N", N0, MSR_TM, 1, MSR_TM}, {"N to T1", N0, T1, 0, T1},  {"T1 to T1", T1, T1, 1, T1},
        {"T1 to N", T1, N0, 0, N0},        {"T1 to S1", T1, S1, 0, S1}, {"S0 to N0 kept S0", S0, N0, 1, S0},
        {"S0 to S1", S0, S1, 1, S1},       {"S0 to T1", S0, T1, 1, T1}, {"S0 to T0", S0, T0, 0, T0},
        {"S1 to T1", S1, T1, 1, T1},       {"S1 to N0", S1, N0, 0, N0}, {"T0 to both", T0, MSR_TS, 0, MSR_TS},
    };
    ExecWord ew;
    IOPDesc *iop = ew.prepare(mtmsrd(3));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        uint64_t msr = MSR_SF | MSR_HV | c.to;
        EXPECT_EQ(HTM_check_MSR_Transition(iop, &msr, MSR_SF | MSR_HV | c.from, "mtmsrd"), c.allowed);
        EXPECT_EQ(msr & (MSR_TS | MSR_TM), c.written);
    }
    // SIM_CTRL TM_disable lets every change through.
    ew.t->SIM_CTRL.value = 0x100000000ull;
    uint64_t msr = MSR_SF | T1;
    EXPECT_EQ(HTM_check_MSR_Transition(iop, &msr, MSR_SF, "mtmsrd"), 1);
}

// S to T keeps the reservation only when it was taken in transactional state.
TEST(HtmMsrTransition, ReservationAcrossSuspendedToTransactional)
{
    ExecWord ew;
    ew.memory();
    IOPDesc *iop = ew.prepare(mtmsrd(3));
    for (int taken_in_T : {1, 0}) {
        SCOPED_TRACE(taken_in_T);
        set_reservation_bit(ew.t->memory_client);
        ew.t->htm_reservation_in_T = taken_in_T;
        uint64_t msr = MSR_SF | MSR_TS_TRANSACTIONAL | MSR_TM;
        EXPECT_EQ(HTM_check_MSR_Transition(iop, &msr, MSR_SF | MSR_TS_SUSPENDED | MSR_TM, "rfid"), 1);
        EXPECT_EQ(ew.t->memory_client->reservation_valid, taken_in_T);
        clear_reservation_bit(ew.t->memory_client);
    }
}

} // namespace
