// Doorbells between the threads of a processor and the priority requests of the "or" no-ops.
#include <gtest/gtest.h>

#include "interrupts/exception_table.h"
#include "interrupts/exception_types.h"
#include "isa/exec_word.h"
#include "isa/hooks/smt_priority.h"
#include "processor/hooks/htm.h"
#include "processor/regs/msr_rules.h"
#include "support/htm_record.h"

namespace
{

constexpr uint32_t MSGSNDP = 0x7C00011C, MSGSND = 0x7C00019C, MSGCLRP = 0x7C00015C, MSGCLR = 0x7C0001DC;
constexpr uint32_t OR_XO = 444;

uint32_t with_rb(uint32_t word, uint32_t rb)
{
    return word | (rb << 11);
}

uint64_t message(uint64_t type, uint64_t tag)
{
    return (type << 27) | tag;
}

// How many exceptions of the type are queued on the thread.
int queued(ThreadState *thread, int32_t type)
{
    int n = 0;
    for (PowerPCException *e = thread->interrupt_queue.head; e; e = e->next)
        n += e->type == type;
    return n;
}

class Doorbell : public ::testing::Test
{
  protected:
    Doorbell() : ew({}, 4)
    {
        for (int i = 0; i < 4; i++)
            ew.core.thread(i)->TIR.value = (uint64_t)i;
        ew.gpr(5) = message(5, 1);
    }
    ~Doorbell() override
    {
        for (int i = 0; i < 4; i++)
            while (PowerPCException *e = ew.core.thread(i)->interrupt_queue.head)
                RemoveException(ew.core.thread(i), e);
    }
    ExecWord ew;
};

TEST_F(Doorbell, PrivilegeOfTheFourInstructions)
{
    struct Case {
        uint32_t word;
        uint64_t msr;
        bool performed;
    } cases[] = {
        {MSGSND, MSR_SF, false},
        {MSGSNDP, MSR_SF, true},
        {MSGSND, MSR_SF | MSR_HV | MSR_PR, false},
        {MSGSNDP, MSR_SF | MSR_HV | MSR_PR, false},
        {MSGCLR, MSR_SF, false},
        {MSGCLRP, MSR_SF, true},
        {MSGCLR, MSR_SF | MSR_HV, true},
        {MSGCLRP, MSR_SF | MSR_PR, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.word << " msr " << c.msr);
        ew.t->MSR.value = c.msr;
        ew.t->PC.value = 0x1000;
        EXPECT_EQ(ew.run(with_rb(c.word, 5)), c.performed ? 1 : 0);
        if (c.performed) {
            EXPECT_EQ(ew.raised(), nullptr);
            EXPECT_EQ(ew.t->PC.value, 0x1004u);
        } else {
            ASSERT_NE(ew.raised(), nullptr);
            EXPECT_EQ(ew.raised()->type, EXC_PROGRAM);
        }
    }
}

TEST_F(Doorbell, SendQueuesOncePerTaggedThread)
{
    ThreadState *one = ew.core.thread(1);
    EXPECT_EQ(ew.run(with_rb(MSGSNDP, 5)), 1);
    EXPECT_EQ(queued(one, EXC_P_DBELL), 1);
    EXPECT_EQ(ew.core.core->DPDES.value, 0x2u);
    for (int i : {0, 2, 3})
        EXPECT_EQ(ew.core.thread(i)->interrupt_queue.head, nullptr) << i;

    // Again while queued: nothing changes, even after DPDES was cleared behind its back.
    ew.core.core->DPDES.value = 0;
    EXPECT_EQ(ew.run(with_rb(MSGSNDP, 5)), 1);
    EXPECT_EQ(queued(one, EXC_P_DBELL), 1);
    EXPECT_EQ(ew.core.core->DPDES.value, 0u);

    // The hypervisor doorbell is separate, in DHDES.
    EXPECT_EQ(ew.run(with_rb(MSGSND, 5)), 1);
    EXPECT_EQ(queued(one, EXC_H_DBELL), 1);
    EXPECT_EQ(ew.core.core->DHDES.value, 0x2u);
}

TEST_F(Doorbell, OtherTypesAndPartitionsReachNobody)
{
    ew.gpr(5) = message(4, 1);
    EXPECT_EQ(ew.run(with_rb(MSGSND, 5)), 1);
    ew.gpr(5) = message(5, 9); // no thread has TIR 9
    EXPECT_EQ(ew.run(with_rb(MSGSNDP, 5)), 1);
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(ew.core.thread(i)->interrupt_queue.head, nullptr) << i;
    EXPECT_EQ(ew.core.core->DPDES.value | ew.core.core->DHDES.value, 0u);
}

TEST_F(Doorbell, ClearActsOnTheExecutingThread)
{
    ThreadState *one = ew.core.thread(1);
    ew.run(with_rb(MSGSNDP, 5));
    ew.gpr(5) = message(5, 0);
    ew.run(with_rb(MSGSNDP, 5)); // thread 0 too: DPDES 0x3
    ASSERT_EQ(ew.core.core->DPDES.value, 0x3u);

    // Thread 1 clears its own, whatever the tag.
    one->MSR.value = MSR_SF | MSR_HV;
    one->GPR[5].value = message(5, 3);
    IOPDesc *iop = ew.prepare(with_rb(MSGCLRP, 5));
    iop->thread = one;
    EXPECT_EQ(iop->row->semantic(iop), 1);
    EXPECT_EQ(queued(one, EXC_P_DBELL), 0);
    EXPECT_EQ(queued(ew.core.thread(0), EXC_P_DBELL), 1);
    EXPECT_EQ(ew.core.core->DPDES.value, 0x1u);
}

TEST_F(Doorbell, InATransactionOnlyTheTransactionFails)
{
    for (uint32_t word : {MSGSND, MSGSNDP, MSGCLR, MSGCLRP}) {
        SCOPED_TRACE(word);
        HTM_Clear_Failure(ew.t);
        ew.t->MSR.value = MSR_SF | MSR_HV | MSR_TS_TRANSACTIONAL;
        ew.t->PC.value = 0x1000;
        EXPECT_EQ(ew.run(with_rb(word, 5)), 1);
        EXPECT_EQ(HTM_Recorded_Cause(ew.t), HTM_FAILURE_NOT_ALLOWED);
        EXPECT_EQ(ew.t->PC.value, 0x1004u);
        EXPECT_EQ(ew.core.thread(1)->interrupt_queue.head, nullptr);
    }
}

TEST(PriorityRequest, PermissionByPrivilegeAndTscr)
{
    struct Case {
        int threads;
        uint64_t msr;
        uint32_t tscr;
        int32_t priority;
        const char *permitted; // null: refused
    } cases[] = {
        {2, MSR_SF | MSR_PR, 0x8000, 2, "user"},   {2, MSR_SF | MSR_PR, 0x8000, 4, "user"},
        {2, MSR_SF | MSR_PR, 0x8000, 5, nullptr},  {2, MSR_SF | MSR_PR, 0x8000, 1, nullptr},
        {2, MSR_SF | MSR_PR, 0x10000, 2, nullptr}, {1, MSR_SF | MSR_PR, 0x8000, 2, nullptr},
        {2, MSR_SF, 0x10000, 6, "supervisor"},     {2, MSR_SF, 0x10000, 7, nullptr},
        {2, MSR_SF, 0x8000, 3, nullptr},           {2, MSR_SF | MSR_HV, 0, 7, "hypervisor"},
        {2, MSR_SF | MSR_HV, 0, 0, nullptr},       {2, MSR_SF | MSR_HV | MSR_PR, 0x8000, 3, "user"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.threads << " threads, msr " << std::hex << c.msr << " tscr "
                                        << c.tscr << std::dec << " priority " << c.priority);
        ExecWord ew({}, c.threads);
        ew.t->MSR.value = c.msr;
        ew.core.core->TSCR.value = c.tscr;
        const char *permitted = SMTA_Check_Priority(ew.iop, c.priority);
        EXPECT_STREQ(permitted ? permitted : "(refused)", c.permitted ? c.permitted : "(refused)");
    }
}

TEST(PriorityRequest, OrNoOpAsksForItsPriority)
{
    struct Case {
        int threads;
        uint32_t rs, ra, rb;
        int expected; // the priority afterwards (4 before)
    } cases[] = {
        {2, 1, 1, 1, 2},    // or 1,1,1 in problem state with TSCR 0x8000
        {1, 1, 1, 1, 4},    // one thread: nothing
        {2, 4, 4, 4, 4},    // or 4,4,4 is no priority no-op
        {2, 1, 1, 2, 4},    // fields that differ
        {2, 3, 3, 3, 4},    // or 3,3,3 asks for 6: refused to a user
        {2, 31, 31, 31, 4}, // 1: refused to a user
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.threads << " threads, or " << c.rs << "," << c.ra << "," << c.rb);
        ExecWord ew({}, c.threads);
        ew.t->MSR.value = MSR_SF | MSR_PR;
        ew.core.core->TSCR.value = 0x8000;
        ew.t->x_smt_priority = 4;
        SMTA_Adjust_Priorities_for_NOP(ew.prepare(XO_FORM(OR_XO, c.rs, c.ra, c.rb)));
        EXPECT_EQ(ew.t->x_smt_priority, c.expected);
    }
}

} // namespace
