// Threads of a core acting on each other: the CTRL write (problem state, enable bits, SMT requests),
// sap and bail, the assist-thread start with its register copy, and the hand-over of a detached
// thread's written registers.
#include "decode/semantics.h"
#include "exec_word.h"
#include "isa/assist_instructions.h"
#include "processor/hooks/htm.h"
#include "processor/records/processor_identity.h"
#include "processor/records/processor_state.h"
#include "processor/regs/ctrl.h"
#include "processor/regs/reg_accessors.h"
#include "processor/run/assist_threads.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "support/htm_record.h"

namespace
{

void running(ThreadState *thread)
{
    thread->x_smt_enable = 1;
    thread->x_threadState = CPU_RUNNING;
}

TEST(Ctrl, ProblemStateWritesChangeNothing)
{
    ExecWord ew({}, 2);
    running(ew.t);
    ew.t->MSR.value = MSR_SF | MSR_PR;
    ew.t->x_smt_run_latch = 1;
    ew.core.core->smt_mode = 3;
    Write_CTRL(ew.prepare(0x60000000), 0x00000080); // run latch 0, thread 0 disabled, SMT1
    EXPECT_EQ(ew.t->x_smt_run_latch, 1);
    EXPECT_EQ(ew.t->x_smt_enable, 1u);
    EXPECT_EQ(ew.core.core->smt_mode, 3u);
}

TEST(Ctrl, ClearingItsOwnEnableBitDisablesOnlyTheWriter)
{
    ExecWord ew({}, 2);
    ThreadState *other = ew.core.thread(1);
    running(ew.t);
    running(other);
    // Thread 1's bit (22) clear: thread 1 is left running.
    Write_CTRL(ew.prepare(0x60000000), 0x00800001);
    EXPECT_EQ(other->x_smt_enable, 1u);
    EXPECT_EQ(ew.t->x_smt_enable, 1u);
    EXPECT_EQ(ew.t->x_smt_run_latch, 1);
    // Thread 0's bit (23) clear: the writer disables itself.
    Write_CTRL(ew.prepare(0x60000000), 0x00400000);
    EXPECT_EQ(ew.t->x_smt_enable, 0u);
    EXPECT_EQ(other->x_smt_enable, 1u);
}

TEST(Ctrl, SmtRequestsOnlyMoveTowardFewerThreads)
{
    ExecWord ew({}, 4);
    struct Case {
        const char *name;
        uint32_t mode, request, expected;
    } cases[] = {
        {"two request bits", 3, 0b0011, 3},
        {"SMT1 from SMT4", 3, 0b1000, 1},
        {"SMT8 from SMT2", 2, 0b0001, 2},
        {"SMT2 from no mode", 0, 0b0100, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ew.core.core->smt_mode = c.mode;
        Write_CTRL(ew.prepare(0x60000000), c.request << 4);
        EXPECT_EQ(ew.core.core->smt_mode, c.expected);
    }
}

TEST(Assist, SapOnAThreadWithoutAssistThreadsReportsStatusOne)
{
    ExecWord ew({}, 2);
    tCOOKED_SET_APSCR(ew.t, 0x12345, 0);
    ASSERT_EQ(semantic_sap(ew.prepare(0)), 1);
    EXPECT_EQ(tCOOKED_GET_APSCR(ew.t, 0), 0x12341u);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
}

TEST(Assist, BailInATransactionStartsNothing)
{
    ExecWord ew({}, 2);
    ew.t->MSR.value = MSR_SF | MSR_HV | MSR_TS_TRANSACTIONAL;
    ASSERT_EQ(semantic_bail(ew.prepare(0x10 << 11)), 1);
    EXPECT_EQ(HTM_Recorded_Cause(ew.t), 0x1800000u);
    EXPECT_EQ(ew.t->PC.value, 0x1000u);
    EXPECT_EQ(ew.core.thread(1)->is_assist_thread, 0u);
    EXPECT_EQ(ew.t->next_assist, nullptr);
}

TEST(Assist, StartCopiesTheParentAndPublishesTheAssistThread)
{
    ExecWord ew({}, 3);
    ThreadState *assist = ew.core.thread(2);
    tCOOKED_SET_APSCR(ew.t, 0x12345, 0);
    ew.t->MSR.value = MSR_SF | MSR_HV | MSR_FP | MSR_VMX | MSR_VSX;
    ew.gpr(7) = 77;
    ew.t->LR.value = 0x4444;
    assist->FPSCR.value = 0x5;
    assist->VSCR.value = 0x6;
    assist->VSR[3].value[0] = 0x33;
    ew.t->VSR[3].value[0] = 0x99;
    tCOOKED_SET_APSCR(assist, 0x7, 0);
    Start_Assist_Thread(ew.prepare(0), assist, 0x8000, 0);
    EXPECT_EQ(tCOOKED_GET_APSCR(ew.t, 0), 0x102C5u);
    EXPECT_EQ(tCOOKED_GET_APSCR(assist, 0), 0u);
    EXPECT_EQ(assist->is_assist_thread, 1u);
    EXPECT_EQ(assist->assist_parent, ew.t);
    EXPECT_EQ(ew.t->next_assist, assist);
    EXPECT_EQ(assist->PC.value, 0x8000u);
    EXPECT_EQ(assist->x_threadState, CPU_RUNNING);
    EXPECT_EQ(assist->MSR.value & (MSR_FP | MSR_VMX | MSR_VSX), 0u);
    EXPECT_EQ(assist->GPR[7].value, 77u);
    EXPECT_EQ(assist->LR.value, 0x4444u);
    // Without the vector state: FPSCR, VSCR and VSRs keep their values.
    EXPECT_EQ(assist->FPSCR.value, 0x5u);
    EXPECT_EQ(assist->VSCR.value, 0x6u);
    EXPECT_EQ(assist->VSR[3].value[0], 0x33u);
}

TEST(Assist, BailStartsAnAvailableThreadAtTheOffset)
{
    ExecWord ew({}, 2);
    ew.t->HFSCR.value = ~0ull;
    running(ew.t);
    // Offset field 0x3FFF << 2 & 0xFFFC = 0xFFFC: -4 as a 14-bit value.
    ASSERT_EQ(semantic_bail(ew.prepare(0x3FFFu << 11)), 1);
    ThreadState *assist = ew.core.thread(1);
    EXPECT_EQ(assist->is_assist_thread, 1u);
    EXPECT_EQ(assist->PC.value, 0xFFCu);
    EXPECT_EQ(ew.t->PC.value, 0x1004u);
}

TEST(Assist, BailListing)
{
    ExecWord ew;
    char text[64];
    IOPDesc *iop = ew.prepare(1u << 25 | 0x3FFFu << 11);
    iop->row = nullptr;
    Disassemble_Immediate_Form(text, sizeof text, iop);
    EXPECT_STREQ(text, "no instruction    1,$-0x0004");
    Disassemble_Immediate_Form(text, sizeof text, ew.prepare(0x0010u << 11)); // the word decodes to row 0
    EXPECT_STREQ(text, "INVALID    0,$+0x0040");
}

TEST(RegisterCopy, OnlyWrittenRegistersReachTheDestination)
{
    ExecWord ew({{"processor/mask/IMA3", "0xFF00"}});
    ThreadState *detached = LIBSIM__CallocThread();
    ASSERT_NE(detached, nullptr);
    detached->LR.value = 0x1234;
    detached->LR.written = 1;
    detached->MSR.value = MSR_SF | MSR_PR;
    detached->MSR.written = 1;
    detached->CTR.value = 0x5555; // not written: not copied
    detached->processor->IMA3.value = 0xABCD;
    detached->processor->IMA3.written = 1;

    ThreadState before = *ew.t;
    ProcessorState core_before = *ew.core.core;
    ew.core.core->IMA3.written = 0;
    LIBSIM__CopyAndFreeThreadState(detached, ew.t);

    EXPECT_EQ(ew.t->LR.value, 0x1234u);
    EXPECT_EQ(ew.t->LR.written, 1);
    EXPECT_EQ(ew.t->MSR.value, MSR_SF | MSR_PR);
    int changed = 0;
#define COUNT_CHANGED(member, file_name, width, owner, family)                                               \
    if (ew.t->member.value != before.member.value) changed++;
    QUARN_THREAD_REGISTERS(COUNT_CHANGED)
#undef COUNT_CHANGED
    EXPECT_EQ(changed, 2);
    int core_changed = 0;
#define COUNT_CHANGED(member, file_name, width, owner, family)                                               \
    if (ew.core.core->member.value != core_before.member.value) core_changed++;
    QUARN_CORE_REGISTERS(COUNT_CHANGED)
#undef COUNT_CHANGED
    EXPECT_EQ(core_changed, 1);
    // The IMA value is masked and leaves the written flag alone.
    EXPECT_EQ(ew.core.core->IMA3.value, 0xAB00u);
    EXPECT_EQ(ew.core.core->IMA3.written, 0);
}

} // namespace
