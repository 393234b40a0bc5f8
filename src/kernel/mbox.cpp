// Mailboxes.
#include "kernel/mbox.h"

#include "kernel/delay.h"

namespace
{

inline void wake_first(jobq_s *queue)
{
    if (proxy_s *proxy = jobq_pop(queue)) tsim_schedule(proxy);
}

inline int32_t advance(int32_t index, int32_t capacity)
{
    return index + 1 >= capacity ? 0 : index + 1;
}

void drop_waiters(jobq_s *queue)
{
    while (proxy_s *proxy = jobq_pop(queue)) {
        proxy->state = PROXY_UNQUEUED;
        proxy->in_use = 0;
    }
}

} // namespace

void mbox_init(mbox_s *mbox, tsim_s *tsim, const char *name, int capacity)
{
    mbox->tsim = tsim;
    mbox->name = tsim_keep_string(tsim, name ? name : "");
    mbox->count = 0;
    mbox->capacity = capacity;
    mbox->get_index = 0;
    mbox->put_index = 0;
    jobq_init(&mbox->putq, "putq", 0);
    jobq_init(&mbox->getq, "getq", 0);
}

mbox_s *mbox_new(tsim_s *tsim, const char *name, int capacity)
{
    auto *mbox = static_cast<mbox_s *>(TSIM_GET(tsim, sizeof(mbox_s)));
    if (!mbox) {
        tsim_error("can't allocate mbox \"%s\"", name ? name : "");
        return nullptr;
    }
    mbox_init(mbox, tsim, name, capacity);
    return mbox;
}

void mbox_cleanup(mbox_s *mbox)
{
    if (mbox->putq.first) tsim_error("mbox putq is not empty");
    if (mbox->getq.first) tsim_error("mbox getq is not empty");
    if (mbox->name) tsim_free_string(mbox->tsim, mbox->name);
    mbox->name = nullptr;
}

void mbox_free(mbox_s *mbox)
{
    if (!mbox) return;
    mbox_cleanup(mbox);
    // No entry may point into the returned record.
    drop_waiters(&mbox->putq);
    drop_waiters(&mbox->getq);
    tsim_put(mbox->tsim, mbox);
}

int mbox_try_put(mbox_s *mbox)
{
    if (mbox->count >= mbox->capacity) return -1;
    int index = mbox->put_index;
    mbox->count++;
    mbox->put_index = advance(index, mbox->capacity);
    wake_first(&mbox->getq);
    return index;
}

int mbox_try_get(mbox_s *mbox)
{
    if (mbox->count < 1) return -1;
    int index = mbox->get_index;
    mbox->count--;
    mbox->get_index = advance(index, mbox->capacity);
    wake_first(&mbox->putq);
    return index;
}

int mbox_put(mbox_s *mbox)
{
    int index;
    while ((index = mbox_try_put(mbox)) < 0) {
        if (!tsim_active_job) return -1; // nobody to wait
        current_block(&mbox->putq, 0);
    }
    return index;
}

int mbox_get(mbox_s *mbox)
{
    int index;
    while ((index = mbox_try_get(mbox)) < 0) {
        if (!tsim_active_job) return -1;
        current_block(&mbox->getq, 0);
    }
    return index;
}
