// Mailboxes and mailbox sets.
#include "kernel/mailbox.h"

#include <cstdio>

#include "kernel/delay.h"

namespace
{

proxy_s *waiter_add(void *object, job_s *job, uint64_t value)
{
    auto *mailbox = static_cast<mailbox_s *>(object);
    if (mailbox->first) return &waiter_ready_proxy;
    return job_waitq_add(job, &mailbox->receivers, PROXY_BLOCKED, value);
}

void waiter_remove(void *, proxy_s *proxy)
{
    proxy_unlink(proxy);
}

// Takes the oldest message; counts its counter down. Another waiting receiver is woken while
// messages remain.
void *take(mailbox_s *mailbox)
{
    mailbox_message_s *message = mailbox->first;
    mailbox->first = message->next;
    if (!mailbox->first) mailbox->last = nullptr;
    mailbox->count--;
    void *data = message->data;
    counter_s *counter = message->counter;
    heap_put(&mailbox->messages, message);
    if (counter) counter_down(counter);
    if (mailbox->first)
        if (proxy_s *next = jobq_pop(&mailbox->receivers)) tsim_schedule(next);
    return data;
}

// Unlinks a message still in the mailbox; false when it was received.
bool take_back(mailbox_s *mailbox, counter_s *counter)
{
    mailbox_message_s *previous = nullptr;
    for (mailbox_message_s *m = mailbox->first; m; previous = m, m = m->next) {
        if (m->counter != counter) continue;
        if (previous)
            previous->next = m->next;
        else
            mailbox->first = m->next;
        if (mailbox->last == m) mailbox->last = previous;
        mailbox->count--;
        heap_put(&mailbox->messages, m);
        return true;
    }
    return false;
}

inline uint64_t deadline(tsim_s *tsim, uint64_t timeout)
{
    uint64_t tick = tsim->now + timeout;
    return tick < tsim->now ? ~uint64_t(0) : tick;
}

int receive(mailbox_s *mailbox, bool timed, uint64_t timeout, int priority, void **data)
{
    uint64_t end = deadline(mailbox->tsim, timeout);
    for (;;) {
        if (mailbox->first) {
            *data = take(mailbox);
            return 1;
        }
        if (!tsim_active_job) return 0;
        if (!timed) {
            current_block(&mailbox->receivers, 1);
            continue;
        }
        tsim_s *tsim = mailbox->tsim;
        if (tsim->now >= end ||
            current_block_timeout(&mailbox->receivers, 1, end - tsim->now, priority, 0) == 0)
            return 0;
    }
}

int send_synchronous(mailbox_s *mailbox, void *data, bool timed, uint64_t timeout, int priority)
{
    counter_s counter;
    counter_init(&counter, mailbox->tsim, "mbox_sync_send");
    int received = 0;
    if (mailbox_send(mailbox, data, &counter)) {
        if (!timed) {
            counter_sync(&counter);
            received = counter.value <= 0;
        } else {
            received = counter_wait_priority(&counter, timeout, priority);
        }
        // A message nobody took must not outlive the counter on this stack.
        if (!received) received = take_back(mailbox, &counter) ? 0 : 1;
    }
    counter_cleanup(&counter);
    return received;
}

} // namespace

void mailbox_init(mailbox_s *mailbox, tsim_s *tsim, const char *name)
{
    mailbox->waiter_add = waiter_add;
    mailbox->waiter_remove = waiter_remove;
    mailbox->object = mailbox;
    mailbox->tsim = tsim;
    mailbox->name = name ? tsim_keep_string(tsim, name) : nullptr;
    mailbox->count = 0;
    mailbox->first = mailbox->last = nullptr;
    heap_init(&mailbox->messages, tsim_space(tsim), sizeof(mailbox_message_s));
    jobq_init(&mailbox->receivers, "MBox Receives", 0);
}

mailbox_s *mailbox_new(tsim_s *tsim, const char *name)
{
    auto *mailbox = static_cast<mailbox_s *>(TSIM_GET(tsim, sizeof(mailbox_s)));
    if (!mailbox) {
        tsim_error("can't allocate mailbox");
        return nullptr;
    }
    mailbox_init(mailbox, tsim, name);
    return mailbox;
}

void mailbox_cleanup(mailbox_s *mailbox)
{
    while (mailbox_message_s *message = mailbox->first) {
        mailbox->first = message->next;
        heap_put(&mailbox->messages, message);
    }
    mailbox->last = nullptr;
    mailbox->count = 0;
    heap_cleanup(&mailbox->messages);
    jobq_drop_all(&mailbox->receivers);
    if (mailbox->name) tsim_free_string(mailbox->tsim, mailbox->name);
    mailbox->name = nullptr;
}

void mailbox_free(mailbox_s *mailbox)
{
    if (!mailbox) return;
    mailbox_cleanup(mailbox);
    tsim_put(mailbox->tsim, mailbox);
}

int mailbox_send(mailbox_s *mailbox, void *data, counter_s *counter)
{
    auto *message = static_cast<mailbox_message_s *>(heap_get(&mailbox->messages));
    if (!message) {
        tsim_error("can't allocate mailbox message");
        return 0;
    }
    message->next = nullptr;
    message->data = data;
    message->counter = counter;
    if (mailbox->last)
        mailbox->last->next = message;
    else
        mailbox->first = message;
    mailbox->last = message;
    mailbox->count++;
    if (counter) counter_up(counter);
    if (proxy_s *receiver = jobq_pop(&mailbox->receivers)) tsim_schedule(receiver);
    return 1;
}

int mailbox_send_synchronous(mailbox_s *mailbox, void *data)
{
    return send_synchronous(mailbox, data, false, 0, 0);
}

int mailbox_send_synchronous_timeout(mailbox_s *mailbox, void *data, uint64_t timeout)
{
    return send_synchronous(mailbox, data, true, timeout, current_priority());
}

int mailbox_send_synchronous_timeout_priority(mailbox_s *mailbox, void *data, uint64_t timeout, int priority)
{
    return send_synchronous(mailbox, data, true, timeout, priority);
}

void *mailbox_receive(mailbox_s *mailbox)
{
    void *data = nullptr;
    receive(mailbox, false, 0, 0, &data);
    return data;
}

int mailbox_receive_timeout(mailbox_s *mailbox, uint64_t timeout, void **data)
{
    return receive(mailbox, true, timeout, current_priority(), data);
}

int mailbox_receive_timeout_priority(mailbox_s *mailbox, uint64_t timeout, int priority, void **data)
{
    return receive(mailbox, true, timeout, priority, data);
}

int mailbox_try_receive(mailbox_s *mailbox, void **data)
{
    if (!mailbox->first) return 0;
    *data = take(mailbox);
    return 1;
}

// ---- mailbox sets ----

void mailboxset_init(mailboxset_s *set, tsim_s *tsim, const char *name)
{
    char text[256];
    snprintf(text, sizeof text, "ws for receivers on mbset %s", name ? name : "");
    set->tsim = tsim;
    waitset_init(&set->set, tsim, text);
    buffer_init(&set->entries, tsim_space(tsim), 0);
    set->count = 0;
}

mailboxset_s *mailboxset_new(tsim_s *tsim, const char *name)
{
    auto *set = static_cast<mailboxset_s *>(TSIM_GET(tsim, sizeof(mailboxset_s)));
    if (!set) {
        tsim_error("can't allocate mailboxset");
        return nullptr;
    }
    mailboxset_init(set, tsim, name);
    return set;
}

int mailboxset_add(mailboxset_s *set, mailbox_s *mailbox, uint64_t value)
{
    auto *entry = static_cast<mailboxset_entry_s *>(
        buffer_array(&set->entries, sizeof(mailboxset_entry_s), (size_t)set->count));
    if (!entry || !waitset_add(&set->set, mailbox, (uint64_t)set->count)) return 0;
    entry->mailbox = mailbox;
    entry->value = value;
    set->count++;
    return 1;
}

void mailboxset_clear(mailboxset_s *set)
{
    set->count = 0;
    waitset_clear(&set->set);
}

namespace
{

uint64_t set_receive(mailboxset_s *set, bool timed, uint64_t timeout, int priority, void **data)
{
    uint64_t end = deadline(set->tsim, timeout);
    for (;;) {
        uint64_t now = set->tsim->now;
        uint64_t index = !timed
                             ? waitset_wait(&set->set)
                             : waitset_wait_timeout_priority(&set->set, end > now ? end - now : 0, priority);
        if (index >= (uint64_t)set->count) return index; // timed out, cleared or no job
        auto *entry = static_cast<mailboxset_entry_s *>(set->entries.data) + index;
        // Another receiver may have taken the message meanwhile: then wait again.
        if (mailbox_try_receive(entry->mailbox, data)) return entry->value;
    }
}

} // namespace

uint64_t mailboxset_receive(mailboxset_s *set, void **data)
{
    return set_receive(set, false, 0, 0, data);
}

uint64_t mailboxset_receive_timeout(mailboxset_s *set, uint64_t timeout, void **data)
{
    return set_receive(set, true, timeout, current_priority(), data);
}

uint64_t mailboxset_receive_timeout_priority(mailboxset_s *set, uint64_t timeout, int priority, void **data)
{
    return set_receive(set, true, timeout, priority, data);
}

void mailboxset_cleanup(mailboxset_s *set)
{
    waitset_cleanup(&set->set);
    buffer_cleanup(&set->entries);
    set->count = 0;
}

void mailboxset_free(mailboxset_s *set)
{
    if (!set) return;
    mailboxset_cleanup(set);
    tsim_put(set->tsim, set);
}
