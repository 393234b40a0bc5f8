// Guest process tracking records: one reference-counted record per guest process id, kept in
// one process-wide list (newest first), and the hooks that the guest's sim-support calls invoke
// as the guest reports its processes. Each hardware thread points at the record of the process
// it runs (ThreadState::trackpid).
#pragma once

#include <cstdint>

struct ThreadState;

struct trackpid_s {
    int32_t pid;
    trackpid_s *next;
    int32_t reference_count;
};

// The list of records, newest first.
extern trackpid_s *trackpid_list;

// Raises the count of the record of pid, or creates it with count 1 at the front of the list.
void trackpid_start(ThreadState *thread, int32_t pid, const char *name);
// Lowers the count of the record of pid; the last reference unlinks and releases it (threads
// that point at it are pointed at nothing). An unknown pid changes nothing.
void trackpid_stop(ThreadState *thread, int32_t pid);
// Points the thread at the record of pid, or at nothing when there is none.
void trackpid_resume(ThreadState *thread, int32_t pid);
// Accept their arguments and do nothing.
void trackpid_create(ThreadState *thread, int32_t parent_pid, int32_t pid);
void trackpid_exec(ThreadState *thread, int32_t pid, const char *name);
void trackpid_kill(ThreadState *thread, int32_t pid);
void trackpid_exit(ThreadState *thread, int32_t pid);
