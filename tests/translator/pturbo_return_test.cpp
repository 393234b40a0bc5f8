// Translated code run by a task in parallel mode: a used-up budget suspends the task to its
// service loop with code 2, a resumed task goes on at the same guest PC with the new budget, and
// any other exit comes back with code 1.
#include <gtest/gtest.h>

#include <vector>

#include "translator/page_rig.h"
#include "translator/ptask.h"

namespace
{

constexpr uint32_t addi(int rt, int ra, int16_t si)
{
    return 14u << 26 | (uint32_t)rt << 21 | (uint32_t)ra << 16 | (uint16_t)si;
}

void run_turbo(ptask_s *task)
{
    turbo_go(task->thread, task->thread->turbo.pturbo_budget);
}

class PturboReturn : public PageRig
{
  public:
    PturboReturn() { ptask_body = run_turbo; }
    ~PturboReturn() override
    {
        ptask_body = nullptr;
        t->turbo.in_pturbo = 0;
        t->turbo.ptask = nullptr;
        t->turbo.active = 0;
    }
};

TEST_F(PturboReturn, ABudgetUsedUpSuspendsAndTheResumedTaskGoesOn)
{
    for (int i = 0; i < 100; i++)
        word(i, addi(3, 3, 1));
    t->GPR[3].value = 0;
    std::vector<int> codes;
    std::vector<uint64_t> pcs;
    in_job([&] {
        ptask_s *task = ptask_alloc(r.m.machine->tsim);
        ASSERT_NE(task, nullptr);
        task->thread = t;
        t->turbo.ptask = task;
        t->turbo.in_pturbo = 1;
        t->turbo.pturbo_budget = 40;
        for (int i = 0; i < 5; i++) {
            const int code = ptask_resume(task);
            codes.push_back(code);
            pcs.push_back(t->turbo.pc);
            if (code != 2) break;
            t->turbo.pturbo_budget = 40; // the next service's budget
        }
        ptask_release(task);
    });
    ASSERT_FALSE(codes.empty());
    EXPECT_EQ(codes.back(), 1) << "the zero word after the last addi leaves \"unknown\"";
    EXPECT_EQ(t->turbo.reason, EXIT_UNKNOWN);
    EXPECT_EQ(pcs.back(), pc_of(100));
    EXPECT_EQ(t->GPR[3].value, 100u) << "every instruction ran once across the suspensions";
    for (size_t i = 0; i + 1 < codes.size(); i++)
        EXPECT_EQ(codes[i], 2) << i;
    EXPECT_GE(codes.size(), 3u);
}

} // namespace
