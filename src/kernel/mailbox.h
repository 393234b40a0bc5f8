// Mailboxes and mailbox sets. A mailbox holds a list of messages (a pointer and an optional
// completion counter each, counted up when sent and down when received); a receiver takes the
// oldest or waits; a synchronous send waits until its message was received. A mailbox set
// receives from whichever of several mailboxes has a message first.
#pragma once

#include <cstdint>

#include "kernel/counter.h"
#include "kernel/waitset.h"

struct mailbox_message_s {
    mailbox_message_s *next;
    void *data;
    counter_s *counter;
};

struct mailbox_s {
    // Waiter words for wait sets: a receiver waits for a message.
    counter_waiter_add_fn waiter_add;
    counter_waiter_remove_fn waiter_remove;
    void *object;
    tsim_s *tsim;
    char *name;
    int32_t count;
    mailbox_message_s *first, *last;
    heap_s messages;  // free message records
    jobq_s receivers; // "MBox Receives"
};

void mailbox_init(mailbox_s *mailbox, tsim_s *tsim, const char *name);
mailbox_s *mailbox_new(tsim_s *tsim, const char *name);
// Drops the messages (their counters are left as they are) and the waiting receivers.
void mailbox_cleanup(mailbox_s *mailbox);
void mailbox_free(mailbox_s *mailbox);

// Appends a message and wakes the first receiver; 0 when no message record can be had.
int mailbox_send(mailbox_s *mailbox, void *data, counter_s *counter);
// Sends and waits until the message was received ("mbox_sync_send" counter). With a time-out:
// 1 when received, 0 when the time ran out first (the message is then taken back).
int mailbox_send_synchronous(mailbox_s *mailbox, void *data);
int mailbox_send_synchronous_timeout(mailbox_s *mailbox, void *data, uint64_t timeout);
int mailbox_send_synchronous_timeout_priority(mailbox_s *mailbox, void *data, uint64_t timeout, int priority);
// The oldest message's data, waiting while there is none (null outside a job).
void *mailbox_receive(mailbox_s *mailbox);
// 1 and the data when a message arrived in time, else 0.
int mailbox_receive_timeout(mailbox_s *mailbox, uint64_t timeout, void **data);
int mailbox_receive_timeout_priority(mailbox_s *mailbox, uint64_t timeout, int priority, void **data);
// 1 and the oldest message's data when there is one; never waits.
int mailbox_try_receive(mailbox_s *mailbox, void **data);

struct mailboxset_entry_s {
    mailbox_s *mailbox;
    uint64_t value;
};

struct mailboxset_s {
    tsim_s *tsim;
    waitset_s set;    // "ws for receivers on mbset <name>"; member values index the entries
    buffer_s entries; // mailboxset_entry_s
    int32_t count;
};

void mailboxset_init(mailboxset_s *set, tsim_s *tsim, const char *name);
mailboxset_s *mailboxset_new(tsim_s *tsim, const char *name);
int mailboxset_add(mailboxset_s *set, mailbox_s *mailbox, uint64_t value);
void mailboxset_clear(mailboxset_s *set);
// Receives from the first mailbox with a message: its value and the data (WAIT_TIMED_OUT after
// the time-out, WAIT_CLEARED when the set was cleared).
uint64_t mailboxset_receive(mailboxset_s *set, void **data);
uint64_t mailboxset_receive_timeout(mailboxset_s *set, uint64_t timeout, void **data);
uint64_t mailboxset_receive_timeout_priority(mailboxset_s *set, uint64_t timeout, int priority, void **data);
void mailboxset_cleanup(mailboxset_s *set);
void mailboxset_free(mailboxset_s *set);
