// Walking and dumping queues and stacks.
#include "kernel/queue_dump.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace
{

// A pointer as the C library prints "%0p": "0x" and the digits, "(nil)" for none.
const char *pointer_text(char *buffer, size_t size, uintptr_t value)
{
    if (!value)
        snprintf(buffer, size, "(nil)");
    else
        snprintf(buffer, size, "0x%" PRIxPTR, value);
    return buffer;
}

// A pointer as "%020p" prints it: 20 characters, "0x" and zero-padded digits ("(nil)" padded
// with blanks for none).
const char *wide_pointer_text(char *buffer, size_t size, uintptr_t value)
{
    if (!value)
        snprintf(buffer, size, "%20s", "(nil)");
    else
        snprintf(buffer, size, "0x%018" PRIxPTR, value);
    return buffer;
}

inline uintptr_t word_at(uintptr_t address)
{
    uint32_t word;
    memcpy(&word, reinterpret_cast<const void *>(address), sizeof word);
    return word;
}

inline void ordered(const void *top, const void *bottom, uintptr_t &low, uintptr_t &high)
{
    low = reinterpret_cast<uintptr_t>(top);
    high = reinterpret_cast<uintptr_t>(bottom);
    if (low > high) {
        uintptr_t swap = low;
        low = high;
        high = swap;
    }
}

} // namespace

proxy_s *jobq_iterator(jobq_s *queue, jobq_iterator_fn fn, void *argument)
{
    for (proxy_s *proxy = queue->first; proxy;) {
        proxy_s *next = proxy->behind; // the function may take the entry out
        if (fn(proxy, argument)) return proxy;
        proxy = next;
    }
    return nullptr;
}

proxy_s *gate_waiting_iterator(gate_s *gate, jobq_iterator_fn fn, void *argument)
{
    return jobq_iterator(&gate->queue, fn, argument);
}

int jobq_waiting_count(jobq_s *queue)
{
    return jobq_count(queue);
}

void stats_dump(void) {}

const char *proxy_state_name(int32_t state)
{
    switch (state) {
    case PROXY_READY:
        return "ready";
    case PROXY_BLOCKED:
        return "blocked";
    case PROXY_TERMINATED:
        return "terminated";
    default:
        return "*** unknown ***";
    }
}

void proxy_dump(proxy_s *proxy)
{
    const char *queue = proxy->queue && proxy->queue->name ? proxy->queue->name : "";
    job_s *job = proxy->is_job ? reinterpret_cast<job_s *>(proxy) : proxy->job;
    if (job)
        tsim_print("   #%d [%s][%s], que = [%s], at = %ldt, stack = %jx, stack_size = 0x%X\n", job->number,
                   job->name ? job->name : "", proxy_state_name(proxy->state), queue, (long)proxy->tick,
                   (uintmax_t) reinterpret_cast<uintptr_t>(job->stack), job->stack_size);
    else
        tsim_print("  JobProxy [%s], que = [%s], at = %ldt\n", proxy_state_name(proxy->state), queue,
                   (long)proxy->tick);
}

void jobq_dump(jobq_s *queue, const char *title)
{
    tsim_print("%s\n", title ? title : "");
    for (proxy_s *proxy = queue->first; proxy; proxy = proxy->behind)
        proxy_dump(proxy);
}

void printstack(const char *title, const void *top, const void *bottom)
{
    char a[32], b[32];
    tsim_print("%s top: %s, bottom: %s\n", title ? title : "", pointer_text(a, sizeof a, (uintptr_t)top),
               pointer_text(b, sizeof b, (uintptr_t)bottom));
    uintptr_t low, high;
    ordered(top, bottom, low, high);
    for (uintptr_t at = low; at + 4 <= high; at += 4)
        tsim_print("   %s:  %s\n", pointer_text(a, sizeof a, at),
                   wide_pointer_text(b, sizeof b, word_at(at)));
}

void printstacks(const char *title1, const void *top1, const void *bottom1, const char *title2,
                 const void *top2, const void *bottom2)
{
    char a[32], b[32], c[32], d[32];
    tsim_print("%s top: 0x%s, bottom: 0x%s. %s top: 0x%s, bottom: 0x%s \n", title1 ? title1 : "",
               pointer_text(a, sizeof a, (uintptr_t)top1), pointer_text(b, sizeof b, (uintptr_t)bottom1),
               title2 ? title2 : "", pointer_text(c, sizeof c, (uintptr_t)top2),
               pointer_text(d, sizeof d, (uintptr_t)bottom2));
    uintptr_t low1, high1, low2, high2;
    ordered(top1, bottom1, low1, high1);
    ordered(top2, bottom2, low2, high2);
    for (uintptr_t at1 = low1, at2 = low2; at1 + 4 <= high1 && at2 + 4 <= high2; at1 += 4, at2 += 4)
        tsim_print("   0x%s:  0x%s   0x%s:  0x%s\n", pointer_text(a, sizeof a, at1),
                   pointer_text(b, sizeof b, word_at(at1)), pointer_text(c, sizeof c, at2),
                   pointer_text(d, sizeof d, word_at(at2)));
}
