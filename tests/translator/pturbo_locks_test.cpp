// The parallel mode's locks: the spin lock's states and errors, mutual exclusion between host
// threads, and the reservation protocol (a load-and-reserve waits for the stores in flight on
// other host threads; the page lock it keeps never blocks its own thread).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "memory/reservations.h"
#include "support/sink_capture.h"
#include "translator/callouts.h"
#include "translator/page_rig.h"
#include "translator/pturbo_locks.h"

namespace
{

TEST(PturboSpinLock, StatesTryAndTheReleaseOfAFreeLock)
{
    pturbo_lock_s lock;
    pturbo_spin_lock_init(&lock, "test");
    EXPECT_EQ(lock.word, 0);
    EXPECT_EQ(pturbo_spin_try(&lock), 1);
    EXPECT_EQ(lock.word, 1);
    EXPECT_EQ(pturbo_spin_try(&lock), 0);
    EXPECT_EQ(lock.word, 1);
    pturbo_spin_unlock(&lock);
    EXPECT_EQ(lock.word, 0);
    {
        SinkCapture capture;
        pturbo_spin_unlock(&lock);
        EXPECT_NE(capture.text().find("Spin unlock already free"), std::string::npos);
    }
    EXPECT_EQ(lock.word, 0);
    Start_The_Simulation(); // the error stopped the simulation
}

TEST(PturboSpinLock, ExcludesOtherHostThreads)
{
    pturbo_lock_s lock;
    pturbo_spin_lock_init(&lock, "test");
    uint64_t plain = 0; // raised only under the lock, without atomics
    auto body = [&] {
        for (int i = 0; i < 200000; i++) {
            pturbo_spin_lock(&lock);
            plain = plain + 1;
            pturbo_spin_unlock(&lock);
        }
    };
    std::thread a(body), b(body);
    a.join();
    b.join();
    EXPECT_EQ(plain, 400000u);
    EXPECT_EQ(lock.word, 0);
}

class ReservationProtocol : public PageRig
{
  public:
    ReservationProtocol()
    {
        pturbo_host_thread_start(0);
        total_pturbo_threads = 2;
        t->turbo.in_pturbo = 1;
    }
    ~ReservationProtocol() override
    {
        t->turbo.in_pturbo = 0;
        t->turbo.pturbo_writer_count = nullptr;
        total_pturbo_threads = 1;
        reservations_reader_count_ptr[1] = nullptr; // the worker's count ended with it
    }
    int32_t writers() { return chip_table() ? r.t->mcm->mbus->memory_map->pturbo_writer_count : -1; }
};

TEST_F(ReservationProtocol, ALoadAndReserveWaitsForAStoreInFlightOnAnotherHostThread)
{
    const uint64_t host = frame.host + 0x100, ea = PAGE_PA + 0x100;
    std::atomic<bool> marked{false}, larx_called{false}, released{false};
    auto writer = std::make_unique<ThreadState>();
    std::thread worker([&] {
        pturbo_host_thread_start(1);
        // What the parallel-mode writer does before its store; the store is held open here.
        writer->turbo.in_pturbo = 1;
        writer->turbo.pturbo_reader_count = &reservations_reader_count;
        reservations_reader_count = 1;
        marked = true;
        while (!larx_called)
            std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        released = true;
        jit_do_xlate_written(writer.get(), 0, 0, 0); // the store epilogue
    });
    while (!marked)
        std::this_thread::yield();
    larx_called = true;
    jit_do_lwarx(t, ea, host, 0);
    EXPECT_TRUE(released) << "the reservation was made while the store was in flight";
    worker.join();

    EXPECT_EQ(t->turbo.pturbo_page_lock, &frame.reservation_lock);
    EXPECT_EQ(frame.reservation_lock.word, 1);
    EXPECT_EQ(writers(), 1);
    EXPECT_EQ(t->turbo.pturbo_writer, 1);
    EXPECT_TRUE(t->memory_client->reservation_valid);

    // Its own page lock blocks neither a second load-and-reserve nor a store to the page.
    jit_do_lwarx(t, ea, host, 0);
    EXPECT_EQ(writers(), 1) << "raised once per thread";
    jit_do_complex_write(t, ea + 8, host + 8, 0);
    EXPECT_EQ(frame.reservation_lock.word, 1);

    // The thread's own store epilogue lets the page lock go; the writer count stays raised while
    // the reservation is valid, so that the stores of other host threads take the revoking path.
    volatile int32_t own = 0;
    t->turbo.pturbo_reader_count = &own;
    jit_do_xlate_written(t, 0, 0, 0);
    EXPECT_EQ(t->turbo.pturbo_page_lock, nullptr);
    EXPECT_EQ(frame.reservation_lock.word, 0);
    EXPECT_EQ(writers(), 1);
    EXPECT_EQ(t->turbo.pturbo_writer, 1);

    // The store-conditional's store takes the page lock and consumes the reservation; its
    // epilogue lets everything go.
    jit_do_complex_write(t, ea, host, 0);
    EXPECT_EQ(frame.reservation_lock.word, 1);
    EXPECT_EQ(jit_do_stcx(t, ea, host, 0), host) << "succeeds";
    jit_do_xlate_written(t, 0, 0, 0);
    EXPECT_EQ(frame.reservation_lock.word, 0);
    EXPECT_EQ(writers(), 0);
    EXPECT_EQ(t->turbo.pturbo_writer, 0);
    t->turbo.pturbo_reader_count = nullptr;
}

} // namespace
