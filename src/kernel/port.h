// Ports and delayed calls. A port hands each message to a serving function that runs in a job
// of its own: a sender takes a message, fills its payload and goes on; the kernel gives the
// message to an idle serving job (from the kernel's pool of parked ones), starts a new one up
// to the port's job limit, or queues the message. A delayed-call object is a port whose
// messages call a function after a delay.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel/sync.h"
#include "kernel/tsim.h"

struct port_s;
typedef void (*port_fn)(port_s *port, void *payload);

enum : uint32_t { PORT_UNLIMITED = 0xFFFFFFFFu };

// The header in front of every payload.
struct port_message_s {
    uint64_t tick;         // when it is to be handled
    counter_s *completion; // counted up at the send, down once handled; or none
    port_s *port;
    port_message_s *next; // message queue link
};
static_assert(sizeof(port_message_s) == 32, "a message header is four words");

inline void *port_message_payload(port_message_s *message)
{
    return message + 1;
}
inline port_message_s *port_payload_message(void *payload)
{
    return static_cast<port_message_s *>(payload) - 1;
}

struct port_s {
    tsim_sync_s sync;
    tsim_s *tsim;
    port_fn fn;
    uint32_t limit;        // serving jobs allowed; PORT_UNLIMITED for no limit
    uint32_t jobs;         // serving jobs working for this port now
    int32_t priority;      // of every serving job
    port_message_s *first; // messages waiting for a serving job, in send order
    port_message_s *last;
    jobq_s job_queue; // "port job queue"
    heap_s pool;      // messages: header and payload
    size_t payload_size;
    char *name;             // the serving jobs' name
    port_message_s *direct; // reserved by port_set_direct_call
};

port_s *port_limited_new(tsim_s *tsim, port_fn fn, size_t payload_size, uint32_t limit);
port_s *port_unlimited_new(tsim_s *tsim, port_fn fn, size_t payload_size);
port_s *port_new(tsim_s *tsim, port_fn fn, size_t payload_size, uint32_t limit);
void port_limited_init(port_s *port, tsim_s *tsim, port_fn fn, size_t payload_size, uint32_t limit);
void port_unlimited_init(port_s *port, tsim_s *tsim, port_fn fn, size_t payload_size);
void port_unlimited_init_with_name(port_s *port, tsim_s *tsim, const char *name, port_fn fn,
                                   size_t payload_size);
// Releases the messages, ends the jobs serving this port and clears the direct-call message.
void port_cleanup(port_s *port);
void port_free(port_s *port);

// A new message to be handled now (at the tick): its payload, for the caller to fill before
// it gives up control; none on failure. port_send_at reports a tick in the past.
void *port_send(port_s *port, counter_s *counter);
void *port_send_at(port_s *port, counter_s *counter, uint64_t tick);
// The same with the payload's first word set to the pointer; port_send_ptr honours the
// direct-call mode.
void *port_send_ptr(port_s *port, counter_s *counter, void *pointer);
void *port_send_ptr_at(port_s *port, counter_s *counter, void *pointer, uint64_t tick);
// Afterwards port_send_ptr calls the serving function at once on the sender's stack. Returns
// the payload of the reserved message.
void *port_set_direct_call(port_s *port);
// Handling happens only on the grid first + k * period of the clock.
void port_synchronous(port_s *port, time_domain *clock, uint64_t first, int64_t period);

// Delayed calls.
typedef void (*later_fn)(void *argument);
struct later_s {
    port_s port;
};
// The payload of a delayed call; its address is the handle.
struct later_call_s {
    later_fn fn;
    void *argument;
    uint64_t delay;
    uint64_t cancelled;
};

later_s *later_new(tsim_s *tsim, const char *name);
void later_init(later_s *later, tsim_s *tsim, const char *name);
// Calls fn(argument) delay ticks from now unless cancelled; none on failure.
later_call_s *later_call_ticks(later_s *later, later_fn fn, void *argument, uint64_t delay);
// The pending delay still runs out, without the call.
void later_cancel(later_call_s *handle);
void later_cleanup(later_s *later);
void later_free(later_s *later);
