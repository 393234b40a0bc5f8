// The guard of a thread's interrupt queue: holds the thread's raise lock for its scope, but only
// while the thread runs under the parallel translator (elsewhere the queue has one user).
#pragma once

#include "processor/hooks/pturbo_locks.h"
#include "processor/records/thread_state.h"

class QueueLock
{
  public:
    explicit QueueLock(ThreadState *thread) : thread_(thread->turbo.in_pturbo ? thread : nullptr)
    {
        if (thread_) pturbo_spin_lock(&thread_->raise_lock);
    }
    ~QueueLock()
    {
        if (thread_) pturbo_spin_unlock(&thread_->raise_lock);
    }
    QueueLock(const QueueLock &) = delete;
    QueueLock &operator=(const QueueLock &) = delete;

  private:
    ThreadState *thread_;
};
