#include <gtest/gtest.h>

#include <string>
#include <tcl.h>

#include "command/selector.h"
#include "runtime/tcl_output.h"

namespace
{

TEST(TclOutput, AppendsFormattedTextCutAt4096Bytes)
{
    Tcl_Interp *interp = Tcl_CreateInterp();
    SIM_TCLPRINT(interp, "%s=%d", "a", 1);
    SIM_TCLPRINT(interp, " %s", "b");
    EXPECT_STREQ(Tcl_GetStringResult(interp), "a=1 b");

    const char *volatile null_text = nullptr; // hidden from the format checker
    SIM_TCLPRINT(interp, "%s", null_text);    // formats as "(null)": nothing is appended
    SIM_TCLPRINT(interp, "%s", "(null)");
    EXPECT_STREQ(Tcl_GetStringResult(interp), "a=1 b");
    SIM_TCLPRINT(interp, "[%s]", "(null)"); // only the exact text is dropped
    EXPECT_STREQ(Tcl_GetStringResult(interp), "a=1 b[(null)]");

    Tcl_ResetResult(interp);
    std::string long_text(5000, 'x');
    SIM_TCLPRINT(interp, "%s", long_text.c_str());
    EXPECT_EQ(std::string(Tcl_GetStringResult(interp)), std::string(4095, 'x'));
    Tcl_DeleteInterp(interp);
}

TEST(Selector, NoSelectorNamesNoMachine)
{
    EXPECT_EQ(select_machine(nullptr), nullptr);
}

} // namespace
