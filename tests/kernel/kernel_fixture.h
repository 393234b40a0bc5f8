// A kernel with jobs whose bodies are lambdas, and a trace of (mark, tick) the bodies record.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "kernel/counter.h"
#include "kernel/delay.h"
#include "kernel/job.h"
#include "kernel/tsim.h"

using Trace = std::vector<std::pair<std::string, uint64_t>>;

class KernelTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        tsim = tsim_new("test");
        ASSERT_NE(tsim, nullptr);
    }
    void TearDown() override
    {
        tsim_free(tsim);
        for (counter_s *counter : counters) counter_force_free(counter);
        for (tagcount_s *tagcount : tagcounts) tagcount_free(tagcount);
        EXPECT_EQ(tsim_last_sim, nullptr);
    }

    // A job running body, created now (outside a job: priority 1), optionally re-prioritised.
    job_s *spawn(const char *name, std::function<void()> body, int priority = 0)
    {
        bodies.push_back(std::move(body));
        job_s *job = job_new(tsim, name, &KernelTest::trampoline, &bodies.back());
        if (job && priority) job_set_priority(job, priority);
        return job;
    }
    static void trampoline(void *body) { (*static_cast<std::function<void()> *>(body))(); }

    counter_s *counter(const char *name)
    {
        counters.push_back(counter_new(tsim, name));
        return counters.back();
    }
    tagcount_s *tagcount(const char *name, int credits)
    {
        tagcounts.push_back(tagcount_new(tsim, name, credits));
        return tagcounts.back();
    }

    void mark(const std::string &what) { trace.emplace_back(what, tsim->now); }
    void run() { tsim_run(tsim, &stop); }

    tsim_s *tsim = nullptr;
    uint32_t stop = 0;
    Trace trace;
    std::deque<std::function<void()>> bodies;
    std::vector<counter_s *> counters;
    std::vector<tagcount_s *> tagcounts;
};
