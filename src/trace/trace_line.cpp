// The trace-processing pipeline.
#include "trace/trace_line.h"

#include <pthread.h>
#include <sched.h>

#include <cstdio>

#include "runtime/alloc.h"

namespace
{

void *stage_main(void *argument)
{
    stage_s *stage = static_cast<stage_s *>(argument);
    stage->state.store(2, std::memory_order_release);
    printf("stage_child called for idx %d\n", stage->index);
    fflush(stdout);
    for (;;) {
        void *item = stage_get(stage);
        if (item == LINE_END) break;
        stage->fn(item, stage->index);
        stage_put(stage->next, item);
    }
    stage_put(stage->next, LINE_END);
    std::atomic_thread_fence(std::memory_order_release);
    stage->state.store(0, std::memory_order_release);
    return nullptr;
}

void start_thread(stage_s *stage)
{
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t id;
    if (pthread_create(&id, &attr, stage_main, stage) != 0) {
        // No thread: the stage is run on the caller's thread instead, so nothing stalls.
        stage->state.store(0);
        fprintf(stderr, "trace pipeline: cannot start the thread of stage %d\n", stage->index);
    }
    pthread_attr_destroy(&attr);
}

} // namespace

void stage_put(stage_s *stage, void *item)
{
    if (stage->next == stage) {
        if (item != LINE_END) stage->fn(item, 0);
        stage->mailbox.store(item, std::memory_order_release);
        return;
    }
    int32_t idle = 0;
    if (stage->index > 0 && stage->state.compare_exchange_strong(idle, 1)) start_thread(stage);
    for (;;) {
        void *held = stage->mailbox.load(std::memory_order_acquire);
        if (held == LINE_EMPTY || (held == LINE_END && item != LINE_END)) break;
        sched_yield();
    }
    std::atomic_thread_fence(std::memory_order_release);
    stage->mailbox.store(item, std::memory_order_release);
}

void *stage_get(stage_s *stage)
{
    void *item;
    while ((item = stage->mailbox.load(std::memory_order_acquire)) == LINE_EMPTY)
        sched_yield();
    if (item != LINE_END) {
        stage->mailbox.store(LINE_EMPTY, std::memory_order_release);
        std::atomic_thread_fence(std::memory_order_acquire);
    }
    return item;
}

void line_init(line_s *line, int32_t count, line_stage_fn fn, line_make_fn make, line_dispose_fn dispose)
{
    if (count < 1) count = 1;
    line->make = make;
    line->dispose = dispose;
    line->count = count;
    line->stages = new stage_s[count];
    for (int32_t i = 0; i < count; i++) {
        stage_s &s = line->stages[i];
        s.fn = fn;
        s.index = i;
        s.state.store(0);
        s.mailbox.store(LINE_EMPTY);
        s.next = &line->stages[(i + 1) % count];
    }
    line->stages[0].state.store(2);
}

line_s *line_new(int32_t count, line_stage_fn fn, line_make_fn make, line_dispose_fn dispose)
{
    line_s *line = QUARN_ZALLOC(1, line_s);
    line_init(line, count, fn, make, dispose);
    return line;
}

void line_start(line_s *line)
{
    if (line->count == 1) {
        stage_put(&line->stages[0], line->make());
        return;
    }
    for (int32_t i = 0; i < line->count; i++)
        stage_put(&line->stages[1], line->make());
}

void line_put(line_s *line, int32_t stage, void *item)
{
    stage_put(&line->stages[stage % line->count], item);
}

void *line_get(line_s *line, int32_t stage)
{
    return stage_get(&line->stages[stage % line->count]);
}

int line_stop(line_s *line)
{
    if (!line->stages) return 0;
    if (line->count == 1) {
        void *item = stage_get(&line->stages[0]);
        stage_put(&line->stages[0], LINE_END);
        if (item != LINE_END) line->dispose(item);
        return 0;
    }
    stage_put(&line->stages[1], LINE_END);
    for (;;) {
        void *item = stage_get(&line->stages[0]);
        if (item == LINE_END) break;
        line->dispose(item);
    }
    for (int32_t i = 1; i < line->count; i++)
        while (line->stages[i].state.load(std::memory_order_acquire) != 0)
            sched_yield();
    return 0;
}

int line_cleanup(line_s *line)
{
    line_stop(line);
    delete[] line->stages;
    line->stages = nullptr;
    return 0;
}

void line_free(line_s *line)
{
    if (!line) return;
    line_cleanup(line);
    QUARN_FREE(line);
}
