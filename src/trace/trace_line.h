// The trace-processing pipeline: a ring of stages joined by single-slot mailboxes. Stage 0 is the
// producer (the simulating thread); every further stage runs on a detached host thread of its own,
// processes each item with the stage function and passes it on; the last stage returns items to
// stage 0. With one stage the ring is synchronous processing on the producer's thread.
#pragma once

#include <atomic>
#include <cstdint>

// Mailbox values reserved by the ring: empty and the end-of-stream marker.
#define LINE_EMPTY ((void *)0)
#define LINE_END ((void *)1)

typedef void (*line_stage_fn)(void *item, int32_t index);
typedef void *(*line_make_fn)(void);
typedef void (*line_dispose_fn)(void *item);

struct stage_s {
    line_stage_fn fn;
    int32_t index;
    std::atomic<int32_t> state; // 0 no thread or ended, 1 being started, 2 running
    std::atomic<void *> mailbox;
    stage_s *next;
};

struct line_s {
    line_make_fn make;
    line_dispose_fn dispose;
    stage_s *stages;
    int32_t count;
};

// A pipeline of count stages (a count below 1 is taken as 1).
line_s *line_new(int32_t count, line_stage_fn fn, line_make_fn make, line_dispose_fn dispose);
void line_init(line_s *line, int32_t count, line_stage_fn fn, line_make_fn make, line_dispose_fn dispose);
// Puts fresh items into the ring: one into stage 0 with one stage, else one per stage into stage 1.
void line_start(line_s *line);
void line_put(line_s *line, int32_t stage, void *item);
void *line_get(line_s *line, int32_t stage);
// Drains the ring: every item passes every stage and is disposed of; stage threads have ended on
// return.
int line_stop(line_s *line);
int line_cleanup(line_s *line);
// line_cleanup, then frees the record.
void line_free(line_s *line);

void stage_put(stage_s *stage, void *item);
void *stage_get(stage_s *stage);
