// Tcl evaluation for simulated activity and the trigger call text.
#include <gtest/gtest.h>
#include <tcl.h>

#include <string>

#include "runtime/common.h"
#include "runtime/stop.h"
#include "runtime/tcl_eval.h"
#include "runtime/triggers.h"
#include "runtime_test_util.h"

namespace
{

class TclEvalTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        reset_runtime_options();
        quarn_common.print_flags = 0;
        interp = Tcl_CreateInterp();
        quarn_common.interpreter = interp;
        Tcl_Eval(interp, "proc record {args} { set ::got $args; return fine }");
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
    int call(TriggerTable *table, const char *command, const char *format, ...)
    {
        va_list args;
        va_start(args, format);
        int code = vTriggers_TCL_Call(table, command, format, args);
        va_end(args);
        return code;
    }
    Tcl_Interp *interp = nullptr;
    SinkCapture capture;
};

TEST_F(TclEvalTest, SafeEvalKeepsTheCallersResult)
{
    Tcl_SetResult(interp, (char *)"caller", TCL_STATIC);
    EXPECT_EQ(safe_Tcl_Eval(interp, "set x 5"), TCL_OK);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "caller");
    EXPECT_EQ(var("x"), "5");
    EXPECT_EQ(safe_Tcl_Eval(interp, "error boom"), TCL_ERROR);
    EXPECT_STREQ(Tcl_GetStringResult(interp), "caller");
    EXPECT_EQ(capture.text(), ""); // the evaluation error is a silent warning
    EXPECT_EQ(safe_Tcl_Eval(nullptr, "set x 6"), TCL_ERROR);
}

TEST_F(TclEvalTest, TriggerCallIsCommandBlankAndFormattedArguments)
{
    TriggerTable table = {};
    EXPECT_EQ(call(&table, "record", "{ sim %s }", "stop"), TCL_OK);
    EXPECT_EQ(var("got"), "{ sim stop }");
    EXPECT_STREQ(table.trg_buffer, "record { sim stop }");
    EXPECT_EQ(call(&table, "nosuchproc", "x"), TCL_ERROR);
}

TEST_F(TclEvalTest, OverlongTriggerTextIsReportedAndCut)
{
    TriggerTable table = {};
    Start_The_Simulation();
    std::string argument(5000, 'a');
    // "record " (7) + 5000 characters; 4094 fit.
    EXPECT_EQ(call(&table, "record", "%s", argument.c_str()), TCL_OK);
    EXPECT_EQ(capture.text(),
              "FATAL ERROR: Internal Error: Triggers_TCL_Call TRG_BUFFER_LEN exceeded by 913 bytes\n");
    EXPECT_EQ(var("got"), std::string(4094 - 7, 'a'));
    EXPECT_EQ(stop_simulation, STOP_QUARN_ERROR);
}

TEST_F(TclEvalTest, WrongCommandComplains)
{
    do_tcl_command("set y 1");
    do_tcl_command("nosuchcommand 1 2");
    EXPECT_EQ(capture.text(), "Oops, \"nosuchcommand 1 2\" is a wrong command\n");
    EXPECT_EQ(var("y"), "1");
}

} // namespace
