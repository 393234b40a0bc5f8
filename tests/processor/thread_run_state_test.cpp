// Thread run states, SMT enable and start, split-core switches and the run-state triggers.
#include <gtest/gtest.h>
#include <tcl.h>

#include <string>

#include "exec/machine_triggers.h"
#include "processor/config/processor_options.h"
#include "processor/regs/handwritten_accessors.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "processor/spr/spr_services.h"
#include "register_fixture.h"
#include "runtime/common.h"
#include "runtime/stop.h"
#include "runtime/triggers.h"
#include "support/sink_capture.h"

namespace
{

// A Tcl interpreter whose procedure "rec" appends every call's arguments to the list "fired", and
// the machine's event names of the given list attached to it on a fresh machine trigger table.
class Triggers
{
  public:
    Triggers(GenericMachine *machine, std::initializer_list<const char *> names) : machine_(machine)
    {
        saved_interp_ = quarn_common.interpreter;
        interp_ = Tcl_CreateInterp();
        Tcl_Eval(interp_, "set fired {}; proc rec {args} { lappend ::fired $args }");
        quarn_common.interpreter = interp_;
        machine->trigger_table = Triggers_Init();
        Assoc_Trigger_Init(machine);
        for (const char *name : names) {
            std::string command = std::string("rec ") + name;
            accepted_ += Assoc_Trigger_Set(machine->trigger_table, name, command.c_str()) ? 1 : 0;
        }
    }
    ~Triggers()
    {
        Triggers_Quit(machine_);
        quarn_common.interpreter = saved_interp_;
        Tcl_DeleteInterp(interp_);
    }
    std::string fired() { return Tcl_GetVar(interp_, "fired", TCL_GLOBAL_ONLY); }
    int accepted() const { return accepted_; }

  private:
    GenericMachine *machine_;
    Tcl_Interp *interp_;
    Tcl_Interp *saved_interp_;
    int accepted_ = 0;
};

class RunStates : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        fixture.build();
        core = fixture.core;
        core->x_cpuState = CPU_RUNNING;
        core->smt_mode = SMT_MODE_1;
        for (int i = 0; i < 8; i++) {
            t(i)->x_threadState = CPU_STALLED;
            t(i)->stall_reason = STALL_INITIAL_STATE;
        }
    }
    ThreadState *t(int i) { return fixture.thread(i); }

    TestCore fixture{8, 1};
    ProcessorState *core = nullptr;
};

TEST_F(RunStates, StallKeepsTheFirstReasonAndTriggersOnce)
{
    // "THREAD_WAIT" is fired by the wait state but is no machine event name: it never runs.
    Triggers triggers(t(3)->machine, {"THREAD_RUN", "THREAD_STALL", "THREAD_WAIT"});
    EXPECT_EQ(triggers.accepted(), 2);
    Thread_RunState(t(3));
    EXPECT_EQ(t(3)->x_threadState, (uint32_t)CPU_RUNNING);
    EXPECT_EQ(t(3)->x_smt_enable, 1u);
    Thread_StallState(t(3), "TCL command", STALL_TCL_COMMAND);
    Thread_StallState(t(3), "Stop command", STALL_STOP_COMMAND);
    EXPECT_EQ(t(3)->stall_reason, STALL_TCL_COMMAND);
    Thread_WaitState(t(3), "wait", STALL_WAIT);
    EXPECT_EQ(triggers.fired(), "{THREAD_RUN {sim m mcm 0 cpu 0 thread 3}} "
                                "{THREAD_STALL {sim m mcm 0 cpu 0 thread 3}}");
}

TEST_F(RunStates, TheProcessorFollowsItsThreads)
{
    Thread_RunState(t(0));
    Thread_RunState(t(1));
    Thread_WaitState(t(1), "wait", STALL_WAIT);
    Thread_StallState(t(0), "stop", STALL_STOP_COMMAND);
    EXPECT_EQ(core->x_cpuState, (uint32_t)CPU_RUNNING); // thread 1 waits
    Thread_StallState(t(1), "stop", STALL_STOP_COMMAND);
    EXPECT_EQ(core->x_cpuState, (uint32_t)CPU_STALLED);
    Thread_RunState(t(1));
    EXPECT_EQ(core->x_cpuState, (uint32_t)CPU_RUNNING);
}

TEST_F(RunStates, SmtModeFollowsTheHighestEnabledThread)
{
    smt_ThreadEnable(t(0));
    smt_ThreadEnable(t(5));
    EXPECT_EQ(core->smt_mode, (uint32_t)SMT_MODE_8);
    EXPECT_EQ(t(5)->x_smt_priority, 4);

    // Switching disabled by HID0: the mode stays and the error comes once.
    core->smt_mode = SMT_MODE_1;
    core->options[PO_HID_ENABLE_SMT_MODE_SWITCH] = 1;
    core->HID0.value = 0;
    SinkCapture sink;
    smt_ThreadEnable(t(2));
    smt_ThreadEnable(t(6));
    EXPECT_EQ(core->smt_mode, (uint32_t)SMT_MODE_1);
    EXPECT_EQ(sink.text(), "FATAL ERROR: smt_DetermineMode: old_mode = 1, and enabled thread 5 -> mode 4 but "
                           "switching disabled\n\n");
    Start_The_Simulation();
    core->HID0.value = 1ull << 36;
    smt_ThreadEnable(t(7));
    EXPECT_EQ(core->smt_mode, (uint32_t)SMT_MODE_8);

    t(4)->manual_disable = 1;
    EXPECT_EQ(smt_ThreadEnable(t(4)), 0);
    EXPECT_EQ(t(4)->x_smt_enable, 0u);
}

TEST_F(RunStates, DecrementerWakeOfANappingThread)
{
    ThreadState *n = t(1);
    core->options[PO_DEC_CANNOT_WAKEUP_THREAD] = 1;
    n->power_mode = POWER_NAP;
    n->stall_reason = STALL_INSTRUCTION;
    n->LPCR.value = 0;
    EXPECT_EQ(smt_ThreadStart(n, 6, 0x100), 0);
    EXPECT_EQ(n->x_threadState, (uint32_t)CPU_STALLED);
    n->LPCR.value = 0x2000;
    n->rtas_stopped = 1;
    EXPECT_EQ(smt_ThreadStart(n, 6, 0x100), 0);
    n->rtas_stopped = 0;
    EXPECT_EQ(smt_ThreadStart(n, 6, 0x100), 1);
    EXPECT_EQ(n->x_threadState, (uint32_t)CPU_RUNNING);
    EXPECT_EQ(n->PC.value, 0x100u);
}

TEST_F(RunStates, StartWritesTheWakeUpState)
{
    struct Case {
        int32_t mode, reason;
        uint64_t bits, clear;
    } cases[] = {
        {POWER_NAP, 4, 0x21002, 0}, {POWER_DOZE, 8, 0x11002, 0}, {POWER_SLEEP, 4, 0x31000, 2},
        {POWER_WINKLE, 4, 0x31000, 2}, {POWER_OFF, 4, 0, 0},
    };
    const uint64_t msr = 0x9000000000FFF033ull;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        ThreadState *s = t(2);
        s->x_smt_enable = 0;
        s->x_threadState = CPU_STALLED;
        s->stall_reason = STALL_INSTRUCTION;
        s->power_mode = c.mode;
        s->LPCR.value = 0x4000;
        s->MSR.value = msr;
        s->PC.value = 0x12347;
        EXPECT_EQ(SMTA_Start_Thread(s, c.reason, 0x100), 1);
        EXPECT_EQ(s->SRR0.value, 0x12344u);
        EXPECT_EQ(s->SRR1.value, ((msr & 0xFFFFFFFF8780FFFFull) | (uint64_t)c.reason << 18 | c.bits) & ~c.clear);
        EXPECT_EQ(s->restart_address, 0x100u);
        EXPECT_EQ(s->PC.value, 0x100u);
        EXPECT_EQ(s->x_threadState, (uint32_t)CPU_RUNNING);
    }
    // An enabled thread is only boosted.
    EXPECT_EQ(SMTA_Start_Thread(t(2), 4, 0x700), 0);
    EXPECT_EQ(t(2)->PC.value, 0x100u);
}

TEST_F(RunStates, LostReservationEndsOnlyWaitrsv)
{
    t(1)->stall_reason = STALL_STOP_COMMAND;
    wait_lost_reservation_callback(t(1));
    EXPECT_EQ(t(1)->x_threadState, (uint32_t)CPU_STALLED);
    t(1)->stall_reason = STALL_WAITRSV;
    wait_lost_reservation_callback(t(1));
    EXPECT_EQ(t(1)->x_threadState, (uint32_t)CPU_RUNNING);
}

TEST_F(RunStates, MsrWeStallsAndRuns)
{
    Thread_RunState(t(0));
    Update_RunState_for_MSR_change(t(0), 0, 0x40000);
    EXPECT_EQ(t(0)->stall_reason, STALL_MSR_WE);
    Update_RunState_for_MSR_change(t(0), 0x40000, 0);
    EXPECT_EQ(t(0)->x_threadState, (uint32_t)CPU_RUNNING);
    core->options[PO_RESERVE_MSR_WE_BIT] = 1;
    Update_RunState_for_MSR_change(t(0), 0, 0x40000);
    EXPECT_EQ(t(0)->x_threadState, (uint32_t)CPU_RUNNING);
}

TEST_F(RunStates, SplitAndJoinByHid0)
{
    core->options[PO_GLENT_EN_4_LPAR_SYSTEM] = 1;
    COOKED_SET_HID0(t(0), (1ull << 52) | (1ull << 48));
    EXPECT_EQ(core->HID0.value, 1ull << 48);
    EXPECT_EQ(core->partition_count, 1);

    COOKED_SET_HID0(t(0), 1ull << 52);
    EXPECT_EQ(core->partition_count, 2);
    EXPECT_EQ(core->HID0.value, 1ull << 57);
    EXPECT_EQ(t(5)->shared_processor, core->partition_views[1]);
    EXPECT_EQ(t(5)->thread_id_in_partition, 1);
    EXPECT_EQ(t(5)->partition_index, 1);
    EXPECT_EQ(t(2)->shared_processor, core);

    smt_ThreadEnable(t(0));
    smt_ThreadEnable(t(1));
    EXPECT_EQ(smt_PerformLPAR_2_4_To_1(t(0)), 0); // two enabled threads
    t(1)->x_smt_enable = 0;
    EXPECT_EQ(smt_PerformLPAR_2_4_To_1(t(0)), 1);
    EXPECT_EQ(core->partition_count, 1);
    EXPECT_EQ(t(5)->shared_processor, core);
    EXPECT_EQ(core->HID0.value, 0u);
}

TEST_F(RunStates, StoppingAnAssistThread)
{
    ThreadState *starter = t(0), *assist = t(1);
    Thread_RunState(starter);
    Thread_RunState(assist);
    starter->next_assist = assist;
    starter->assist_thread_running = 1;
    assist->assist_parent = starter;
    assist->is_assist_thread = 1;
    assist->PC.value = 0x4567C;
    IOPDesc iop{};
    iop.thread = starter;
    Stop_All_Assist_Threads(&iop);
    EXPECT_EQ(assist->x_threadState, (uint32_t)CPU_STALLED);
    EXPECT_EQ(assist->stall_reason, STALL_ASSIST_STOPPED);
    EXPECT_EQ(starter->next_assist, nullptr);
    EXPECT_EQ(assist->is_assist_thread, 0u);
    EXPECT_EQ(assist->APSCR.value & 0x20, 0x20u);
    EXPECT_EQ((starter->APSCR.value >> 16) & 0xFFFF, (0x4567Cu >> 2) & 0xFFFF);
}

} // namespace

// ---- register-trigger nodes ----

#include "processor/regs/reg_triggers.h"
#include "processor/regs/register_file.h"

namespace
{

TEST(RegTriggerNodes, IndexesAndReuse)
{
    Reg_Trigger_Desc set{};
    EXPECT_EQ(Reg_Trigger_Node_New(&set, "LR", "a", ~0ull), 0);
    EXPECT_EQ(Reg_Trigger_Node_New(&set, "LR", "b", ~0ull), 1);
    EXPECT_EQ(Reg_Trigger_Node_New(&set, "LR", "c", 0xF0), 2);
    EXPECT_EQ(set.write.count, 3);
    EXPECT_EQ(set.enabled_write.count, 3);
    EXPECT_STREQ(set.name, "LR");
    Reg_Trigger_Node *second = set.write.head->next;
    Reg_Trigger_List_Remove(&set.write, &set.enabled_write, second);
    ASSERT_EQ(second->data, nullptr);
    EXPECT_EQ(Reg_Trigger_Node_New(&set, "ignored", "d", 1), 1);
    EXPECT_EQ(set.write.count, 3);
    auto *record = static_cast<Reg_Trigger_Write *>(second->data);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->procedure, "d");
    EXPECT_EQ(record->change_mask, 1u);
    EXPECT_STREQ(set.name, "LR");
    Reg_Trigger_List_Free(&set.write, &set.enabled_write);
}

} // namespace
