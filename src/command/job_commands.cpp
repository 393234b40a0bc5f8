// The "job" and "ereader" tables and the ready-queue functions.
#include "command/job_commands.h"

#include <tcl.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <unistd.h>

#include "command/cmd_table.h"
#include "command/selector.h"
#include "kernel/job.h"
#include "kernel/tsim.h"
#include "processor/records/generic_machine.h"
#include "runtime/message.h"
#include "runtime/property_list.h"
#include "runtime/tcl_output.h"

namespace
{

tsim_s *machine_kernel(GenericMachine *machine)
{
    return machine ? machine->tsim : nullptr;
}

// Calls visit(proxy, queue, place) for every proxy of every ready queue, ticks ascending;
// a true answer stops the walk.
template <typename Visit> void each_ready_proxy(tsim_s *tsim, Visit visit)
{
    for (jobq_s *queue = tsim->ready; queue; queue = queue->next) {
        int place = 0;
        for (proxy_s *proxy = queue->first; proxy; proxy = proxy->behind, place++)
            if (visit(proxy, queue, place)) return;
    }
}

job_s *find_dynamic_job(tsim_s *tsim, const char *name)
{
    for (job_s *job = tsim ? tsim->dynamic_head : nullptr; job; job = job->dynamic_next)
        if (job->name && strcmp(job->name, name) == 0) return job;
    return nullptr;
}

bool is_frozen(const job_s *job)
{
    return job->counter.value > 0;
}

// The context a job proxy returns to: its job's frame at the last switch away.
void *return_context(const proxy_s *proxy)
{
    return proxy->job ? proxy->job->saved_frame : nullptr;
}

// The kernel keeps a frozen job's proxies out of every queue, unqueued; such a proxy shows as
// frozen, an unqueued proxy of a job that is not frozen as ready.
void proxy_text(Tcl_Interp *interpreter, proxy_s *proxy)
{
    int32_t state = proxy->state;
    if (state == PROXY_UNQUEUED) state = proxy->job && is_frozen(proxy->job) ? 1 : PROXY_READY;
    switch (state) {
    case PROXY_READY:
        if (proxy->queue)
            SIM_TCLPRINT(interpreter, "on ready-queue for time %ldt with priority=%d and rc=<%p>.", (long)proxy->tick,
                         proxy->priority, return_context(proxy));
        else
            SIM_TCLPRINT(interpreter, "ready");
        break;
    case 1:
        SIM_TCLPRINT(interpreter, "job_frozen");
        break;
    case PROXY_BLOCKED: {
        jobq_s *queue = proxy->queue;
        SIM_TCLPRINT(interpreter, "blocked on \"%s\" with priority=%d and rc=<%p> ",
                     queue && queue->name ? queue->name : "", proxy->priority, return_context(proxy));
        if (queue && queue->name && strcmp(queue->name, "counter queue") == 0) {
            counter_s *counter = (counter_s *)((char *)queue - offsetof(counter_s, queue));
            SIM_TCLPRINT(interpreter, " <counter: \"%s\">", counter->name ? counter->name : "");
            if (counter->name && strcmp(counter->name, "internal counter") == 0) {
                job_s *owner = (job_s *)((char *)counter - offsetof(job_s, counter));
                SIM_TCLPRINT(interpreter, " of job (%s)", owner->name ? owner->name : "");
            }
        }
        break;
    }
    case PROXY_TERMINATED:
        SIM_TCLPRINT(interpreter, "terminated");
        break;
    default:
        SIM_TCLPRINT(interpreter, "*unknown state *");
        break;
    }
}

void job_text(Tcl_Interp *interpreter, job_s *job, bool list_form, bool active_only)
{
    const char *name = job->name ? job->name : "";
    if (list_form) {
        SIM_TCLPRINT(interpreter, "{");
        SIM_TCLPRINT(interpreter, "{%s} ", name);
        SIM_TCLPRINT(interpreter, "%s", is_frozen(job) ? "frozen" : "thawed");
        SIM_TCLPRINT(interpreter, " ");
        SIM_TCLPRINT(interpreter, "%s", job->debug_off ? "blocking" : "showing");
        SIM_TCLPRINT(interpreter, "}");
        return;
    }
    if (active_only && is_frozen(job)) return;
    SIM_TCLPRINT(interpreter, "\t\"%s\" (%d) -> ", name, job->number);
    SIM_TCLPRINT(interpreter, "%s", is_frozen(job) ? "frozen" : "active");
    if (job->debug_off) SIM_TCLPRINT(interpreter, " and blocking debug messages.");
    int n = 0;
    for (proxy_s *proxy = job->proxies; proxy; proxy = proxy->next_proxy, n++) {
        SIM_TCLPRINT(interpreter, "\n\t\tproxy[%d]: ", n);
        proxy_text(interpreter, proxy);
    }
    SIM_TCLPRINT(interpreter, " \n");
}

int freeze_or_thaw(Selector *selector, Tcl_Interp *interpreter, const char *name, int value)
{
    if (tsim_active_job) {
        SIM_TCLPRINT(interpreter, "The 'job freeze/thaw' commands can only be run from the tcl command prompt.");
        return 1;
    }
    job_s *job = find_dynamic_job(machine_kernel(select_machine(selector)), name);
    if (!job) {
        SIM_TCLPRINT(interpreter, "Job: '%s' was not found.", name);
        return 1;
    }
    job_set(job, value);
    job_queue_check(job);
    return 0;
}

} // namespace

int readyq_job_count(GenericMachine *machine, int *count)
{
    tsim_s *tsim = machine_kernel(machine);
    if (!tsim) return 0;
    int n = 0;
    each_ready_proxy(tsim, [&](proxy_s *, jobq_s *, int) {
        n++;
        return false;
    });
    *count = n;
    return 1;
}

int readyq_job_positions(GenericMachine *machine, char *names, uint64_t *ticks, int *positions)
{
    tsim_s *tsim = machine_kernel(machine);
    if (!tsim) return 0;
    int n = 0;
    each_ready_proxy(tsim, [&](proxy_s *proxy, jobq_s *queue, int place) {
        char *slot = names + (size_t)n * READYQ_NAME_SLOT;
        memset(slot, 0, READYQ_NAME_SLOT);
        const char *name = proxy->job && proxy->job->name ? proxy->job->name : "";
        strncpy(slot, name, READYQ_NAME_SLOT - 1);
        ticks[n] = queue->tick;
        positions[n] = place;
        n++;
        return false;
    });
    return n;
}

job_s *find_job_in_RQ_by_name(GenericMachine *machine, const char *name)
{
    tsim_s *tsim = machine_kernel(machine);
    if (!tsim || !name) return nullptr;
    proxy_s *found = nullptr;
    each_ready_proxy(tsim, [&](proxy_s *proxy, jobq_s *, int) {
        if (proxy->job && proxy->job->name && strcmp(proxy->job->name, name) == 0) found = proxy;
        return found != nullptr;
    });
    if (!found) return nullptr;
    job_s *job = found->job;
    readyq_insert_by_priority(tsim, found);
    return job;
}

int readyq_job_reposition(GenericMachine *machine, const char *name, uint64_t tick)
{
    job_s *job = find_job_in_RQ_by_name(machine, name);
    if (!job) return 0;
    job_set_needs_reinitializing(job, tick);
    return 1;
}

// ---- the job table ----

int display_cmd(Selector *selector, Tcl_Interp *interpreter, int argc, char **argv)
{
    const bool list_form = argc > 1 && strcasecmp(argv[1], "listformat") == 0;
    const bool active_only = argc > 1 && strcasecmp(argv[1], "active") == 0;
    tsim_s *tsim = machine_kernel(select_machine(selector));
    if (!tsim) return 0;
    for (job_s *job = tsim->dynamic_head; job; job = job->dynamic_next)
        job_text(interpreter, job, list_form, active_only);
    for (job_s *job = tsim->static_head; job; job = job->static_next)
        job_text(interpreter, job, list_form, active_only);
    return 0;
}

int freeze_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return freeze_or_thaw(selector, interpreter, argv[1], 1);
}

int thaw_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    return freeze_or_thaw(selector, interpreter, argv[1], 0);
}

int showdbg_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **argv)
{
    job_s *job = find_dynamic_job(machine_kernel(select_machine(selector)), argv[1]);
    if (!job) {
        SIM_TCLPRINT(interpreter, "Job: '%s' was not found.", argv[1]);
        return 1;
    }
    int ok = 0;
    job->debug_off = STRING2INT_rc(argv[2], &ok) != 0 ? 0 : 1;
    return 0;
}

int readyq_cmd(Selector *selector, Tcl_Interp *interpreter, int, char **)
{
    tsim_s *tsim = machine_kernel(select_machine(selector));
    if (!tsim) return 0;
    for (jobq_s *queue = tsim->ready; queue; queue = queue->next) {
        SIM_TCLPRINT(interpreter, "\nReadyQ for time %ldt", (long)queue->tick);
        for (proxy_s *proxy = queue->first; proxy; proxy = proxy->behind) {
            if (proxy->is_service)
                SIM_TCLPRINT(interpreter, "\n\tService Proxy. func=<%p>, arg=<%p>, priority=%d",
                             (void *)proxy->service, proxy->argument, proxy->priority);
            else
                SIM_TCLPRINT(interpreter, "\n\tJob=\"%s\", priority=%d",
                             proxy->job && proxy->job->name ? proxy->job->name : "", proxy->priority);
        }
    }
    return 0;
}

// ---- the ereader table ----

int EReader_StartCmd(Selector *, Tcl_Interp *interpreter, int argc, char **argv)
{
    if (argc < 2) {
        SIM_PRINT("usage: start program-name [options] ...\n");
        return 1;
    }
    SIM_PRINT("Forking process for reader '%s'\n", argv[1]);
    fflush(nullptr);
    pid_t child = fork();
    if (child < 0) {
        SIM_TCLPRINT(interpreter, "error: couldn't fork process");
        return 1;
    }
    if (child == 0) {
        sigset_t blocked;
        sigemptyset(&blocked);
        sigaddset(&blocked, SIGINT);
        sigprocmask(SIG_BLOCK, &blocked, nullptr);
        printf("Child is starting process '%s'\n", argv[1]);
        fflush(stdout);
        execvp(argv[1], argv + 1);
        perror(argv[1]);
        printf("Oops the execvp had a problem\n");
        fflush(stdout);
        _exit(1);
    }
    SIM_TCLPRINT(interpreter, "done");
    return 0;
}

int EReader_ExpectCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "emitter is not enabled in this simulator.  run emit version.");
    return 1;
}

int EReader_SignalCmd(Selector *, Tcl_Interp *interpreter, int, char **)
{
    SIM_TCLPRINT(interpreter, "emitter is not enabled in this simulator.  run emit version.");
    return 1;
}

SimCmdTable *build_job_cmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("job");
    add_simcommand(table, "display", display_cmd, "display_cmd", -1, 0, "[listformat | active]");
    add_simcommand(table, "freeze", freeze_cmd, "freeze_cmd", 1, 0, "{job name}");
    add_simcommand(table, "thaw", thaw_cmd, "thaw_cmd", 1, 0, "{job name}");
    add_simcommand(table, "showdebug", showdbg_cmd, "showdbg_cmd", 2, 0, "{job name} {0|1}");
    add_simcommand(table, "readyq", readyq_cmd, "readyq_cmd", 0, 0, "");
    return table;
}

SimCmdTable *build_ereaderCmd_table(void *)
{
    SimCmdTable *table = Init_SimCmdTable("ereader");
    add_simcommand(table, "start", EReader_StartCmd, "EReader_StartCmd", -1, 0, "{emitter-reader-cmd} [options]");
    add_simcommand(table, "expect", EReader_ExpectCmd, "EReader_ExpectCmd", 1, 0, "{num-readers}");
    add_simcommand(table, "signal", EReader_SignalCmd, "EReader_SignalCmd", 1, 0, "{command-passed-to-the-reader}");
    return table;
}
