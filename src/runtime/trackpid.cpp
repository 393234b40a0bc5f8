// Guest process tracking records.
#include "runtime/trackpid.h"

#include "machine/generic_machine.h"
#include "processor/thread_state.h"
#include "runtime/alloc.h"
#include "runtime/device_manager.h"

trackpid_s *trackpid_list = nullptr;

namespace
{

trackpid_s **find_link(int32_t pid)
{
    trackpid_s **link = &trackpid_list;
    while (*link && (*link)->pid != pid)
        link = &(*link)->next;
    return link;
}

// A released record must not stay the current process of any thread.
void forget_everywhere(const trackpid_s *record)
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

} // namespace

void trackpid_start(ThreadState *, int32_t pid, const char *)
{
    if (trackpid_s *record = *find_link(pid)) {
        record->reference_count++;
        return;
    }
    trackpid_s *record = QUARN_ZALLOC(1, trackpid_s);
    if (!record) return;
    record->pid = pid;
    record->reference_count = 1;
    record->next = trackpid_list;
    trackpid_list = record;
}

void trackpid_stop(ThreadState *thread, int32_t pid)
{
    trackpid_s **link = find_link(pid);
    trackpid_s *record = *link;
    if (!record) return;
    if (record->reference_count-- != 1) return;
    *link = record->next;
    if (thread && thread->trackpid == record) thread->trackpid = nullptr;
    forget_everywhere(record);
    QUARN_FREE(record);
}

void trackpid_resume(ThreadState *thread, int32_t pid)
{
    if (thread) thread->trackpid = *find_link(pid);
}

void trackpid_create(ThreadState *, int32_t, int32_t) {}
void trackpid_exec(ThreadState *, int32_t, const char *) {}
void trackpid_kill(ThreadState *, int32_t) {}
void trackpid_exit(ThreadState *, int32_t) {}
