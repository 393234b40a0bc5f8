// Tasks of the parallel mode as coroutines on stacks of their own, and their free list.
#include "translator/ptask.h"

#include "kernel/job.h"
#include "runtime/alloc.h"
#include "runtime/message.h"
#include "translator/ptask_queue.h"

thread_local ptask_s *current_ptask = nullptr;
thread_local tsim_context_t opt_jmpbuf;

namespace
{

ptask_queue_s free_tasks;
bool free_tasks_made = false;

// The bottom frame of every task: runs the body, then returns to the service loop as abandoned.
[[noreturn]] void task_entry(void)
{
    ptask_s *task = current_ptask;
    if (ptask_body) ptask_body(task);
    tsim_longjmp(&opt_jmpbuf, -1);
}

void abandon_body(ptask_s *) {}

} // namespace

void (*ptask_body)(ptask_s *task) = abandon_body;

ptask_s *ptask_new(tsim_s *tsim)
{
    auto *task = QUARN_ZALLOC(1, ptask_s);
    if (!task) return nullptr;
    void *stack = tsim_map(tsim, PTASK_STACK_SIZE);
    if (!stack) {
        sim_error("ptask_init: stack alloc failed.!");
        return task;
    }
    tsim_protect_none(tsim, stack, tsim_page_size());
    task->stack = stack;
    task->stack_constant = 1;
    // The floating-point control words of the maker; the task starts at task_entry as if called
    // there, with rsp 8 below a 32-byte boundary and a null return address.
    tsim_setjmp(&task->context);
    uint64_t top = (reinterpret_cast<uint64_t>(stack) + PTASK_STACK_SIZE) & ~31ull;
    top -= 8;
    *reinterpret_cast<uint64_t *>(top) = 0;
    task->context.rsp = top;
    task->context.rbp = 0;
    task->context.rip = reinterpret_cast<uint64_t>(&task_entry);
    task->first = task->context;
    task->stack_made = 1;
    return task;
}

ptask_s *ptask_alloc(tsim_s *tsim)
{
    if (!free_tasks_made) {
        ptask_queue_init(&free_tasks, "ptask_free_list");
        free_tasks_made = true;
    }
    ptask_s *task = ptask_queue_remove_head_safe(&free_tasks);
    if (!task) return ptask_new(tsim);
    task->stop = 0;
    task->handler = nullptr;
    task->context = task->first;
    return task;
}

void ptask_release(ptask_s *task)
{
    if (!task) return;
    if (!free_tasks_made) {
        ptask_queue_init(&free_tasks, "ptask_free_list");
        free_tasks_made = true;
    }
    ptask_queue_add_tail_safe(&free_tasks, task);
}

void ptask_free(ptask_s *) {}

int ptask_resume(ptask_s *task)
{
    if (!task || !task->stack_made) return -1;
    current_ptask = task;
    const int code = tsim_setjmp(&opt_jmpbuf);
    if (code == 0) tsim_longjmp(&task->context, 1);
    current_ptask = nullptr;
    return code;
}

int ptask_suspend(ptask_s *task, int code)
{
    const int resumed = tsim_setjmp(&task->context);
    if (resumed == 0) tsim_longjmp(&opt_jmpbuf, code);
    return resumed;
}
