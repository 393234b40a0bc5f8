// Process-wide initialisation and teardown, and the stop request from signal context.
#include <gtest/gtest.h>
#include <tcl.h>

#include <csignal>

#include "app/startup.h"
#include "runtime/callbacks.h"
#include "runtime/stop.h"

namespace
{

TEST(StartupTest, InitialiseThenQuitTwice)
{
    Tcl_Interp *interp = Tcl_CreateInterp(); // Tcl's thread data for the asynchronous handler
    Initialize_Quarn_Data_Structures();
    EXPECT_STREQ(callBackFunctionLists[CALLBACK_CREATE_DEFAULT_PROPERTY_LIST].name,
                 "create_default_property_list");
    EXPECT_STREQ(callBackFunctionLists[CALLBACK_INTERNAL_ERROR].name, "internal_error");
    struct sigaction current = {};
    sigaction(SIGINT, nullptr, &current);
    EXPECT_EQ(current.sa_handler, Sigusr);

    // A signal only sets the stop bits; the "SIM_STOP" trigger waits for the interpreter's next
    // safe point.
    Start_The_Simulation();
    EXPECT_EQ(Tcl_AsyncReady(), 0);
    raise(SIGINT);
    EXPECT_EQ(stop_simulation, STOP_USER_INTERRUPT);
    EXPECT_NE(Tcl_AsyncReady(), 0);
    EXPECT_EQ(Tcl_Eval(interp, "set a 1"), TCL_OK); // runs the pending handler
    EXPECT_EQ(Tcl_AsyncReady(), 0);

    Callback_register_fix(
        1, "x", [] {}, nullptr);
    Quit_Quarn_Data_Structures();
    Quit_Quarn_Data_Structures();
    EXPECT_EQ(callBackFunctionLists[CALLBACK_FIX].head, nullptr);
    for (int s : {SIGINT, SIGQUIT, SIGPIPE, SIGABRT, SIGTERM, SIGFPE, SIGILL, SIGTRAP})
        signal(s, SIG_DFL);
    Tcl_DeleteInterp(interp);
}

TEST(StartupTest, VersionAndSelectChannelProcedures)
{
    EXPECT_EQ(get_quarn_version_info(), 0x01000202u);
    int error = 0;
    EXPECT_EQ(SelectChannelCloseProc(nullptr, nullptr), 22);
    EXPECT_EQ(SelectChannelOutputProc(nullptr, "x", 1, &error), 22);
}

} // namespace
