// A simulator interpreter as the start-up leaves it: the global command tables, the top-level
// commands and the default configurations, with the sink's output captured.
#pragma once

#include <gtest/gtest.h>
#include <tcl.h>

#include <string>
#include <vector>

#include "app/tcl_startup.h"
#include "command/cmd_table.h"
#include "command/default_configs.h"
#include "decode/instr_info.h"
#include "decode/instr_tables.h"
#include "machine/machine_lifecycle.h"
#include "runtime/common.h"
#include "runtime/debug.h"
#include "runtime/property_list.h"
#include "runtime/psv.h"
#include "runtime/stop.h"
#include "support/sink_capture.h"

class CommandLanguageTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        quiet_mode = regress_mode = standalone_mode = 0;
        // Machines made here open no terminal windows.
        useXterms = 0;
        sim_warning_level = 3;
        simcmd_reveal_mask = 0xFFFFFFFFu;
        interp = Tcl_CreateInterp();
        quarn_common.interpreter = interp;
        Init_Debug_State();
        if (!PSV_List) Init_PSV_Table();
        Init_CommandTables(interp);
        Init_Default_Property_Lists(interp);
        InstrInfo *rows = InstrInfo__id2table(0);
        saved_rows.assign(rows, rows + InstrInfo_Table_Size());
        Start_The_Simulation();
    }
    void TearDown() override
    {
        while (Quarn_Machine_List)
            Machine_Quit(Quarn_Machine_List);
        Quit_CommandTables();
        Delete_All_Property_Lists();
        std::copy(saved_rows.begin(), saved_rows.end(), InstrInfo__id2table(0));
        quarn_common.interpreter = nullptr;
        Tcl_DeleteInterp(interp);
        quiet_mode = regress_mode = standalone_mode = 0;
        useXterms = 1;
        sim_warning_level = 3;
    }

    // Evaluates the script; its result text is kept in `out`.
    int eval(const std::string &script)
    {
        int code = Tcl_Eval(interp, script.c_str());
        out = Tcl_GetStringResult(interp);
        return code;
    }
    // The result of a script that must succeed.
    std::string ok(const std::string &script)
    {
        EXPECT_EQ(eval(script), TCL_OK) << script << ": " << out;
        return out;
    }
    // The result of a script that must fail.
    std::string fails(const std::string &script)
    {
        EXPECT_EQ(eval(script), TCL_ERROR) << script << ": " << out;
        return out;
    }
    bool command_exists(const char *name)
    {
        Tcl_CmdInfo info;
        return Tcl_GetCommandInfo(interp, name, &info) != 0;
    }

    Tcl_Interp *interp = nullptr;
    std::string out;
    std::vector<InstrInfo> saved_rows;
    SinkCapture sink;
};
