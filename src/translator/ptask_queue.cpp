// The task lists of the parallel mode.
#include "translator/ptask_queue.h"

#include "runtime/message.h"
#include "translator/ptask.h"

namespace
{

// Unlocks on every way out.
struct Held {
    explicit Held(pturbo_lock_s *lock) : lock_(lock) { pturbo_spin_lock(lock_); }
    ~Held() { pturbo_spin_unlock(lock_); }
    Held(const Held &) = delete;
    Held &operator=(const Held &) = delete;
    pturbo_lock_s *lock_;
};

} // namespace

void ptask_queue_init(ptask_queue_s *queue, const char *name)
{
    pturbo_spin_lock_init(&queue->lock, name);
    queue->name = name;
    ptask_qheader_init(queue);
}

void ptask_qheader_init(ptask_queue_s *queue)
{
    queue->head = queue->tail = nullptr;
    queue->count = 0;
}

int32_t ptask_queue_add_tail_safe(ptask_queue_s *queue, ptask_s *task)
{
    task->next = nullptr;
    if (queue->tail)
        queue->tail->next = task;
    else
        queue->head = task;
    queue->tail = task;
    return ++queue->count;
}

int32_t ptask_queue_add_tail_unsafe(ptask_queue_s *queue, ptask_s *task)
{
    Held held(&queue->lock);
    return ptask_queue_add_tail_safe(queue, task);
}

int32_t ptask_queue_add_priority_safe(ptask_queue_s *queue, ptask_s *task)
{
    if (!queue->head || task->key <= queue->head->key) {
        task->next = queue->head;
        queue->head = task;
        if (!queue->tail) queue->tail = task;
        return ++queue->count;
    }
    if (task->key >= queue->tail->key) return ptask_queue_add_tail_safe(queue, task);
    ptask_s *before = queue->head;
    while (before->next && before->next->key < task->key)
        before = before->next;
    task->next = before->next;
    before->next = task;
    return ++queue->count;
}

int32_t ptask_queue_add_priority_unsafe(ptask_queue_s *queue, ptask_s *task)
{
    Held held(&queue->lock);
    return ptask_queue_add_priority_safe(queue, task);
}

int32_t ptask_queue_remove_ptask_safe(ptask_queue_s *queue, ptask_s *task)
{
    ptask_s *previous = nullptr, *at = queue->head;
    while (at && at != task) {
        previous = at;
        at = at->next;
    }
    if (!at) {
        sim_error("ptask_queue_remove_ptask_safe. Could not find ptask on queue!");
        return queue->count;
    }
    if (previous)
        previous->next = task->next;
    else
        queue->head = task->next;
    if (queue->tail == task) queue->tail = previous;
    task->next = nullptr;
    return --queue->count;
}

int32_t ptask_queue_remove_ptask_unsafe(ptask_queue_s *queue, ptask_s *task)
{
    Held held(&queue->lock);
    return ptask_queue_remove_ptask_safe(queue, task);
}

ptask_s *ptask_queue_remove_head_safe(ptask_queue_s *queue)
{
    ptask_s *task = queue->head;
    if (!task) return nullptr;
    queue->head = task->next;
    if (!queue->head) queue->tail = nullptr;
    task->next = nullptr;
    queue->count--;
    return task;
}

ptask_s *ptask_queue_remove_head_unsafe(ptask_queue_s *queue)
{
    Held held(&queue->lock);
    return ptask_queue_remove_head_safe(queue);
}

uint64_t priority_queue_get_priority(const ptask_queue_s *queue)
{
    return queue->head ? queue->head->key : ~0ull;
}

int32_t ptask_distribute(ptask_queue_s *lists, int32_t count, ptask_s *task)
{
    if (count <= 0) return -1;
    int32_t chosen = 0;
    for (int32_t i = 0; i < count; i++) {
        if (lists[i].count == 0) {
            chosen = i;
            break;
        }
        if (lists[i].count < lists[chosen].count) chosen = i;
    }
    ptask_queue_add_tail_safe(&lists[chosen], task);
    return chosen;
}
