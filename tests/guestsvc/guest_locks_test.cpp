// Guest locks, gates and barriers: single calls, and guest programs on several hardware threads
// whose waits are blocked kernel jobs.
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "exec/cpu_config.h"
#include "guest/guest_locks.h"
#include "guestsvc/guest_call.h"
#include "processor/run/run_control.h"
#include "processor/run/thread_run_state.h"
#include "support/sink_capture.h"

namespace
{

uint32_t li(uint32_t rt, int16_t value)
{
    return 0x38000000u | rt << 21 | (uint16_t)value;
}
uint32_t mr(uint32_t ra, uint32_t rs)
{
    return 0x7C000378u | rs << 21 | ra << 16 | rs << 11;
}
constexpr uint32_t B_SELF = 0x48000000;
// The call of code with GPR4 = argument.
std::vector<uint32_t> call(int16_t code, int16_t argument = 0)
{
    return {li(3, code), li(4, argument), SUPPORT_WORD};
}

// A machine of one core with n threads; each thread runs its own program from its own address.
class GuestThreads
{
  public:
    explicit GuestThreads(int threads)
        : g([&](BuiltMachine &b) { b.set("processor/number_of_threads", std::to_string(threads).c_str()); })
    {
    }
    void program(int thread, std::initializer_list<std::vector<uint32_t>> parts)
    {
        uint64_t address = 0x1000 * (uint64_t)(thread + 1);
        starts.push_back(address);
        for (const std::vector<uint32_t> &part : parts)
            for (uint32_t word : part) {
                g.write(address, 4, word);
                address += 4;
            }
        g.write(address, 4, B_SELF);
    }
    // Starts every programmed thread and runs the machine for that many cycles.
    void run(uint64_t cycles)
    {
        CPU_RunState(g.core, "test");
        for (size_t i = 0; i < starts.size(); i++) {
            ThreadState *thread = &g.core->threads[i];
            Thread_RunState(thread);
            SMTA_Start_Thread(thread, 8, starts[i]);
            thread->PC.value = thread->next_pc = starts[i]; // also for a thread already enabled
        }
        SimpleCPUCycle(g.m.machine, cycles);
    }
    uint64_t gpr(int thread, int n) { return g.core->threads[thread].GPR[n].value; }

    GuestCall g;
    std::vector<uint64_t> starts;
};

TEST(UserLocks, TheSecondTakerWaitsWhileTimeGoesOn)
{
    GuestThreads m(2);
    ASSERT_TRUE(m.g.ok());
    // Thread 0 holds lock 5 for 1000 cycles; thread 1 asks for it after 10 cycles, then notes the
    // cycle at which it got it and whether a try on the held lock succeeds.
    m.program(0, {call(140, 5), call(131, 1000), call(139, 5)});
    m.program(1, {call(131, 10),
                  call(141, 5),
                  {mr(21, 3)},
                  call(140, 5),
                  call(127),
                  {mr(20, 3)},
                  call(141, 5),
                  {mr(22, 3)}});
    SinkCapture sink;
    m.run(3000);
    EXPECT_EQ(m.gpr(1, 21), 0u);    // try while thread 0 holds it: busy, no wait
    EXPECT_GE(m.gpr(1, 20), 1000u); // taken only after the release
    EXPECT_LT(m.gpr(1, 20), 1100u);
    EXPECT_EQ(m.gpr(1, 22), 0u); // held by itself now
    EXPECT_EQ(sink.text().find("FATAL"), std::string::npos);
}

TEST(Barrier, ThreeThreadsMeetTwiceUsingBothSlots)
{
    GuestThreads m(3);
    ASSERT_TRUE(m.g.ok());
    memset(&guest_barrier, 0, sizeof guest_barrier);
    for (int i = 0; i < 3; i++)
        m.program(i, {call(148),
                      call(131, (int16_t)(100 * (i + 1))),
                      call(138, 3),
                      call(127),
                      {mr(20, 3)},
                      call(131, (int16_t)(50 * (3 - i))),
                      call(138, 3),
                      call(127),
                      {mr(21, 3)}});
    m.run(4000);
    for (int i = 0; i < 3; i++) {
        SCOPED_TRACE(i);
        // All leave the first barrier when the last arrives after 300 cycles, and the second
        // when the last arrives 150 cycles later.
        EXPECT_GE(m.gpr(i, 20), 300u);
        EXPECT_LT(m.gpr(i, 20), 320u);
        EXPECT_GE(m.gpr(i, 21), m.gpr(0, 20) + 150);
        EXPECT_LT(m.gpr(i, 21), m.gpr(0, 20) + 200);
    }
    EXPECT_EQ(guest_barrier.current, 0);
    EXPECT_EQ(guest_barrier.slots[0].arrivals, 0);
    EXPECT_EQ(guest_barrier.slots[1].arrivals, 0);
}

TEST(KernelLocks, ProbeFormulaAndSlots)
{
    struct Case {
        int32_t id, probe, slot;
    } cases[] = {{7, 0, 5345}, {7, 1, 11147}, {-3, 0, 2390}, {123456789, 2, 7307}};
    for (const Case &c : cases)
        EXPECT_EQ(Kernel_Lock_Probe_Slot(c.id, c.probe), c.slot) << c.id << " " << c.probe;
    int32_t first = Kernel_Lock_Slot(991);
    EXPECT_EQ(Kernel_Lock_Slot(991), first); // the slot stays the id's

    // With every slot taken by other ids a new id gets none, and the probing ends.
    std::vector<int32_t> saved(kernel_lock_ids, kernel_lock_ids + GUEST_LOCK_COUNT);
    for (int32_t i = 0; i < GUEST_LOCK_COUNT; i++)
        if (!kernel_lock_ids[i]) kernel_lock_ids[i] = 1000000 + i;
    EXPECT_EQ(Kernel_Lock_Slot(991), first);
    EXPECT_EQ(Kernel_Lock_Slot(-77), -1);
    std::copy(saved.begin(), saved.end(), kernel_lock_ids);
}

TEST(KernelLocks, TakeTryReleaseAndErrors)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    SinkCapture sink;
    int32_t slot = Kernel_Lock_Slot(4242);
    g.call(144, 4242);
    EXPECT_EQ(g.result(), 1);
    g.call(144, 4242);
    EXPECT_EQ(g.result(), 0);
    g.call(146, 4242);
    char line[128];
    snprintf(line, sizeof line, "TRY LOCK: Entered lock %d, proc 0, PC 0x0000000000000100\n", slot);
    EXPECT_NE(sink.text().find(line), std::string::npos);
    snprintf(line, sizeof line, "UNLOCK: Exited lock %d, proc 0", slot);
    EXPECT_NE(sink.text().find(line), std::string::npos);
    EXPECT_EQ(kernel_locks[slot].owner, -1);
    EXPECT_EQ(stop_simulation, 0u);

    g.call(146, 5151); // never taken
    EXPECT_EQ(g.result(), -1);
    EXPECT_NE(sink.text().find("3: Access to an invalid kernel-level lock"), std::string::npos);
}

TEST(UserLocks, InvalidIndexesAndGateHandles)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    SinkCapture sink;
    struct Case {
        uint64_t code, index;
        const char *error;
    } cases[] = {
        {137, 16384, "You have allocated too many user-level locks.  Maximum is 16384\n"},
        {140, (uint64_t)-1, "1: Access to an invalid user-level lock (-1)\n"},
        {141, 20000, "2: Access to an invalid user-level lock (20000)\n"},
        {139, 9, "3: Access to an invalid user-level lock (9)\n"}, // never set up
        {134, 0, "Access to an invalid gate (0)\n"},
        {135, 77, "Access to an invalid gate (77)\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.error);
        Start_The_Simulation();
        EXPECT_EQ(g.call(c.code, c.index), 1);
        EXPECT_EQ(g.result(), -1);
        EXPECT_NE(sink.text().find(c.error), std::string::npos);
        EXPECT_NE(stop_simulation & STOP_QUARN_ERROR, 0u);
    }
    Start_The_Simulation();
    g.call(132, 2);
    int64_t handle = g.result();
    EXPECT_GE(handle, 1);
    EXPECT_EQ(g.call(134, (uint64_t)handle), 1);
    EXPECT_EQ(g.call(135, (uint64_t)handle), 1);
    EXPECT_EQ(g.call(133, (uint64_t)handle), 1);
    EXPECT_EQ(stop_simulation, 0u);
    g.call(134, (uint64_t)handle); // freed
    EXPECT_EQ(g.result(), -1);
}

TEST(Stalls, LockStallTimeIsAddedPerThread)
{
    GuestCall g;
    ASSERT_TRUE(g.ok());
    Guest_Stall_Reset();
    g.m.machine->tsim->now = 100;
    g.call(167, 1);
    g.m.machine->tsim->now = 160;
    g.call(168, 1);
    g.call(167, 0);
    g.m.machine->tsim->now = 170;
    g.call(168, 0);
    EXPECT_EQ(total_lock_stall[0], 60u);
    EXPECT_EQ(total_barrier_stall[0], 10u);
    g.call(37);
    EXPECT_EQ(total_lock_stall[0], 0u);
    g.m.machine->tsim->now = 0;
}

} // namespace
