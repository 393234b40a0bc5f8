// The threads' current-process pointers (runtime/hooks/trackpid_hooks.h).
#include "runtime/hooks/trackpid_hooks.h"

#include "processor/records/generic_machine.h"
#include "processor/records/thread_state.h"
#include "runtime/device_manager.h"

trackpid_s *ThreadState__Trackpid(ThreadState *thread) { return thread ? thread->trackpid : nullptr; }

void ThreadState__SetTrackpid(ThreadState *thread, trackpid_s *record)
{
    if (thread) thread->trackpid = record;
}

void Trackpid_Forget_In_All_Threads(const trackpid_s *record)
{
    for (GenericMachine *machine = Quarn_Machine_List; machine; machine = machine->next) {
        DeviceMgr *manager = machine->device_manager;
        if (!manager) continue;
        int32_t major = DeviceMgr__GetDeviceMajorNum(manager, "Thread");
        if (major < 0) continue;
        int32_t count = DeviceMgr__GetDeviceCount(manager, major);
        for (int32_t i = 0; i < count; i++) {
            auto *thread = static_cast<ThreadState *>(
                DeviceMgr__GetDevice(manager, major, DeviceMgr__GetIndexMinor(manager, major, i)));
            if (thread && thread->trackpid == record) thread->trackpid = nullptr;
        }
    }
}
