// Ports and delayed calls.
#include "kernel/port.h"

#include <cstdlib>
#include <cstring>

#include "kernel/counter.h"
#include "kernel/delay.h"
#include "kernel/job.h"

namespace
{

// The tick at which a message is due: its own tick, or for a clocked port the next grid tick.
inline uint64_t due_tick(port_s *port, port_message_s *message)
{
    if (!port->sync.synchronous) return message->tick;
    uint64_t now = port->tsim->now;
    return sync_next_tick(&port->sync, message->tick > now ? message->tick : now);
}

// The body of every serving job: handle the current message, then the port's queued ones, then
// park in the kernel's pool until a sender hands over the next message.
void port_serve(void *)
{
    job_s *job = tsim_active_job;
    for (;;) {
        auto *message = static_cast<port_message_s *>(job->port_message);
        if (!message) return;
        port_s *port = message->port;
        port->fn(port, port_message_payload(message));
        if (counter_s *completion = message->completion) {
            message->completion = nullptr;
            counter_down(completion);
        }
        heap_put(&port->pool, message);
        message = port->first;
        if (!message) {
            job->port_message = nullptr;
            port->jobs--;
            current_block(&job->tsim->port_jobs, 0);
            continue;
        }
        port->first = message->next;
        if (!port->first) port->last = nullptr;
        message->next = nullptr;
        job->port_message = message;
        uint64_t due = due_tick(port, message);
        if (due > job->tsim->now) current_delay_to_tick(due);
    }
}

// Hands the message to a parked serving job or a new one, ready at the due tick.
bool start_serving(port_s *port, port_message_s *message)
{
    tsim_s *tsim = port->tsim;
    uint64_t due = due_tick(port, message);
    job_s *job;
    if (proxy_s *parked = jobq_pop(&tsim->port_jobs)) {
        job = parked->is_job ? reinterpret_cast<job_s *>(parked) : parked->job;
        if (job->base_priority != port->priority) job_set_priority(job, port->priority);
        parked->tick = due;
        tsim_schedule(parked);
    } else {
        job = job_new(tsim, port->name, port_serve, nullptr);
        if (!job) {
            tsim_error("port_send can't create job");
            return false;
        }
        job_set_priority(job, port->priority);
        if (due > tsim->now) {
            proxy_unlink(&job->proxy);
            job->proxy.tick = due;
            readyq_insert_by_priority(tsim, &job->proxy);
        }
    }
    job->port_message = message;
    port->jobs++;
    return true;
}

void *send(port_s *port, counter_s *counter, uint64_t tick, bool with_pointer, void *pointer)
{
    auto *message = static_cast<port_message_s *>(heap_get(&port->pool));
    if (!message) {
        tsim_error("can't allocate port message");
        return nullptr;
    }
    message->tick = tick;
    message->completion = counter;
    message->port = port;
    message->next = nullptr;
    void *payload = port_message_payload(message);
    if (with_pointer) *static_cast<void **>(payload) = pointer;
    if (counter) counter_up(counter);
    if (port->jobs < port->limit) {
        if (!start_serving(port, message)) {
            if (counter) counter->value--; // undone: nothing was delivered
            heap_put(&port->pool, message);
            return nullptr;
        }
    } else if (port->last) {
        port->last->next = message;
        port->last = message;
    } else {
        port->first = port->last = message;
    }
    return payload;
}

port_s *allocate_port(tsim_s *tsim)
{
    auto *port = static_cast<port_s *>(TSIM_GET(tsim, sizeof(port_s)));
    if (!port) tsim_error("can't allocate port");
    return port;
}

} // namespace

void port_limited_init(port_s *port, tsim_s *tsim, port_fn fn, size_t payload_size, uint32_t limit)
{
    sync_init(&port->sync);
    port->tsim = tsim;
    port->fn = fn;
    port->limit = limit;
    port->jobs = 0;
    port->priority = tsim_active_job ? tsim_active_job->base_priority : 1;
    port->first = port->last = nullptr;
    jobq_init(&port->job_queue, "port job queue", 0);
    // At least one word of payload: the pointer sends store their pointer there.
    size_t room = payload_size < sizeof(void *) ? sizeof(void *) : payload_size;
    heap_init(&port->pool, tsim_space(tsim), sizeof(port_message_s) + room);
    port->payload_size = payload_size;
    port->name = strdup("port job");
    port->direct = nullptr;
}

void port_unlimited_init(port_s *port, tsim_s *tsim, port_fn fn, size_t payload_size)
{
    port_limited_init(port, tsim, fn, payload_size, PORT_UNLIMITED);
}

void port_unlimited_init_with_name(port_s *port, tsim_s *tsim, const char *name, port_fn fn,
                                   size_t payload_size)
{
    port_limited_init(port, tsim, fn, payload_size, PORT_UNLIMITED);
    if (name) {
        free(port->name);
        port->name = strdup(name);
    }
}

port_s *port_limited_new(tsim_s *tsim, port_fn fn, size_t payload_size, uint32_t limit)
{
    port_s *port = allocate_port(tsim);
    if (port) port_limited_init(port, tsim, fn, payload_size, limit);
    return port;
}

port_s *port_unlimited_new(tsim_s *tsim, port_fn fn, size_t payload_size)
{
    return port_limited_new(tsim, fn, payload_size, PORT_UNLIMITED);
}

port_s *port_new(tsim_s *tsim, port_fn fn, size_t payload_size, uint32_t limit)
{
    return port_limited_new(tsim, fn, payload_size, limit);
}

void port_cleanup(port_s *port)
{
    tsim_s *tsim = port->tsim;
    // A job serving this port cannot go on without it: its message goes back and it ends.
    // Freeing a job may free another (a deferred one), so the walk starts over each time.
    for (bool again = true; again;) {
        again = false;
        for (job_s *job = tsim->dynamic_head; job; job = job->dynamic_next) {
            auto *message = static_cast<port_message_s *>(job->port_message);
            if (!message || message->port != port || job == tsim_active_job) continue;
            job->port_message = nullptr;
            heap_put(&port->pool, message);
            job_free(job);
            again = true;
            break;
        }
    }
    while (proxy_s *proxy = jobq_pop(&port->job_queue)) {
        job_s *job = proxy->is_job ? reinterpret_cast<job_s *>(proxy) : proxy->job;
        if (job) job_free(job);
    }
    while (port_message_s *message = port->first) {
        port->first = message->next;
        heap_put(&port->pool, message);
    }
    port->last = nullptr;
    if (port->direct) heap_put(&port->pool, port->direct);
    port->direct = nullptr;
    heap_cleanup(&port->pool);
    free(port->name);
    port->name = nullptr;
}

void port_free(port_s *port)
{
    if (!port) return;
    port_cleanup(port);
    tsim_put(port->tsim, port);
}

void *port_send(port_s *port, counter_s *counter)
{
    return send(port, counter, port->tsim->now, false, nullptr);
}

void *port_send_at(port_s *port, counter_s *counter, uint64_t tick)
{
    if (tick < port->tsim->now) tsim_error("port_send_at: sending to the past");
    return send(port, counter, tick, false, nullptr);
}

void *port_send_ptr(port_s *port, counter_s *counter, void *pointer)
{
    if (port_message_s *direct = port->direct) {
        void *payload = port_message_payload(direct);
        *static_cast<void **>(payload) = pointer;
        tsim_s *tsim = port->tsim;
        uint64_t before = tsim->now;
        port->fn(port, payload);
        if (tsim->now != before) tsim_error("Port: delayed direct call");
        return payload;
    }
    return send(port, counter, port->tsim->now, true, pointer);
}

void *port_send_ptr_at(port_s *port, counter_s *counter, void *pointer, uint64_t tick)
{
    return send(port, counter, tick, true, pointer);
}

void *port_set_direct_call(port_s *port)
{
    if (!port->direct) {
        auto *message = static_cast<port_message_s *>(heap_get(&port->pool));
        if (!message) {
            tsim_error("can't allocate port message");
            return nullptr;
        }
        memset(message, 0, sizeof(*message));
        message->port = port;
        port->direct = message;
    }
    return port_message_payload(port->direct);
}

void port_synchronous(port_s *port, time_domain *clock, uint64_t first, int64_t period)
{
    set_synchronous(&port->sync, clock, first, period);
}

// ---------------------------------------------------------------------------------------------
// Delayed calls

namespace
{

void later_serve(port_s *, void *payload)
{
    auto *call = static_cast<later_call_s *>(payload);
    current_delay_ticks(call->delay);
    if (!call->cancelled) call->fn(call->argument);
}

} // namespace

void later_init(later_s *later, tsim_s *tsim, const char *name)
{
    port_unlimited_init_with_name(&later->port, tsim, name, later_serve, sizeof(later_call_s));
}

later_s *later_new(tsim_s *tsim, const char *name)
{
    auto *later = static_cast<later_s *>(TSIM_GET(tsim, sizeof(later_s)));
    if (!later) {
        tsim_error("can't allocate later");
        return nullptr;
    }
    later_init(later, tsim, name);
    return later;
}

later_call_s *later_call_ticks(later_s *later, later_fn fn, void *argument, uint64_t delay)
{
    auto *call = static_cast<later_call_s *>(port_send(&later->port, nullptr));
    if (!call) return nullptr;
    call->fn = fn;
    call->argument = argument;
    call->delay = delay;
    call->cancelled = 0;
    return call;
}

void later_cancel(later_call_s *handle)
{
    if (handle) handle->cancelled = 1;
}

void later_cleanup(later_s *later)
{
    port_cleanup(&later->port);
}

void later_free(later_s *later)
{
    if (!later) return;
    later_cleanup(later);
    tsim_put(later->port.tsim, later);
}
