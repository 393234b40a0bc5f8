// Admission and pacing objects: facilities, storages, servers, barriers, fences, mutexes,
// latches, valves, gate boxes, NATs and packs.
#include <string>

#include "kernel/barrier.h"
#include "kernel/facility.h"
#include "kernel/gate.h"
#include "kernel/latch.h"
#include "kernel/nat.h"
#include "kernel/pack.h"
#include "kernel_fixture.h"
#include "support/sink_capture.h"

namespace
{

std::string kernel_error(const std::string &text)
{
    return "jobs : ERROR : jobs : " + text + "jobs : \n";
}

using AdmissionTest = KernelTest;

TEST_F(AdmissionTest, FacilityHandsServerNumbersOverInPriorityOrder)
{
    facility_s *f = facility_new(tsim, "fac", 2);
    ASSERT_NE(f, nullptr);
    std::vector<std::string> got;
    auto user = [&](const char *name, int hold, int start = 0) {
        return [&, name, hold, start] {
            current_delay_ticks(start);
            int id = facility_enter(f);
            got.push_back(std::string(name) + "=" + std::to_string(id));
            mark(name);
            current_delay_ticks(hold);
            facility_leave(f);
        };
    };
    spawn("a", user("a", 10));
    spawn("b", user("b", 4));
    spawn("low", user("low", 1, 1), 1); // both wait from tick 1
    spawn("high", user("high", 1, 1), 5);
    spawn("watch", [&] {
        current_delay_ticks(2);
        EXPECT_EQ(facility_busy_count(f), 2);
        EXPECT_EQ(facility_wait_count(f), 2);
    });
    run();
    // b leaves server 1 at 4: the higher-priority waiter takes it; then low at 5.
    EXPECT_EQ(got, (std::vector<std::string>{"a=0", "b=1", "high=1", "low=1"}));
    EXPECT_EQ(trace, (Trace{{"a", 0}, {"b", 0}, {"high", 4}, {"low", 5}}));
    EXPECT_EQ(facility_completions(f), 4u);
    EXPECT_EQ(facility_busy_count(f), 0);
    EXPECT_EQ(facility_num_servers(f), 2);
    EXPECT_STREQ(facility_get_name(f), "fac");

    // Unlimited servers: numbers beyond the configured ones.
    facility_set_infinte_servers(f, 1);
    got.clear();
    for (const char *name : {"u1", "u2", "u3"})
        spawn(name, user(name, 2));
    run();
    EXPECT_EQ(got, (std::vector<std::string>{"u1=0", "u2=1", "u3=2"}));

    facility_set_infinte_servers(f, 0);
    spawn("holder1", [&] { facility_enter(f); });
    spawn("holder2", [&] { facility_enter(f); });
    spawn("blocked", [&] { facility_enter(f); });
    run();
    SinkCapture out;
    facility_free(f);
    std::string text = out.text();
    EXPECT_EQ(text.rfind(kernel_error("facility fac has blocked jobs") + "jobs :   job on facility fac\n" +
                             "jobs :    #",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("[blocked][blocked], que = [facility queue]"), std::string::npos) << text;
}

TEST_F(AdmissionTest, SynchronousFacilityAdmitsOnTheClockGrid)
{
    facility_s f;
    facility_init(&f, tsim, "sync", 1);
    facility_synchronous(&f, nullptr, 10, 10);
    EXPECT_TRUE(facility_is_synchronous(&f));
    spawn("a", [&] {
        current_delay_ticks(3);
        EXPECT_EQ(facility_enter(&f), 0);
        mark("a in");
        current_delay_ticks(5);
        facility_leave(&f);
    });
    spawn("b", [&] {
        current_delay_ticks(4);
        EXPECT_EQ(facility_enter(&f), 0);
        mark("b in");
        facility_leave(&f);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"a in", 10}, {"b in", 20}}));
    facility_cleanup(&f);
}

TEST_F(AdmissionTest, StorageServesWaitersFromTheFrontWhenReturnsCoverThem)
{
    storage_s *s = storage_new(tsim, 10);
    spawn("a", [&] {
        storage_allocate_wait(s, 6);
        mark("a has 6");
        current_delay_ticks(5);
        storage_deallocate(s, 4);
        current_delay_ticks(5);
        storage_deallocate(s, 2);
    });
    spawn("b", [&] {
        current_delay_ticks(1);
        storage_allocate_wait(s, 6);
        mark("b has 6");
    });
    spawn("c", [&] {
        current_delay_ticks(2);
        EXPECT_EQ(storage_allocate(s, 2), 0); // b waits first, though 4 are free
        EXPECT_EQ(storage_wait_count(s), 1);
        storage_allocate_wait_priority(s, 3, 0);
        mark("c has 3");
    });
    run();
    // At 5 the return of 4 covers b (6 of 8), not c; at 10 the return of 2 covers c.
    EXPECT_EQ(trace, (Trace{{"a has 6", 0}, {"b has 6", 5}, {"c has 3", 10}}));
    EXPECT_EQ(storage_available(s), 1);
    EXPECT_EQ(storage_get_capacity(s), 10);
    storage_free(s);
}

TEST_F(AdmissionTest, ServerPassesToTheFirstWaiterOrTimesOut)
{
    server_s *srv = server_new(tsim);
    spawn("a", [&] {
        server_enter(srv);
        mark("a");
        current_delay_ticks(10);
        server_leave(srv);
    });
    spawn("b", [&] {
        server_enter(srv);
        mark("b");
        EXPECT_EQ(srv->holder, tsim_active_job);
        server_leave(srv);
    });
    spawn("impatient", [&] {
        EXPECT_EQ(server_enter_timeout(srv, 4), 0);
        mark("gave up");
        EXPECT_EQ(server_try(srv), 0);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"a", 0}, {"gave up", 4}, {"b", 10}}));
    EXPECT_EQ(srv->busy, 0);
    spawn("holder", [&] { server_enter(srv); });
    spawn("blocked", [&] { server_enter(srv); });
    run();
    SinkCapture out;
    server_free(srv);
    EXPECT_EQ(out.text(), kernel_error("server has blocked jobs"));
}

TEST_F(AdmissionTest, BarrierFenceAndMutex)
{
    barrier_s *bar = barrier_new(tsim, 3);
    for (const char *name : {"w1", "w2"})
        spawn(name, [&, name] {
            barrier_wait(bar);
            mark(name);
        });
    spawn("third", [&] {
        current_delay_ticks(7);
        barrier_wait(bar); // the third signal: releases everybody, does not wait
        mark("third");
    });
    run();
    EXPECT_EQ(trace, (Trace{{"third", 7}, {"w1", 7}, {"w2", 7}}));
    {
        SinkCapture out;
        EXPECT_EQ(barrier_signal(bar), 0);
        barrier_drop(bar);
        EXPECT_EQ(out.text(), kernel_error("(barrier_signal) bar count is already 0") +
                                  kernel_error("(barrier_drop) bar count is already 0"));
    }
    barrier_free(bar);

    trace.clear();
    ASSERT_EQ(tsim->now, 7u);
    fence_s *fence = fence_new(tsim, "f");
    spawn("at 0", [&] {
        fence_wait(fence, 0);
        mark("passed 0");
    });
    spawn("at 1", [&] {
        current_delay_ticks(6);
        fence_wait(fence, 0); // already past
        mark("no wait");
        fence_wait(fence, 1);
        mark("passed 1");
    });
    spawn("advancer", [&] {
        current_delay_ticks(5);
        fence_advance(fence);
        current_delay_ticks(5);
        fence_advance(fence);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"passed 0", 12}, {"no wait", 13}, {"passed 1", 17}}));
    EXPECT_EQ(fence_get(fence), 2u);
    fence_free(fence);

    trace.clear();
    mutex_s *mutex = mutex_new(tsim);
    spawn("locker", [&] {
        mutex_lock(mutex);
        mutex_lock(mutex); // no waiting, no count
        mark("locked twice");
        mutex_unlock(mutex);
    });
    run();
    EXPECT_EQ(trace, (Trace{{"locked twice", 17}}));
    SinkCapture out;
    mutex_free(mutex);
    EXPECT_EQ(out.text(), "");
}

TEST_F(AdmissionTest, LatchEntersItsGateOnceForAllUsers)
{
    gate_s *gate = gate_new(tsim, 1);
    latch_s *latch = latch_new(tsim, gate);
    spawn("outsider", [&] {
        gate_enter(gate);
        current_delay_ticks(5);
        gate_leave(gate);
    });
    for (const char *name : {"u1", "u2"})
        spawn(name, [&, name] {
            current_delay_ticks(1);
            latch_enter(latch);
            mark(name);
            current_delay_ticks(name[1] == '1' ? 2 : 4);
            latch_leave(latch);
        });
    spawn("watch", [&] {
        current_delay_ticks(6);
        EXPECT_EQ(latch->count, 2);
        EXPECT_EQ(gate->count, 1u); // one place for both users
        EXPECT_EQ(latch_try(latch), 1);
        latch_leave(latch);
        current_delay_ticks(4);
        EXPECT_EQ(latch->count, 0);
        EXPECT_EQ(gate->count, 0u); // the last leave left the gate
    });
    run();
    EXPECT_EQ(trace, (Trace{{"u1", 5}, {"u2", 5}}));
    latch_free(latch);
    gate_free(gate);
}

TEST_F(AdmissionTest, ValveHoldsOneGateAndGateBoxesTakeTwo)
{
    gate_s a, b;
    gate_init(&a, tsim, 1);
    gate_init(&b, tsim, 1);
    valve_s *valve = valve_new(tsim);
    valve_enter(valve, &a);
    EXPECT_EQ(a.count, 1u);
    valve_enter(valve, &a); // already held
    EXPECT_EQ(a.count, 1u);
    EXPECT_EQ(valve_try(valve, &b), 1);
    EXPECT_EQ(a.count, 0u);
    EXPECT_EQ(b.count, 1u);
    valve_free(valve); // leaves what it holds
    EXPECT_EQ(b.count, 0u);

    gatebox_s *box = gatebox_new(tsim, 2, 1, 1);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(gatebox_try(box, 0), 1);
    EXPECT_EQ(gatebox_try(box, 1), 0); // the shared gate is full: gate 1 is left again
    EXPECT_EQ(gatebox_0(box, 1)->count, 0u);
    EXPECT_EQ(gatebox_1(box)->count, 1u);
    {
        SinkCapture out;
        gatebox_cleanup(box); // gate 0 is still held
        EXPECT_EQ(out.text(), kernel_error("potential memory leak, can't free"));
        EXPECT_NE(box->gates, nullptr);
        EXPECT_EQ(gatebox_try(box, 2), 0);
        EXPECT_EQ(out.text(), kernel_error("potential memory leak, can't free") +
                                  kernel_error("gatebox: index (2) out of range (2)"));
    }
    gatebox_leave(box, 0);
    gatebox_free(box);

    pgatebox_s *pbox = pgatebox_new(tsim, 2, 1, 1);
    EXPECT_EQ(pgatebox_try(pbox, 0, 5), 1);
    EXPECT_EQ(pgatebox_try(pbox, 1, 9), 0); // the priority gate is full
    EXPECT_EQ(pbox->gates[1].count, 0u);
    {
        SinkCapture out;
        EXPECT_EQ(pgatebox_try(pbox, -1, 0), 0);
        EXPECT_EQ(out.text(), kernel_error("FATAL ERROR: pgatebox: index (-1) out of range (2)"));
    }
    pgatebox_leave(pbox, 0);
    EXPECT_EQ(pgatebox_try(pbox, 1, 9), 1);
    pgatebox_free(pbox);
}

TEST_F(AdmissionTest, NatBooksTheUnitThatIsFreeFirst)
{
    nat_s *nat = nat_new(tsim, 2);
    std::vector<int> units;
    for (const char *name : {"j1", "j2", "j3"})
        spawn(name, [&, name] {
            units.push_back(nat_consume_ticks(nat, 10));
            mark(name);
        });
    spawn("late", [&] {
        current_delay_ticks(12);
        units.push_back(nat_consume_ticks(nat, 3)); // unit 1 is free since 10
        mark("late");
    });
    run();
    EXPECT_EQ(units, (std::vector<int>{0, 1, 1, 0})); // j1, j2, late, j3 in the order they return
    EXPECT_EQ(trace, (Trace{{"j1", 10}, {"j2", 10}, {"late", 15}, {"j3", 20}}));

    const uint64_t busy[] = {50, 30};
    nat_s *preset = nat_newv(tsim, 2, busy);
    EXPECT_EQ(nat_reset_width(preset, 3), 1); // the new unit is free
    trace.clear();
    spawn("p", [&] {
        EXPECT_EQ(nat_consume_ticks(preset, 1), 2);
        EXPECT_EQ(nat_reset_width(preset, 0), 1);
        EXPECT_EQ(nat_consume_ticks(preset, 4), -1); // no units: a plain delay
        mark("p");
    });
    run();
    EXPECT_EQ(trace, (Trace{{"p", 25}}));
    nat_free(nat);
    nat_free(preset);
}

TEST_F(AdmissionTest, PackKeepsItsTargetNumberOfWorkersRunning)
{
    pack_s *pack = nullptr;
    struct Steps {
        KernelTest *test;
        int steps = 0;
    } steps{this};
    pack = pack_new(
        tsim,
        [](pack_s *p, void *data) {
            auto *s = static_cast<Steps *>(data);
            for (;;) {
                pack_next(p);
                s->steps++;
                current_delay_ticks(10);
            }
        },
        &steps);
    ASSERT_NE(pack, nullptr);
    EXPECT_EQ(pack_get_data(pack), &steps);
    pack_set_target(pack, 2);
    spawn("control", [&] {
        current_delay_ticks(25);
        pack_set_target(pack, 1);
        current_delay_ticks(10); // by 35 one worker has parked
        EXPECT_EQ(pack_get_actual(pack), 1);
        EXPECT_EQ(jobq_count(&pack->parked), 1);
        int before = steps.steps;
        current_delay_ticks(20);
        EXPECT_EQ(steps.steps - before, 2); // one worker: a step per 10 ticks
        pack_set_target(pack, 2);           // wakes the parked worker, creates none
        EXPECT_EQ(pack->workers, 2);
        EXPECT_EQ(pack_get_actual(pack), 2);
        current_delay_ticks(1);
        EXPECT_EQ(jobq_count(&pack->parked), 0);
        *tsim->stop = 1;
    });
    run();
    EXPECT_EQ(pack_get_target(pack), 2);
    pack_free(pack);
}

} // namespace
