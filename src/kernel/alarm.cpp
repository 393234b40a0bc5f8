// Wall-clock alarms.
#include "kernel/alarm.h"

#include <sys/time.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "kernel/counter.h"
#include "kernel/delay.h"
#include "kernel/job.h"

namespace
{

constexpr size_t ALARM_STACK_SIZE = 0x4000;
constexpr uint64_t NOT_ARMED = ~uint64_t(0);

alarm_s *alarm_list = nullptr; // changed only by the owner of list_lock
bool handler_installed = false;

uint64_t monotonic_us()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (uint64_t)now.tv_sec * 1000000u + (uint64_t)now.tv_nsec / 1000u;
}

// Programs the process timer for the earliest deadline (none: disarmed).
void arm_timer(uint64_t now)
{
    uint64_t next = NOT_ARMED;
    for (alarm_s *a = alarm_list; a; a = a->next)
        if (a->deadline_us < next) next = a->deadline_us;
    itimerval timer = {};
    if (next != NOT_ARMED) {
        uint64_t wait = next > now ? next - now : 1;
        timer.it_value.tv_sec = (time_t)(wait / 1000000u);
        timer.it_value.tv_usec = (suseconds_t)(wait % 1000000u);
    }
    setitimer(ITIMER_REAL, &timer, nullptr);
}

// The list's owner: the signal handler (on whichever thread takes the signal) or a thread that
// changes the list.
int list_lock = 0;

inline bool try_lock()
{
    return __atomic_exchange_n(&list_lock, 1, __ATOMIC_ACQUIRE) == 0;
}
inline void unlock()
{
    __atomic_store_n(&list_lock, 0, __ATOMIC_RELEASE);
}

void alarm_handler(int)
{
    int saved_errno = errno;
    uint64_t now = monotonic_us();
    if (!try_lock()) {
        // The list is being changed: look again shortly.
        itimerval retry = {};
        retry.it_value.tv_usec = 100;
        setitimer(ITIMER_REAL, &retry, nullptr);
        errno = saved_errno;
        return;
    }
    for (alarm_s *a = alarm_list; a; a = a->next) {
        if (!a->active || a->deadline_us > now) continue;
        a->fired = 1;
        a->tsim->async_flag = 1;
        if (a->periodic) {
            uint64_t deadline = a->deadline_us;
            while (deadline <= now)
                deadline += a->interval_us;
            a->deadline_us = deadline;
        } else {
            a->deadline_us = NOT_ARMED;
        }
    }
    arm_timer(now);
    unlock();
    errno = saved_errno;
}

// Owns the list while it changes: SIGALRM is held off on this thread, and a handler running on
// another thread is waited for (it holds the lock only for a short walk).
class AlarmsBlocked
{
  public:
    AlarmsBlocked()
    {
        sigset_t set;
        sigemptyset(&set);
        sigaddset(&set, SIGALRM);
        pthread_sigmask(SIG_BLOCK, &set, &saved_);
        while (!try_lock())
            __builtin_ia32_pause();
    }
    ~AlarmsBlocked()
    {
        unlock();
        pthread_sigmask(SIG_SETMASK, &saved_, nullptr);
    }

  private:
    sigset_t saved_;
};

void unlink_alarm(alarm_s *alarm)
{
    for (alarm_s **link = &alarm_list; *link; link = &(*link)->next)
        if (*link == alarm) {
            *link = alarm->next;
            break;
        }
    alarm->next = nullptr;
    alarm->active = 0;
    alarm->deadline_us = NOT_ARMED;
}

void alarm_body(void *argument)
{
    auto *alarm = static_cast<alarm_s *>(argument);
    for (;;) {
        while (!alarm->fired) {
            if (!alarm->active) return;
            current_block(&alarm->tsim->async_queue, 0);
        }
        alarm->fired = 0;
        counter_set(&alarm->timer, 0);
        counter_set(&alarm->timer, 1);
        if (alarm->fn) {
            int32_t freed = 0;
            alarm->freed = &freed;
            alarm->fn(alarm, alarm->argument);
            if (freed) return; // the record is gone
            alarm->freed = nullptr;
        }
        if (!alarm->periodic) return;
    }
}

void register_on_host_stack(job_s *, void *result, void *, void *, void *)
{
    int *ok = static_cast<int *>(result);
    *ok = 0;
    stack_t current;
    if (sigaltstack(nullptr, &current) != 0 || (current.ss_flags & SS_DISABLE)) {
        // No alternate stack on this thread yet: one of its own. (An existing one, such as the
        // kernel's fault stack, is kept: replacing it would shrink the fault handler's stack.)
        stack_t own = {};
        own.ss_sp = malloc(ALARM_STACK_SIZE);
        own.ss_size = ALARM_STACK_SIZE;
        if (!own.ss_sp || sigaltstack(&own, nullptr) != 0) {
            free(own.ss_sp);
            tsim_error("error setting alternate stack");
            return;
        }
    }
    struct sigaction action = {};
    action.sa_handler = alarm_handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_ONSTACK | SA_RESTART;
    if (sigaction(SIGALRM, &action, nullptr) != 0) {
        tsim_error("setting signal handler");
        return;
    }
    *ok = 1;
}

} // namespace

int sigs_register(void)
{
    if (handler_installed) return 1;
    int ok = 0;
    current_call(register_on_host_stack, &ok, nullptr, nullptr, nullptr);
    handler_installed = ok != 0;
    return ok;
}

int alarm_init(alarm_s *alarm, tsim_s *tsim, uint64_t microseconds, int periodic, alarm_fn fn, void *argument)
{
    alarm->tsim = tsim;
    alarm->fn = fn;
    alarm->argument = argument;
    alarm->interval_us = microseconds ? microseconds : 1;
    alarm->periodic = periodic;
    alarm->fired = 0;
    alarm->active = 0;
    alarm->deadline_us = NOT_ARMED;
    alarm->next = nullptr;
    alarm->freed = nullptr;
    counter_init(&alarm->timer, tsim, "timer counter");
    counter_set(&alarm->timer, 1);
    if (!sigs_register()) {
        counter_cleanup(&alarm->timer);
        return 0;
    }
    alarm->job = job_new(tsim, "alarm", alarm_body, alarm);
    if (!alarm->job) {
        tsim_error("can't create alarm job");
        counter_cleanup(&alarm->timer);
        return 0;
    }
    AlarmsBlocked blocked;
    uint64_t now = monotonic_us();
    alarm->active = 1;
    alarm->deadline_us = now + alarm->interval_us;
    alarm->next = alarm_list;
    alarm_list = alarm;
    arm_timer(now);
    return 1;
}

alarm_s *alarm_new(tsim_s *tsim, uint64_t microseconds, int periodic, alarm_fn fn, void *argument)
{
    auto *alarm = static_cast<alarm_s *>(TSIM_GET(tsim, sizeof(alarm_s)));
    if (!alarm) {
        tsim_error("can't allocate alarm");
        return nullptr;
    }
    if (!alarm_init(alarm, tsim, microseconds, periodic, fn, argument)) {
        tsim_put(tsim, alarm);
        return nullptr;
    }
    return alarm;
}

void alarm_cleanup(alarm_s *alarm)
{
    {
        AlarmsBlocked blocked;
        unlink_alarm(alarm);
        arm_timer(monotonic_us());
    }
    counter_force_cleanup(&alarm->timer);
    job_s *job = alarm->job;
    alarm->job = nullptr;
    if (alarm->freed) *alarm->freed = 1;
    if (job == tsim_active_job)
        job_detach(job); // the alarm's own job: it ends when its function returns
    else if (job)
        job_free(job);
}

void alarm_free(alarm_s *alarm)
{
    if (!alarm) return;
    alarm_cleanup(alarm);
    tsim_put(alarm->tsim, alarm);
}

void alarm_cancel_for_tsim(tsim_s *tsim)
{
    AlarmsBlocked blocked;
    for (alarm_s *a = alarm_list; a;) {
        alarm_s *next = a->next;
        if (a->tsim == tsim) {
            unlink_alarm(a);
            a->job = nullptr; // the kernel's cleanup ends it
        }
        a = next;
    }
    arm_timer(monotonic_us());
}
