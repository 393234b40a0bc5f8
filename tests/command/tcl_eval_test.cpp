// Numbers read from command words, and Tcl evaluated on behalf of simulated activity: from inside
// a kernel job, and by a trigger whose command fires another trigger of the same table.
#include <gtest/gtest.h>
#include <tcl.h>

#include <cstdarg>
#include <string>

#include "command/tcl_numbers.h"
#include "kernel/job.h"
#include "kernel/tsim.h"
#include "runtime/common.h"
#include "runtime/tcl_eval.h"
#include "runtime/triggers.h"

namespace
{

class TclEvalTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        interp = Tcl_CreateInterp();
        quarn_common.interpreter = interp;
    }
    void TearDown() override
    {
        quarn_common.interpreter = nullptr;
        Tcl_DeleteInterp(interp);
    }
    std::string var(const char *name)
    {
        const char *value = Tcl_GetVar(interp, name, TCL_GLOBAL_ONLY);
        return value ? value : "<unset>";
    }
    Tcl_Interp *interp = nullptr;
};

TEST_F(TclEvalTest, ReadingNumbers)
{
    struct Case {
        const char *text;
        int ok;
        int value;
        const char *message;
    } cases[] = {
        {"", 1, 0, ""},
        {"12", 1, 12, ""},
        {"0x1F", 1, 31, ""},
        {"010", 1, 8, ""},
        {"-5", 1, -5, ""},
        {"0x1FFFFFFFF", 1, -1, ""}, // the low 32 bits
        {"12abc", 0, 12, "Error: reading level got 0xC from 12abc"},
        {"abc", 0, 0, "Error: reading level got 0x0 from abc"},
    };
    for (const Case &c : cases) {
        Tcl_ResetResult(interp);
        int value = 99;
        EXPECT_EQ(tclstr_to_int(interp, c.text, &value, "level"), c.ok) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_STREQ(Tcl_GetStringResult(interp), c.message);
    }

    uint64_t wide = 0;
    Tcl_ResetResult(interp);
    EXPECT_EQ(tclstr_to_uint64_t(interp, "0xFFFFFFFFFFFFFFFF", &wide, "interval"), 1);
    EXPECT_EQ(wide, ~0ull);
    EXPECT_EQ(tclstr_to_uint64_t(interp, "7 ", &wide, "interval"), 0);
    EXPECT_EQ(wide, 7u);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "Error: reading interval got 0x0000000000000007 from 7 ");
}

// Where the last "probe" command ran: the active job at that moment.
job_s *probed_job = reinterpret_cast<job_s *>(1);
int probe(void *, Tcl_Interp *, int, const char *[])
{
    probed_job = tsim_active_job;
    return TCL_OK;
}

struct JobEval {
    Tcl_Interp *interp;
    job_s *self;
    int code;
    std::string result_after;
};

void evaluating_job(void *argument)
{
    JobEval *e = static_cast<JobEval *>(argument);
    e->self = tsim_active_job;
    Tcl_SetResult(e->interp, (char *)"job's own result", TCL_STATIC);
    e->code = safe_Tcl_Eval(e->interp, "probe; set x [expr {6 * 7}]");
    e->result_after = Tcl_GetStringResult(e->interp);
}

TEST_F(TclEvalTest, EvaluationFromAJobRunsOffTheJobsStack)
{
    Tcl_CreateCommand(interp, "probe", probe, nullptr, nullptr);
    tsim_s *tsim = tsim_new("eval");
    ASSERT_NE(tsim, nullptr);
    JobEval e = {interp, nullptr, -1, ""};
    ASSERT_NE(job_new(tsim, "evaluator", evaluating_job, &e), nullptr);
    uint32_t stop = 0;
    tsim_run(tsim, &stop);
    tsim_free(tsim);

    EXPECT_NE(e.self, nullptr);     // the body ran as a job
    EXPECT_EQ(probed_job, nullptr); // the script ran on the kernel caller's stack
    EXPECT_EQ(e.code, TCL_OK);
    EXPECT_EQ(var("x"), "42");
    EXPECT_EQ(e.result_after, "job's own result");

    probed_job = reinterpret_cast<job_s *>(1);
    EXPECT_EQ(safe_Tcl_Eval(interp, "probe"), TCL_OK); // outside a job: directly
    EXPECT_EQ(probed_job, nullptr);
}

TriggerTable table = {};

int call(const char *command, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int code = vTriggers_TCL_Call(&table, command, format, args);
    va_end(args);
    return code;
}

int fire_inner(void *, Tcl_Interp *, int, const char *[])
{
    return call("set", "::inner %s", "fired");
}

TEST_F(TclEvalTest, ATriggerFiredFromATriggerDoesNotDisturbTheOuterText)
{
    Tcl_CreateCommand(interp, "fire_inner", fire_inner, nullptr, nullptr);
    // The inner call rebuilds the table's buffer while the outer text still has a command to run.
    EXPECT_EQ(call("fire_inner", "; set ::outer %s", "done"), TCL_OK);
    EXPECT_EQ(var("inner"), "fired");
    EXPECT_EQ(var("outer"), "done");
}

} // namespace
