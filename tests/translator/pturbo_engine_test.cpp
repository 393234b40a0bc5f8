// The parallel mode's engine: stop requests (a task is marked once and its next service finishes
// it, unmarked tasks wait; no stop of all tasks from inside a task), the budget of a service under a
// stop-after count (translated code run by the task's coroutine), and the controller's run-to ticks
// (a long gap covered in quanta, a task waiting for time released when its tick is reached).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kernel/job.h"
#include "kernel/tsim.h"
#include "support/sink_capture.h"
#include "translator/page_rig.h"
#include "translator/ptask.h"
#include "translator/pturbo_data.h"
#include "translator/pturbo_engine.h"
#include "translator/pturbo_stats.h"
#include "translator/pturbo_workers.h"

namespace
{

constexpr uint32_t addi(int rt, int ra, int16_t si)
{
    return 14u << 26 | (uint32_t)rt << 21 | (uint32_t)ra << 16 | (uint16_t)si;
}

// Empties every list and table of the shared block the tests touch.
void reset_block(void)
{
    pturbo_data_s &d = pturbo_data;
    pturbo_data_init_once();
    for (int h = 0; h < PTURBO_MAX_HOST_THREADS; h++) {
        ptask_qheader_init(&d.new_list[h]);
        ptask_qheader_init(&d.pending_list[h]);
        ptask_qheader_init(&d.finished_list[h]);
    }
    ptask_qheader_init(&d.time_sync_queue);
    for (ptask_s *&entry : d.active)
        entry = nullptr;
    d.active_count = 0;
    d.stop_requests = 0;
    d.stop_all = 0;
    d.quiesce = 0;
    d.ticks_per_cycle = 1;
    pturbo_stats = {};
}

class PturboEngine : public PageRig
{
  public:
    PturboEngine()
    {
        reset_block();
        saved_serve_ = pturbo_serve;
        r.m.machine->mode = MODE_PTURBO;
        r.m.machine->turbo_minimum = 1; // as while the workers exist
        ptask_body = do_pturbo_go_internal;
    }
    ~PturboEngine() override
    {
        reset_block();
        pturbo_serve = saved_serve_;
        ptask_body = nullptr;
        t->turbo.in_pturbo = 0;
        t->turbo.ptask = nullptr;
        t->turbo.active = 0;
        run_to_tick = 0;
    }

    // A task of the thread made as pturbo_go makes it, at start tick 0.
    ptask_s *task_of(ThreadState *thread, ptask_s *task)
    {
        task->thread = thread;
        thread->turbo.ptask = task;
        thread->turbo.in_pturbo = 1;
        thread->turbo.pturbo_done = 0;
        thread->turbo.pc = thread->PC.value;
        task->start_tick = 0;
        pturbo_add_active_ptask(task);
        pturbo_data.active_count++;
        return task;
    }

    void (*saved_serve_)(ptask_s *);
};

TEST_F(PturboEngine, AStopRequestMarksATaskOnceAndItsNextServiceFinishesIt)
{
    auto other = std::make_unique<ThreadState>();
    other->x_threadState = CPU_RUNNING;
    ptask_s marked{}, waiting{};
    task_of(t, &marked);
    task_of(other.get(), &waiting);
    t->PC.value = pc_of(3);
    t->turbo.pc = pc_of(3);

    pturbo_zap_thread(t, "test");
    pturbo_zap_thread(t, "test");
    EXPECT_EQ(marked.stop, 1);
    EXPECT_EQ(pturbo_data.stop_requests, 1) << "marked once";

    service_ptask(&marked);
    service_ptask(&waiting);
    EXPECT_EQ(pturbo_data.finished_list[0].head, &marked);
    EXPECT_EQ(t->turbo.reason, EXIT_PTURBO_UNSAFE);
    EXPECT_EQ(t->PC.value, pc_of(3)) << "a task stopped before it ran keeps its PC";
    EXPECT_EQ(pturbo_data.pending_list[0].head, &waiting) << "an unmarked task waits";
    EXPECT_EQ(pturbo_data.finished_list[0].count, 1);
}

TEST_F(PturboEngine, NoTaskStopsEveryTaskOrAnotherThread)
{
    pturbo_data.started = 1;
    pturbo_execution_mode = 1;
    pturbo_executing_T = t;
    auto other = std::make_unique<ThreadState>();
    const uint64_t generation = pturbo_data.generation;
    const struct {
        const char *expected;
        void (*call)(ThreadState *self, ThreadState *other);
    } cases[] = {
        {"pturbo_zap_all_threads_now: Called from within a ptask for reason: inside",
         [](ThreadState *, ThreadState *) { pturbo_zap_all_threads_now("inside"); }},
        {"pturbo_zap_thread: Called for T != pturbo_executing_T. Reason: ScheduleException",
         [](ThreadState *, ThreadState *o) { pturbo_zap_thread(o, "ScheduleException"); }},
        {"pturbo_zap_thread: Call for self, but for Reason: Memory Trigger",
         [](ThreadState *self, ThreadState *) { pturbo_zap_thread(self, "Memory Trigger"); }},
        {"", [](ThreadState *self, ThreadState *) { pturbo_zap_thread(self, "ScheduleException"); }},
    };
    for (const auto &c : cases) {
        SinkCapture capture;
        c.call(t, other.get());
        if (*c.expected)
            EXPECT_NE(capture.text().find(c.expected), std::string::npos) << capture.text();
        else
            EXPECT_EQ(capture.text(), "");
        Start_The_Simulation();
    }
    EXPECT_EQ(pturbo_data.generation, generation) << "no nested dispatch";
    EXPECT_EQ(pturbo_data.stop_all, 0);
    EXPECT_EQ(pturbo_data.stop_requests, 0);
    pturbo_execution_mode = 0;
    pturbo_executing_T = nullptr;
    pturbo_data.started = 0;
}

TEST_F(PturboEngine, AStopAfterCountLimitsTheBudgetAndEndsWithLimit)
{
    for (int i = 0; i < 200; i++)
        word(i, addi(3, 3, 1));
    t->GPR[3].value = 0;
    t->Instruction_Number = 50;
    t->stop_after_instructions = 60;
    ptask_s *task = nullptr;
    in_job([&] {
        task = task_of(t, ptask_alloc(r.m.machine->tsim));
        run_to_tick = 1000;
        service_ptask(task);
        EXPECT_LE(t->turbo.pturbo_budget, 10u);
        EXPECT_EQ(pturbo_data.pending_list[0].head, task) << "the budget was used up";
        EXPECT_EQ(t->turbo.pturbo_done, (int64_t)t->GPR[3].value) << "what ran is counted";
        EXPECT_GT(t->turbo.pturbo_done, 0);
        EXPECT_LE(t->turbo.pturbo_done, 10);
        ptask_queue_remove_head_safe(&pturbo_data.pending_list[0]);
        // Served again until nothing is left of the 10.
        for (int i = 0; i < 10 && pturbo_data.finished_list[0].count == 0; i++) {
            service_ptask(task);
            ptask_queue_remove_head_safe(&pturbo_data.pending_list[0]);
        }
    });
    EXPECT_EQ(pturbo_data.finished_list[0].head, task);
    EXPECT_EQ(t->turbo.reason, EXIT_LIMIT);
    EXPECT_EQ(t->turbo.pturbo_togo, 0u);
    EXPECT_EQ(t->turbo.pturbo_done, 10);
    EXPECT_EQ(t->GPR[3].value, 10u);
    ptask_queue_remove_head_safe(&pturbo_data.finished_list[0]);
    ptask_release(task);
    t->stop_after_instructions = ~0ull;
}

// The controller over a kernel of its own with one job waiting at a later tick; a served task uses up
// its budget up to the run-to tick and waits on its pending list.
class PturboController : public PturboEngine
{
  public:
    PturboController()
    {
        tsim = tsim_new("controller-test");
        job = job_new(tsim, "later", [](void *) {}, nullptr);
        pturbo_serve = [](ptask_s *task) {
            served.push_back(run_to_tick);
            task->thread->turbo.pturbo_run_to = run_to_tick;
            ptask_queue_add_tail_safe(&pturbo_data.pending_list[pturbo_thread_id], task);
        };
        served.clear();
        total_pturbo_threads = 1;
    }
    ~PturboController() override { tsim_free(tsim); }
    void job_at(uint64_t tick)
    {
        job->proxy.tick = tick;
        tsim_schedule(&job->proxy);
    }

    tsim_s *tsim = nullptr;
    job_s *job = nullptr;
    static std::vector<uint64_t> served;
};
std::vector<uint64_t> PturboController::served;

TEST_F(PturboController, ALongGapIsCoveredInQuanta)
{
    job_at(200000);
    ptask_s task{};
    task_of(t, &task);
    ptask_distribute(pturbo_data.new_list, 1, &task);
    run_to_tick = 0;
    OPTController(tsim);
    EXPECT_EQ(served, (std::vector<uint64_t>{80000, 160000, 200000}));
    EXPECT_EQ(pturbo_stats.dispatches, 3);
    EXPECT_EQ(pturbo_stats.tasks_dispatched, 3);
    EXPECT_EQ(tsim->now, 0u) << "the kernel runs its job next";
}

TEST_F(PturboController, ATaskWaitingForTimeIsReleasedAtItsTickWithItsTimeBase)
{
    job_at(5000);
    ptask_s waiting{};
    task_of(t, &waiting);
    t->turbo.reason = EXIT_MFTB;
    t->turbo.pturbo_run_to = 1000;
    t->turbo.tb_at_entry[1] = 0xDEAD;
    waiting.key = 1000;
    ptask_queue_add_priority_safe(&pturbo_data.time_sync_queue, &waiting);
    run_to_tick = 0;
    OPTController(tsim);
    ASSERT_FALSE(served.empty());
    EXPECT_EQ(served.front(), 5000u) << "released at 1000, served in the dispatch up to the job";
    EXPECT_EQ(tsim->now, 1000u);
    EXPECT_EQ(pturbo_stats.tb_supplied, 1);
    EXPECT_NE(t->turbo.tb_at_entry[1], 0xDEADu);
    EXPECT_EQ(pturbo_data.time_sync_queue.count, 0);
    EXPECT_EQ(pturbo_stats.dispatches, 2) << "up to 1000 (nothing to serve), then up to 5000";
}

} // namespace

namespace
{

TEST_F(PturboEngine, LeavingTheModeEndsTheWorkersAndRemovesTheHook)
{
    pturbo_data.saved_turbo_minimum = 20;
    pturbo_start_workers(2);
    ASSERT_EQ(pturbo_data.workers_started, 2);
    tsim_dispatch_controller = OPTController;
    pturbo_switch_mode(nullptr, r.m.machine, MODE_TURBO);
    EXPECT_EQ(pturbo_data.workers_started, 0);
    EXPECT_EQ(total_pturbo_threads, 1);
    EXPECT_EQ(pturbo_data.started, 0);
    EXPECT_EQ(pturbo_data.parked, 0);
    EXPECT_EQ(tsim_dispatch_controller, nullptr);
    EXPECT_EQ(r.m.machine->turbo_minimum, 20u);
}

} // namespace
