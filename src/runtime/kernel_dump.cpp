// Dumps of event-kernel objects.
#include "kernel/arbiter.h"
#include "kernel/counter.h"
#include "kernel/gate.h"
#include "kernel/port.h"
#include "runtime/stat_print.h"
#include "runtime/utils.h"

namespace
{

// Job states as a job's own proxy holds them.
const IDNamePair job_state_names[] = {
    {-1, "unqueued"}, {0, "ready"}, {1, "frozen"}, {2, "blocked"}, {3, "terminated"}, {0, nullptr},
};

inline const char *text(const char *name)
{
    return name ? name : "";
}

} // namespace

void Job_dump(int indent, job_s *job)
{
    if (!job) return;
    Dump_print(indent, "job:%s(<%p>): id=%d, state=%s, at=%ldt\n", text(job->name), (void *)job, job->number,
               ID2Name(job_state_names, job->proxy.state), (long)job->proxy.tick);
}

void Jobq_dump(int indent, jobq_s *queue)
{
    for (proxy_s *proxy = queue->first; proxy; proxy = proxy->behind)
        Job_dump(indent, proxy->is_job ? reinterpret_cast<job_s *>(proxy) : proxy->job);
}

void Counter_dump(int indent, counter_s *counter)
{
    if (!counter->queue.first) return;
    Dump_print(indent, "counter(%s): count=%d, waiting=%s\n", text(counter->name), counter->value, "YES");
    Jobq_dump(indent + 1, &counter->queue);
}

void Tagcount_dump(int indent, tagcount_s *tagcount)
{
    bool queued = tagcount->queue.first != nullptr;
    if (!tagcount->waiter && !queued) return;
    Dump_print(indent, "tagcount(%s): count=%d, max=%d, waiting=%s\n", text(tagcount->name),
               (int)tagcount->credits, tagcount->capacity, queued ? "YES" : "NO");
    Job_dump(indent + 1, tagcount->waiter);
    Jobq_dump(indent + 1, &tagcount->queue);
    for (tagcount_release_s *release = tagcount->first; release; release = release->next)
        Dump_print(indent + 1, "Releasing %u at %ldt\n", release->count, (long)release->tick);
}

void Gate_dump(int indent, gate_s *gate, const char *name)
{
    if (gate->count == 0) return;
    Dump_print(indent, "gate(%s): max=%d, count=%d%s\n", text(name), (int)gate->capacity, (int)gate->count,
               gate->count > gate->capacity ? ", blocked jobs are" : "");
    Jobq_dump(indent + 1, &gate->queue);
}

void PGate_dump(int indent, pgate_s *gate, const char *name)
{
    Dump_print(indent, "gate(%s): max=%d, count=%d%s\n", text(name), gate->capacity, gate->count,
               gate->count > gate->capacity ? ", blocked jobs are" : "");
    Jobq_dump(indent + 1, &gate->queue);
}

void Port_dump(int indent, port_s *port, const char *name, Dump_printer_fn printer, void *argument)
{
    if (!port->jobs && !port->first) return;
    Dump_print(indent, "port(%s): max=%d, n=%d%s\n", text(name), (int)port->limit, (int)port->jobs,
               port->first ? ", stalled messages" : "");
    if (!printer) return;
    for (port_message_s *message = port->first; message; message = message->next)
        printer(indent + 1, port_message_payload(message), argument);
}

void Arbiter_dump(int indent, arbiter_s *arbiter, const char *name, Dump_printer_fn printer, void *argument)
{
    if (arbiter->count == 0) return;
    Dump_print(indent, "arbiter(%s): max=%d, count=%d, job->at=%lld\n", text(name), arbiter->slots,
               arbiter->count, arbiter->job ? (long long)arbiter->job->proxy.tick : 0ll);
    for (int i = 0; i < arbiter->slots; i++) {
        if (!arbiter->slot[i].occupied) continue;
        Dump_print(indent + 1, "entry-%d:", i);
        if (printer) printer(0, arbiter->slot[i].item, argument);
    }
}
