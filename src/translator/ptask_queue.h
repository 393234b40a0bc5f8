// The task lists of the parallel mode: singly linked through the task's first word, with the lock
// word, the head/tail pair and the entry count each on a 128-byte line of its own. The `_safe`
// operations take no lock (the list belongs to one host thread at a time); the `_unsafe` ones take
// the list's spin lock around the same work. A priority list keeps ascending keys (the time-sync
// queue). ptask_distribute picks the new list a task goes to.
#pragma once

#include <cstdint>

#include "processor/hooks/pturbo_locks.h"

struct ptask_s;

struct ptask_queue_s {
    alignas(128) pturbo_lock_s lock;
    alignas(128) ptask_s *head;
    ptask_s *tail;
    alignas(128) int32_t count;
    const char *name;
};

void ptask_queue_init(ptask_queue_s *queue, const char *name);
// Empties the list's links and count (the lock is left as it is).
void ptask_qheader_init(ptask_queue_s *queue);
// Adding returns the new count.
int32_t ptask_queue_add_tail_safe(ptask_queue_s *queue, ptask_s *task);
int32_t ptask_queue_add_tail_unsafe(ptask_queue_s *queue, ptask_s *task);
// By ascending key: a key not above the head's goes to the front, one not below the tail's to the
// tail, any other before the first entry whose key is not smaller.
int32_t ptask_queue_add_priority_safe(ptask_queue_s *queue, ptask_s *task);
int32_t ptask_queue_add_priority_unsafe(ptask_queue_s *queue, ptask_s *task);
// Removing returns the new count; a task not on the list is reported and the count returned as is.
int32_t ptask_queue_remove_ptask_safe(ptask_queue_s *queue, ptask_s *task);
int32_t ptask_queue_remove_ptask_unsafe(ptask_queue_s *queue, ptask_s *task);
// The head, taken off; null when the list is empty.
ptask_s *ptask_queue_remove_head_safe(ptask_queue_s *queue);
ptask_s *ptask_queue_remove_head_unsafe(ptask_queue_s *queue);
// The head's key, all ones when the list is empty.
uint64_t priority_queue_get_priority(const ptask_queue_s *queue);
// Puts the task on the first of the `count` new lists that is empty, else on the one with the
// fewest entries (the lowest index among equals); the index chosen.
int32_t ptask_distribute(ptask_queue_s *lists, int32_t count, ptask_s *task);
