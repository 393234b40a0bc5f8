// The run gate, the mode-switch rendezvous of thread jobs, and the run entry points.
#include <gtest/gtest.h>

#include <string>

#include "kernel/counter.h"
#include "kernel/job.h"
#include "kernel/tsim.h"
#include "memory/memory_map.h"
#include "processor/records/generic_machine.h"
#include "processor/records/processor_state.h"
#include "processor/records/thread_state.h"
#include "processor/run/modes.h"
#include "processor/run/run_control.h"
#include "processor/run/run_gate.h"
#include "processor/run/smt.h"
#include "processor/run/thread_run_state.h"
#include "processor/time/processor_time.h"
#include "runtime/callbacks.h"
#include "runtime/common.h"
#include "runtime/stop.h"
#include "embed/libsim.h"
#include "support/built_machine.h"
#include "support/sink_capture.h"


namespace
{

int count(const std::string &text, const std::string &what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        n++;
    return n;
}

BuiltMachine::Configure threads(const char *n)
{
    return [n](BuiltMachine &b) { b.set("processor/number_of_threads", n); };
}

// Makes the core and its threads running and enabled, their jobs free to run.
ProcessorState *all_running(GenericMachine *machine)
{
    ProcessorState *core = GenericMachine__Processor(machine, 0);
    core->x_cpuState = CPU_RUNNING;
    for (uint32_t i = 0; i < core->num_threads; i++) {
        core->threads[i].x_threadState = CPU_RUNNING;
        core->threads[i].x_smt_enable = 1;
        core->threads[i].manual_disable = 0;
        job_set(core->threads[i].job, 0);
    }
    return core;
}

TEST(RunGate, AnswersWithoutBlocking)
{
    BuiltMachine m("gate", threads("2"));
    ASSERT_NE(m.machine, nullptr);
    ProcessorState *core = all_running(m.machine);
    ThreadState *t = &core->threads[1];
    ASSERT_EQ(Check_Can_Run(t, 0), 1);
    struct Case {
        const char *what;
        void (*block)(GenericMachine *, ProcessorState *, ThreadState *);
        void (*unblock)(GenericMachine *, ProcessorState *, ThreadState *);
    } cases[] = {
        {"switch pending", [](GenericMachine *g, ProcessorState *, ThreadState *) { g->pending_mode = MODE_FAST; },
         [](GenericMachine *g, ProcessorState *, ThreadState *) { g->pending_mode = 0; }},
        {"CYCLE mode", [](GenericMachine *g, ProcessorState *, ThreadState *) { counter_set(g->functional_mode, 1); },
         [](GenericMachine *g, ProcessorState *, ThreadState *) { counter_set(g->functional_mode, 0); }},
        {"processor stalled", [](GenericMachine *, ProcessorState *c, ThreadState *) { c->x_cpuState = CPU_STALLED; },
         [](GenericMachine *, ProcessorState *c, ThreadState *) { c->x_cpuState = CPU_RUNNING; }},
        {"manually disabled", [](GenericMachine *, ProcessorState *, ThreadState *x) { x->manual_disable = 1; },
         [](GenericMachine *, ProcessorState *, ThreadState *x) { x->manual_disable = 0; }},
        {"SMT-disabled", [](GenericMachine *, ProcessorState *, ThreadState *x) { x->x_smt_enable = 0; },
         [](GenericMachine *, ProcessorState *, ThreadState *x) { x->x_smt_enable = 1; }},
        {"job held", [](GenericMachine *, ProcessorState *, ThreadState *x) { job_set(x->job, 1); },
         [](GenericMachine *, ProcessorState *, ThreadState *x) { job_set(x->job, 0); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.block(m.machine, core, t);
        EXPECT_EQ(Check_Can_Run(t, 0), 0);
        c.unblock(m.machine, core, t);
        EXPECT_EQ(Check_Can_Run(t, 0), 1);
    }
}

TEST(RunGate, EmbeddingThreadControls)
{
    BuiltMachine m("controls", threads("2"));
    ASSERT_NE(m.machine, nullptr);
    ProcessorState *core = all_running(m.machine);
    ThreadState *t = &core->threads[1];
    EXPECT_EQ(LIBSIM__DisableThread(t), 1);
    EXPECT_EQ(t->manual_disable, 1u);
    EXPECT_EQ(t->x_threadState, (uint32_t)CPU_STALLED);
    EXPECT_EQ(t->stall_reason, STALL_TCL_COMMAND);
    EXPECT_EQ(Check_Can_Run(t, 0), 0);
    EXPECT_EQ(LIBSIM__Thread_SetRunMode(t, 1), 1); // refused: still manually disabled
    EXPECT_EQ(t->x_threadState, (uint32_t)CPU_STALLED);
    core->x_cpuState = CPU_STALLED;
    EXPECT_EQ(LIBSIM__EnableThread(t), 1);
    EXPECT_EQ(core->x_cpuState, (uint32_t)CPU_RUNNING);
    EXPECT_EQ(t->x_threadState, (uint32_t)CPU_RUNNING);
    EXPECT_EQ(Check_Can_Run(t, 0), 1);
    EXPECT_EQ(LIBSIM__Thread_SetRunMode(t, 0), 0);
    EXPECT_EQ(t->stall_reason, STALL_SMT_CONTROL);
    EXPECT_EQ(LIBSIM__Thread_SetRunMode(t, 1), 1);
    EXPECT_EQ(t->x_threadState, (uint32_t)CPU_RUNNING);
}

// Both threads in hypervisor real mode loop over "addi r3,r3,1; b .-4" at 0x100.
void run_a_loop(ProcessorState *core)
{
    MemoryClient *client = core->threads[0].memory_client;
    ASSERT_EQ(Write_Mapped_Memory_Reg(client, 0x100, 4, 0x38630001, 0), 1);
    ASSERT_EQ(Write_Mapped_Memory_Reg(client, 0x104, 4, 0x4BFFFFFC, 0), 1);
    core->HRMOR.value = 0;
    for (uint32_t i = 0; i < core->num_threads; i++) {
        core->threads[i].MSR.value = 0x9000000000000000ull; // SF, HV; relocation off
        core->threads[i].PC.value = 0x100;
    }
}

// What the switch_mode callback saw: per thread, its instruction count, whether its job is the
// one performing the switch and whether it is held on "switch-mode-done"; the status counter.
struct AtSwitch {
    ProcessorState *core;
    GenericMachine *machine;
    int calls = 0;
    int status = 0;
    int done = 0;
    uint64_t instructions[2] = {};
    bool leads[2] = {};
    bool held[2] = {};
};

void at_switch(void *data, GenericMachine *, uint32_t)
{
    auto *a = static_cast<AtSwitch *>(data);
    a->calls++;
    a->status = counter_get(a->machine->switch_mode_status);
    a->done = counter_get(a->machine->switch_mode_done);
    for (int i = 0; i < 2; i++) {
        job_s *job = a->core->threads[i].job;
        a->instructions[i] = a->core->threads[i].Instruction_Number;
        a->leads[i] = job == tsim_active_job;
        a->held[i] = job->proxy.state == PROXY_BLOCKED && job->proxy.queue == &a->machine->switch_mode_done->queue;
    }
}

struct Rendezvous {
    const char *what;
    int standalone;
    int parked;    // the thread parked in its gate when the switch is asked for, -1 none
    int disabled;  // parked by a manual disable (run state still running), else stalled
    int status;    // "switch-mode-status" while the switch is performed
    bool follower; // a second job waits in the rendezvous during the switch
};

void PrintTo(const Rendezvous &r, std::ostream *os)
{
    *os << r.what;
}

// Standalone mode and the test's switch_mode callback, for one test.
struct SwitchWatch {
    SwitchWatch(int standalone, AtSwitch *seen) : saved(standalone_mode)
    {
        standalone_mode = standalone;
        Callback_register_switch_mode(99, "rendezvous-test", reinterpret_cast<CallbackFunction>(at_switch), seen);
    }
    ~SwitchWatch()
    {
        Callback_Clear_function("rendezvous-test");
        standalone_mode = saved;
    }
    int saved;
};

class ModeSwitch : public ::testing::TestWithParam<Rendezvous>
{
};

TEST_P(ModeSwitch, ThreadsMeetAndSwitchOnce)
{
    const Rendezvous &r = GetParam();
    BuiltMachine m("switch", threads("2"));
    ASSERT_NE(m.machine, nullptr);
    ProcessorState *core = all_running(m.machine);
    ASSERT_EQ(core->num_threads, 2u);
    ASSERT_NO_FATAL_FAILURE(run_a_loop(core));
    ThreadState *t = core->threads;
    uint64_t tpc = core->core_domain ? core->core_domain->ticks_per_cycle : 1;
    AtSwitch seen{core, m.machine};
    SwitchWatch watch(r.standalone, &seen);
    SimpleCPUTick(m.machine, 3 * tpc);
    ASSERT_GT(t[0].Instruction_Number, 0u);
    ASSERT_GT(t[1].Instruction_Number, 0u);
    if (r.parked >= 0 && r.disabled) {
        t[r.parked].manual_disable = 1;
        SimpleCPUTick(m.machine, 2 * tpc); // parked on its wake counter before the request
    }
    if (r.parked >= 0 && !r.disabled) t[r.parked].x_threadState = CPU_STALLED, t[r.parked].x_smt_enable = 0;
    SinkCapture sink;
    Mode_Change(m.machine, MODE_FAST);
    ASSERT_EQ(m.machine->pending_mode, (uint32_t)MODE_FAST);
    SimpleCPUTick(m.machine, 3 * tpc);
    EXPECT_EQ(m.machine->mode, (uint32_t)MODE_FAST);
    EXPECT_EQ(m.machine->pending_mode, 0u);
    EXPECT_EQ(count(sink.text(), "!!!!!! Simulator now in FAST mode !!!!!!"), 1);
    EXPECT_EQ(seen.calls, 1);
    EXPECT_EQ(seen.status, r.status); // every counted thread had arrived
    EXPECT_EQ(seen.done, 1);
    EXPECT_EQ(seen.leads[0] + seen.leads[1], 1);
    if (r.parked >= 0 && !r.disabled) {
        EXPECT_TRUE(seen.leads[1 - r.parked]); // a stalled thread takes no part
    }
    EXPECT_EQ(seen.held[0] || seen.held[1], r.follower);
    for (int i = 0; i < 2; i++) {
        SCOPED_TRACE(i);
        if (i == r.parked) {
            EXPECT_EQ(t[i].Instruction_Number, seen.instructions[i]); // parked in its gate
            t[i].manual_disable = 0;
            t[i].x_threadState = CPU_RUNNING;
            t[i].x_smt_enable = 1;
            counter_set(&t[i].wake_counter, 0);
            SimpleCPUTick(m.machine, 2 * tpc);
        }
        EXPECT_GT(t[i].Instruction_Number, seen.instructions[i]); // went on in the new mode
    }
    EXPECT_EQ(count(sink.text(), "Simulator now in"), 1);
    EXPECT_EQ(seen.calls, 1);
}

INSTANTIATE_TEST_SUITE_P(Rendezvous, ModeSwitch,
                         ::testing::Values(Rendezvous{"two running threads", 0, -1, 0, 0, true},
                                           Rendezvous{"one running thread", 0, 1, 0, 0, false},
                                           Rendezvous{"standalone", 1, -1, 0, -1, false},
                                           Rendezvous{"first thread stalled", 0, 0, 0, 0, false},
                                           // Counted, released from its gate by the leader, then
                                           // parked again after the switch.
                                           Rendezvous{"second thread disabled", 0, 1, 1, 0, true}),
                         [](const auto &info) { return std::to_string(info.index); });

TEST(RunEntry, ZeroCountsDoNothing)
{
    BuiltMachine m("zero", threads("1"));
    ASSERT_NE(m.machine, nullptr);
    SinkCapture sink;
    SimpleCPUCycle(m.machine, 0);
    SimpleCPUTick(m.machine, 0);
    EXPECT_EQ(ThreadState__Step(GenericMachine__Thread(m.machine, 0), 0), 0u);
    EXPECT_EQ(m.machine->tsim->now, 0u);
    EXPECT_EQ(m.machine->stop_after_ticks, nullptr);
    EXPECT_EQ(sink.text(), "");
}

TEST(RunEntry, TheClosingReport)
{
    BuiltMachine m("report", threads("1"));
    ASSERT_NE(m.machine, nullptr);
    SinkCapture sink;
    quarn_common.print_flags = PRINT_FLAG_INSTR_COUNT;
    SimpleCPUTick(m.machine, 1); // neither count advanced by more than 1
    EXPECT_EQ(sink.text(), "");
    m.machine->step_domain = m.machine->base_domain;
    uint64_t before = GetRawTime(m.machine);
    m.machine->instruction_count = 42; // instructions of earlier runs count too
    SimpleCPUCycle(m.machine, 100);
    EXPECT_EQ(sink.text(), std::to_string(before + 100) + ": ** finished running 42 instructions **\n");
}

TEST(RunEntry, OnlyOtherCausesPrintTheStop)
{
    struct Case {
        uint32_t cause;
        bool printed;
    } cases[] = {{STOP_CYCLE_COUNT, false}, {STOP_INSTRUCTION_COUNT, false}, {STOP_USER_INTERRUPT, true},
                 {STOP_EVENT_QUEUE_EMPTY, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.cause);
        GenericMachine machine{};
        machine.tsim = tsim_new("stops");
        uint32_t cause = c.cause;
        job_new(machine.tsim, "stopper", [](void *a) { Stop_The_Simulation(*static_cast<uint32_t *>(a)); }, &cause);
        SinkCapture sink;
        GenericMachine__Run(&machine);
        EXPECT_EQ(sink.text().find("** Execution stopped:") != std::string::npos, c.printed) << sink.text();
        tsim_free(machine.tsim);
        Start_The_Simulation();
    }
}

TEST(RunEntry, EmbeddingTicksAndCycleLimit)
{
    BuiltMachine m("embed", threads("1"));
    ASSERT_NE(m.machine, nullptr);
    vLIBSIM_data library{};
    library.machine = m.machine; // a handle whose machine exists
    vLIBSIM_data *handle = &library;
    m.machine->tsim->now = 500;
    LIBSIM__Tick_Set(handle, 900);
    EXPECT_EQ(LIBSIM__Tick_Get(handle), 500u);
    LIBSIM__Tick_Set(handle, 300);
    EXPECT_EQ(LIBSIM__Tick_Get(handle), 300u);

    uint64_t per = m.machine->base_domain->ticks_per_cycle;
    m.machine->tsim->now = 10 * per;
    EXPECT_EQ(LIBSIM__CycleLimit(handle, 0), 10u);
    EXPECT_EQ(m.machine->cycle_limit, 10u);
    EXPECT_NE(m.machine->stop_after_ticks, nullptr); // armed after 0 ticks
    EXPECT_EQ(LIBSIM__CycleLimit(handle, 5), 10u);
    EXPECT_EQ(m.machine->cycle_limit, 15u);
    EXPECT_EQ(LIBSIM__Run(handle), 15u);
    EXPECT_EQ(stop_simulation, (uint32_t)STOP_CYCLE_COUNT);
}

TEST(RunEntry, NoKernel)
{
    GenericMachine machine{};
    SinkCapture sink;
    vLIBSIM_data library{};
    library.machine = &machine;
    EXPECT_EQ(LIBSIM__Tick_Get(&library), 0u);
    EXPECT_EQ(sink.text(), "FATAL ERROR: tsim in machine is NULL!!!!\n");
    Start_The_Simulation();
}

} // namespace
