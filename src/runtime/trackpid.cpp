// Guest process tracking records.
#include "runtime/trackpid.h"

#include "runtime/alloc.h"
#include "runtime/hooks/trackpid_hooks.h"

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
    if (ThreadState__Trackpid(thread) == record) ThreadState__SetTrackpid(thread, nullptr);
    Trackpid_Forget_In_All_Threads(record); // a released record stays no thread's process
    QUARN_FREE(record);
}

void trackpid_resume(ThreadState *thread, int32_t pid)
{
    ThreadState__SetTrackpid(thread, *find_link(pid));
}

void trackpid_create(ThreadState *, int32_t, int32_t) {}
void trackpid_exec(ThreadState *, int32_t, const char *) {}
void trackpid_kill(ThreadState *, int32_t) {}
void trackpid_exit(ThreadState *, int32_t) {}
