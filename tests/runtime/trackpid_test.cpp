// Guest process tracking records.
#include <gtest/gtest.h>

#include <memory>

#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"
#include "runtime/device_manager.h"
#include "runtime/trackpid.h"

namespace
{

int list_length()
{
    int n = 0;
    for (trackpid_s *r = trackpid_list; r; r = r->next)
        n++;
    return n;
}

TEST(Trackpid, RecordsAreCountedAndTheLastStopReleasesThem)
{
    auto thread = std::make_unique<ThreadState>();
    ASSERT_EQ(trackpid_list, nullptr);
    trackpid_start(thread.get(), 7, "init");
    trackpid_start(thread.get(), 7, "init");
    trackpid_start(thread.get(), 9, "sh");
    EXPECT_EQ(trackpid_list->pid, 9); // newest first
    EXPECT_EQ(list_length(), 2);

    trackpid_resume(thread.get(), 7);
    ASSERT_NE(thread->trackpid, nullptr);
    EXPECT_EQ(thread->trackpid->pid, 7);
    EXPECT_EQ(thread->trackpid->reference_count, 2);

    trackpid_stop(thread.get(), 7);
    EXPECT_EQ(list_length(), 2);
    EXPECT_EQ(thread->trackpid->reference_count, 1);
    trackpid_stop(thread.get(), 7);
    EXPECT_EQ(list_length(), 1);
    EXPECT_EQ(thread->trackpid, nullptr); // not left pointing at the released record
    trackpid_resume(thread.get(), 7);
    EXPECT_EQ(thread->trackpid, nullptr);

    trackpid_stop(thread.get(), 42); // never started
    EXPECT_EQ(list_length(), 1);
    EXPECT_EQ(trackpid_list->reference_count, 1);
    trackpid_create(thread.get(), 9, 10);
    trackpid_exec(thread.get(), 10, "ls");
    trackpid_kill(thread.get(), 10);
    trackpid_exit(thread.get(), 10);
    EXPECT_EQ(list_length(), 1); // those hooks keep no records
    trackpid_stop(thread.get(), 9);
    EXPECT_EQ(trackpid_list, nullptr);
}

TEST(Trackpid, ReleasingARecordClearsItInEveryThreadOfEveryMachine)
{
    auto machine = std::make_unique<GenericMachine>();
    machine->device_manager = DeviceMgr__New("trackpid");
    int32_t major = DeviceMgr__GetDeviceMajorNum(machine->device_manager, "Thread");
    auto a = std::make_unique<ThreadState>(), b = std::make_unique<ThreadState>();
    DeviceMgr__AddDevice(machine->device_manager, a.get(), major, 0, nullptr);
    DeviceMgr__AddDevice(machine->device_manager, b.get(), major, 1, nullptr);
    GenericMachine *saved = Quarn_Machine_List;
    machine->next = saved;
    Quarn_Machine_List = machine.get();

    trackpid_start(a.get(), 5, "p");
    trackpid_resume(a.get(), 5);
    trackpid_resume(b.get(), 5);
    trackpid_stop(a.get(), 5);
    EXPECT_EQ(a->trackpid, nullptr);
    EXPECT_EQ(b->trackpid, nullptr);

    Quarn_Machine_List = saved;
    DeviceMgr__Quit(machine->device_manager);
}

} // namespace
